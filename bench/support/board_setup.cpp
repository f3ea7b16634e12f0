#include "bench/support/board_setup.h"

#include <random>

#include "board/board.h"
#include "board/texture_memory.h"

void openPipelineBoard() {
  boardReset();
  boardSetThreadCount(1);
  grGlideInit();
  grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_72Hz, GR_COLORFORMAT_RGBA, GR_ORIGIN_LOWER_LEFT,
               2, 0);
  grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
  grDepthBufferFunction(GR_CMP_ALWAYS);
  grBufferClear(0, 0, 0);
}

std::vector<std::uint16_t> randomTexels(std::size_t count, unsigned seed) {
  std::vector<std::uint16_t> texels(count);
  std::mt19937 random(seed);
  for (auto& t : texels) t = std::uint16_t(random());
  return texels;
}

std::size_t modulatedTextureTexels() {
  return mipMapBytes(GR_TEXFMT_RGB_565, GR_LOD_1, GR_LOD_256, GR_ASPECT_1x1) / 2;
}

void selectModulatedTexture(const std::vector<std::uint16_t>& texels,
                            GrTextureFilterMode_t filter, GrMipMapMode_t mipmap) {
  GrMipMapId_t id = guTexAllocateMemory(
      GR_TMU0, GR_MIPMAPLEVELMASK_BOTH, 256, 256, GR_TEXFMT_RGB_565, mipmap, GR_LOD_1, GR_LOD_256,
      GR_ASPECT_1x1, GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP, filter, filter, 0.0f, FXFALSE);
  guTexDownloadMipMap(id, texels.data(), nullptr);
  guTexSource(id);
  grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE,
               GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, FXFALSE, FXFALSE);
  grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_LOCAL,
                 GR_COMBINE_LOCAL_ITERATED, GR_COMBINE_OTHER_TEXTURE, FXFALSE);
  grAlphaCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, GR_COMBINE_LOCAL_ITERATED,
                 GR_COMBINE_OTHER_NONE, FXFALSE);
}
