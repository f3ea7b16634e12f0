// The whole program on an arbitrary wild scene: whatever the reader makes of the bytes is prepared,
// drawn for a few frames from a turning camera and released, within every buffer. A scene naming a
// texture the content lacks ends the program by design, so such inputs are passed by.

#include <cstdio>
#include <fstream>

#include "app/program.h"
#include "board/board.h"
#include "platform/file_names.h"
#include "reader3ds/load3ds.h"
#include "tests/app/program_fixture.h"
#include "tests/app/test_content.h"
#include "tests/reader3ds/loaded_arrays.h"

namespace {

constexpr int FRAMES = 3;
constexpr const char* WILD_SCENE = "OBJECTS/qxwild.3ds";

// Whether the program can open the texture, found as it finds its files.
bool textureInContent(const char* name) {
  std::FILE* file = openFile((std::string(".\\TEXTURES\\") + name).c_str(), "rb");
  if (file != nullptr) std::fclose(file);
  return file != nullptr;
}

bool everyTextureInContent() {
  resetReaderState();
  Scene scene{};
  load3ds(WILD_SCENE, &scene);
  bool found = true;
  for (std::int32_t m = 0; m < scene.materialCount; ++m) {
    const char* name = scene.materials[m].textureFile;
    if (name != nullptr && !textureInContent(name)) found = false;
  }
  freeLoadedArrays(scene);
  return found;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static TestContent content;              // the current folder from here on
  std::freopen("/dev/null", "w", stdout);  // the exit reports
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!std::ofstream(WILD_SCENE, std::ios::binary)
           .write(reinterpret_cast<const char*>(data), std::streamsize(size))) {
    return 0;
  }
  if (!everyTextureInContent()) return 0;
  resetReaderState();
  ScriptedKeys keys;
  TestClocks clocks;
  ProgramState state;
  startProgram(state, Platform{&keys, &clocks, nullptr, &clocks});
  for (int frame = 0; frame < FRAMES; ++frame) runFrame(state);
  shutdownProgram(state);
  boardReset();
  return 0;
}
