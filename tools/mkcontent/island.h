#pragma once
// The floating island the wild scene stands on: a hilly top with a lake
// basin and a mountain, and a rocky underside hanging below it. z is up;
// the island is centred on the origin.

#include "tools/mkcontent/content_mesh.h"
#include "tools/mkcontent/noise.h"

class IslandShape {
 public:
  static constexpr float RADIUS = 230.0f;
  static constexpr float RIM_HEIGHT = 12.0f;
  static constexpr float WATER_LEVEL = 20.0f;
  static constexpr float LAKE_X = 75.0f, LAKE_Y = -55.0f, LAKE_RADIUS = 72.0f;

  IslandShape();

  // Height of the top surface at (x, y), inside the island's circle.
  float height(float x, float y) const;
  // Depth of the underside's lowest point below the rim.
  float undersideDepth(float x, float y) const;
  // True where the ground lies under the lake's water.
  bool underWater(float x, float y) const { return height(x, y) < WATER_LEVEL + 2.0f; }

  ContentMesh makeTop() const;
  ContentMesh makeUnderside() const;
  ContentMesh makeLake() const;

 private:
  GradientNoise noise_;
};
