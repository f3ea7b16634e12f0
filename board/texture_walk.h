#pragma once
// Perspective-correct texture coordinates and level of detail along a span.
// The per-row parts come from the triangle's set-up in double; the pixel k
// columns into the span uses start + k * step in float, so a loop that
// handles several pixels at once computes the very same numbers.

#include <bit>
#include <cstdint>

#include "board/pipeline_state.h"
#include "board/triangle_setup.h"

inline constexpr std::uint32_t PLACEHOLDER_TEXEL = 0xffffffffu;

// log2 of a positive float, piecewise linear between powers of two: exact at
// powers of two and deterministic, which is all mipmap selection needs.
inline float fastLog2(float x) {
  auto bits = std::bit_cast<std::int32_t>(x);
  return float((bits >> 23 & 255) - 127) + float(bits & 0x7fffff) * (1.0f / 8388608.0f);
}

// double to float, saturating at the largest finite floats (NaN stays NaN).
inline float toFloat(double v) {
  constexpr double LIMIT = 3.0e38;
  return float(v > LIMIT ? LIMIT : v < -LIMIT ? -LIMIT : v);
}

struct TextureWalk {
  float sow, tow, oow;
  float sowStep, towStep, oowStep;
  float footprintX;                // squared x footprint times W^4, in level-0 texels
  float footprintYs, footprintYt;  // y footprint numerators, in level-0 texels
  float footprintYsStep, footprintYtStep;

  TextureWalk() = default;
  TextureWalk(const TriangleSetup& triangle, int row, int column, const BoundTexture* texture) {
    const PerspectiveSetup& p = triangle.perspective;
    double scale = texture != nullptr ? texture->scale : 1.0;
    sow = float(p.sow.at(column, row));
    tow = float(p.tow.at(column, row));
    oow = float(p.oow.at(column, row));
    sowStep = float(p.sow.dx);
    towStep = float(p.tow.dx);
    oowStep = float(p.oow.dx);
    int rows = row - p.originRow, columns = column - p.originColumn;
    double xs = (p.xs + p.xsPerRow * rows) * scale, xt = (p.xt + p.xtPerRow * rows) * scale;
    footprintX = toFloat(xs * xs + xt * xt);
    footprintYs = float((p.ys + p.ysPerColumn * columns) * scale);
    footprintYt = float((p.yt + p.ytPerColumn * columns) * scale);
    footprintYsStep = float(p.ysPerColumn * scale);
    footprintYtStep = float(p.ytPerColumn * scale);
  }
};

struct TexelCoordinates {
  float s, t, lod;
};

// The texture coordinates of the pixel k columns into the span:
// (sow / oow, tow / oow) and the level of detail of the larger footprint
// along x and y. Branch-free, so that runs of pixels vectorise.
inline TexelCoordinates coordinatesAt(const TextureWalk& walk, int k) {
  float fk = float(k);
  float inverseW = 1.0f / (walk.oow + fk * walk.oowStep);
  float s = (walk.sow + fk * walk.sowStep) * inverseW;
  float t = (walk.tow + fk * walk.towStep) * inverseW;
  float ys = walk.footprintYs + fk * walk.footprintYsStep;
  float yt = walk.footprintYt + fk * walk.footprintYtStep;
  float footprintY = ys * ys + yt * yt;
  float footprint = walk.footprintX > footprintY ? walk.footprintX : footprintY;
  float inverseW2 = inverseW * inverseW;
  return {s, t, 0.5f * fastLog2(footprint * inverseW2 * inverseW2)};
}

inline constexpr int TEXEL_RUN = 32;  // pixels whose coordinates are formed together

// The coordinates of pixels k0 .. k0 + count - 1 of the span (count <= TEXEL_RUN).
struct TexelRun {
  float s[TEXEL_RUN], t[TEXEL_RUN], lod[TEXEL_RUN];
  void fill(const TextureWalk& walk, int k0, int count) {
    for (int i = 0; i < count; ++i) {
      TexelCoordinates c = coordinatesAt(walk, k0 + i);
      s[i] = c.s;
      t[i] = c.t;
      lod[i] = c.lod;
    }
  }
};

// The texel of the pixel k columns into the span.
inline std::uint32_t fetchTexel(const PipelineState& state, const TextureWalk& walk, int k) {
  if (state.texture == nullptr) return PLACEHOLDER_TEXEL;
  TexelCoordinates c = coordinatesAt(walk, k);
  return sampleTexture(*state.texture, c.s, c.t, c.lod);
}
