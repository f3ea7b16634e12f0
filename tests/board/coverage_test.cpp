// Which pixels a triangle covers: shared edges in both windings, degenerate,
// unreasonable and far-off triangles, and which side of an edge owns the
// pixel centres on it; the same corners and pixel box with and without
// AVX2; and the caller's routing by corners.

#include <limits>
#include <random>
#include <tuple>

#include "board/span_wide.h"
#include "board/triangle_setup.h"
#include "tests/board/board_test_support.h"

namespace {

// Additive blending, red 8 per layer: the red field counts how often a pixel was drawn.
class CoverageTest : public BoardTest {
 protected:
  void SetUp() override {
    BoardTest::SetUp();
    grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ONE, GR_BLEND_ONE, GR_BLEND_ZERO);
    grBufferClear(0, 0, 0);
  }
  static void layer(float x0, float y0, float x1, float y1, float x2, float y2) {
    drawTriangle(vertexAt(x0, y0, 8, 0, 0), vertexAt(x1, y1, 8, 0, 0), vertexAt(x2, y2, 8, 0, 0));
  }
  // How many pixels were drawn other than `inside(x, y)` times.
  template <typename Inside>
  static int wrongCounts(Inside inside) {
    auto pixels = readBuffer();
    int wrong = 0;
    for (int y = 0; y < BOARD_HEIGHT; ++y) {
      for (int x = 0; x < BOARD_WIDTH; ++x) wrong += (pixelAt(pixels, x, y) >> 11) != inside(x, y);
    }
    return wrong;
  }
};

// A 12 x 9 grid of quads over [40, 424] x [30, 318], inner vertices jittered
// on the 1/16 grid and some placed exactly on pixel centres; each quad split
// along a random diagonal, each triangle in a random winding.
TEST_F(CoverageTest, MeshSharingEdgesCoversEveryPixelOnce) {
  constexpr int columns = 12, rows = 9;
  std::mt19937 random(7);
  std::uniform_int_distribution<int> jitter(-160, 160);
  GrVertex grid[columns + 1][rows + 1];
  for (int i = 0; i <= columns; ++i) {
    for (int j = 0; j <= rows; ++j) {
      bool inner = i > 0 && i < columns && j > 0 && j < rows, centre = (i + j) % 3 == 0;
      float dx = !inner ? 0 : centre ? 0.5f : float(jitter(random)) / 16;
      float dy = !inner ? 0 : centre ? 0.5f : float(jitter(random)) / 16;
      grid[i][j] = vertexAt(40 + 32.0f * i + dx, 30 + 32.0f * j + dy, 8, 0, 0);
    }
  }
  auto tri = [&](const GrVertex& a, const GrVertex& b, const GrVertex& c) {
    random() & 1 ? drawTriangle(a, b, c) : drawTriangle(a, c, b);
  };
  for (int i = 0; i < columns; ++i) {
    for (int j = 0; j < rows; ++j) {
      const GrVertex &a = grid[i][j], &b = grid[i + 1][j], &c = grid[i + 1][j + 1],
                     &d = grid[i][j + 1];
      random() & 1 ? (tri(a, b, c), tri(a, c, d)) : (tri(a, b, d), tri(b, c, d));
    }
  }
  EXPECT_EQ(wrongCounts([](int x, int y) { return x >= 40 && x < 424 && y >= 30 && y < 318; }), 0);
}

// A square whose sides run through pixel centres: of each pair of opposite
// sides the centres on one belong to the square, in both windings: those on
// its left side and on its top (screen y up). The reference images would not
// see the horizontal sides' rule flipped alone.
TEST_F(CoverageTest, CentresOnASideBelongToTheLeftAndTopSides) {
  for (bool reversed : {false, true}) {
    grBufferClear(0, 0, 0);
    auto half = [reversed](float x1, float y1, float x2, float y2) {
      reversed ? layer(10.5f, 10.5f, x2, y2, x1, y1) : layer(10.5f, 10.5f, x1, y1, x2, y2);
    };
    half(20.5f, 10.5f, 20.5f, 20.5f);
    half(20.5f, 20.5f, 10.5f, 20.5f);
    EXPECT_EQ(wrongCounts([](int x, int y) { return x >= 10 && x < 20 && y >= 11 && y < 21; }), 0)
        << (reversed ? "reversed" : "forward");
  }
}

// Two triangles far beyond every edge share a diagonal through the screen and
// cover it once; the degenerate and unreasonable ones add nothing.
TEST_F(CoverageTest, HugeTrianglesAreClippedAndDegenerateOnesDrawNothing) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  layer(-100000, -100000, 100000, -100000, 100000, 100000);
  layer(-100000, -100000, 100000, 100000, -100000, 100000);
  layer(10, 10, 50, 50, 90, 90);          // collinear
  layer(10, 10, 10, 10, 60, 20);          // two corners the same
  layer(10, 10, 10.01f, 10, 10, 10.01f);  // smaller than the 1/16 grid
  layer(nan, 10, 60, 20, 30, 60);
  layer(10, 10, inf, 20, 30, 60);
  layer(10, 10, 60, -inf, 30, 60);
  layer(1e30f, 10, -1e30f, 20, 30, 60);
  layer(-5000, -5000, -4000, -5000, -4500, -4000);  // wholly off screen
  GrVertex v = vertexAt(10, 10);
  grDrawTriangle(&v, nullptr, &v);
  EXPECT_EQ(wrongCounts([](int, int) { return true; }), 0);
}

// A coordinate as a vertex holds it: on the screen (biased), fine fractions
// far from the bias that snap to exact halves of the grid, just inside or
// beyond the guard band, or not a number at all.
float randomCoordinate(std::mt19937& random) {
  std::uniform_real_distribution<float> screen(-40, 552);
  switch (random() % 8) {
    case 0:
      return float(random() % (1 << 19)) + float(random() % 64) / 64;
    case 1:
      return float(SNAP_BIAS) + (random() % 2 ? 1 : -1) * float((1 << 20) - 4 + random() % 8);
    case 2:
      return random() % 2 ? std::numeric_limits<float>::quiet_NaN()
                          : std::numeric_limits<float>::infinity();
    default:
      return float(SNAP_BIAS) + screen(random);
  }
}

// Set-up's first stage gives the same answer, corners, area and pixel box
// whether it works in AVX2 lanes or not, with either origin.
TEST_F(CoverageTest, CornersAndBoxAreTheSameWithAndWithoutAvx2) {
  const SpanLanes before = spanLanes();
  useSpanLanes(SpanLanes::Avx2);
  const bool hasAvx2 = spanLanes() == SpanLanes::Avx2;
  useSpanLanes(before);
  if (!hasAvx2) GTEST_SKIP() << "the processor has no AVX2";
  std::mt19937 random(11);
  int covering = 0;
  for (int i = 0; i < 20000; ++i) {
    GrVertex v[3] = {};
    for (GrVertex& corner : v) {
      corner.x = randomCoordinate(random);
      corner.y = randomCoordinate(random);
    }
    const bool lowerLeft = i % 2 != 0;
    TriangleSetup box[2];
    SnappedCorners corners[2];
    bool covers[2];
    for (int wide = 0; wide < 2; ++wide) {
      useSpanLanes(wide ? SpanLanes::Avx2 : SpanLanes::Sse2);
      covers[wide] = setUpBox(v[0], v[1], v[2], lowerLeft, BOARD_WIDTH, BOARD_HEIGHT, box[wide],
                              corners[wide]);
    }
    EXPECT_EQ(covers[0], covers[1]) << "triangle " << i;
    if (!covers[0] || !covers[1]) continue;
    ++covering;
    // A corner, with the area and the box.
    auto answer = [&](int wide, int k) {
      const SnappedVertex& c = corners[wide].v[k];
      return std::tuple(c.x, c.y, c.source, corners[wide].twiceArea, box[wide].rowBegin,
                        box[wide].rowEnd, box[wide].columnBegin, box[wide].columnEnd);
    };
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(answer(0, k), answer(1, k)) << "triangle " << i << ", corner " << k;
    }
  }
  EXPECT_GT(covering, 2000);
  useSpanLanes(before);
}

// A coordinate on the 1/16 grid within a pixel and a half of the screen's
// first or last edge along an axis of `size` pixels.
float nearAnEdge(std::mt19937& random, int size) {
  std::uniform_int_distribution<int> sixteenths(-24, 24);
  return float(SNAP_BIAS) + float(random() % 2 ? size : 0) + float(sixteenths(random)) / 16;
}

// The caller's thread routes a triangle by its corners alone: it never drops
// one that set-up would draw, its rows hold set-up's, and it drops every
// triangle wholly left or right of the screen.
TEST_F(CoverageTest, RoutingKeepsEveryTriangleSetUpDrawsWithItsRows) {
  std::mt19937 random(12);
  int drawn = 0, beside = 0;
  for (int i = 0; i < 20000; ++i) {
    GrVertex v[3] = {};
    for (GrVertex& corner : v) {
      corner.x = i % 2 ? nearAnEdge(random, BOARD_WIDTH) : randomCoordinate(random);
      corner.y = i % 4 < 2 ? nearAnEdge(random, BOARD_HEIGHT) : randomCoordinate(random);
    }
    const bool lowerLeft = i % 3 == 0;
    int rowBegin = 0, rowEnd = 0;
    const bool routed =
        triangleRows(v[0], v[1], v[2], lowerLeft, BOARD_WIDTH, BOARD_HEIGHT, rowBegin, rowEnd);
    auto all = [&v](auto test) { return test(v[0].x) && test(v[1].x) && test(v[2].x); };
    if (all([](float x) { return x <= float(SNAP_BIAS); }) ||
        all([](float x) { return x >= float(SNAP_BIAS) + BOARD_WIDTH; })) {
      ++beside;
      EXPECT_FALSE(routed) << "triangle " << i;
    }
    TriangleSetup box;
    SnappedCorners corners;
    if (!setUpBox(v[0], v[1], v[2], lowerLeft, BOARD_WIDTH, BOARD_HEIGHT, box, corners)) continue;
    ++drawn;
    ASSERT_TRUE(routed) << "triangle " << i;
    EXPECT_LE(rowBegin, box.rowBegin) << "triangle " << i;
    EXPECT_GE(rowEnd, box.rowEnd) << "triangle " << i;
  }
  EXPECT_GT(drawn, 2000);
  EXPECT_GT(beside, 400);
}

}  // namespace
