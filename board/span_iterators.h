#pragma once
// The iterated colour and depth along one span, started exactly at its
// first pixel; each advances by adding its step.

#include <cstdint>

#include "board/triangle_setup.h"

struct SpanIterators {
  std::int32_t red, green, blue, alpha, depth;
  std::int32_t redStep, greenStep, blueStep, alphaStep, depthStep;

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
        depthStep(t.depth.step) {}

  void advance() {
    red += redStep;
    green += greenStep;
    blue += blueStep;
    alpha += alphaStep;
    depth += depthStep;
  }
};
