#include "app/face_passes.h"

#include <gtest/gtest.h>

#include <vector>

#include "scene/frame_lists.h"
#include "tests/app/interface_recorder.h"

namespace {

constexpr std::uint32_t TEXTURED_ID = 7;

Material material(std::uint32_t flags, float r, float g, float b, std::int32_t twoSided = 0,
                  float transparency = 0) {
  Material m{};
  m.flags = flags;
  m.diffuse[0] = r;
  m.diffuse[1] = g;
  m.diffuse[2] = b;
  m.twoSided = twoSided;
  m.transparency = transparency;
  m.texture = TEXTURED_ID;
  return m;
}

// A scene built by hand in camera space: each face gets its own three
// vertices, corner normals and face normal, so a test states each face's
// position, facing and clip flags directly.
struct HandScene {
  std::vector<SceneVertex> vertices;
  std::vector<Vector3> viewNormals;
  std::vector<SceneMapping> mappings;
  std::vector<SceneFace> faces;
  std::vector<Material> materials;
  std::vector<FaceNode> nodes;
  Scene scene{};

  struct FaceSpec {
    int material;
    Vector3 faceNormal{0, 0, 255};
    Vector3 cornerNormals[3] = {{0, 0, 255}, {0, 0, 255}, {0, 0, 255}};
    std::uint32_t clipFlags[3] = {0, 0, 0};
    float viewZ = 0;
  };

  void addFace(const FaceSpec& wanted) {
    SceneFace face{};
    for (int k = 0; k < 3; ++k) {
      SceneVertex vertex{};
      vertex.viewX = k == 1 ? 0.0f : 10.0f * k;
      vertex.viewY = 5.0f * k;
      vertex.viewZ = wanted.viewZ;
      vertex.clipFlags = wanted.clipFlags[k];
      face.vertex[k] = static_cast<std::int32_t>(vertices.size());
      vertices.push_back(vertex);
      face.normal[k] = static_cast<std::int32_t>(viewNormals.size());
      viewNormals.push_back(wanted.cornerNormals[k]);
      face.mapping[k] = static_cast<std::int32_t>(mappings.size());
      mappings.push_back({16.0f * face.vertex[k], 256.0f - face.vertex[k]});
    }
    face.faceNormal = static_cast<std::int32_t>(viewNormals.size());
    viewNormals.push_back(wanted.faceNormal);
    face.material = wanted.material;
    faces.push_back(face);
  }

  // Links all faces, in order, as the frame's opaque or transparent list.
  void linkAs(bool transparent) {
    scene.faceCount = static_cast<std::int32_t>(faces.size());
    scene.faces = faces.data();
    scene.vertices = vertices.data();
    scene.viewNormals = viewNormals.data();
    scene.mappings = mappings.data();
    scene.materials = materials.data();
    nodes.assign(faces.size(), FaceNode{});
    for (std::size_t i = 0; i < faces.size(); ++i) {
      nodes[i].face = &faces[i];
      nodes[i].scene = &scene;
      nodes[i].frameNext = i + 1 < faces.size() ? &nodes[i + 1] : nullptr;
    }
    FaceNode* first = nodes.empty() ? nullptr : &nodes.front();
    FaceNode* last = nodes.empty() ? nullptr : &nodes.back();
    frameOpaqueFirst = transparent ? nullptr : first;
    frameOpaqueLast = transparent ? nullptr : last;
    frameTransparentFirst = transparent ? first : nullptr;
    frameTransparentLast = transparent ? last : nullptr;
  }

  int faceOf(const RecordedTriangle& triangle) const {
    return static_cast<int>((triangle.corners[0] - vertices.data()) / 3);
  }
};

const RecordedCall opaqueBlend{"grAlphaBlendFunction", {4, 0, 4, 0}};
const RecordedCall iteratedColour{"grColorCombine", {1, 0, 0, 2, 0}};
const RecordedCall texturedColour{"grColorCombine", {3, 1, 0, 1, 0}};
const RecordedCall passTexel{"grTexCombine", {0, 1, 8, 1, 8, 0, 0}};
const RecordedCall textureSource{"guTexSource", {TEXTURED_ID}};
const RecordedCall constantAlpha{"grAlphaCombine", {1, 0, 1, 2, 0}};
const RecordedCall blended{"grAlphaBlendFunction", {1, 5, 4, 0}};

class FacePasses : public ::testing::Test {
 protected:
  void TearDown() override {
    frameOpaqueFirst = frameOpaqueLast = frameTransparentFirst = frameTransparentLast = nullptr;
  }
  HandScene hand;
  FrameStatistics statistics{};
};

TEST_F(FacePasses, OpaquePassRejectsCullsLightsAndCountsEveryNode) {
  hand.materials = {material(MATERIAL_HAS_DIFFUSE, 200, 100, 40),
                    material(MATERIAL_HAS_DIFFUSE, 10, 20, 30, 1), material(0, 50, 50, 50, 1),
                    material(MATERIAL_HAS_TEXTURE | MATERIAL_HAS_DIFFUSE, 90, 90, 90)};
  // 0: facing the eye, lit from normals along, across and against the axis.
  hand.addFace({0, {0, 0, 255}, {{0, 0, 255}, {255, 0, 0}, {0, 0, -255}}});
  // 1: facing away, one-sided: culled.
  hand.addFace({0, {0, 0, -255}});
  // 2: facing away, two-sided: drawn.
  hand.addFace({1, {0, 0, -255}});
  // 3: facing the eye but all corners beyond the left plane: rejected.
  hand.addFace({0, {0, 0, 255}, {}, {CLIP_LEFT, CLIP_LEFT | CLIP_TOP, CLIP_LEFT | CLIP_NEAR}});
  // 4: corners outside different planes only: not rejected.
  hand.addFace({0, {0, 0, 255}, {}, {CLIP_LEFT, CLIP_TOP, CLIP_NEAR}});
  // 5: edge-on (d exactly 0, the second corner lies at viewX 0): culled.
  hand.addFace({0, {255, 0, 0}});
  // 6: neither texture nor colour: never drawn.
  hand.addFace({2});
  // 7: texture and colour: drawn textured, lit by |z| alone.
  hand.addFace({3, {0, 0, 255}, {{0, 0, 128}, {0, 0, -64}, {0, 255, 0}}});
  hand.linkAs(false);

  InterfaceRecorder recorder;
  opaquePass(1, statistics);

  std::vector<int> drawn;
  for (const RecordedTriangle& triangle : recorder.triangles) {
    drawn.push_back(hand.faceOf(triangle));
    EXPECT_EQ(triangle.depthParity, 1);
  }
  EXPECT_EQ(drawn, (std::vector<int>{0, 2, 4, 7}));
  EXPECT_EQ(statistics.totalFaces, 8);
  EXPECT_EQ(statistics.facesInWindow, 8);

  const GrVertex& along = hand.vertices[0].grVertex;
  EXPECT_FLOAT_EQ(along.r, 200.0f * 255 / 256);
  EXPECT_FLOAT_EQ(along.g, 100.0f * 255 / 256);
  EXPECT_FLOAT_EQ(along.b, 40.0f * 255 / 256);
  EXPECT_EQ(hand.vertices[1].grVertex.r, 0.0f);
  EXPECT_EQ(hand.vertices[2].grVertex.g, along.g);  // pointing away lights the same

  const SceneVertex* textured = &hand.vertices[21];
  EXPECT_EQ(textured[0].grVertex.r, 128.0f);
  EXPECT_EQ(textured[1].grVertex.g, 64.0f);
  EXPECT_EQ(textured[2].grVertex.b, 0.0f);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(textured[k].s, hand.mappings[21 + k].s);
    EXPECT_EQ(textured[k].t, hand.mappings[21 + k].t);
  }
  // Culled and rejected faces get no colour.
  EXPECT_EQ(hand.vertices[3].grVertex.r, 0.0f);
  EXPECT_EQ(hand.vertices[9].grVertex.r, 0.0f);
}

TEST_F(FacePasses, StateIsSetOnlyWhenTheMaterialChanges) {
  hand.materials = {material(MATERIAL_HAS_DIFFUSE, 1, 2, 3),
                    material(MATERIAL_HAS_TEXTURE, 0, 0, 0), material(0, 0, 0, 0)};
  // A, A, B, (undrawn), B, A.
  for (int m : {0, 0, 1, 2, 1, 0}) hand.addFace({m});
  hand.linkAs(false);

  InterfaceRecorder recorder;
  opaquePass(0, statistics);
  const std::vector<RecordedCall> coloured{opaqueBlend, iteratedColour};
  const std::vector<RecordedCall> textured{opaqueBlend, texturedColour, passTexel, textureSource};
  std::vector<RecordedCall> expected;
  for (const auto* set : {&coloured, &textured, &coloured}) {
    expected.insert(expected.end(), set->begin(), set->end());
  }
  EXPECT_EQ(recorder.calls, expected);
  EXPECT_EQ(recorder.triangles.size(), 5u);

  // Each pass starts without a material in force.
  recorder.calls.clear();
  opaquePass(0, statistics);
  EXPECT_EQ(recorder.calls.size(), expected.size());
}

TEST_F(FacePasses, TransparentPassBlendsByTransparencyWithUnlitColours) {
  hand.materials = {material(MATERIAL_TRANSPARENT | MATERIAL_HAS_DIFFUSE, 40, 120, 255, 0, 127.5f),
                    material(MATERIAL_TRANSPARENT | MATERIAL_HAS_TEXTURE, 0, 0, 0, 0, 2.55f),
                    material(MATERIAL_HAS_DIFFUSE, 9, 9, 9)};
  hand.addFace({0, {0, 0, 255}, {{0, 0, 0}, {0, 0, 100}, {0, 0, 255}}});
  hand.addFace({1, {0, 0, 255}, {{0, 0, 0}, {0, 0, 100}, {0, 0, 255}}});
  hand.addFace({2});  // opaque material: nothing to draw in this pass
  hand.linkAs(true);

  InterfaceRecorder recorder;
  transparentPass(0, statistics);

  const std::vector<RecordedCall> expected{{"grConstantColorValue", {127}},
                                           constantAlpha,
                                           blended,
                                           iteratedColour,
                                           {"grConstantColorValue", {2}},
                                           constantAlpha,
                                           blended,
                                           texturedColour,
                                           passTexel,
                                           textureSource};
  EXPECT_EQ(recorder.calls, expected);
  EXPECT_EQ(recorder.triangles.size(), 2u);
  EXPECT_EQ(statistics.totalFaces, 3);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(hand.vertices[k].grVertex.r, 40.0f);
    EXPECT_EQ(hand.vertices[k].grVertex.g, 120.0f);
    EXPECT_EQ(hand.vertices[k].grVertex.b, 255.0f);
  }
  EXPECT_EQ(hand.vertices[4].grVertex.r, 100.0f);

  // An empty transparent list visits nothing.
  frameTransparentLast = nullptr;
  transparentPass(0, statistics);
  EXPECT_EQ(statistics.totalFaces, 3);
}

}  // namespace
