#pragma once
// Loading .3ds bytes through a temporary file; the arrays are freed with the
// returned pointer. Chunk streams are strings; header() may lie about a length.

#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "reader3ds/load3ds.h"
#include "tests/reader3ds/loaded_arrays.h"
#include "tools/writer3ds/chunk_ids.h"
#include "tools/writer3ds/scene_writer.h"

struct LoadedScene : Scene {
  ~LoadedScene() { freeLoadedArrays(*this); }
};

// Starts from fresh selectors unless `reset` is false.
inline std::unique_ptr<LoadedScene> loadFile(const std::string& path, bool reset = true) {
  if (reset) resetReaderState();
  auto scene = std::make_unique<LoadedScene>();
  EXPECT_EQ(load3ds(path.c_str(), scene.get()), 0);
  return scene;
}

inline std::unique_ptr<LoadedScene> loadBytes(const std::string& bytes, bool reset = true) {
  const std::string path = testing::TempDir() + "reader3ds_" + std::to_string(getpid()) + ".3ds";
  std::ofstream(path, std::ios::binary) << bytes;
  auto scene = loadFile(path, reset);
  std::remove(path.c_str());
  return scene;
}

static_assert(std::endian::native == std::endian::little);
template <typename T>
std::string raw(const std::vector<T>& values) {
  return {reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T)};
}
inline std::string u16s(const std::vector<std::uint16_t>& values) { return raw(values); }
inline std::string f32s(const std::vector<float>& values) { return raw(values); }
inline std::string header(std::uint16_t id, std::uint32_t length) {
  return u16s({id}) + raw<std::uint32_t>({length});
}
inline std::string chunk(std::uint16_t id, std::string_view body) {
  return header(id, static_cast<std::uint32_t>(body.size() + 6)).append(body);
}
inline std::string text(const std::string& s) { return s + '\0'; }
