#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "render/clipper.h"
#include "tests/board/board_test_support.h"
#include "tests/render/render_test_support.h"

namespace {

// White untextured faces on a freshly opened board: no depth test, no blending.
using ClipperPixelsTest = BoardTest;

// Distance from a pixel centre to the nearest edge line of the projected face.
double distanceToFaceEdge(const SceneVertex (&face)[3], int column, int row) {
  double nearest = 1e30;
  for (int k = 0; k < 3; ++k) {
    const GrVertex &p = face[k].grVertex, &q = face[(k + 1) % 3].grVertex;
    const double x0 = p.x - double(SCREEN_BIAS), y0 = p.y - double(SCREEN_BIAS);
    const double dx = q.x - double(p.x), dy = q.y - double(p.y);
    nearest = std::min(
        nearest, std::fabs((column + 0.5 - x0) * dy - (row + 0.5 - y0) * dx) / std::hypot(dx, dy));
  }
  return nearest;
}

// The board cuts the unclipped face to the screen by itself; what the clipper
// draws must be the same pixels but for the rows and columns at the screen
// edges and centres that lie within the 1/16 pixel vertex snapping of a face
// edge (the clipped vertices are snapped at other points along it).
TEST_F(ClipperPixelsTest, ClippedFaceFillsTheVisiblePartOfTheWholeFace) {
  initViewVolume();
  std::mt19937 random(17);
  std::uniform_real_distribution<float> screen(-500.0f, 1000.0f), depth(-1500.0f, 300.0f);
  int comparedPixels = 0;
  for (int i = 0; i < 40; ++i) {
    SceneVertex corners[3];
    for (SceneVertex& corner : corners) {
      corner = screenVertex(screen(random), screen(random), depth(random));
      corner.grVertex.r = corner.grVertex.g = corner.grVertex.b = 255.0f;
    }
    if (corners[0].clipFlags & corners[1].clipFlags & corners[2].clipFlags) continue;
    SceneVertex whole[3] = {corners[0], corners[1], corners[2]};
    for (SceneVertex& corner : whole) projectVertex(corner, 0);

    grBufferClear(0, 0, 0);
    grDrawTriangle(&whole[0].grVertex, &whole[1].grVertex, &whole[2].grVertex);
    const std::vector<std::uint16_t> expected = readBuffer();
    grBufferClear(0, 0, 0);
    drawClippedTriangle(&corners[0], &corners[1], &corners[2], 0);
    const std::vector<std::uint16_t> actual = readBuffer();

    for (int row = 0; row < BOARD_HEIGHT; ++row) {
      for (int column = 0; column < BOARD_WIDTH; ++column) {
        const std::uint16_t want = pixelAt(expected, column, row);
        comparedPixels += want != 0;
        const bool nearScreenEdge = std::min(column, BOARD_WIDTH - 1 - column) <= 1 ||
                                    std::min(row, BOARD_HEIGHT - 1 - row) <= 1;
        if (pixelAt(actual, column, row) != want && !nearScreenEdge) {
          ASSERT_LT(distanceToFaceEdge(whole, column, row), 1.0 / 16)
              << "face " << i << " at " << column << ", " << row;
        }
      }
    }
  }
  EXPECT_GT(comparedPixels, 100000);
}

}  // namespace
