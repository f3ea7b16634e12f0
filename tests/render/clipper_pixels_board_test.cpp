#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "render/clipper.h"
#include "tests/render/board_pixels.h"
#include "tests/render/render_test_support.h"

namespace {

bool nearScreenEdge(int column, int row) {
  return column <= 1 || column >= BOARD_WIDTH - 2 || row <= 1 || row >= BOARD_HEIGHT - 2;
}

// Distance from a pixel centre to the nearest edge line of the projected face.
double distanceToFaceEdge(const SceneVertex (&face)[3], int column, int row) {
  const double px = column + 0.5, py = row + 0.5;
  double nearest = 1e30;
  for (int k = 0; k < 3; ++k) {
    const GrVertex& p = face[k].grVertex;
    const GrVertex& q = face[(k + 1) % 3].grVertex;
    const double x0 = p.x - double(SCREEN_BIAS), y0 = p.y - double(SCREEN_BIAS);
    const double dx = q.x - double(p.x), dy = q.y - double(p.y);
    nearest = std::min(nearest, std::fabs((px - x0) * dy - (py - y0) * dx) / std::hypot(dx, dy));
  }
  return nearest;
}

SceneVertex white(SceneVertex vertex) {
  vertex.grVertex.r = vertex.grVertex.g = vertex.grVertex.b = 255.0f;
  return vertex;
}

using ClipperPixelsTest = BoardPixelsTest;

// The board cuts the unclipped face to the screen by itself; what the clipper
// draws must be the same pixels but for the rows and columns at the screen
// edges and centres that lie within the 1/16 pixel vertex snapping of a face
// edge (the clipped vertices are snapped at other points along it).
TEST_F(ClipperPixelsTest, ClippedFaceFillsTheVisiblePartOfTheWholeFace) {
  std::mt19937 random(17);
  std::uniform_real_distribution<float> screen(-500.0f, 1000.0f);
  std::uniform_real_distribution<float> depth(-1500.0f, 300.0f);
  int comparedPixels = 0;
  for (int i = 0; i < 40; ++i) {
    SceneVertex corners[3];
    for (SceneVertex& corner : corners) {
      corner = white(screenVertex(screen(random), screen(random), depth(random)));
    }
    if (corners[0].clipFlags & corners[1].clipFlags & corners[2].clipFlags) continue;
    SceneVertex whole[3] = {corners[0], corners[1], corners[2]};
    for (SceneVertex& corner : whole) projectVertex(corner, 0);

    grBufferClear(0, 0, 0);
    grDrawTriangle(&whole[0].grVertex, &whole[1].grVertex, &whole[2].grVertex);
    const std::vector<std::uint16_t> expected = readBack();
    grBufferClear(0, 0, 0);
    drawClippedTriangle(&corners[0], &corners[1], &corners[2], 0);
    const std::vector<std::uint16_t> actual = readBack();

    for (int row = 0; row < BOARD_HEIGHT; ++row) {
      for (int column = 0; column < BOARD_WIDTH; ++column) {
        const int at = row * BOARD_WIDTH + column;
        comparedPixels += expected[at] != 0;
        if (actual[at] != expected[at] && !nearScreenEdge(column, row)) {
          ASSERT_LT(distanceToFaceEdge(whole, column, row), 1.0 / 16)
              << "face " << i << " at " << column << ", " << row;
        }
      }
    }
  }
  EXPECT_GT(comparedPixels, 100000);
}

}  // namespace
