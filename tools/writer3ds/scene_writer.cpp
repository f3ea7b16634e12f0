#include "tools/writer3ds/scene_writer.h"

#include <cstddef>

#include "tools/writer3ds/chunk_ids.h"
#include "tools/writer3ds/chunk_writer.h"

namespace {

using Rgb = std::array<std::uint8_t, 3>;
using Point = std::array<float, 3>;

constexpr Point ORIGIN{0.0f, 0.0f, 0.0f};
constexpr Point CAMERA_EYE{0.0f, -100.0f, 50.0f};
constexpr Point LIGHT_POSITION{10.0f, 20.0f, 30.0f};
constexpr std::uint32_t LAST_FRAME = 100;

// "Texture flags" bits of a tinted map: tint on, by red, green and blue.
constexpr std::uint16_t MAP_TINT = 0x0080, MAP_RGB_TINT = 0x0200;

// Key flags bits: which spline values follow the key's frame and flags.
constexpr std::uint16_t KEY_TENSION = 0x01, KEY_CONTINUITY = 0x02, KEY_EASE_TO = 0x08,
                        KEY_EASE_FROM = 0x10;

void writeEmpty(ChunkWriter& out, std::uint16_t id) {
  out.begin(id);
  out.end();
}

void writeFloat(ChunkWriter& out, std::uint16_t id, float value) {
  out.begin(id);
  out.f32(value);
  out.end();
}

void writeRgbBytes(ChunkWriter& out, std::uint16_t id, const Rgb& rgb) {
  out.begin(id);
  for (std::uint8_t c : rgb) out.u8(c);
  out.end();
}

void writePercent(ChunkWriter& out, int percent) {
  out.begin(chunk_id::PERCENT_WORD);
  out.u16(static_cast<std::uint16_t>(percent));
  out.end();
}

void writeColor(ChunkWriter& out, std::uint16_t id, const Rgb& rgb) {
  out.begin(id);
  writeRgbBytes(out, chunk_id::RGB_BYTE, rgb);
  out.begin(chunk_id::RGB_FLOAT);
  for (std::uint8_t c : rgb) out.f32(static_cast<float>(c) / 255.0f);
  out.end();
  out.end();
}

void writeIdentityMatrix(ChunkWriter& out) {
  for (int i = 0; i < 12; ++i) out.f32(i % 4 == 0 && i < 9 ? 1.0f : 0.0f);
}

void writeMap(ChunkWriter& out, std::uint16_t id, const WriterMap& map) {
  out.begin(id);
  writePercent(out, map.percent);
  out.begin(chunk_id::MAP_FILENAME);
  out.str(map.file);
  out.end();
  out.begin(chunk_id::TEXTURE_FLAGS);
  out.u16(map.tinted ? MAP_TINT | MAP_RGB_TINT : 0);
  out.end();
  writeFloat(out, chunk_id::TEXTURE_BLUR, 0.07f);
  writeFloat(out, chunk_id::U_SCALE, 1.0f);
  writeFloat(out, chunk_id::V_SCALE, 1.0f);
  writeFloat(out, chunk_id::U_OFFSET, 0.0f);
  writeFloat(out, chunk_id::V_OFFSET, 0.0f);
  writeFloat(out, chunk_id::TEXTURE_ROTATION, 0.0f);
  if (map.tinted) {
    writeRgbBytes(out, chunk_id::BLACK_TINT, {0, 0, 0});
    writeRgbBytes(out, chunk_id::WHITE_TINT, {255, 255, 255});
    writeRgbBytes(out, chunk_id::RED_TINT, {255, 0, 0});
    writeRgbBytes(out, chunk_id::GREEN_TINT, {0, 255, 0});
    writeRgbBytes(out, chunk_id::BLUE_TINT, {0, 0, 255});
  }
  out.end();
}

// A reader keeps the file name of a reflection map as the material's texture
// as well, so the texture map comes after it to be the one kept.
void writeMaterialMaps(ChunkWriter& out, const WriterMaterial& material) {
  if (!material.reflectionMap.file.empty())
    writeMap(out, chunk_id::REFLECTION_MAP, material.reflectionMap);
  if (!material.bumpMap.file.empty()) writeMap(out, chunk_id::BUMP_MAP, material.bumpMap);
  if (!material.textureMap.empty())
    writeMap(out, chunk_id::TEXTURE_MAP, {.file = material.textureMap});
  if (!material.opacityMap.file.empty()) writeMap(out, chunk_id::OPACITY_MAP, material.opacityMap);
}

void writeMaterialOptions(ChunkWriter& out, const WriterMaterial& material) {
  if (material.transparencyPercent > 0) writeEmpty(out, chunk_id::TRANSPARENCY_FALLOFF_IN);
  if (material.twoSided) writeEmpty(out, chunk_id::TWO_SIDED);
  if (material.softShine) writeEmpty(out, chunk_id::SHININESS_SOFTEN);
  writeFloat(out, chunk_id::WIREFRAME_THICKNESS, 1.0f);
}

void writeMaterial(ChunkWriter& out, const WriterMaterial& material) {
  out.begin(chunk_id::MATERIAL);
  out.begin(chunk_id::MATERIAL_NAME);
  out.str(material.name);
  out.end();
  writeColor(out, chunk_id::AMBIENT_COLOR, material.ambient);
  writeColor(out, chunk_id::DIFFUSE_COLOR, material.diffuse);
  out.begin(chunk_id::TRANSPARENCY);
  writePercent(out, material.transparencyPercent);
  out.end();
  writeMaterialOptions(out, material);
  out.begin(chunk_id::SHADING_TYPE);
  out.u16(3);
  out.end();
  writeMaterialMaps(out, material);
  out.end();
}

void writeFaceList(ChunkWriter& out, const WriterObject& object) {
  out.begin(chunk_id::FACE_LIST);
  out.u16(static_cast<std::uint16_t>(object.faces.size()));
  for (const auto& face : object.faces) {
    for (std::uint16_t v : face) out.u16(v);
    out.u16(0x0007);  // all three edges visible
  }
  for (const auto& [name, faces] : object.faceMaterials) {
    out.begin(chunk_id::FACE_MATERIAL);
    out.str(name);
    out.u16(static_cast<std::uint16_t>(faces.size()));
    for (std::uint16_t f : faces) out.u16(f);
    out.end();
  }
  out.begin(chunk_id::SMOOTHINGS);
  for (std::size_t i = 0; i < object.faces.size(); ++i) out.u32(1);
  out.end();
  out.end();
}

void writeVertices(ChunkWriter& out, const WriterObject& object) {
  const auto count = static_cast<std::uint16_t>(object.vertices.size());
  out.begin(chunk_id::VERTEX_LIST);
  out.u16(count);
  for (const auto& v : object.vertices)
    for (float c : v) out.f32(c);
  out.end();
  out.begin(chunk_id::VERTEX_FLAG_LIST);
  out.u16(count);
  for (std::uint16_t i = 0; i < count; ++i) out.u16(0);
  out.end();
}

// The mapping coordinates, and the planar mapping icon they were made with,
// once over the object.
void writeMappings(ChunkWriter& out, const WriterObject& object) {
  if (object.mappings.empty()) return;
  out.begin(chunk_id::MAPPINGS_LIST);
  out.u16(static_cast<std::uint16_t>(object.mappings.size()));
  for (const auto& m : object.mappings)
    for (float c : m) out.f32(c);
  out.end();
  out.begin(chunk_id::TEXTURE_INFO);
  out.u16(0);                                                       // planar
  for (float c : {1.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f}) out.f32(c);  // tiling, position, scale
  writeIdentityMatrix(out);
  for (float c : {1.0f, 1.0f, 1.0f}) out.f32(c);  // icon width, height, cylinder height
  out.end();
}

void writeObject(ChunkWriter& out, const WriterObject& object, std::size_t index) {
  out.begin(chunk_id::OBJECT_BLOCK);
  out.str(object.name);
  out.begin(chunk_id::TRI_MESH);
  writeVertices(out, object);
  writeMappings(out, object);
  writeFaceList(out, object);
  out.begin(chunk_id::MATRIX);
  writeIdentityMatrix(out);
  out.end();
  out.begin(chunk_id::MESH_COLOR);
  out.u8(static_cast<std::uint8_t>(index));  // the editor's palette, one entry per object
  out.end();
  out.end();
  out.end();
}

void writeLight(ChunkWriter& out) {
  out.begin(chunk_id::OBJECT_BLOCK);
  out.str("Spot01");
  out.begin(chunk_id::LIGHT);
  for (float c : LIGHT_POSITION) out.f32(c);
  out.begin(chunk_id::RGB_FLOAT);
  for (int i = 0; i < 3; ++i) out.f32(1.0f);
  out.end();
  out.begin(chunk_id::SPOTLIGHT);
  for (float c : ORIGIN) out.f32(c);  // target
  for (float c : {30.0f, 45.0f}) out.f32(c);
  out.end();
  writeFloat(out, chunk_id::LIGHT_RANGE_RADIUS1, 100.0f);
  writeFloat(out, chunk_id::LIGHT_RANGE_RADIUS2, 400.0f);
  writeFloat(out, chunk_id::LIGHT_MULTIPLIER, 1.0f);
  out.end();
  out.end();
}

void writeCamera(ChunkWriter& out) {
  out.begin(chunk_id::OBJECT_BLOCK);
  out.str("Camera01");
  out.begin(chunk_id::CAMERA);
  for (float c : CAMERA_EYE) out.f32(c);
  for (float c : ORIGIN) out.f32(c);         // target
  for (float c : {0.0f, 45.0f}) out.f32(c);  // bank, lens
  out.end();
  out.end();
}

// The editor's screen layout: one viewport of 640 x 480 pixels.
void writeViewportInfo(ChunkWriter& out) {
  out.begin(chunk_id::VIEWPORT_INFO);
  for (int i = 0; i < 7; ++i) out.u16(0);
  out.begin(chunk_id::VIEWPORT_SIZE);
  for (std::uint16_t c : {0, 0, 640, 480}) out.u16(c);
  out.end();
  out.end();
}

struct Key {
  std::uint32_t frame;
  std::uint16_t flags;
  std::vector<float> value;
  std::string name{};  // the value of a morph key
};

void writeKeyTrack(ChunkWriter& out, std::uint16_t id, const std::vector<Key>& keys) {
  out.begin(id);
  for (std::uint16_t h : {0, 0, 0, 0, 0}) out.u16(h);
  out.u32(static_cast<std::uint32_t>(keys.size()));
  for (const Key& key : keys) {
    out.u32(key.frame);
    out.u16(key.flags);
    for (int bit = 0; bit < 16; ++bit)
      if (key.flags & (1u << bit)) out.f32(0.5f);
    for (float c : key.value) out.f32(c);
    if (!key.name.empty()) out.str(key.name);
  }
  out.end();
}

void writePositionTrack(ChunkWriter& out, const Point& position) {
  writeKeyTrack(out, chunk_id::POSITION_KEYS, {{0, 0, {position.begin(), position.end()}}});
}

void writeNodeHeader(ChunkWriter& out, std::uint16_t& number, const std::string& name) {
  out.begin(chunk_id::OBJECT_NUMBER);
  out.u16(number++);
  out.end();
  out.begin(chunk_id::TRACK_OBJ_NAME);
  out.str(name);
  out.u16(0);
  out.u16(0);
  out.u16(0xFFFF);  // no parent
  out.end();
}

void writeMorphTrack(ChunkWriter& out, const std::vector<std::string>& targets) {
  if (targets.empty()) return;
  std::vector<Key> keys;
  for (std::size_t k = 0; k < targets.size(); ++k)
    keys.push_back(
        {static_cast<std::uint32_t>(k * LAST_FRAME / targets.size()), 0, {}, targets[k]});
  writeKeyTrack(out, chunk_id::MORPH_KEYS, keys);
}

void writeMeshNode(ChunkWriter& out, std::uint16_t& number, const WriterObject& object) {
  out.begin(chunk_id::TRACK_INFO);
  writeNodeHeader(out, number, object.name);
  out.begin(chunk_id::PIVOT_POINT);
  for (float c : ORIGIN) out.f32(c);
  out.end();
  writeKeyTrack(out, chunk_id::POSITION_KEYS,
                {{0, 0, {0, 0, 0}},
                 {50, KEY_TENSION | KEY_CONTINUITY, {1, 2, 3}},
                 {LAST_FRAME, KEY_EASE_TO | KEY_EASE_FROM, {0, 0, 0}}});
  writeKeyTrack(out, chunk_id::ROTATION_KEYS, {{0, 0, {0, 0, 0, 1}}});
  writeKeyTrack(out, chunk_id::SCALE_KEYS, {{0, KEY_TENSION, {1, 1, 1}}});
  writeMorphTrack(out, object.morphTargets);
  // A hide key toggles the node's visibility; it has no spline values.
  writeKeyTrack(out, chunk_id::HIDE_KEYS, {{10, 0, {}}});
  out.end();
}

void writeCameraNodes(ChunkWriter& out, std::uint16_t& number) {
  out.begin(chunk_id::CAMERA_TRACK);
  writeNodeHeader(out, number, "Camera01");
  writePositionTrack(out, CAMERA_EYE);
  writeKeyTrack(out, chunk_id::FOV_KEYS, {{0, 0, {45.0f}}});
  writeKeyTrack(out, chunk_id::ROLL_KEYS, {{0, 0, {0.0f}}});
  out.end();
  out.begin(chunk_id::CAMERA_TARGET_TRACK);
  writeNodeHeader(out, number, "Camera01");
  writePositionTrack(out, ORIGIN);
  out.end();
}

void writeLightNodes(ChunkWriter& out, std::uint16_t& number) {
  out.begin(chunk_id::SPOTLIGHT_TRACK);
  writeNodeHeader(out, number, "Spot01");
  writePositionTrack(out, LIGHT_POSITION);
  out.end();
  out.begin(chunk_id::LIGHT_TARGET_TRACK);
  writeNodeHeader(out, number, "Spot01");
  writePositionTrack(out, ORIGIN);
  out.end();
}

void writeKeyframer(ChunkWriter& out, const WriterScene& scene) {
  out.begin(chunk_id::KEYFRAMER);
  out.begin(chunk_id::FRAMES);
  out.u32(0);
  out.u32(LAST_FRAME);
  out.end();
  std::uint16_t number = 0;
  for (const WriterObject& object : scene.objects) writeMeshNode(out, number, object);
  if (scene.camera) writeCameraNodes(out, number);
  if (scene.light) writeLightNodes(out, number);
  out.end();
}

}  // namespace

std::vector<std::uint8_t> write3ds(const WriterScene& scene) {
  ChunkWriter out;
  out.begin(chunk_id::MAIN);
  out.begin(chunk_id::FILE_VERSION);
  out.u32(3);
  out.end();
  out.begin(chunk_id::OBJECT_MESH);
  out.begin(chunk_id::MESH_VERSION);
  out.u32(3);
  out.end();
  writeViewportInfo(out);
  for (const WriterMaterial& material : scene.materials) writeMaterial(out, material);
  for (std::size_t i = 0; i < scene.objects.size(); ++i) writeObject(out, scene.objects[i], i);
  if (scene.light) writeLight(out);
  if (scene.camera) writeCamera(out);
  out.end();
  if (scene.keyframer) writeKeyframer(out, scene);
  out.end();
  return out.bytes();
}
