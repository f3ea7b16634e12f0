#include "tools/mkcontent/textures.h"

std::vector<ContentTexture> contentTextures() {
  // A mix of formats: the 16-bit ones where colour counts, the 8-bit ones
  // (compressed by a colour table) where the texture is busy enough to hide it.
  return {
      {"GRASS.3df", GR_TEXFMT_YIQ_422, makeGrassImage},
      {"ROCK.3df", GR_TEXFMT_P_8, makeRockImage},
      {"SAND.3df", GR_TEXFMT_ARGB_1555, makeSandImage},
      {"WATER.3df", GR_TEXFMT_ARGB_4444, makeWaterImage},
      {"BARK.3df", GR_TEXFMT_RGB_565, makeBarkImage},
      {"LEAVES.3df", GR_TEXFMT_ARGB_1555, makeLeavesImage},
      {"MARBLE.3df", GR_TEXFMT_YIQ_422, makeMarbleImage},
      {"SKY.3df", GR_TEXFMT_RGB_565, makeSkyImage},
  };
}
