#pragma once
// The real board opened headless for pixel checks: white untextured
// triangles, no depth test, no dither, read back as a coverage mask.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "board/board.h"
#include "render/glide.h"
#include "render/view_transform.h"

class BoardPixelsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    boardReset();
    initViewVolume();
    grGlideInit();
    grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_72Hz, GR_COLORFORMAT_RGBA,
                 GR_ORIGIN_LOWER_LEFT, 2, 0);
    grDepthBufferMode(GR_DEPTHBUFFER_DISABLE);
    grDitherMode(GR_DITHER_DISABLE);
    grColorCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_NONE, GR_COMBINE_LOCAL_ITERATED,
                   GR_COMBINE_OTHER_NONE, FXFALSE);
    grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO);
    grBufferClear(0, 0, 0);
  }
  void TearDown() override { boardReset(); }

  // The back buffer, row 0 at screen y 0 (the bottom).
  static std::vector<std::uint16_t> readBack() {
    std::vector<std::uint16_t> pixels(BOARD_WIDTH * BOARD_HEIGHT);
    GrLfbInfo_t info{};
    info.size = sizeof info;
    EXPECT_TRUE(grLfbLock(GR_LFB_READ_ONLY, GR_BUFFER_BACKBUFFER, GR_LFBWRITEMODE_ANY,
                          GR_ORIGIN_LOWER_LEFT, FXFALSE, &info));
    for (int row = 0; row < BOARD_HEIGHT; ++row) {
      std::memcpy(&pixels[row * BOARD_WIDTH],
                  static_cast<const char*>(info.lfbPtr) + row * info.strideInBytes,
                  BOARD_WIDTH * sizeof(std::uint16_t));
    }
    grLfbUnlock(GR_LFB_READ_ONLY, GR_BUFFER_BACKBUFFER);
    return pixels;
  }
};
