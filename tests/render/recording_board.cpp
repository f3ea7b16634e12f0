#include "tests/render/recording_board.h"

#include <cstdio>
#include <cstring>

BoardRecording boardRecording;

void resetBoardRecording() { boardRecording = BoardRecording{}; }

void addFakeTexture(const std::string& path, std::uint32_t memRequired, bool loadFails) {
  boardRecording.files[path] = FakeTexture{memRequired, loadFails};
}

void grGlideInit() {}
FxBool grSstQueryHardware(GrHwConfiguration* hwconfig) {
  hwconfig->num_sst = 1;
  return FXTRUE;
}
void grSstSelect(int) {}
FxBool grSstWinOpen(FxU32, GrScreenResolution_t, GrScreenRefresh_t, GrColorFormat_t,
                    GrOriginLocation_t, int, int) {
  return FXTRUE;
}
void grGlideShutdown() {
  ++boardRecording.shutdowns;
  if (boardRecording.announceShutdown) std::fputs("[board shut down]\n", stderr);
}

void grDepthBufferMode(GrDepthBufferMode_t) {}
void grDepthBufferFunction(GrCmpFnc_t) {}
void grDepthMask(FxBool) {}
void grDitherMode(GrDitherMode_t) {}
void grBufferClear(GrColor_t, GrAlpha_t, FxU16) {}
void grBufferSwap(int) {}
int grSstVideoLine() { return 0; }

void grColorCombine(GrCombineFunction_t, GrCombineFactor_t, GrCombineLocal_t, GrCombineOther_t,
                    FxBool) {}
void grAlphaCombine(GrCombineFunction_t, GrCombineFactor_t, GrCombineLocal_t, GrCombineOther_t,
                    FxBool) {}
void grTexCombine(GrChipID_t, GrCombineFunction_t, GrCombineFactor_t, GrCombineFunction_t,
                  GrCombineFactor_t, FxBool, FxBool) {}
void grAlphaBlendFunction(GrAlphaBlendFnc_t, GrAlphaBlendFnc_t, GrAlphaBlendFnc_t,
                          GrAlphaBlendFnc_t) {}
void grConstantColorValue(GrColor_t) {}
void grChromakeyMode(GrChromakeyMode_t) {}
void grChromakeyValue(GrColor_t) {}

void grDrawTriangle(const GrVertex* a, const GrVertex* b, const GrVertex* c) {
  ++boardRecording.triangleCount;
  if (boardRecording.keepTriangles) {
    boardRecording.triangles.push_back(RecordedTriangle{{a, b, c}, {*a, *b, *c}});
  }
}

FxBool gu3dfGetInfo(const char* fileName, Gu3dfInfo* info) {
  boardRecording.infoRequests.emplace_back(fileName);
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

GrMipMapId_t guTexAllocateMemory(GrChipID_t, FxU8, int width, int height, GrTextureFormat_t format,
                                 GrMipMapMode_t mipmapMode, GrLOD_t smallLod, GrLOD_t largeLod,
                                 GrAspectRatio_t aspect, GrTextureClampMode_t sClamp,
                                 GrTextureClampMode_t tClamp, GrTextureFilterMode_t minFilter,
                                 GrTextureFilterMode_t magFilter, float, FxBool) {
  if (boardRecording.textureMemoryFull) return GR_NULL_MIPMAP_HANDLE;
  boardRecording.allocations.push_back(RecordedAllocation{width, height, format, mipmapMode,
                                                          smallLod, largeLod, aspect, sClamp,
                                                          tClamp, minFilter, magFilter});
  return boardRecording.nextMipmapId++;
}

FxBool guTexDownloadMipMap(GrMipMapId_t id, const void*, const GuTexTable*) {
  boardRecording.downloads.push_back(id);
  return FXTRUE;
}
void guTexSource(GrMipMapId_t) {}

FxBool grLfbLock(GrLock_t, GrBuffer_t, GrLfbWriteMode_t, GrOriginLocation_t, FxBool, GrLfbInfo_t*) {
  return FXFALSE;
}
FxBool grLfbUnlock(GrLock_t, GrBuffer_t) { return FXTRUE; }
