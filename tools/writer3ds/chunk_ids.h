#pragma once
// The chunk ids the writer emits, named as a modelling program names them.

#include <cstdint>

namespace chunk_id {
inline constexpr std::uint16_t RGB_FLOAT = 0x0010;
inline constexpr std::uint16_t RGB_BYTE = 0x0011;
inline constexpr std::uint16_t PERCENT_WORD = 0x0030;
inline constexpr std::uint16_t FILE_VERSION = 0x0002;  // not read: passed over
inline constexpr std::uint16_t MAIN = 0x4D4D;
inline constexpr std::uint16_t OBJECT_MESH = 0x3D3D;
inline constexpr std::uint16_t MESH_VERSION = 0x3D3E;  // not read: passed over
inline constexpr std::uint16_t OBJECT_BLOCK = 0x4000;
inline constexpr std::uint16_t TRI_MESH = 0x4100;
inline constexpr std::uint16_t VERTEX_LIST = 0x4110;
inline constexpr std::uint16_t FACE_LIST = 0x4120;
inline constexpr std::uint16_t FACE_MATERIAL = 0x4130;
inline constexpr std::uint16_t MAPPINGS_LIST = 0x4140;
inline constexpr std::uint16_t SMOOTHINGS = 0x4150;
inline constexpr std::uint16_t MATRIX = 0x4160;
inline constexpr std::uint16_t LIGHT = 0x4600;
inline constexpr std::uint16_t SPOTLIGHT = 0x4610;
inline constexpr std::uint16_t LIGHT_RANGE_RADIUS1 = 0x4659;
inline constexpr std::uint16_t LIGHT_MULTIPLIER = 0x465B;
inline constexpr std::uint16_t CAMERA = 0x4700;
inline constexpr std::uint16_t MATERIAL = 0xAFFF;
inline constexpr std::uint16_t MATERIAL_NAME = 0xA000;
inline constexpr std::uint16_t AMBIENT_COLOR = 0xA010;
inline constexpr std::uint16_t DIFFUSE_COLOR = 0xA020;
inline constexpr std::uint16_t SPECULAR_COLOR = 0xA030;
inline constexpr std::uint16_t SHININESS = 0xA040;
inline constexpr std::uint16_t TRANSPARENCY = 0xA050;
inline constexpr std::uint16_t TWO_SIDED = 0xA081;
inline constexpr std::uint16_t SHADING_TYPE = 0xA100;
inline constexpr std::uint16_t TEXTURE_MAP = 0xA200;
inline constexpr std::uint16_t SPECULAR_MAP = 0xA204;
inline constexpr std::uint16_t OPACITY_MAP = 0xA210;
inline constexpr std::uint16_t REFLECTION_MAP = 0xA220;
inline constexpr std::uint16_t BUMP_MAP = 0xA230;
inline constexpr std::uint16_t MAP_FILENAME = 0xA300;
inline constexpr std::uint16_t TEXTURE_FLAGS = 0xA351;
inline constexpr std::uint16_t TEXTURE_BLUR = 0xA353;
inline constexpr std::uint16_t KEYFRAMER = 0xB000;
inline constexpr std::uint16_t TRACK_INFO = 0xB002;
inline constexpr std::uint16_t FRAMES = 0xB008;
inline constexpr std::uint16_t TRACK_OBJ_NAME = 0xB010;
inline constexpr std::uint16_t PIVOT_POINT = 0xB013;
inline constexpr std::uint16_t POSITION_KEYS = 0xB020;
inline constexpr std::uint16_t ROTATION_KEYS = 0xB021;
inline constexpr std::uint16_t SCALE_KEYS = 0xB022;
inline constexpr std::uint16_t MORPH_KEYS = 0xB026;
inline constexpr std::uint16_t HIDE_KEYS = 0xB029;
inline constexpr std::uint16_t OBJECT_NUMBER = 0xB030;
}  // namespace chunk_id
