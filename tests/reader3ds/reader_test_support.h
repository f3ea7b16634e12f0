#pragma once
// Loading .3ds bytes in tests: the bytes go to a temporary file, load3ds reads
// it (selectors that survive loads are kept unless the caller resets them),
// and the arrays go back to the tracked allocator with the returned pointer.
// Hand-made chunk streams are strings: chunk(id, body) nests, header() lies
// about a length, the rest spell little-endian values.

#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <fstream>
#include <memory>
#include <string>

#include "reader3ds/load3ds.h"
#include "tests/reader3ds/loaded_arrays.h"
#include "tools/writer3ds/chunk_ids.h"
#include "tools/writer3ds/scene_writer.h"

using LoadedScene = std::shared_ptr<Scene>;

inline LoadedScene loadFile(const std::string& path) {
  LoadedScene scene(new Scene{}, [](Scene* loaded) {
    freeLoadedArrays(*loaded);
    delete loaded;
  });
  EXPECT_EQ(load3ds(path.c_str(), scene.get()), 0);
  return scene;
}

inline LoadedScene loadBytes(std::string_view bytes) {
  const std::string path = testing::TempDir() + "reader3ds_" + std::to_string(getpid()) + ".3ds";
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  LoadedScene scene = loadFile(path);
  std::remove(path.c_str());
  return scene;
}

inline LoadedScene loadBytes(const std::vector<std::uint8_t>& bytes) {
  return loadBytes(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// Little-endian values, a chunk header claiming `length` bytes, and a chunk
// whose length fits its body.
inline std::string le(std::uint32_t value, int size) {
  std::string out;
  for (int b = 0; b < size; ++b) out += static_cast<char>(value >> (8 * b));
  return out;
}
inline std::string u16s(std::initializer_list<std::uint16_t> values) {
  std::string out;
  for (std::uint16_t v : values) out += le(v, 2);
  return out;
}
inline std::string f32s(const std::vector<float>& values) {
  std::string out;
  for (float v : values) out += le(std::bit_cast<std::uint32_t>(v), 4);
  return out;
}
inline std::string header(std::uint16_t id, std::uint32_t length) {
  return le(id, 2) + le(length, 4);
}
inline std::string chunk(std::uint16_t id, std::string_view body) {
  return header(id, static_cast<std::uint32_t>(body.size() + 6)).append(body);
}
inline std::string text(const std::string& s) { return s + '\0'; }

// A mesh object of vertexCount vertices on a line, faces as given.
inline WriterObject makeObject(const std::string& name, int vertexCount,
                               std::vector<std::array<std::uint16_t, 3>> faces) {
  WriterObject object{
      .name = name, .vertices = {}, .mappings = {}, .faces = std::move(faces), .faceMaterials = {}};
  for (int i = 0; i < vertexCount; ++i) {
    const auto f = static_cast<float>(i);
    object.vertices.push_back({f, 2 * f, -f});
    object.mappings.push_back({f / 8, 1 - f / 8});
  }
  return object;
}
