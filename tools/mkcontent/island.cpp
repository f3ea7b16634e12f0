#include "tools/mkcontent/island.h"

#include <algorithm>
#include <cmath>

#include "tools/mkcontent/wild_materials.h"

namespace {

constexpr int TOP_CELLS = 64;  // per side of the square grid bent onto the disc
constexpr int LAKE_CELLS = 20;
constexpr float GROUND_TILE = 60.0f;  // scene units per repeat of the ground textures

// Grid point (i, j) of an n x n grid, bent from the square onto the unit disc.
// Computed from integers so that mirrored grids meet on exactly the same rim points.
std::array<float, 2> discPoint(int i, int j, int n) {
  const float a = static_cast<float>(2 * i - n) / static_cast<float>(n);
  const float b = static_cast<float>(2 * j - n) / static_cast<float>(n);
  return {a * std::sqrt(1.0f - b * b / 2.0f), b * std::sqrt(1.0f - a * a / 2.0f)};
}

bool onRim(int i, int j, int n) { return i == 0 || j == 0 || i == n || j == n; }

}  // namespace

IslandShape::IslandShape() : noise_(0x15EA11D) {}

float IslandShape::height(float x, float y) const {
  const float r = std::hypot(x, y) / RADIUS;
  float h = 34.0f + 18.0f * noise_.fractal(x / 110.0f, y / 110.0f, 0.5f, 4);
  // The mountain: a broad peak with ridged detail.
  const float peak = std::exp(-(std::pow(x + 95.0f, 2.0f) + std::pow(y - 70.0f, 2.0f)) / 4900.0f);
  const float ridges = 1.0f - std::fabs(noise_.fractal(x / 45.0f, y / 45.0f, 3.5f, 3));
  h += peak * (60.0f + 25.0f * ridges);
  // The lake basin.
  const float lake = std::hypot(x - LAKE_X, y - LAKE_Y) / LAKE_RADIUS;
  h -= 42.0f * (1.0f - smoothstep(0.3f, 1.0f, lake));
  // The ground falls to the rim at the island's edge.
  return h + (RIM_HEIGHT - h) * smoothstep(0.82f, 1.0f, r);
}

float IslandShape::undersideDepth(float x, float y) const {
  const float r = std::min(std::hypot(x, y) / RADIUS, 1.0f);
  // A craggy cone: thin at the rim, deepest under the middle.
  const float body = 165.0f * std::pow(1.0f - std::pow(r, 1.5f), 1.3f);
  const float crags = 1.0f + 0.4f * noise_.fractal(x / 50.0f, y / 50.0f, 7.5f, 4);
  return body * crags;
}

ContentMesh IslandShape::makeTop() const {
  ContentMesh mesh("Island");
  const int first = static_cast<int>(mesh.vertices.size());
  for (int j = 0; j <= TOP_CELLS; ++j)
    for (int i = 0; i <= TOP_CELLS; ++i) {
      const auto [dx, dy] = discPoint(i, j, TOP_CELLS);
      const float x = dx * RADIUS, y = dy * RADIUS;
      const float z = onRim(i, j, TOP_CELLS) ? RIM_HEIGHT : height(x, y);
      mesh.addVertex({x, y, z}, x / GROUND_TILE, y / GROUND_TILE);
    }
  // Each face takes sand near the water, rock where steep or high, else grass.
  auto materialOf = [&](int a, int b, int c) {
    const Point3 &p = mesh.vertices[a], &q = mesh.vertices[b], &s = mesh.vertices[c];
    const float ux = q[0] - p[0], uy = q[1] - p[1], uz = q[2] - p[2];
    const float vx = s[0] - p[0], vy = s[1] - p[1], vz = s[2] - p[2];
    const float nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
    const float upright = nz / std::sqrt(nx * nx + ny * ny + nz * nz);
    const float z = (p[2] + q[2] + s[2]) / 3.0f;
    // Noise in the limits gives the rock outcrops ragged, natural borders.
    const float ragged = noise_.fractal(p[0] / 25.0f, p[1] / 25.0f, 11.5f, 3);
    if (upright < 0.72f + 0.15f * ragged || z > 92.0f + 18.0f * ragged)
      return static_cast<int>(ROCK);
    const float shore = std::hypot(p[0] - LAKE_X, p[1] - LAKE_Y) / LAKE_RADIUS;
    if (z < WATER_LEVEL + 5.0f && shore < 1.3f) return static_cast<int>(SAND);
    return static_cast<int>(GRASS);
  };
  for (int j = 0; j < TOP_CELLS; ++j)
    for (int i = 0; i < TOP_CELLS; ++i) {
      const int a = first + j * (TOP_CELLS + 1) + i;
      const int b = a + 1, c = a + TOP_CELLS + 2, d = a + TOP_CELLS + 1;
      mesh.addFace(a, b, c, materialOf(a, b, c));
      mesh.addFace(a, c, d, materialOf(a, c, d));
    }
  return mesh;
}

ContentMesh IslandShape::makeUnderside() const {
  ContentMesh mesh("Underside");
  // The grid is mirrored in x, so its faces look down; its rim points are the top's.
  addGrid(mesh, TOP_CELLS, TOP_CELLS, ROCK, [&](int i, int j) {
    const auto [dx, dy] = discPoint(i, j, TOP_CELLS);
    const float x = -dx * RADIUS, y = dy * RADIUS;
    const float z = onRim(i, j, TOP_CELLS) ? RIM_HEIGHT : RIM_HEIGHT - undersideDepth(x, y);
    // Textured from straight below: every face here looks down more than
    // sideways, so none sees the texture edge-on.
    return SurfacePoint{{x, y, z}, {x / GROUND_TILE, y / GROUND_TILE}};
  });
  return mesh;
}

ContentMesh IslandShape::makeLake() const {
  ContentMesh mesh("Lake");
  const float reach = LAKE_RADIUS * 1.15f;
  addGrid(mesh, LAKE_CELLS, LAKE_CELLS, WATER, [&](int i, int j) {
    const auto [dx, dy] = discPoint(i, j, LAKE_CELLS);
    const float x = LAKE_X + dx * reach, y = LAKE_Y + dy * reach;
    return SurfacePoint{{x, y, WATER_LEVEL}, {x / 50.0f, y / 50.0f}};
  });
  return mesh;
}
