// The specialised span loops, wide (where the processor has them) and
// scalar, against the general pipeline: the same random triangles under each
// of the renderer's states must give identical pixels.

#include <random>

#include "board/board_context.h"
#include "board/span_wide.h"
#include "tests/board/board_test_support.h"

namespace {

using FastPathTest = BoardTest;

// Every scenario under every texture mode, every depth function and depth
// off, with the depth mask on and off, drawn by the three kinds of loop.
TEST_F(FastPathTest, WideScalarAndGeneralLoopsDrawTheSameBytes) {
  grDitherMode(GR_DITHER_4x4);
  std::mt19937 random(5);
  for (const TextureKind& kind : TEXTURE_KINDS) {
    GrMipMapId_t id = makeRandomTexture(kind, random);
    for (int function = GR_CMP_NEVER; function <= GR_CMP_ALWAYS + 1; ++function) {
      for (int s = 0; s <= int(Scenario::Text); ++s) {
        std::vector<std::uint16_t> frames[3][2];
        for (int path = 0; path < 3; ++path) {
          useWideSpans(path == 0);
          forceGeneralSpans(path == 2);
          setState(Scenario(s), function == GR_CMP_LESS);
          guTexSource(id);
          bool depthOn = function <= GR_CMP_ALWAYS;
          grDepthBufferMode(depthOn ? GR_DEPTHBUFFER_ZBUFFER : GR_DEPTHBUFFER_DISABLE);
          grDepthBufferFunction(depthOn ? function : GR_CMP_LESS);
          grDepthMask(function % 3 != 0 ? FXTRUE : FXFALSE);
          EXPECT_EQ(board().state.span == &drawSpanGeneral, path == 2) << "the loop chosen";
          grBufferClear(0x30507000u, 0, 32768);
          std::mt19937 scene(unsigned(function * 8 + s));
          drawRandomTriangles(scene, {}, 120);
          frames[path][0] = readBuffer();
          frames[path][1] = readBuffer(GR_BUFFER_AUXBUFFER);
        }
        for (int path : {0, 1}) {
          SCOPED_TRACE(testing::Message() << "path " << path << " format " << kind.format
                                          << " depth " << function << " scenario " << s);
          EXPECT_TRUE(frames[path][0] == frames[2][0]);
          EXPECT_TRUE(frames[path][1] == frames[2][1]);
        }
      }
    }
  }
  useWideSpans(true);
  forceGeneralSpans(false);
}

}  // namespace
