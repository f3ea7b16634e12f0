// Writes the seed corpus of fuzz_trace into the folder given: short recorded
// traces of random frames, every state the board has and most texture kinds, with
// the final image cut off so that the fuzzer spends its mutations on calls.

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "board/trace_recorder.h"
#include "tests/board/board_test_support.h"

namespace {

constexpr std::size_t FINAL_IMAGE_RECORD = TRACE_RECORD_HEADER_BYTES + TRACE_FINAL_IMAGE_PAYLOAD;

// Two frames of `triangles` random triangles, each frame ending in a write lock.
void drawFrames(std::mt19937& random, const std::vector<GrMipMapId_t>& textures, int triangles) {
  for (int frame = 0; frame < 2; ++frame) {
    grBufferClear(0xff203040u, 0, 0xffff);
    drawRandomTriangles(random, textures, triangles);
    GrLfbInfo_t info{};
    if (lockBuffer(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER, GR_ORIGIN_UPPER_LEFT, &info)) {
      auto* pixels = static_cast<std::uint16_t*>(info.lfbPtr);
      for (int x = 3; x < 40; ++x) pixels[(7 + frame) * (info.strideInBytes / 2) + x] = 0x07e0;
      grLfbUnlock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER);
    }
    grBufferSwap(0);
  }
}

// Records one trace with textures of the given kinds made after the window
// opens, and cuts its final image off.
bool writeSeed(const std::string& path, unsigned seed, const std::vector<int>& kinds,
               int triangles) {
  boardReset();
  if (!boardStartTrace(path.c_str(), 2)) return false;
  std::mt19937 random(seed);
  grGlideInit();
  openWindow(GR_COLORFORMAT_ARGB);
  std::vector<GrMipMapId_t> textures;
  for (int kind : kinds) textures.push_back(makeRandomTexture(TEXTURE_KINDS[kind], random));
  drawFrames(random, textures, triangles);
  grGlideShutdown();
  boardStopTrace();
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size < FINAL_IMAGE_RECORD) return false;
  std::filesystem::resize_file(path, size - FINAL_IMAGE_RECORD, error);
  return !error;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string folder = argv[1];
  std::filesystem::create_directories(folder);
  // Without the 256 x 256 chain the seeds stay small enough to mutate quickly.
  const bool written = writeSeed(folder + "/paletted.trace", 3, {3}, 14) &&
                       writeSeed(folder + "/three_kinds.trace", 4, {1, 2, 3}, 40);
  boardReset();
  if (!written) {
    std::fprintf(stderr, "fuzz_trace_seeds: can't write the seeds in %s\n", folder.c_str());
    return 1;
  }
  std::printf("2 seeds in %s\n", folder.c_str());
  return 0;
}
