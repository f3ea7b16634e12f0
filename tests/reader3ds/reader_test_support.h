#pragma once
// Loading .3ds bytes in tests: the bytes go to a temporary file, load3ds reads
// it into a Scene, and the Scene's arrays are released with the tracked
// allocator when the LoadedScene goes away.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/scene_types.h"
#include "tests/reader3ds/loaded_arrays.h"
#include "tools/writer3ds/scene_writer.h"

struct LoadedScene {
  Scene scene{};
  LoadedScene() = default;
  LoadedScene(const LoadedScene&) = delete;
  LoadedScene& operator=(const LoadedScene&) = delete;
  ~LoadedScene();

  // The material a face was given, by name ("" for the fallback material).
  std::string materialName(std::int32_t face) const;
  // The index of the last material called name; -1 when there is none.
  std::int32_t materialIndex(const std::string& name) const;
};

std::string tempFilePath(const std::string& name);

// Writes bytes to a temporary file and loads it (selectors that survive loads
// are kept unless the caller resets them).
std::unique_ptr<LoadedScene> loadBytes(const std::vector<std::uint8_t>& bytes);
std::unique_ptr<LoadedScene> loadFile(const std::string& path);

// A mesh object of vertexCount vertices on a line, faces as given.
WriterObject makeObject(const std::string& name, int vertexCount,
                        std::vector<std::array<std::uint16_t, 3>> faces);
