#include "tools/mkcontent/props.h"

#include <cmath>
#include <numbers>

#include "tools/mkcontent/content_random.h"
#include "tools/mkcontent/noise.h"
#include "tools/mkcontent/shapes.h"
#include "tools/mkcontent/wild_materials.h"

namespace {

constexpr float TWO_PI = 2.0f * std::numbers::pi_v<float>;

struct Spot {
  float x, y, z;
};

// A random dry spot on the island's top between the two radii.
Spot drySpot(const IslandShape& island, ContentRandom& random, float minRadius, float maxRadius) {
  for (;;) {
    const float angle = random.range(0.0f, TWO_PI);
    const float r = random.range(minRadius, maxRadius);
    const float x = r * std::cos(angle), y = r * std::sin(angle);
    if (!island.underWater(x, y) && !island.underWater(x + 8.0f, y) &&
        !island.underWater(x, y + 8.0f))
      return {x, y, island.height(x, y)};
  }
}

// Planar texture coordinates for lumpy solids: from the side, slightly skewed
// so no face sees the texture edge-on everywhere.
std::array<float, 2> sideMapping(const Point3& d, float scale) {
  return {(d[0] + 0.6f * d[1]) * scale, (d[2] + 0.3f * d[1]) * scale};
}

void addRock(ContentMesh& mesh, const GradientNoise& noise, ContentRandom& random, Point3 centre,
             float size, float squash, int material) {
  const float seed = random.range(0.0f, 100.0f);
  const Frame frame =
      frameAlong(centre, {random.range(-0.3f, 0.3f), random.range(-0.3f, 0.3f), 1.0f});
  addIcosphere(
      mesh, frame, 2,
      [&](const Point3& d) {
        const float lump =
            1.0f + 0.35f * noise.fractal(d[0] * 1.6f + seed, d[1] * 1.6f, d[2] * 1.6f, 3);
        return size * lump * (d[2] < 0.0f ? 1.0f : 1.0f - squash * d[2] * d[2]);
      },
      [&](const Point3& d) { return sideMapping(d, size / 30.0f); }, material);
}

ContentMesh makeRocks(const IslandShape& island, const GradientNoise& noise,
                      ContentRandom& random) {
  ContentMesh mesh("Rocks");
  for (int k = 0; k < 14; ++k) {
    const Spot s = drySpot(island, random, 40.0f, 200.0f);
    const float size = random.range(7.0f, 18.0f);
    addRock(mesh, noise, random, {s.x, s.y, s.z - 0.3f * size}, size, 0.4f,
            k % 2 == 0 ? ROCK : GRANITE);
  }
  return mesh;
}

// Lumps of rock drifting around the island, some textured, some plain.
ContentMesh makeDriftingRocks(const GradientNoise& noise, ContentRandom& random) {
  ContentMesh mesh("Drifters");
  for (int k = 0; k < 9; ++k) {
    const float angle = TWO_PI * (static_cast<float>(k) + random.range(0.0f, 0.6f)) / 9.0f;
    const float r = random.range(245.0f, 272.0f);
    const float z = random.range(-110.0f, 90.0f);
    addRock(mesh, noise, random, {r * std::cos(angle), r * std::sin(angle), z},
            random.range(9.0f, 20.0f), 0.0f, k % 3 == 0 ? GRANITE : ROCK);
  }
  return mesh;
}

void addConifer(ContentMesh& trunks, ContentMesh& crowns, ContentRandom& random, const Spot& at) {
  const float height = random.range(45.0f, 75.0f);
  const float girth = height * 0.06f;
  const Frame frame = frameAlong({at.x, at.y, at.z - 3.0f},
                                 {random.range(-0.06f, 0.06f), random.range(-0.06f, 0.06f), 1.0f});
  addRevolved(trunks, frame, {{girth * 0.6f, height * 0.5f, 0.0f}, {girth, 0.0f, 2.0f}}, 8, BARK,
              1.0f);
  // Three tiers of needles, open below; two-sided so they show from beneath.
  for (int tier = 0; tier < 3; ++tier) {
    const float base = height * (0.22f + 0.2f * static_cast<float>(tier));
    const float top = base + height * (0.5f - 0.08f * static_cast<float>(tier));
    const float spread = height * (0.3f - 0.07f * static_cast<float>(tier));
    addRevolved(crowns, frame,
                {{0.0f, top, 0.0f},
                 {spread * 0.45f, top - (top - base) * 0.45f, 1.0f},
                 {spread * 0.85f, base + (top - base) * 0.15f, 2.0f},
                 {spread, base - 2.0f, 2.4f}},
                14, LEAVES, 3.0f);
  }
}

void addBroadleaf(ContentMesh& trunks, ContentMesh& crowns, const GradientNoise& noise,
                  ContentRandom& random, const Spot& at) {
  const float height = random.range(30.0f, 45.0f);
  const Frame frame = frameAlong({at.x, at.y, at.z - 3.0f}, {0.0f, 0.0f, 1.0f});
  addRevolved(trunks, frame,
              {{1.6f, height * 0.75f, 0.0f}, {2.4f, 0.0f, 2.0f}, {3.4f, -1.0f, 2.2f}}, 8, BARK,
              1.0f);
  const float seed = random.range(0.0f, 50.0f);
  const float crown = height * 0.45f;
  addIcosphere(
      crowns, frameAlong(frame.apply(0.0f, 0.0f, height * 0.8f), {0.0f, 0.0f, 1.0f}), 2,
      [&](const Point3& d) {
        return crown *
               (0.85f + 0.3f * noise.fractal(d[0] * 2.2f + seed, d[1] * 2.2f, d[2] * 2.2f, 2)) *
               (d[2] < 0.0f ? 0.7f : 1.0f);
      },
      [&](const Point3& d) { return sideMapping(d, 1.5f); }, LEAVES);
}

// A fern: curved fronds from one root, each a strip tapering to its tip.
void addFern(ContentMesh& mesh, ContentRandom& random, const Spot& at) {
  const int fronds = 7;
  const float length = random.range(12.0f, 20.0f);
  const float turn = random.range(0.0f, TWO_PI);
  for (int f = 0; f < fronds; ++f) {
    const float angle = turn + TWO_PI * static_cast<float>(f) / static_cast<float>(fronds);
    const float cx = std::cos(angle), cy = std::sin(angle);
    const float rise = random.range(0.8f, 1.3f);
    addGrid(mesh, 1, 6, LEAVES, [&](int i, int j) {
      const float t = static_cast<float>(j) / 6.0f;
      const float half = 0.22f * length *
                         std::sin(std::numbers::pi_v<float> * (0.15f + 0.85f * t)) *
                         (1.0f - 0.7f * t);
      const float side = (static_cast<float>(i) - 0.5f) * 2.0f * half;
      const float reach = length * t;
      const float z = at.z + length * rise * (0.8f * t - 0.75f * t * t);
      return SurfacePoint{{at.x + cx * reach - cy * side, at.y + cy * reach + cx * side, z},
                          {static_cast<float>(i), t * 2.0f}};
    });
  }
}

// A hexagonal crystal with a pointed tip, its facets sharing no vertices so
// each stays flat.
void addCrystal(ContentMesh& mesh, const Frame& frame, float radius, float length, int material) {
  Point3 low[6], high[6];
  for (int k = 0; k < 6; ++k) {
    const float a = TWO_PI * static_cast<float>(k) / 6.0f;
    low[k] = frame.apply(radius * std::cos(a), radius * std::sin(a), -radius);
    high[k] = frame.apply(radius * std::cos(a), radius * std::sin(a), length);
  }
  const Point3 tip = frame.apply(0.0f, 0.0f, length + radius * 1.6f);
  const Point3 foot = frame.apply(0.0f, 0.0f, -radius * 1.8f);
  const int firstFace = mesh.faceCount();
  for (int k = 0; k < 6; ++k) {
    const int n = (k + 1) % 6;
    const int a = mesh.addVertex(low[k], 0, 0), b = mesh.addVertex(low[n], 1, 0);
    const int c = mesh.addVertex(high[n], 1, 1), d = mesh.addVertex(high[k], 0, 1);
    mesh.addQuad(a, b, c, d, material);
    mesh.addFace(mesh.addVertex(high[k], 0, 0), mesh.addVertex(high[n], 1, 0),
                 mesh.addVertex(tip, 0.5f, 1), material);
    mesh.addFace(mesh.addVertex(low[n], 0, 0), mesh.addVertex(low[k], 1, 0),
                 mesh.addVertex(foot, 0.5f, 1), material);
  }
  orientFaces(mesh, firstFace, frame.origin, true);
}

void addCluster(ContentMesh& mesh, ContentRandom& random, const Point3& base, const Point3& up,
                float scale) {
  const int count = 5 + random.below(3);
  for (int k = 0; k < count; ++k) {
    const Point3 lean{up[0] + random.range(-0.55f, 0.55f), up[1] + random.range(-0.55f, 0.55f),
                      up[2] + random.range(-0.55f, 0.55f)};
    const Point3 at{base[0] + random.range(-6.0f, 6.0f) * scale / 10.0f,
                    base[1] + random.range(-6.0f, 6.0f) * scale / 10.0f, base[2]};
    const int material = CRYSTAL_BLUE + (k % 3);
    // Drawn one statement at a time: the order of arguments is unspecified.
    const float radius = scale * random.range(0.25f, 0.4f);
    const float length = scale * random.range(1.4f, 3.2f);
    addCrystal(mesh, frameAlong(at, lean), radius, length, material);
  }
}

ContentMesh makeCrystals(const IslandShape& island, ContentRandom& random) {
  ContentMesh mesh("Crystals");
  for (const auto [x, y] : {std::array{-60.0f, 95.0f},
                            {-130.0f, 20.0f},
                            {20.0f, 120.0f},
                            {120.0f, -120.0f},
                            {-20.0f, -150.0f}})
    addCluster(mesh, random, {x, y, island.height(x, y) - 2.0f}, {0.0f, 0.0f, 1.0f}, 14.0f);
  // A great cluster hangs from the underside's lowest point.
  addCluster(mesh, random,
             {0.0f, 0.0f, IslandShape::RIM_HEIGHT - island.undersideDepth(0, 0) + 8.0f},
             {0.0f, 0.0f, -1.0f}, 22.0f);
  return mesh;
}

ContentMesh makeMarbles(const IslandShape& island, ContentRandom& random) {
  ContentMesh mesh("Marbles");
  for (const auto [x, y, r] :
       {std::array{30.0f, 30.0f, 16.0f}, {-30.0f, -60.0f, 10.0f}, {160.0f, 40.0f, 12.0f}}) {
    const float radius = r;
    const Point3 centre{x, y, island.height(x, y) + radius * 0.8f};
    addIcosphere(
        mesh, frameAlong(centre, {random.range(-1.0f, 1.0f), 0.3f, 1.0f}), radius > 15.0f ? 3 : 2,
        [radius](const Point3&) { return radius; },
        [](const Point3& d) { return sideMapping(d, 0.5f); }, MARBLE);
  }
  return mesh;
}

ContentMesh makeRing(const IslandShape& island) {
  ContentMesh mesh("Ring");
  const float x = -95.0f, y = 70.0f;
  addTorus(mesh, frameAlong({x, y, island.height(x, y) + 55.0f}, {0.5f, -0.3f, 0.8f}), 32.0f, 5.0f,
           40, 14, GOLD);
  return mesh;
}

}  // namespace

std::vector<ContentMesh> makeProps(const IslandShape& island) {
  ContentRandom random(0xC0FFEE);
  const GradientNoise noise(0xB0A7);
  std::vector<ContentMesh> props;
  props.push_back(makeRocks(island, noise, random));
  props.push_back(makeDriftingRocks(noise, random));

  ContentMesh trunks("Trunks"), crowns("Crowns"), ferns("Ferns");
  for (int k = 0; k < 12; ++k)
    addConifer(trunks, crowns, random, drySpot(island, random, 60.0f, 195.0f));
  for (int k = 0; k < 6; ++k)
    addBroadleaf(trunks, crowns, noise, random, drySpot(island, random, 20.0f, 180.0f));
  for (int k = 0; k < 14; ++k) {
    // Ferns gather at the lake shore.
    const float angle = TWO_PI * static_cast<float>(k) / 14.0f;
    const float r = IslandShape::LAKE_RADIUS * random.range(0.85f, 1.2f);
    const float x = IslandShape::LAKE_X + r * std::cos(angle);
    const float y = IslandShape::LAKE_Y + r * std::sin(angle);
    if (std::hypot(x, y) < IslandShape::RADIUS * 0.85f && !island.underWater(x, y))
      addFern(ferns, random, {x, y, island.height(x, y) - 0.5f});
  }
  props.push_back(std::move(trunks));
  props.push_back(std::move(crowns));
  props.push_back(std::move(ferns));
  props.push_back(makeCrystals(island, random));
  props.push_back(makeMarbles(island, random));
  props.push_back(makeRing(island));
  return props;
}
