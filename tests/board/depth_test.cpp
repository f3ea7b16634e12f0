// The depth test under every function, with the depth mask on and off.

#include "tests/board/board_test_support.h"

namespace {

using DepthTest = BoardTest;

// Each function's value is the set of outcomes it passes: 1 less, 2 equal,
// 4 greater (so 3 is less-or-equal, 5 not equal, 7 always).
bool expectedPass(GrCmpFnc_t function, int incoming, int stored) {
  return (function & (incoming < stored ? 1u : incoming == stored ? 2u : 4u)) != 0;
}

TEST_F(DepthTest, EveryFunctionWithMaskOnAndOff) {
  constexpr int stored = 30000;
  grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
  for (GrCmpFnc_t function = GR_CMP_NEVER; function <= GR_CMP_ALWAYS; ++function) {
    for (bool mask : {true, false}) {
      for (int incoming : {stored - 1, stored, stored + 1}) {
        grDepthBufferFunction(function);
        grDepthMask(mask ? FXTRUE : FXFALSE);
        grBufferClear(0, 0, stored);
        fillRect(10, 10, 20, 20, vertexAt(0, 0, 255, 0, 0, float(incoming)));
        bool pass = expectedPass(function, incoming, stored);
        auto color = readBuffer(GR_BUFFER_BACKBUFFER);
        auto depth = readBuffer(GR_BUFFER_AUXBUFFER);
        SCOPED_TRACE(testing::Message()
                     << "function " << function << " mask " << mask << " incoming " << incoming);
        EXPECT_EQ(pixelAt(color, 15, 15), pass ? 0xf800 : 0);
        EXPECT_EQ(pixelAt(depth, 15, 15), pass && mask ? incoming : stored);
        EXPECT_EQ(pixelAt(depth, 25, 15), stored);
      }
    }
  }
}

TEST_F(DepthTest, DisabledDepthBufferNeitherTestsNorWrites) {
  grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
  grBufferClear(0, 0, 100);
  grDepthBufferMode(GR_DEPTHBUFFER_DISABLE);
  grDepthBufferFunction(GR_CMP_NEVER);
  fillRect(10, 10, 20, 20, vertexAt(0, 0, 255, 0, 0, 5000));
  EXPECT_EQ(pixelAt(readBuffer(), 15, 15), 0xf800);
  EXPECT_EQ(pixelAt(readBuffer(GR_BUFFER_AUXBUFFER), 15, 15), 100);
}

}  // namespace
