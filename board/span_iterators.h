#pragma once
// The iterated colour and depth along one span, started exactly at its
// first pixel; each advances by adding its step, wrapping.

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
    red = wrappingSum(red, redStep);
    green = wrappingSum(green, greenStep);
    blue = wrappingSum(blue, blueStep);
    alpha = wrappingSum(alpha, alphaStep);
    depth = wrappingSum(depth, depthStep);
  }

  // The sums wrap, as the wide loops' lanes do: a sliver's clamped start
  // and step can pass 2^31 when the span moves past its last pixel.
  static std::int32_t wrappingSum(std::int32_t value, std::int32_t step) {
    return std::int32_t(std::uint32_t(value) + std::uint32_t(step));
  }
};
