#include "bench/workloads/workload_scenes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>

#include "bench/support/board_setup.h"
#include "board/board.h"

namespace {

constexpr float BIAS = 786432.0f;
constexpr float FOCAL = 256.0f;  // 90 degrees across the 512 columns
constexpr float EYE_HEIGHT = 30.0f;

// Screen position, 1/w, texture coordinates in the 256-unit space and
// colour, as the board receives them; the depth follows from 1/w.
void setVertex(GrVertex& v, float x, float y, float oow, float s, float t, float r, float g,
               float b, float a) {
  v = GrVertex{};
  v.x = x + BIAS;
  v.y = y + BIAS;
  v.r = r;
  v.g = g;
  v.b = b;
  v.a = a;
  v.oow = oow;
  v.ooz = std::min(65535.0f, std::max(0.0f, 65535.0f * (1.0f - oow)));
  v.tmuvtx[0] = {s * oow + BIAS, t * oow + BIAS, oow};
}

GrVertex vertex(float x, float y, float w, float s, float t, float r, float g, float b, float a) {
  GrVertex v;
  setVertex(v, x, y, 1.0f / w, s, t, r, g, b, a);
  return v;
}

// A smooth pattern with fine detail, so every level of the chain differs.
std::vector<std::uint16_t> textureChain() {
  std::vector<std::uint16_t> texels;
  for (int side = 256; side >= 1; side /= 2) {
    for (int y = 0; y < side; ++y) {
      for (int x = 0; x < side; ++x) {
        int u = x * 256 / side, v = y * 256 / side;
        int r = (u ^ v) & 0xff, g = (u * 3 + v) & 0xff, b = 255 - ((u + v * 5) & 0xff);
        texels.push_back(std::uint16_t((r >> 3) << 11 | (g >> 2) << 5 | b >> 3));
      }
    }
  }
  return texels;
}

void opaque() { grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO); }

void depthTestedOpaque() {
  grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
  grDepthBufferFunction(GR_CMP_LESS);
  grDepthMask(FXTRUE);
  opaque();
}

// Every frame is cleared and finished, as the figures it is compared with
// were taken: a headless swap leaves its frame drawing, so the frame ends
// with a wait until the workers have drawn it.
void finishFrame() {
  grBufferSwap(0);
  grSstIdle();
}

void blendedOverDepth() {
  grDepthMask(FXFALSE);
  grAlphaBlendFunction(GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ONE,
                       GR_BLEND_ZERO);
}

void clearFrame() {
  grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
  grBufferClear(0x00204060, 0, 0xffff);
}

}  // namespace

void openWorkloadBoard() {
  boardReset();
  grGlideInit();
  grSstWinOpen(0, GR_RESOLUTION_512x384, GR_REFRESH_72Hz, GR_COLORFORMAT_ARGB, GR_ORIGIN_UPPER_LEFT,
               2, 1);
  static const std::vector<std::uint16_t> texels = textureChain();
  selectModulatedTexture(texels, GR_TEXTUREFILTER_BILINEAR, GR_MIPMAP_NEAREST);
  depthTestedOpaque();
}

// Each plane covers the screen and leans 45 degrees away from the eye, like
// a floor seen from above: with the focal length of 256 pixels its top edge
// lies 7 times as far as its bottom edge. The texture lies on the plane in
// squares, one texel a pixel along the bottom edge, so it is minified toward
// the top. Every plane lies nearer than the last.
void drawPlanesFrame(bool blended) {
  // Texture units across half the top edge and from the bottom edge to the
  // top one along the plane (6 times the bottom edge's distance, times the
  // square root of 2).
  const float halfTop = 7 * 256.0f, length = 6 * 256.0f * std::numbers::sqrt2_v<float>;
  clearFrame();
  depthTestedOpaque();
  if (blended) blendedOverDepth();
  for (int k = 0; k < PLANE_COUNT; ++k) {
    float near = 11.0f - float(k), far = 7 * near, a = 160;
    GrVertex topLeft = vertex(0, 0, far, 256 - halfTop, 0, 200, 220, 255, a);
    GrVertex topRight = vertex(512, 0, far, 256 + halfTop, 0, 255, 200, 220, a);
    GrVertex bottomRight = vertex(512, 384, near, 512, length, 255, 255, 200, a);
    GrVertex bottomLeft = vertex(0, 384, near, 0, length, 220, 255, 230, a);
    grDrawTriangle(&topLeft, &topRight, &bottomRight);
    grDrawTriangle(&topLeft, &bottomRight, &bottomLeft);
  }
  finishFrame();
}

std::vector<Triangle> smallTriangles(int count, float area) {
  std::mt19937 random(20);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  const float leg = std::sqrt(2.0f * area);
  std::vector<Triangle> triangles;
  triangles.reserve(std::size_t(count));
  for (int i = 0; i < count; ++i) {
    float x = 4 + unit(random) * 504, y = 4 + unit(random) * 376;
    float angle = unit(random) * 2 * std::numbers::pi_v<float>;
    float w = 1.0f + unit(random) * 20.0f, s = unit(random) * 256, t = unit(random) * 256;
    float ax = std::cos(angle) * leg, ay = std::sin(angle) * leg;
    auto color = [&] { return 64 + unit(random) * 191; };
    triangles.push_back(
        {vertex(x, y, w, s, t, color(), color(), color(), 255),
         vertex(x + ax, y + ay, w, s + 6, t, color(), color(), color(), 255),
         vertex(x - ay, y + ax, w * 1.01f, s, t + 6, color(), color(), color(), 255)});
  }
  return triangles;
}

void drawTrianglesFrame(const std::vector<Triangle>& triangles) {
  clearFrame();
  for (const Triangle& t : triangles) grDrawTriangle(&t.a, &t.b, &t.c);
  finishFrame();
}

OutdoorScene::OutdoorScene() {
  constexpr float pi = std::numbers::pi_v<float>;
  // Sky: 20 stacks of 50 slices around the eye, two triangles a cell.
  auto skyPoint = [](int stack, int slice) {
    float polar = pi * float(stack) / 20, around = 2 * pi * float(slice) / 50;
    float y = std::cos(polar);
    return Point{800 * std::sin(polar) * std::cos(around),
                 EYE_HEIGHT + 800 * y,
                 800 * std::sin(polar) * std::sin(around),
                 float(slice) / 5,
                 float(stack) / 5,
                 90 + 60 * y,
                 130 + 60 * y,
                 230,
                 255};
  };
  for (int stack = 0; stack < 20; ++stack) {
    for (int slice = 0; slice < 50; ++slice) {
      Point p[4] = {skyPoint(stack, slice), skyPoint(stack, slice + 1),
                    skyPoint(stack + 1, slice + 1), skyPoint(stack + 1, slice)};
      sky_.insert(sky_.end(), {p[0], p[1], p[2], p[0], p[2], p[3]});
    }
  }
  // Terrain: 50 x 60 cells over 800 x 800 units.
  auto ground = [](int column, int row) {
    float x = -400 + 16.0f * float(column), z = -400 + 800.0f / 60 * float(row);
    float h = 15 * std::sin(x / 40) * std::cos(z / 50);
    return Point{x, h, z, x / 64, z / 64, 150 + 4 * h, 170 + 3 * h, 110, 255};
  };
  for (int row = 0; row < 60; ++row) {
    for (int column = 0; column < 50; ++column) {
      Point p[4] = {ground(column, row), ground(column + 1, row), ground(column + 1, row + 1),
                    ground(column, row + 1)};
      terrain_.insert(terrain_.end(), {p[0], p[1], p[2], p[0], p[2], p[3]});
    }
  }
  // 200 boxes of four sides and a top, and 1000 upright translucent panes.
  std::mt19937 random(4);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  auto place = [&](float* x, float* z) {
    float angle = unit(random) * 2 * pi, distance = 40 + unit(random) * 310;
    *x = distance * std::cos(angle);
    *z = distance * std::sin(angle);
  };
  for (int i = 0; i < 200; ++i) {
    float x, z, half = 4 + unit(random) * 6, top = 20 + unit(random) * 20;
    place(&x, &z);
    auto corner = [&](int k, float y) {
      float cx = x + (k == 1 || k == 2 ? half : -half), cz = z + (k >= 2 ? half : -half);
      return Point{cx, y, cz, float(k) / 2, y / 32, 200, 180 - y, 160, 255};
    };
    for (int side = 0; side < 4; ++side) {
      Point p[4] = {corner(side, -20), corner((side + 1) % 4, -20), corner((side + 1) % 4, top),
                    corner(side, top)};
      boxes_.insert(boxes_.end(), {p[0], p[1], p[2], p[0], p[2], p[3]});
    }
    Point p[4] = {corner(0, top), corner(1, top), corner(2, top), corner(3, top)};
    boxes_.insert(boxes_.end(), {p[0], p[1], p[2], p[0], p[2], p[3]});
  }
  for (int i = 0; i < 1000; ++i) {
    float x, z, angle = unit(random) * pi, half = 5, base = 10 + unit(random) * 20;
    place(&x, &z);
    float dx = half * std::cos(angle), dz = half * std::sin(angle);
    Point p[4] = {{x - dx, base, z - dz, 0, 0, 120, 200, 255, 110},
                  {x + dx, base, z + dz, 1, 0, 120, 200, 255, 110},
                  {x + dx, base + 10, z + dz, 1, 1, 200, 240, 255, 110},
                  {x - dx, base + 10, z - dz, 0, 1, 200, 240, 255, 110}};
    panes_.insert(panes_.end(), {p[0], p[1], p[2], p[0], p[2], p[3]});
  }
}

// Triangles with a corner behind the near plane are left out; the board
// clips the rest to the screen. The harness's own work runs on the caller's
// thread beside the board's, so each point costs one division.
void OutdoorScene::drawMesh(const Mesh& mesh) {
  const float c = std::cos(yaw_), s = std::sin(yaw_);
  for (std::size_t i = 0; i + 2 < mesh.size(); i += 3) {
    const Point* p = &mesh[i];
    float z[3];
    for (int k = 0; k < 3; ++k) z[k] = s * p[k].x + c * p[k].z;
    if (!(z[0] > 1.0f && z[1] > 1.0f && z[2] > 1.0f)) continue;
    GrVertex v[3];
    for (int k = 0; k < 3; ++k) {
      float x = c * p[k].x - s * p[k].z, y = p[k].y - EYE_HEIGHT, oow = 1.0f / z[k];
      setVertex(v[k], 256 + FOCAL * x * oow, 192 - FOCAL * y * oow, oow, p[k].u * 256, p[k].v * 256,
                p[k].r, p[k].g, p[k].b, p[k].a);
    }
    grDrawTriangle(&v[0], &v[1], &v[2]);
  }
}

void OutdoorScene::drawFrame() {
  yaw_ = std::fmod(yaw_ + 3.0f * std::numbers::pi_v<float> / 180, 2 * std::numbers::pi_v<float>);
  clearFrame();
  // The last frame ended with blending on; the sky is opaque.
  grDepthBufferMode(GR_DEPTHBUFFER_DISABLE);
  opaque();
  drawMesh(sky_);
  depthTestedOpaque();
  drawMesh(terrain_);
  drawMesh(boxes_);
  blendedOverDepth();
  drawMesh(panes_);
  finishFrame();
}
