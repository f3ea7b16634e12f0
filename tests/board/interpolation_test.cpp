// Iteration across a triangle: Gouraud colour, depth and its clamping.

#include "tests/board/board_test_support.h"

namespace {

using InterpolationTest = BoardTest;

TEST_F(InterpolationTest, GouraudRampTakesThePixelCentreValue) {
  // Red runs 0..255 over x = 0..255: pixel c has its centre at c + 0.5.
  // Green runs down the screen 0..254 over y = 0..127.
  GrVertex a = vertexAt(0, 0, 0, 0, 0), b = vertexAt(255, 0, 255, 0, 0),
           c = vertexAt(255, 127, 255, 254, 0), d = vertexAt(0, 127, 0, 254, 0);
  drawTriangle(a, b, c);
  drawTriangle(a, c, d);
  auto pixels = readBuffer();
  for (int y = 0; y < 127; y += 7) {
    for (int x = 0; x < 255; ++x) {
      ASSERT_EQ(pixelAt(pixels, x, y), rgb565(x, 2 * y + 1, 0)) << x << "," << y;
    }
  }
}

TEST_F(InterpolationTest, DepthFollowsOozAndIsClamped) {
  grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
  grDepthBufferFunction(GR_CMP_ALWAYS);
  grBufferClear(0, 0, 7);
  // ooz = 1000 + 100 x over the first row band, and -20000 + 1000 x below it.
  drawTriangle(vertexAt(0, 100, 0, 0, 0, 1000), vertexAt(256, 100, 0, 0, 0, 26600),
               vertexAt(0, 120, 0, 0, 0, 1000));
  drawTriangle(vertexAt(0, 0, 0, 0, 0, -20000), vertexAt(100, 0, 0, 0, 0, 80000),
               vertexAt(0, 20, 0, 0, 0, -20000));
  auto depth = readBuffer(GR_BUFFER_AUXBUFFER);
  for (int x = 0; x < 200; ++x) EXPECT_EQ(pixelAt(depth, x, 100), 1000 + 100 * x + 50) << x;
  EXPECT_EQ(pixelAt(depth, 10, 0), 0);
  EXPECT_EQ(pixelAt(depth, 20, 0), 500);
  EXPECT_EQ(pixelAt(depth, 90, 0), 65535);
  EXPECT_EQ(pixelAt(depth, 300, 0), 7) << "outside the triangle";
}

}  // namespace
