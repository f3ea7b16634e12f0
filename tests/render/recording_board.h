#pragma once
// A stand-in for the board that records what the renderer asks of it. Texture
// files are simulated: a path in `files` loads with its size, any other path
// is "not found".

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "render/glide.h"

struct RecordedTriangle {
  GrVertex copies[3];  // the corners' values at the time of the call
};

struct FakeTexture {
  std::uint32_t memRequired;
  bool loadFails;
};

struct BoardRecording {
  bool keepTriangles = true;  // false: only count them (the clipper benchmark)
  long triangleCount = 0;
  std::vector<RecordedTriangle> triangles;
  std::vector<GrMipMapMode_t> allocatedMipmapModes;  // one per texture allocation
  bool announceShutdown = false;             // write "[board shut down]" to the error stream
  std::map<std::string, FakeTexture> files;  // by full path
  bool textureMemoryFull = false;
  GrMipMapId_t nextMipmapId = 100;
};

extern BoardRecording boardRecording;

void resetBoardRecording();
