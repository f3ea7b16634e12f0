// The depth cull drops a triangle only when none of its pixels would pass
// the depth test, and does drop one lying just behind what is stored; a
// plane too steep for its corners' depths to bound keeps its triangle.

#include "board/depth_cull.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <tuple>
#include <utility>
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

// The checks made: pixels that keep their triangle, flat triangles dropped.
struct CullCounts {
  int checked = 0, dropped = 0;
};

// One pixel that would pass keeps the triangle, also when only its row is
// asked: a random one, and the one that passes most easily. A flat triangle
// behind stored depths one step beyond its own is dropped.
void checkCull(std::mt19937& random, const GrVertex v[3], bool flat, const char* name, int i,
               CullCounts& counts) {
  const std::vector<int> drawn = depthsDrawn(v);
  std::vector<std::size_t> covered;
  for (std::size_t k = 0; k < drawn.size(); ++k) {
    if (drawn[k] >= 0) covered.push_back(k);
  }
  Boxed t;
  if (covered.empty() ||
      !setUpBox(v[0], v[1], v[2], true, BOARD_WIDTH, BOARD_HEIGHT, t.box, t.corners)) {
    return;
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
          << name << " " << i << ", test " << test.function;
      EXPECT_FALSE(hidden(test.function, t, stored, row, row + 1))
          << name << " " << i << ", test " << test.function << ", its row alone";
      ++counts.checked;
    }
    if (flat && test.beyond >= 0 && test.beyond <= 65535) {
      std::vector<std::uint16_t> stored(drawn.size(), std::uint16_t(test.beyond));
      EXPECT_TRUE(hidden(test.function, t, stored, t.box.rowBegin, t.box.rowEnd))
          << "flat triangle " << i << ", test " << test.function;
      ++counts.dropped;
    }
  }
}

TEST_F(DepthCullTest, DropsTrianglesOnlyWhenEveryPixelFails) {
  std::mt19937 random(3);
  CullCounts counts;
  for (int i = 0; i < 600; ++i) {
    const int kind = i % 3;
    GrVertex v[3];
    randomTriangle(random, kind, v);
    checkCull(random, v, kind == 0, "triangle", i, counts);
  }
  EXPECT_GT(counts.checked, 1000);
  EXPECT_GT(counts.dropped, 300);
}

// x and y with a * x - b * y == 1, for coprime a and b (extended Euclid).
std::pair<std::int64_t, std::int64_t> bezout(std::int64_t a, std::int64_t b) {
  std::int64_t oldR = a, r = b, oldS = 1, s = 0, oldT = 0, t = 1;
  while (r != 0) {
    const std::int64_t q = oldR / r;
    std::tie(oldR, r) = std::pair(r, oldR - q * r);
    std::tie(oldS, s) = std::pair(s, oldS - q * s);
    std::tie(oldT, t) = std::pair(t, oldT - q * t);
  }
  return {oldS, -oldT};
}

// A sliver from a pixel centre to a corner thousands of pixels away, both
// at depth 40000, with its third corner at the far end of the depth range,
// on the snapped grid as near their line as the grid allows: its area is a
// thirty-second of a pixel, its plane so steep that set-up's fixed-point
// numbers are clamped, and the depth the span loops give its one covered
// pixel, if any, is nothing like 40000. The cull may not drop it by its
// corners' depths.
void steepSliver(std::mt19937& random, GrVertex v[3]) {
  const float x0 = float(random() % 512) + 0.5f, y0 = float(random() % 384) + 0.5f;
  const std::int64_t a = 1000 + random() % 30000;
  std::int64_t b = 1000 + random() % 30000;
  while (std::gcd(a, b) != 1) ++b;
  const auto [x, y] = bezout(a, b);
  const float signX = random() % 2 ? 1.0f : -1.0f, signY = random() % 2 ? 1.0f : -1.0f;
  const float side = random() % 2 ? 1.0f : -1.0f;
  v[0] = vertexAt(x0, y0, 255, 255, 255, 40000);
  v[1] = vertexAt(x0 + signX * float(a), y0 + signY * float(b), 255, 255, 255, 40000);
  v[2] = vertexAt(x0 + side * signX * float(y) / 16, y0 + side * signY * float(x) / 16, 255, 255,
                  255, 131071);
}

TEST_F(DepthCullTest, KeepsTrianglesTooSteepToBound) {
  std::mt19937 random(5);
  CullCounts counts;
  for (int i = 0; i < 200; ++i) {
    GrVertex v[3];
    steepSliver(random, v);
    checkCull(random, v, false, "steep sliver", i, counts);
  }
  EXPECT_GT(counts.checked, 100);  // some cover a pixel
}

}  // namespace
