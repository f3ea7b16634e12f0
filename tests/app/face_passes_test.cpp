// The face passes over faces stated directly in camera space. The binary is linked with --wrap for
// the blend, the constant colour and the clipper's entry: while a test records, those calls are
// recorded instead of passed on. The program's reference frames catch faults in the other state
// calls, but neither an opaque pass that keeps the last blend nor a damaged transparency.
#include "app/face_passes.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "render/glide.h"
#include "scene/frame_lists.h"

namespace {

using Call = std::pair<std::string, std::vector<long>>;
using Triangle = std::pair<const SceneVertex*, int>;  // first corner, depth parity

bool recording = false;
std::vector<Call> calls;
std::vector<Triangle> triangles;

template <auto real, typename... Values>
void recordOrPass(const char* name, Values... values) {
  if (!recording) return real(values...);
  calls.push_back({name, {static_cast<long>(values)...}});
}

}  // namespace

// The wrapped functions by the linker's (mangled) names.
extern "C" {
void __real__Z20grAlphaBlendFunctioniiii(int, int, int, int);
void __real__Z20grConstantColorValuej(GrColor_t);
void __real__Z19drawClippedTriangleP11SceneVertexS0_S0_i(SceneVertex*, SceneVertex*, SceneVertex*,
                                                         int);

void __wrap__Z20grAlphaBlendFunctioniiii(int a, int b, int c, int d) {
  recordOrPass<__real__Z20grAlphaBlendFunctioniiii>("grAlphaBlendFunction", a, b, c, d);
}
void __wrap__Z20grConstantColorValuej(GrColor_t value) {
  recordOrPass<__real__Z20grConstantColorValuej>("grConstantColorValue", value);
}
void __wrap__Z19drawClippedTriangleP11SceneVertexS0_S0_i(SceneVertex* a, SceneVertex* b,
                                                         SceneVertex* c, int depthParity) {
  if (!recording) return __real__Z19drawClippedTriangleP11SceneVertexS0_S0_i(a, b, c, depthParity);
  triangles.push_back({a, depthParity});
}
}

namespace {

constexpr std::uint32_t TEXTURE_ID = 7, COLOURED = MATERIAL_HAS_DIFFUSE,
                        TEXTURED = MATERIAL_HAS_TEXTURE;
constexpr Vector3 ALONG{0, 0, 255}, AWAY{0, 0, -255};

Material material(std::uint32_t flags, float r, float g, float b, std::int32_t twoSided = 0) {
  return {flags, nullptr, {r, g, b}, {}, twoSided, 0, TEXTURE_ID, nullptr};
}

struct Face {
  int material;
  Vector3 faceNormal = ALONG;
  std::array<Vector3, 3> cornerNormals{ALONG, ALONG, ALONG};
  std::array<std::uint32_t, 3> clipFlags{};
};

// Each face has its own three vertices, mappings and four normals, linked in order as a frame list.
struct FaceList {
  std::vector<SceneVertex> vertices;
  std::vector<Vector3> normals;
  std::vector<SceneMapping> mappings;
  std::vector<SceneFace> faces;
  Scene scene{};
  std::vector<FaceNode> nodes;

  FaceList(const std::vector<Face>& wanted, std::vector<Material>& materials) {
    for (const Face& w : wanted) {
      SceneFace& face = faces.emplace_back();
      for (int k = 0; k < 3; ++k) {
        const auto at = static_cast<std::int32_t>(vertices.size());
        face.vertex[k] = face.mapping[k] = at;
        face.normal[k] = static_cast<std::int32_t>(normals.size());
        normals.push_back(w.cornerNormals[k]);
        mappings.push_back({16.0f * at, 256.0f - at});
        // The cull test looks at the second corner, (0, 5, 0).
        SceneVertex& vertex = vertices.emplace_back();
        vertex.viewX = k == 1 ? 0.0f : 10.0f * k;
        vertex.viewY = 5.0f * k;
        vertex.clipFlags = w.clipFlags[k];
      }
      face.faceNormal = static_cast<std::int32_t>(normals.size());
      normals.push_back(w.faceNormal);
      face.material = w.material;
    }
    scene.faces = faces.data();
    scene.vertices = vertices.data();
    scene.viewNormals = normals.data();
    scene.mappings = mappings.data();
    scene.materials = materials.data();
    nodes.resize(faces.size());
    for (std::size_t i = 0; i < faces.size(); ++i) {
      nodes[i] = {&faces[i], &scene,  nullptr,
                  nullptr,   nullptr, i + 1 < faces.size() ? &nodes[i + 1] : nullptr};
    }
  }
};

// Runs `pass` over the list as the frame's list first..last, recording the
// calls and triangles instead of drawing.
void recordPass(void (*pass)(int, FrameStatistics&), FaceList& list, FaceNode*& first,
                FaceNode*& last, int depthParity, FrameStatistics& statistics) {
  first = &list.nodes.front();
  last = &list.nodes.back();
  calls.clear();
  triangles.clear();
  recording = true;
  pass(depthParity, statistics);
  recording = false;
  first = last = nullptr;
}

TEST(FacePasses, OpaquePassRejectsCullsLightsCountsAndSetsStateOnMaterialChanges) {
  std::vector<Material> materials = {material(COLOURED, 200, 100, 40),
                                     material(COLOURED, 10, 20, 30, 1), material(0, 50, 50, 50, 1),
                                     material(TEXTURED | COLOURED, 90, 90, 90)};
  const std::vector<Face> wanted{
      {0, ALONG, {ALONG, Vector3{255, 0, 0}, AWAY}},     // 0: lit along, across, against the axis
      {0, AWAY},                                         // 1: facing away, one-sided: culled
      {0, ALONG, {}, {CLIP_LEFT, CLIP_TOP, CLIP_NEAR}},  // 2: outside different planes only
      {0, ALONG, {}, {CLIP_LEFT, CLIP_LEFT | CLIP_TOP, CLIP_LEFT | CLIP_NEAR}},  // 3: rejected
      {1, AWAY},         // 4: facing away, two-sided: drawn
      {2},               // 5: neither texture nor colour: never drawn
      {1},               // 6
      {0, {255, 0, 0}},  // 7: edge-on (d exactly 0): culled
      {3, ALONG, {Vector3{0, 0, 128}, Vector3{0, 0, -64}, Vector3{0, 255, 0}}},  // 8: textured
      {0}};
  FaceList list(wanted, materials);
  std::vector<SceneVertex>& vertices = list.vertices;
  FrameStatistics statistics{};
  recordPass(opaquePass, list, frameOpaqueFirst, frameOpaqueLast, 1, statistics);

  std::vector<Triangle> drawn;
  for (int v : {0, 6, 12, 18, 24, 27}) drawn.push_back({&vertices[v], 1});
  EXPECT_EQ(triangles, drawn);
  EXPECT_EQ(statistics.totalFaces, 10);
  // The blend set for A, B (drawn twice, an undrawn face between), C, A again.
  EXPECT_EQ(calls, std::vector<Call>(4, {"grAlphaBlendFunction", {4, 0, 4, 0}}));
  const auto colour = [&](int v) {
    return std::tuple(vertices[v].grVertex.r, vertices[v].grVertex.g, vertices[v].grVertex.b);
  };
  EXPECT_EQ(colour(0), std::tuple(200.0f * 255 / 256, 100.0f * 255 / 256, 40.0f * 255 / 256));
  EXPECT_EQ(colour(1), std::tuple(0.0f, 0.0f, 0.0f));
  EXPECT_EQ(colour(2), colour(0));  // pointing away lights the same
  // The textured face is lit by |z| alone.
  EXPECT_EQ(colour(24), std::tuple(128.0f, 128.0f, 128.0f));
  EXPECT_EQ(colour(25), std::tuple(64.0f, 64.0f, 64.0f));
  EXPECT_EQ(colour(26), colour(1));
}

// A transparency past 100 percent (a damaged file) blends as fully covering,
// not with the low byte of a larger integer. A list of one face is drawn, in
// the material's unlit diffuse colour, though its normals lie across the view.
TEST(FacePasses, TransparentPassDrawsOneFaceUnlitBlendingByTheTransparencyHeldToAByte) {
  const Vector3 across{255, 0, 0};
  std::vector<Material> materials{material(COLOURED | MATERIAL_TRANSPARENT, 10, 20, 30)};
  FaceList list({{0, ALONG, {across, across, across}}}, materials);
  for (const auto& [transparency, alpha] :
       {std::pair(127.9f, 127L), {255.0f, 255L}, {257.0f, 255L}, {1.0e9f, 255L}}) {
    materials[0].transparency = transparency;
    FrameStatistics statistics{};
    recordPass(transparentPass, list, frameTransparentFirst, frameTransparentLast, 1, statistics);
    EXPECT_EQ(triangles, (std::vector<Triangle>{{&list.vertices[0], 1}})) << transparency;
    EXPECT_EQ(calls.at(0), (Call{"grConstantColorValue", {alpha}})) << transparency;
    const GrVertex& corner = list.vertices[2].grVertex;
    EXPECT_EQ(std::tuple(corner.r, corner.g, corner.b), std::tuple(10.0f, 20.0f, 30.0f));
    EXPECT_EQ(statistics.totalFaces, 1);
  }
}

}  // namespace
