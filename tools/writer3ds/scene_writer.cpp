#include "tools/writer3ds/scene_writer.h"

#include <cstddef>

#include "tools/writer3ds/chunk_ids.h"
#include "tools/writer3ds/chunk_writer.h"

namespace {

void writeColor(ChunkWriter& out, std::uint16_t id, const std::array<std::uint8_t, 3>& rgb) {
  out.begin(id);
  out.begin(chunk_id::RGB_BYTE);
  for (std::uint8_t c : rgb) out.u8(c);
  out.end();
  out.begin(chunk_id::RGB_FLOAT);
  for (std::uint8_t c : rgb) out.f32(static_cast<float>(c) / 255.0f);
  out.end();
  out.end();
}

void writeMaterial(ChunkWriter& out, const WriterMaterial& material) {
  out.begin(chunk_id::MATERIAL);
  out.begin(chunk_id::MATERIAL_NAME);
  out.str(material.name);
  out.end();
  writeColor(out, chunk_id::AMBIENT_COLOR, material.ambient);
  writeColor(out, chunk_id::DIFFUSE_COLOR, material.diffuse);
  out.begin(chunk_id::TRANSPARENCY);
  out.begin(chunk_id::PERCENT_WORD);
  out.u16(static_cast<std::uint16_t>(material.transparencyPercent));
  out.end();
  out.end();
  if (material.twoSided) {
    out.begin(chunk_id::TWO_SIDED);
    out.end();
  }
  out.begin(chunk_id::SHADING_TYPE);
  out.u16(3);
  out.end();
  if (!material.textureMap.empty()) {
    out.begin(chunk_id::TEXTURE_MAP);
    out.begin(chunk_id::PERCENT_WORD);
    out.u16(100);
    out.end();
    out.begin(chunk_id::MAP_FILENAME);
    out.str(material.textureMap);
    out.end();
    out.begin(chunk_id::TEXTURE_BLUR);
    out.f32(0.07f);
    out.end();
    out.end();
  }
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

void writeObject(ChunkWriter& out, const WriterObject& object) {
  out.begin(chunk_id::OBJECT_BLOCK);
  out.str(object.name);
  out.begin(chunk_id::TRI_MESH);
  out.begin(chunk_id::VERTEX_LIST);
  out.u16(static_cast<std::uint16_t>(object.vertices.size()));
  for (const auto& v : object.vertices)
    for (float c : v) out.f32(c);
  out.end();
  if (!object.mappings.empty()) {
    out.begin(chunk_id::MAPPINGS_LIST);
    out.u16(static_cast<std::uint16_t>(object.mappings.size()));
    for (const auto& m : object.mappings)
      for (float c : m) out.f32(c);
    out.end();
  }
  writeFaceList(out, object);
  out.begin(chunk_id::MATRIX);
  for (int i = 0; i < 12; ++i) out.f32(i % 4 == 0 && i < 9 ? 1.0f : 0.0f);
  out.end();
  out.end();
  out.end();
}

void writeLight(ChunkWriter& out) {
  out.begin(chunk_id::OBJECT_BLOCK);
  out.str("Spot01");
  out.begin(chunk_id::LIGHT);
  for (float c : {10.0f, 20.0f, 30.0f}) out.f32(c);
  out.begin(chunk_id::RGB_FLOAT);
  for (int i = 0; i < 3; ++i) out.f32(1.0f);
  out.end();
  out.begin(chunk_id::SPOTLIGHT);
  for (float c : {0.0f, 0.0f, 0.0f, 30.0f, 45.0f}) out.f32(c);
  out.end();
  out.begin(chunk_id::LIGHT_RANGE_RADIUS1);
  out.f32(100.0f);
  out.end();
  out.begin(chunk_id::LIGHT_MULTIPLIER);
  out.f32(1.0f);
  out.end();
  out.end();
  out.end();
}

void writeCamera(ChunkWriter& out) {
  out.begin(chunk_id::OBJECT_BLOCK);
  out.str("Camera01");
  out.begin(chunk_id::CAMERA);
  for (float c : {0.0f, -100.0f, 50.0f, 0.0f, 0.0f, 0.0f, 0.0f, 45.0f}) out.f32(c);
  out.end();
  out.end();
}

struct Key {
  std::uint32_t frame;
  std::uint16_t flags;
  std::vector<float> value;
};

void writeKeyTrack(ChunkWriter& out, std::uint16_t id, const std::vector<Key>& keys, bool splines) {
  out.begin(id);
  for (std::uint16_t h : {0, 0, 0, 0, 0}) out.u16(h);
  out.u32(static_cast<std::uint32_t>(keys.size()));
  for (const Key& key : keys) {
    out.u32(key.frame);
    out.u16(key.flags);
    if (splines)
      for (int bit = 0; bit < 16; ++bit)
        if (key.flags & (1u << bit)) out.f32(0.5f);
    for (float c : key.value) out.f32(c);
  }
  out.end();
}

void writeKeyframer(ChunkWriter& out, const WriterScene& scene) {
  out.begin(chunk_id::KEYFRAMER);
  out.begin(chunk_id::FRAMES);
  out.u32(0);
  out.u32(100);
  out.end();
  std::uint16_t number = 0;
  for (const WriterObject& object : scene.objects) {
    out.begin(chunk_id::TRACK_INFO);
    out.begin(chunk_id::OBJECT_NUMBER);
    out.u16(number++);
    out.end();
    out.begin(chunk_id::TRACK_OBJ_NAME);
    out.str(object.name);
    out.u16(0);
    out.u16(0);
    out.u16(0xFFFF);  // no parent
    out.end();
    out.begin(chunk_id::PIVOT_POINT);
    for (int i = 0; i < 3; ++i) out.f32(0.0f);
    out.end();
    writeKeyTrack(out, chunk_id::POSITION_KEYS,
                  {{0, 0, {0, 0, 0}}, {50, 0x0003, {1, 2, 3}}, {100, 0x8000, {0, 0, 0}}}, true);
    writeKeyTrack(out, chunk_id::ROTATION_KEYS, {{0, 0, {0, 0, 0, 1}}}, true);
    writeKeyTrack(out, chunk_id::SCALE_KEYS, {{0, 0x0001, {1, 1, 1}}}, true);
    writeKeyTrack(out, chunk_id::HIDE_KEYS, {{10, 0x0001, {}}}, false);
    out.end();
  }
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
  for (const WriterMaterial& material : scene.materials) writeMaterial(out, material);
  for (const WriterObject& object : scene.objects) writeObject(out, object);
  if (scene.light) writeLight(out);
  if (scene.camera) writeCamera(out);
  out.end();
  if (scene.keyframer) writeKeyframer(out, scene);
  out.end();
  return out.bytes();
}
