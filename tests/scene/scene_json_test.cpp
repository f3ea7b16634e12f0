#include "tools/scene3ds/scene_json.h"

#include <gtest/gtest.h>

#include "scene/frame_lists.h"
#include "scene/normals.h"
#include "scene/scene_loader.h"
#include "scene/scene_order.h"
#include "tests/scene/scene_fixtures.h"

TEST(SceneJson, ReportsCountsMaterialsBoxAndFaces) {
  Scene* scene =
      makeScene({{-1, 2, 0}, {4, -3, 0}, {0, 1, 7}}, {{0, 1, 2}, {2, 1, 0}}, {64, 0}, {0, 1});
  memFree(scene->materials[0].name);
  scene->materials[0].name = copyText("Gla\"ss\x01\xe9");
  buildNormals(*scene);
  sortMaterialsByTransparency(*scene);
  sortFacesByMaterial(*scene);
  scene->opaqueFaceCount = countOpaqueFaces(*scene);

  const std::string json = sceneJson(*scene, "a.3ds", true);
  EXPECT_NE(json.find("\"faceCount\": 2,"), std::string::npos) << json;
  EXPECT_NE(json.find("\"opaqueFaceCount\": 1,"), std::string::npos);
  EXPECT_NE(json.find("\"mappingCount\": 3,"), std::string::npos);
  EXPECT_NE(json.find("{\"name\": \"m1\", \"flags\": 0"), std::string::npos);
  EXPECT_NE(json.find("\"name\": \"Gla\\\"ss\\u0001\\u00e9\""), std::string::npos);
  EXPECT_NE(json.find("\"textureFile\": null, \"faceCount\": 1}"), std::string::npos);
  EXPECT_NE(json.find("\"boundingBox\": {\"min\": [-1, -3, 0], \"max\": [4, 2, 7]}"),
            std::string::npos);
  EXPECT_NE(json.find("{\"vertex\": [2, 1, 0], \"normal\": ["), std::string::npos);
  EXPECT_EQ(json.find("\"faces\""), json.rfind("\"faces\""));
  EXPECT_EQ(sceneJson(*scene, "a.3ds", false).find("\"faces\""), std::string::npos);
  freeScene(scene);
}
