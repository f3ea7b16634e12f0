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
constexpr double SOURCE_ALPHA = 96 / 255.0;

// The factor for one channel as the era's documentation defines it; the
// destination has no alpha buffer and reads as opaque. Factor 2 is the
// source's destination colour and the destination's source colour, 6 one
// minus that, 0xf the alpha saturation.
double factor(GrAlphaBlendFnc_t f, bool source, int channel) {
  double other = (source ? DEST[channel] : SOURCE[channel]) / 255.0;
  switch (f) {
    case GR_BLEND_SRC_ALPHA:
      return SOURCE_ALPHA;
    case 2:
      return other;
    case GR_BLEND_DST_ALPHA:
    case GR_BLEND_ONE:
      return 1;
    case GR_BLEND_ONE_MINUS_SRC_ALPHA:
      return 1 - SOURCE_ALPHA;
    case 6:
      return 1 - other;
    case 0xf:
      return source ? 0 : other;
    default:  // zero, one minus destination alpha
      return 0;
  }
}

TEST_F(BlendTest, EverySourceAndDestinationFactor) {
  for (GrAlphaBlendFnc_t src : {0, 1, 2, 3, 4, 5, 6, 7, 0xf}) {
    for (GrAlphaBlendFnc_t dst : {0, 1, 2, 3, 4, 5, 6, 7, 0xf}) {
      grBufferClear(DEST_RGBA, 0, 0);
      grAlphaBlendFunction(src, dst, GR_BLEND_ONE, GR_BLEND_ZERO);
      fillRect(0, 0, 8, 8, vertexAt(0, 0, SOURCE[0], SOURCE[1], SOURCE[2], 0, 96));
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
