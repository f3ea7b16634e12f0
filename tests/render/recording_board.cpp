#include "tests/render/recording_board.h"

#include <cstdio>
#include <cstring>

BoardRecording boardRecording;

void resetBoardRecording() { boardRecording = BoardRecording{}; }

void grGlideShutdown() {
  if (boardRecording.announceShutdown) std::fputs("[board shut down]\n", stderr);
}

void grDrawTriangle(const GrVertex* a, const GrVertex* b, const GrVertex* c) {
  ++boardRecording.triangleCount;
  if (boardRecording.keepTriangles) {
    boardRecording.triangles.push_back(RecordedTriangle{{*a, *b, *c}});
  }
}

FxBool gu3dfGetInfo(const char* fileName, Gu3dfInfo* info) {
  const auto file = boardRecording.files.find(fileName);
  if (file == boardRecording.files.end()) return FXFALSE;
  info->header = Gu3dfHeader{8, 8, GR_LOD_1, GR_LOD_8, GR_ASPECT_1x1, GR_TEXFMT_RGB_565};
  info->mem_required = file->second.memRequired;
  return FXTRUE;
}

FxBool gu3dfLoad(const char* fileName, Gu3dfInfo* info) {
  const auto file = boardRecording.files.find(fileName);
  if (file == boardRecording.files.end() || file->second.loadFails) return FXFALSE;
  std::memset(info->data, 0x5a, info->mem_required);
  return FXTRUE;
}

GrMipMapId_t guTexAllocateMemory(GrChipID_t, FxU8, int, int, GrTextureFormat_t,
                                 GrMipMapMode_t mipmapMode, GrLOD_t, GrLOD_t, GrAspectRatio_t,
                                 GrTextureClampMode_t, GrTextureClampMode_t, GrTextureFilterMode_t,
                                 GrTextureFilterMode_t, float, FxBool) {
  boardRecording.allocatedMipmapModes.push_back(mipmapMode);
  return boardRecording.textureMemoryFull ? GR_NULL_MIPMAP_HANDLE : boardRecording.nextMipmapId++;
}

FxBool guTexDownloadMipMap(GrMipMapId_t, const void*, const GuTexTable*) { return FXTRUE; }
