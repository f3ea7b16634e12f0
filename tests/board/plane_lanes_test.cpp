// Set-up's planes are the same numbers whether built in AVX2, SSE4.2 or
// SSE2 lanes or one at a time: for ordinary triangles, for slivers whose
// gradients reach their bounds, and for corners whose colours, depths and
// texture terms are far out of range, infinite or not numbers.

#include <cstring>
#include <limits>
#include <random>
#include <tuple>

#include "board/span_wide.h"
#include "board/triangle_setup.h"
#include "tests/board/board_test_support.h"

namespace {

// Mostly an ordinary value in [low, high), one time in six an extreme one.
float randomAttribute(std::mt19937& random, float low, float high) {
  constexpr float EXTREMES[] = {std::numeric_limits<float>::quiet_NaN(),
                                std::numeric_limits<float>::infinity(),
                                -std::numeric_limits<float>::infinity(),
                                1e30f,
                                -1e30f,
                                3e38f,
                                -3e38f,
                                0.0f,
                                -0.0f,
                                1e-30f};
  if (random() % 6 == 0) return EXTREMES[random() % std::size(EXTREMES)];
  std::uniform_real_distribution<float> value(low, high);
  return value(random);
}

// A triangle around a random point: one in six a sliver a sixteenth of a
// pixel thick, whose gradients reach their bounds, one in six far larger
// than the screen.
void randomTriangle(std::mt19937& random, GrVertex v[3]) {
  std::uniform_real_distribution<float> centre(-40, 552), unit(-1, 1);
  const float cx = centre(random), cy = centre(random) * 0.75f;
  const int shape = int(random() % 6);
  const float spread = shape == 0 ? 1e5f : shape < 3 ? 300.0f : 20.0f;
  for (int k = 0; k < 3; ++k) {
    float x = cx + spread * unit(random), y = cy + spread * unit(random);
    if (shape == 1 && k == 2) {  // a sliver: the third corner beside the first edge
      x = (v[0].x - SNAP_BIAS + v[1].x - SNAP_BIAS) / 2;
      y = (v[0].y - SNAP_BIAS + v[1].y - SNAP_BIAS) / 2 + 0.0625f;
    }
    const float r = randomAttribute(random, -32, 287), g = randomAttribute(random, -32, 287),
                b = randomAttribute(random, -32, 287), a = randomAttribute(random, -32, 287);
    const float ooz = randomAttribute(random, -8192, 73727);
    v[k] = vertexAt(x, y, r, g, b, ooz, a);
    const float oow = randomAttribute(random, 0.001f, 2.0f);
    const float s = randomAttribute(random, -1e4f, 1e4f), t = randomAttribute(random, -1e4f, 1e4f);
    v[k] = textured(v[k], s, t, oow);
  }
}

auto fixedNumbers(const FixedPlane& p) {
  return std::tuple(p.origin, p.dx, p.dy, p.originColumn, p.originRow, p.step);
}

// Every double of the perspective planes and numerators, bit for bit.
bool samePerspective(const PerspectiveSetup& a, const PerspectiveSetup& b) {
  static_assert(sizeof(PerspectiveSetup) == 3 * sizeof(AttributePlane) + 8 + 8 * sizeof(double));
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(PlaneLanes, PlanesAreTheSameInEveryLaneSet) {
  const SpanLanes before = spanLanes();
  constexpr SpanLanes LANE_SETS[] = {SpanLanes::Sse2, SpanLanes::Sse42, SpanLanes::Avx2};
  std::mt19937 random(23);
  int compared[3] = {0, 0, 0};
  for (int i = 0; i < 30000; ++i) {
    GrVertex v[3];
    randomTriangle(random, v);
    const bool lowerLeft = i % 2 != 0;
    useSpanLanes(SpanLanes::Scalar);
    TriangleSetup expected;
    if (!setupTriangle(v[0], v[1], v[2], lowerLeft, BOARD_WIDTH, BOARD_HEIGHT, expected)) continue;
    for (int set = 0; set < 3; ++set) {
      useSpanLanes(LANE_SETS[set]);
      if (spanLanes() != LANE_SETS[set]) continue;  // the processor lacks them
      TriangleSetup actual;
      ASSERT_TRUE(setupTriangle(v[0], v[1], v[2], lowerLeft, BOARD_WIDTH, BOARD_HEIGHT, actual));
      ++compared[set];
      const FixedPlane* planes[2][5] = {
          {&expected.red, &expected.green, &expected.blue, &expected.alpha, &expected.depth},
          {&actual.red, &actual.green, &actual.blue, &actual.alpha, &actual.depth}};
      for (int p = 0; p < 5; ++p) {
        EXPECT_EQ(fixedNumbers(*planes[0][p]), fixedNumbers(*planes[1][p]))
            << "triangle " << i << ", lane set " << set << ", plane " << p;
      }
      EXPECT_TRUE(samePerspective(expected.perspective, actual.perspective))
          << "triangle " << i << ", lane set " << set;
    }
  }
  useSpanLanes(before);
  EXPECT_GT(compared[0], 10000);
}

}  // namespace
