// The depth cull drops a triangle only when none of its pixels would pass
// the depth test, and does drop one lying just behind what is stored.

#include "board/depth_cull.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "board/triangle_setup.h"
#include "tests/board/board_test_support.h"

namespace {

using DepthCullTest = BoardTest;

// What the triangle writes when drawn alone: its depth at each covered
// pixel, and -1 elsewhere; buffer rows from the top.
std::vector<int> depthsDrawn(const GrVertex v[3]) {
  grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
  grDepthBufferFunction(GR_CMP_ALWAYS);
  grDepthMask(FXTRUE);
  grBufferClear(0, 0, 0);
  grDrawTriangle(&v[0], &v[1], &v[2]);
  std::vector<std::uint16_t> color = readBuffer(), depth = readBuffer(GR_BUFFER_AUXBUFFER);
  std::vector<int> drawn(color.size(), -1);
  for (std::size_t k = 0; k < color.size(); ++k) {
    if (color[k] != 0) drawn[k] = depth[k];
  }
  return drawn;
}

// A depth test and stored depths for it: one every pixel of the triangle
// fails against, and one a pixel at `depth` passes against.
struct DepthCase {
  GrCmpFnc_t function;
  int failing, beyond;  // beyond: one step further than failing
  bool nearLow;         // the pixel that passes most easily has the lowest depth
  int passing(int depth) const {
    if (function == GR_CMP_LESS) return depth + 1;
    if (function == GR_CMP_GREATER) return depth - 1;
    return depth;
  }
};

// The cases for a triangle whose pixels' depths lie in [low, high].
std::vector<DepthCase> casesFor(int low, int high) {
  std::vector<DepthCase> cases;
  if (high < 65535) cases.push_back({GR_CMP_LESS, low, low - 1, true});
  if (low > 0) cases.push_back({GR_CMP_LEQUAL, low - 1, low - 2, true});
  if (low > 0) cases.push_back({GR_CMP_GREATER, high, high + 1, false});
  if (high < 65535) cases.push_back({GR_CMP_GEQUAL, high + 1, high + 2, false});
  return cases;
}

// A triangle's pixel box and snapped corners, as the cull takes them.
struct Boxed {
  TriangleSetup box;
  SnappedCorners corners;
};

bool hidden(GrCmpFnc_t function, const Boxed& t, std::vector<std::uint16_t>& stored, int rowBegin,
            int rowEnd) {
  PipelineState state = defaultPipelineState();
  state.depthMode = GR_DEPTHBUFFER_ZBUFFER;
  state.depthFunction = function;
  return hiddenByDepth(state, t.box, t.corners, {nullptr, stored.data(), BOARD_WIDTH}, rowBegin,
                       rowEnd);
}

// A sliver across the screen, flat along its top edge, whose depth changes
// along its rows only. The span loops' rounded steps, added up over 450
// pixels, carry its far pixel's depth a twentieth of a unit past the plane,
// which lies 0.03 of a unit from a whole number there and within a few
// thousandths of its far corners' depth: the pixel's depth falls one below
// (or above) the plane's whole part, as the cull's margin must allow.
void sliver(std::mt19937& random, GrVertex v[3]) {
  const double sign = random() % 2 ? 1 : -1, whole = 1000 + random() % 1000,
               top = 20 + random() % 300;
  const double slope = sign * (1 + random() % 8 + 0.501) / 4096;  // its step rounds away from 0
  const double atFarPixel = whole + (sign > 0 ? 0.97 : 0.03);
  const double atLeft = atFarPixel - 511.5 * slope;
  v[0] = vertexAt(0, float(top), 255, 255, 255, float(atLeft));
  v[1] = vertexAt(512, float(top), 255, 255, 255, float(atLeft + 512 * slope));
  v[2] = vertexAt(512, float(top) + 4, 255, 255, 255, float(atLeft + 512 * slope));
}

// Flat triangles, large and small; triangles with depths anywhere in
// 0..65535; and slivers.
void randomTriangle(std::mt19937& random, int kind, GrVertex v[3]) {
  if (kind == 2) return sliver(random, v);
  std::uniform_real_distribution<float> x(-40, 552), y(-40, 424), unit(0, 1);
  const float spread = unit(random) < 0.3f ? 300.0f : 10.0f, cx = x(random), cy = y(random);
  const float depth = float(int(2 + 65531 * unit(random)));
  for (int k = 0; k < 3; ++k) {
    // One random draw a statement, since arguments have no order.
    const float vertexDepth = kind == 0 ? depth : 65535 * unit(random);
    const float vertexY = cy + spread * (2 * unit(random) - 1);
    v[k] = vertexAt(cx + spread * (2 * unit(random) - 1), vertexY, 255, 255, 255, vertexDepth);
  }
}

// One pixel that would pass keeps the triangle, also when only its row is
// asked: a random one, and the one that passes most easily. A flat triangle
// behind stored depths one step beyond its own is dropped.
TEST_F(DepthCullTest, DropsTrianglesOnlyWhenEveryPixelFails) {
  std::mt19937 random(3);
  int checked = 0, dropped = 0;
  for (int i = 0; i < 600; ++i) {
    const int kind = i % 3;
    GrVertex v[3];
    randomTriangle(random, kind, v);
    const std::vector<int> drawn = depthsDrawn(v);
    std::vector<std::size_t> covered;
    for (std::size_t k = 0; k < drawn.size(); ++k) {
      if (drawn[k] >= 0) covered.push_back(k);
    }
    Boxed t;
    if (covered.empty() ||
        !setUpBox(v[0], v[1], v[2], true, BOARD_WIDTH, BOARD_HEIGHT, t.box, t.corners)) {
      continue;
    }
    auto byDepth = [&](std::size_t a, std::size_t b) { return drawn[a] < drawn[b]; };
    const auto [lowest, highest] = std::minmax_element(covered.begin(), covered.end(), byDepth);
    for (const DepthCase& test : casesFor(drawn[*lowest], drawn[*highest])) {
      for (std::size_t pixel :
           {covered[random() % covered.size()], test.nearLow ? *lowest : *highest}) {
        std::vector<std::uint16_t> stored(drawn.size(), std::uint16_t(test.failing));
        stored[pixel] = std::uint16_t(test.passing(drawn[pixel]));
        const int row = int(pixel / BOARD_WIDTH);
        EXPECT_FALSE(hidden(test.function, t, stored, t.box.rowBegin, t.box.rowEnd))
            << "triangle " << i << ", test " << test.function;
        EXPECT_FALSE(hidden(test.function, t, stored, row, row + 1))
            << "triangle " << i << ", test " << test.function << ", its row alone";
        ++checked;
      }
      if (kind == 0 && test.beyond >= 0 && test.beyond <= 65535) {
        std::vector<std::uint16_t> stored(drawn.size(), std::uint16_t(test.beyond));
        EXPECT_TRUE(hidden(test.function, t, stored, t.box.rowBegin, t.box.rowEnd))
            << "flat triangle " << i << ", test " << test.function;
        ++dropped;
      }
    }
  }
  EXPECT_GT(checked, 1000);
  EXPECT_GT(dropped, 300);
}

}  // namespace
