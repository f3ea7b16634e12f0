#include "tools/mkcontent/scenes.h"

#include <cmath>
#include <numbers>

#include "tools/mkcontent/island.h"
#include "tools/mkcontent/props.h"
#include "tools/mkcontent/shapes.h"
#include "tools/mkcontent/wild_materials.h"

namespace {

constexpr int SKY_COLUMNS = 64, SKY_ROWS = 32;

// Half a texel of the 256-texel sky, so the zenith and nadir rows are
// sampled at their centres and never blend with each other across the wrap.
constexpr float SKY_ROW_INSET = 0.5f / 256.0f;

}  // namespace

WriterScene makeWildScene() {
  WriterScene scene;
  scene.materials = wildMaterials();
  const IslandShape island;
  std::vector<ContentMesh> meshes;
  meshes.push_back(island.makeTop());
  meshes.push_back(island.makeUnderside());
  meshes.push_back(island.makeLake());
  for (ContentMesh& prop : makeProps(island)) meshes.push_back(std::move(prop));
  for (const ContentMesh& mesh : meshes)
    scene.objects.push_back(toWriterObject(mesh, scene.materials));
  // Animated water carries a morph track; its one key names the lake itself,
  // so the lake stays as it is modelled.
  for (WriterObject& object : scene.objects)
    if (object.name == "Lake") object.morphTargets = {object.name};
  scene.light = scene.camera = scene.keyframer = true;
  return scene;
}

WriterScene makeSkyScene() {
  WriterScene scene;
  scene.materials = {{"Sky", {150, 190, 235}, {150, 190, 235}, 0, false, "SKY.TGA"}};
  ContentMesh sky("Sky");
  std::vector<ProfilePoint> profile;
  for (int row = 0; row <= SKY_ROWS; ++row) {
    const float polar = std::numbers::pi_v<float> * static_cast<float>(row) / SKY_ROWS;
    const float radius = (row == 0 || row == SKY_ROWS) ? 0.0f : SKY_RADIUS * std::sin(polar);
    const float v =
        SKY_ROW_INSET + (1.0f - 2.0f * SKY_ROW_INSET) * static_cast<float>(row) / SKY_ROWS;
    profile.push_back({radius, SKY_RADIUS * std::cos(polar), v});
  }
  addRevolved(sky, frameAlong({0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}), profile, SKY_COLUMNS, 0,
              1.0f);
  // The eye is inside: the faces look inward.
  orientFaces(sky, 0, {0.0f, 0.0f, 0.0f}, false);
  scene.objects.push_back(toWriterObject(sky, scene.materials));
  scene.light = scene.camera = scene.keyframer = true;
  return scene;
}
