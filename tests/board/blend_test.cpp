// Alpha blending under every source and destination factor.

#include <algorithm>
#include <cmath>

#include "tests/board/board_test_support.h"

namespace {

using BlendTest = BoardTest;

// The destination colour, exact in RGB565: (132, 162, 66).
constexpr int DEST[3] = {132, 162, 66};
constexpr GrColor_t DEST_RGBA = 0x84a24200u;
constexpr int SOURCE[3] = {200, 100, 50};
constexpr int SOURCE_ALPHA = 96;

// The factor for one channel as the era's documentation defines it; the
// destination has no alpha buffer and reads as opaque.
double factor(GrAlphaBlendFnc_t f, bool source, int channel) {
  double sa = SOURCE_ALPHA / 255.0, da = 1.0;
  double sc = SOURCE[channel] / 255.0, dc = DEST[channel] / 255.0;
  switch (f) {
    case GR_BLEND_ZERO:
      return 0;
    case GR_BLEND_SRC_ALPHA:
      return sa;
    case 2:
      return source ? dc : sc;
    case GR_BLEND_DST_ALPHA:
      return da;
    case GR_BLEND_ONE:
      return 1;
    case GR_BLEND_ONE_MINUS_SRC_ALPHA:
      return 1 - sa;
    case 6:
      return 1 - (source ? dc : sc);
    case GR_BLEND_ONE_MINUS_DST_ALPHA:
      return 1 - da;
    case 0xf:
      return source ? std::min(sa, 1 - da) : sc;
    default:
      return 0;
  }
}

TEST_F(BlendTest, EverySourceAndDestinationFactor) {
  const GrAlphaBlendFnc_t factors[] = {GR_BLEND_ZERO,
                                       GR_BLEND_SRC_ALPHA,
                                       2,
                                       GR_BLEND_DST_ALPHA,
                                       GR_BLEND_ONE,
                                       GR_BLEND_ONE_MINUS_SRC_ALPHA,
                                       6,
                                       GR_BLEND_ONE_MINUS_DST_ALPHA,
                                       0xf};
  for (GrAlphaBlendFnc_t src : factors) {
    for (GrAlphaBlendFnc_t dst : factors) {
      grBufferClear(DEST_RGBA, 0, 0);
      grAlphaBlendFunction(src, dst, GR_BLEND_ONE, GR_BLEND_ZERO);
      fillRect(0, 0, 8, 8, vertexAt(0, 0, SOURCE[0], SOURCE[1], SOURCE[2], 0, SOURCE_ALPHA));
      int expected[3];
      for (int c = 0; c < 3; ++c) {
        double v = SOURCE[c] * factor(src, true, c) + DEST[c] * factor(dst, false, c);
        expected[c] = int(std::lround(std::min(v, 255.0)));
      }
      EXPECT_EQ(pixelAt(readBuffer(), 4, 4), rgb565(expected[0], expected[1], expected[2]))
          << "source factor " << src << ", destination factor " << dst;
    }
  }
}

}  // namespace
