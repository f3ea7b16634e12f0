#pragma once
// The iterated values along one span, started exactly at its first pixel.
// Fixed-point values advance by adding their step; the perspective terms of
// the pixel k columns in are start + k * step, so a loop that handles
// several pixels at once computes the very same floats.

#include <cstdint>

#include "board/pixel_pipeline.h"
#include "board/triangle_setup.h"

struct SpanIterators {
  std::int32_t red, green, blue, alpha, depth;
  std::int32_t redStep, greenStep, blueStep, alphaStep, depthStep;
  PerspectivePixel start;
  PerspectiveSteps steps;

  SpanIterators(const TriangleSetup& t, int row, int column)
      : red(t.red.at(column, row)),
        green(t.green.at(column, row)),
        blue(t.blue.at(column, row)),
        alpha(t.alpha.at(column, row)),
        depth(t.depth.at(column, row)),
        redStep(t.red.step),
        greenStep(t.green.step),
        blueStep(t.blue.step),
        alphaStep(t.alpha.step),
        depthStep(t.depth.step),
        start{float(t.sow.at(column, row)), float(t.tow.at(column, row)),
              float(t.oow.at(column, row))},
        steps{float(t.sow.dx), float(t.tow.dx), float(t.oow.dx),
              float(t.sow.dy), float(t.tow.dy), float(t.oow.dy)} {}

  PerspectivePixel perspectiveAt(int k) const {
    float fk = float(k);
    return {start.sow + fk * steps.sowX, start.tow + fk * steps.towX, start.oow + fk * steps.oowX};
  }

  void advance() {
    red += redStep;
    green += greenStep;
    blue += blueStep;
    alpha += alphaStep;
    depth += depthStep;
  }
};
