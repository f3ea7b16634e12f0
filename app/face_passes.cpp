#include "app/face_passes.h"

#include <cmath>
#include <cstdint>

#include "render/clipper.h"
#include "render/glide.h"
#include "scene/frame_lists.h"
#include "scene/scene_types.h"

namespace {

enum class FaceCase { notDrawn, textured, coloured, transparentTextured, transparentColoured };

// The eye sits at this depth in camera space, looking toward -z.
constexpr float EYE_Z = 350.0f;

FaceCase opaqueCase(const Material& material) {
  if (material.flags & MATERIAL_HAS_TEXTURE) return FaceCase::textured;
  if (material.flags & MATERIAL_HAS_DIFFUSE) return FaceCase::coloured;
  return FaceCase::notDrawn;
}

FaceCase transparentCase(const Material& material) {
  if (!(material.flags & MATERIAL_TRANSPARENT)) return FaceCase::notDrawn;
  if (material.flags & MATERIAL_HAS_TEXTURE) return FaceCase::transparentTextured;
  if (material.flags & MATERIAL_HAS_DIFFUSE) return FaceCase::transparentColoured;
  return FaceCase::notDrawn;
}

bool outsideOnePlane(const SceneVertex* const corners[3]) {
  return (corners[0]->clipFlags & corners[1]->clipFlags & corners[2]->clipFlags) != 0;
}

bool facesAway(const Scene& scene, const SceneFace& face) {
  const Vector3& n = scene.viewNormals[face.faceNormal];
  const SceneVertex& v = scene.vertices[face.vertex[1]];
  const float d = n.x * v.viewX + n.y * v.viewY + n.z * (v.viewZ - EYE_Z);
  return !(d < 0.0f);
}

void lightCorners(const Scene& scene, const SceneFace& face, const Material& material,
                  FaceCase kind, SceneVertex* const corners[3]) {
  for (int k = 0; k < 3; ++k) {
    GrVertex& out = corners[k]->grVertex;
    const float facing = std::fabs(scene.viewNormals[face.normal[k]].z);
    switch (kind) {
      case FaceCase::coloured:
        out.r = material.diffuse[0] * (facing / 256.0f);
        out.g = material.diffuse[1] * (facing / 256.0f);
        out.b = material.diffuse[2] * (facing / 256.0f);
        break;
      case FaceCase::transparentColoured:
        out.r = material.diffuse[0];
        out.g = material.diffuse[1];
        out.b = material.diffuse[2];
        break;
      default: {
        out.r = out.g = out.b = facing;
        const SceneMapping& mapping = scene.mappings[face.mapping[k]];
        corners[k]->s = mapping.s;
        corners[k]->t = mapping.t;
        break;
      }
    }
  }
}

void setTextureState(const Material& material) {
  grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_LOCAL,
                 GR_COMBINE_LOCAL_ITERATED, GR_COMBINE_OTHER_TEXTURE, FXFALSE);
  grTexCombine(GR_TMU0, GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ONE, GR_COMBINE_FUNCTION_LOCAL,
               GR_COMBINE_FACTOR_ONE, FXFALSE, FXFALSE);
  guTexSource(material.texture);
}

void setIteratedColourState() {
  grColorCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_LOCAL_ITERATED,
                 GR_COMBINE_OTHER_CONSTANT, FXFALSE);
}

// The blend's alpha: the transparency truncated to an integer, held to
// 0..255 so that a damaged file's value above 100 percent covers fully
// instead of carrying into the colour byte above the alpha.
GrColor_t blendAlpha(const Material& material) {
  const float a = material.transparency;
  return a >= 255.0f ? 255 : a > 0.0f ? static_cast<GrColor_t>(a) : 0;
}

void setBlendedAlphaState(const Material& material) {
  // Under the RGBA colour format the integer lands in the constant's alpha.
  grConstantColorValue(blendAlpha(material));
  grAlphaCombine(GR_COMBINE_FUNCTION_LOCAL, GR_COMBINE_FACTOR_ZERO, GR_COMBINE_LOCAL_CONSTANT,
                 GR_COMBINE_OTHER_CONSTANT, FXFALSE);
  grAlphaBlendFunction(GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ONE,
                       GR_BLEND_ZERO);
}

void setMaterialState(const Material& material, FaceCase kind) {
  switch (kind) {
    case FaceCase::textured:
      grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO);
      setTextureState(material);
      break;
    case FaceCase::coloured:
      grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO);
      setIteratedColourState();
      break;
    case FaceCase::transparentTextured:
      setBlendedAlphaState(material);
      setTextureState(material);
      break;
    case FaceCase::transparentColoured:
      setBlendedAlphaState(material);
      setIteratedColourState();
      break;
    case FaceCase::notDrawn:
      break;
  }
}

// A face is often done with (off screen, facing away) long before its
// scattered corners arrive from memory, so they are asked for this many
// faces ahead.
constexpr int PREFETCH_DISTANCE = 16;

// Asks for a face's corners and normals ahead of their use: those of
// consecutive faces lie far apart in their arrays. Always inlined: a call
// holding nothing but prefetches looks free of effects to the compiler,
// which drops it.
[[gnu::always_inline]] inline void prefetchCorners(const FaceNode& node) {
  const SceneFace& face = *node.face;
  const Scene& scene = *node.scene;
  __builtin_prefetch(&scene.viewNormals[face.faceNormal]);
  for (int k = 0; k < 3; ++k) {
    // A vertex spans two or three cache lines: its clip flags lie at its end.
    const SceneVertex& corner = scene.vertices[face.vertex[k]];
    __builtin_prefetch(&corner);
    __builtin_prefetch(&corner.clipFlags);
    __builtin_prefetch(&scene.viewNormals[face.normal[k]]);
  }
}

// The prefetch cursor follows the chain, so it would wait for each node it
// reaches and for that node's face. Along the opaque list nodes and faces
// lie in face order in their scene's arrays, so those a few faces past the
// cursor are asked for by address. Where the guess is wrong (the sorted
// transparent list, past an array's end) a prefetch is wasted, never a fault.
constexpr std::uintptr_t RECORDS_PAST_CURSOR = 8;

[[gnu::always_inline]] inline void prefetchRecordsPast(const FaceNode& node) {
  const auto nodeAt = reinterpret_cast<std::uintptr_t>(&node);
  const auto faceAt = reinterpret_cast<std::uintptr_t>(node.face);
  __builtin_prefetch(
      reinterpret_cast<const void*>(nodeAt + RECORDS_PAST_CURSOR * sizeof(FaceNode)));
  __builtin_prefetch(
      reinterpret_cast<const void*>(faceAt + RECORDS_PAST_CURSOR * sizeof(SceneFace)));
}

template <typename ChooseCase>
void drawList(FaceNode* first, int depthParity, FrameStatistics& statistics,
              ChooseCase chooseCase) {
  const Material* lastMaterial = nullptr;
  FaceNode* ahead = first;
  for (int k = 0; k < PREFETCH_DISTANCE && ahead != nullptr; ++k) ahead = ahead->frameNext;
  for (FaceNode* node = first; node != nullptr; node = node->frameNext) {
    if (ahead != nullptr) {
      prefetchCorners(*ahead);
      prefetchRecordsPast(*ahead);
      ahead = ahead->frameNext;
    }
    countFace(statistics);
    const Scene& scene = *node->scene;
    const SceneFace& face = *node->face;
    SceneVertex* const corners[3] = {&scene.vertices[face.vertex[0]],
                                     &scene.vertices[face.vertex[1]],
                                     &scene.vertices[face.vertex[2]]};
    if (outsideOnePlane(corners)) continue;
    const Material& material = scene.materials[face.material];
    if (material.twoSided != 1 && facesAway(scene, face)) continue;
    const FaceCase kind = chooseCase(material);
    if (kind == FaceCase::notDrawn) continue;
    lightCorners(scene, face, material, kind, corners);
    if (&material != lastMaterial) {
      setMaterialState(material, kind);
      lastMaterial = &material;
    }
    drawClippedTriangle(corners[0], corners[1], corners[2], depthParity);
  }
}

}  // namespace

// The passes hand their case choosers over as lambdas, whose distinct types
// let each pass's loop inline its own rather than call through a pointer.
void opaquePass(int depthParity, FrameStatistics& statistics) {
  drawList(frameOpaqueFirst, depthParity, statistics,
           [](const Material& material) { return opaqueCase(material); });
}

void transparentPass(int depthParity, FrameStatistics& statistics) {
  if (frameTransparentLast == nullptr) return;
  drawList(frameTransparentFirst, depthParity, statistics,
           [](const Material& material) { return transparentCase(material); });
}
