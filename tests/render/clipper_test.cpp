#include "render/clipper.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "tests/render/recording_board.h"
#include "tests/render/render_test_support.h"

namespace {

struct Point {
  double x, y;
};

double signedArea(const std::vector<Point>& polygon) {
  double twice = 0;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const Point& p = polygon[i];
    const Point& q = polygon[(i + 1) % polygon.size()];
    twice += p.x * q.y - q.x * p.y;
  }
  return twice / 2;
}

Point screenOf(const GrVertex& vertex) {
  return {vertex.x - double(SCREEN_BIAS), vertex.y - double(SCREEN_BIAS)};
}

// The projected triangle cut to the screen rectangle in screen space: an
// independent reference for what clipping in camera space must draw.
std::vector<Point> clipToScreen(std::vector<Point> polygon) {
  struct Edge {
    int axis;
    double limit;
    bool keepBelow;
  };
  for (const Edge edge :
       {Edge{0, 0, false}, Edge{0, 512, true}, Edge{1, 0, false}, Edge{1, 384, true}}) {
    std::vector<Point> out;
    auto coordinate = [&](const Point& p) { return edge.axis == 0 ? p.x : p.y; };
    auto inside = [&](const Point& p) {
      return edge.keepBelow ? coordinate(p) <= edge.limit : coordinate(p) >= edge.limit;
    };
    for (std::size_t i = 0; i < polygon.size(); ++i) {
      const Point& p = polygon[i];
      const Point& q = polygon[(i + 1) % polygon.size()];
      if (inside(p)) out.push_back(p);
      if (inside(p) != inside(q)) {
        const double u = (edge.limit - coordinate(p)) / (coordinate(q) - coordinate(p));
        out.push_back({p.x + (q.x - p.x) * u, p.y + (q.y - p.y) * u});
      }
    }
    polygon = out;
  }
  return polygon;
}

double perimeter(const std::vector<Point>& polygon) {
  double length = 0;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const Point& p = polygon[i];
    const Point& q = polygon[(i + 1) % polygon.size()];
    length += std::hypot(q.x - p.x, q.y - p.y);
  }
  return length;
}

double drawnArea() {
  double area = 0;
  for (const RecordedTriangle& triangle : boardRecording.triangles) {
    area += signedArea(
        {screenOf(triangle.copies[0]), screenOf(triangle.copies[1]), screenOf(triangle.copies[2])});
  }
  return area;
}

class ClipperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    initViewVolume();
    resetBoardRecording();
  }
};

TEST_F(ClipperTest, WhollyVisibleTriangleIsDrawnOnceAsGiven) {
  SceneVertex a = screenVertex(10, 10, 0), b = screenVertex(500, 20, -100),
              c = screenVertex(200, 370, 100);
  clipVertexPoolUsed = 7;
  drawClippedTriangle(&a, &b, &c, 0);
  ASSERT_EQ(boardRecording.triangles.size(), 1u);
  const RecordedTriangle& drawn = boardRecording.triangles[0];
  EXPECT_EQ(drawn.vertices[0], &a.grVertex);
  EXPECT_EQ(drawn.vertices[1], &b.grVertex);
  EXPECT_EQ(drawn.vertices[2], &c.grVertex);
  EXPECT_EQ(clipVertexPoolUsed, 7);
  EXPECT_EQ(a.projected & b.projected & c.projected & 1u, 1u);
  EXPECT_NEAR(drawn.copies[1].x - SCREEN_BIAS, 500.0, 1.0 / 16);
}

TEST_F(ClipperTest, NearPlaneCutsOffCornersBehindIt) {
  // Corner b lies between the near plane and the eye, so the whole face still
  // projects and its winding can be compared.
  SceneVertex a = cameraVertex(-5, -5, 300), b = cameraVertex(5, -5, 345),
              c = cameraVertex(0, 5, 300);
  const double faceArea = signedArea({{-5 * 7.0, -5 * 7.0}, {5 * 70.0, -5 * 70.0}, {0, 5 * 7.0}});
  drawClippedTriangle(&a, &b, &c, 0);
  ASSERT_EQ(boardRecording.triangles.size(), 2u);
  for (const RecordedTriangle& triangle : boardRecording.triangles) {
    const double area = signedArea(
        {screenOf(triangle.copies[0]), screenOf(triangle.copies[1]), screenOf(triangle.copies[2])});
    EXPECT_GT(area * faceArea, 0.0) << "the fan keeps the face's winding";
  }
  int madeOnPlane = 0;
  for (int i = 0; i < clipVertexPoolUsed; ++i) {
    EXPECT_NEAR(clipVertexPool[i].viewZ, 340.0f, 1e-3f);
    madeOnPlane += (clipVertexPool[i].projected & 1u) != 0;
  }
  EXPECT_EQ(madeOnPlane, 2);
  EXPECT_EQ(b.projected, 0u) << "a corner behind the near plane is never projected";

  resetBoardRecording();
  SceneVertex d = cameraVertex(4, 5, 345);
  drawClippedTriangle(&a, &b, &d, 1);
  ASSERT_EQ(boardRecording.triangles.size(), 1u);
  // The crossing on a-b, the crossing on d-a and a, in this cyclic order
  // (every pass starts its output one vertex further on).
  const GrVertex* const order[3] = {&clipVertexPool[0].grVertex, &clipVertexPool[1].grVertex,
                                    &a.grVertex};
  const RecordedTriangle& drawn = boardRecording.triangles[0];
  const int start = static_cast<int>(std::find(order, order + 3, drawn.vertices[0]) - order);
  ASSERT_LT(start, 3);
  EXPECT_EQ(drawn.vertices[1], order[(start + 1) % 3]);
  EXPECT_EQ(drawn.vertices[2], order[(start + 2) % 3]);
  EXPECT_EQ(clipVertexPoolUsed, 2);
}

TEST_F(ClipperTest, CornerExactlyOnAPlaneMakesNoNewVertex) {
  SceneVertex a = cameraVertex(0, 0, 340.0f), b = cameraVertex(5, 0, 345),
              c = cameraVertex(0, 5, 300);
  ASSERT_EQ(a.nearDist, 0.0f);
  drawClippedTriangle(&a, &b, &c, 0);
  EXPECT_EQ(clipVertexPoolUsed, 1);
  ASSERT_EQ(boardRecording.triangles.size(), 1u);
  EXPECT_EQ(drawnArea() > 0, signedArea({{0, 0}, {50, 0}, {0, 50}}) > 0);

  // On the near plane while the other corners lie in front of it, with the
  // face crossing the left edge: only the left pass makes vertices.
  resetBoardRecording();
  SceneVertex left = screenVertex(-100, 100, 0), right = screenVertex(300, 150, 0);
  drawClippedTriangle(&a, &left, &right, 0);
  EXPECT_EQ(clipVertexPoolUsed, 2);
  bool drewA = false;
  for (const RecordedTriangle& triangle : boardRecording.triangles) {
    for (const GrVertex* vertex : triangle.vertices) drewA |= vertex == &a.grVertex;
  }
  EXPECT_TRUE(drewA);
}

TEST_F(ClipperTest, NewVerticesInterpolateColourAndTextureAlongTheEdge) {
  SceneVertex a = cameraVertex(-6, 0, 200, 20, 0, 256), b = cameraVertex(6, 0, 400, 220, 256, 0),
              c = cameraVertex(0, 6, 200, 20);
  drawClippedTriangle(&a, &b, &c, 0);
  const float u = (340.0f - 200.0f) / (400.0f - 200.0f);
  bool found = false;
  for (int i = 0; i < clipVertexPoolUsed; ++i) {
    const SceneVertex& made = clipVertexPool[i];
    if (std::fabs(made.viewY) > 1e-3f) continue;  // not on edge a-b
    found = true;
    EXPECT_NEAR(made.viewX, -6 + 12 * u, 1e-4);
    EXPECT_NEAR(made.grVertex.r, 20 + 200 * u, 1e-3);
    EXPECT_NEAR(made.grVertex.g, 235 - 200 * u, 1e-3);
    EXPECT_NEAR(made.grVertex.b, 10 + 100 * u, 1e-3);
    EXPECT_NEAR(made.s, 256 * u, 1e-3);
    EXPECT_NEAR(made.t, 256 - 256 * u, 1e-3);
    EXPECT_NEAR(made.grVertex.tmuvtx[0].sow - SCREEN_BIAS, 256 * u * 35.0f, 1.0 / 16);
  }
  EXPECT_TRUE(found);
}

// Two faces walk their shared edge in opposite directions; where it crosses
// the near plane both must make the same vertex, bit for bit.
TEST_F(ClipperTest, SharedEdgeCrossingIsTheSameVertexForBothFaces) {
  std::mt19937 random(5);
  std::uniform_real_distribution<float> side(-4.0f, 4.0f);
  std::uniform_real_distribution<float> front(150.0f, 339.0f);
  std::uniform_real_distribution<float> behind(341.0f, 600.0f);
  std::uniform_real_distribution<float> shade(0.0f, 255.0f);
  auto sameValues = [](const SceneVertex& p, const SceneVertex& q) {
    const float first[] = {p.viewX,      p.viewY,      p.viewZ, p.grVertex.r,
                           p.grVertex.g, p.grVertex.b, p.s,     p.t};
    const float second[] = {q.viewX,      q.viewY,      q.viewZ, q.grVertex.r,
                            q.grVertex.g, q.grVertex.b, q.s,     q.t};
    return std::memcmp(first, second, sizeof first) == 0;
  };
  for (int i = 0; i < 500; ++i) {
    SceneVertex a = cameraVertex(side(random), side(random), front(random), shade(random),
                                 shade(random), shade(random));
    SceneVertex b = cameraVertex(side(random), side(random), behind(random), shade(random),
                                 shade(random), shade(random));
    SceneVertex c = cameraVertex(side(random), side(random), front(random));
    SceneVertex d = cameraVertex(side(random), side(random), front(random));
    // The near pass meets the shared edge first in both faces: pool record 0.
    drawClippedTriangle(&a, &b, &c, 0);
    const SceneVertex first = clipVertexPool[0];
    drawClippedTriangle(&b, &a, &d, 0);
    ASSERT_NEAR(first.nearDist, 0.0f, 1e-3f);
    ASSERT_TRUE(sameValues(first, clipVertexPool[0])) << i;
  }
}

TEST_F(ClipperTest, CrossingLeftAndTopProjectsOnlyTheFinalPolygon) {
  SceneVertex a = screenVertex(-200, 600, -50), b = screenVertex(300, 300, 0),
              c = screenVertex(100, 50, 100);
  drawClippedTriangle(&a, &b, &c, 0);
  ASSERT_GE(boardRecording.triangles.size(), 2u);
  std::vector<const GrVertex*> drawn;
  for (const RecordedTriangle& triangle : boardRecording.triangles) {
    for (int k = 0; k < 3; ++k) {
      const Point p = screenOf(triangle.copies[k]);
      EXPECT_GE(p.x, -1.0 / 16);
      EXPECT_LE(p.y, 384 + 1.0 / 16);
      drawn.push_back(triangle.vertices[k]);
    }
  }
  for (int i = 0; i < clipVertexPoolUsed; ++i) {
    const bool isDrawn =
        std::find(drawn.begin(), drawn.end(), &clipVertexPool[i].grVertex) != drawn.end();
    EXPECT_EQ((clipVertexPool[i].projected & 1u) != 0, isDrawn) << i;
  }
  EXPECT_EQ(a.projected, 0u);
  EXPECT_GT(clipVertexPoolUsed, 2) << "a pool vertex made by the left pass was cut by the top";
}

TEST_F(ClipperTest, TriangleBesideACornerOfTheScreenDrawsNothing) {
  // Each corner is outside some side plane, no plane has all three outside.
  SceneVertex a = screenVertex(-100, 300, 0), b = screenVertex(100, 500, -200),
              c = screenVertex(-50, 600, 100);
  ASSERT_EQ(a.clipFlags & b.clipFlags & c.clipFlags, 0u);
  drawClippedTriangle(&a, &b, &c, 0);
  EXPECT_TRUE(boardRecording.triangles.empty());
}

TEST_F(ClipperTest, CornerThatIsNotANumberDropsTheTriangle) {
  SceneVertex a = screenVertex(100, 100, 0), b = screenVertex(300, 100, 0),
              c = cameraVertex(NAN, 0, 0);
  drawClippedTriangle(&a, &b, &c, 0);
  EXPECT_TRUE(boardRecording.triangles.empty());
}

// Random faces in front of the eye: what the clipper draws covers exactly the
// part of the projected face inside the screen, with the face's winding, and
// never reaches beyond the screen edges.
TEST_F(ClipperTest, DrawnAreaMatchesTheFaceCutToTheScreen) {
  std::mt19937 random(11);
  std::uniform_real_distribution<float> screen(-600.0f, 1100.0f);
  std::uniform_real_distribution<float> depth(-2000.0f, 330.0f);
  int clipped = 0;
  for (int i = 0; i < 3000; ++i) {
    resetBoardRecording();
    SceneVertex corners[3];
    std::vector<Point> face;
    for (SceneVertex& corner : corners) {
      corner = screenVertex(screen(random), screen(random), depth(random));
      SceneVertex probe = corner;
      projectVertex(probe, 0);
      face.push_back(screenOf(probe.grVertex));
    }
    if (corners[0].clipFlags & corners[1].clipFlags & corners[2].clipFlags) continue;
    clipped += (corners[0].clipFlags | corners[1].clipFlags | corners[2].clipFlags) != 0;
    drawClippedTriangle(&corners[0], &corners[1], &corners[2], 0);
    const std::vector<Point> visible = clipToScreen(face);
    // Drawn vertices sit on the 1/16 pixel grid: each edge may move by half a step.
    ASSERT_NEAR(drawnArea(), signedArea(visible), 0.01 + perimeter(visible) / 32) << i;
    for (const RecordedTriangle& triangle : boardRecording.triangles) {
      for (const GrVertex& vertex : triangle.copies) {
        const Point p = screenOf(vertex);
        ASSERT_TRUE(p.x > -0.1 && p.x < 512.1 && p.y > -0.1 && p.y < 384.1) << i;
      }
    }
  }
  EXPECT_GT(clipped, 1000);
}

}  // namespace
