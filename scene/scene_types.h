#pragma once
// The records of a loaded scene. Plain records with a fixed field order:
// arrays are owned by the Scene and addressed by integer indices.

#include <cstdint>

#include "render/glide.h"

inline constexpr std::uint32_t MATERIAL_HAS_DIFFUSE = 0x01;
inline constexpr std::uint32_t MATERIAL_HAS_TEXTURE = 0x02;
inline constexpr std::uint32_t MATERIAL_TRANSPARENT = 0x10;

inline constexpr std::uint32_t CLIP_NEAR = 0x01;
inline constexpr std::uint32_t CLIP_LEFT = 0x02;
inline constexpr std::uint32_t CLIP_RIGHT = 0x04;
inline constexpr std::uint32_t CLIP_BOTTOM = 0x08;
inline constexpr std::uint32_t CLIP_TOP = 0x10;

struct Vector3 {
  float x, y, z;
};

// A texture coordinate: the file's (u, v) times 256.
struct SceneMapping {
  float s, t;
};

struct SceneFace {
  std::int32_t normal[3];   // per-corner smoothed normal indices into Scene::normals
  std::int32_t faceNormal;  // the face's own flat normal, for back-face culling
  std::int32_t vertex[3];   // scene-wide vertex indices, in file order
  std::int32_t mapping[3];  // indices into Scene::mappings
  std::int32_t material;    // index into Scene::materials
};

struct Material {
  std::uint32_t flags;  // MATERIAL_* bits
  char* name;           // owned
  float diffuse[3];     // r, g, b on 0..255
  float ambient[3];     // r, g, b on 0..255
  std::int32_t twoSided;
  float transparency;   // 0 opaque; otherwise percent / 100 * 255
  GrMipMapId_t texture; // set when the texture is loaded
  char* textureFile;    // owned, or null: the map name ending in "3df"
};

struct SceneVertex {
  float x, y, z;              // model space
  float viewX, viewY, viewZ;  // camera space, rewritten every frame
  GrVertex grVertex;          // handed to grDrawTriangle in place
  float s, t;                 // texture coordinate of this corner for the face being drawn
  float nearDist;
  float leftDist, rightDist, bottomDist, topDist;
  std::uint32_t clipFlags;  // CLIP_* bits of the planes the vertex lies outside
  std::uint32_t projected;  // bit 0: grVertex screen values are current for this frame
};

struct KeyPair {
  std::int32_t index;
  float key;
};

struct Scene;

struct FaceNode {
  SceneFace* face;
  Scene* scene;
  FaceNode* prev;
  FaceNode* next;
  FaceNode* framePrev;
  FaceNode* frameNext;
};

struct Scene {
  std::int32_t faceCount;
  std::int32_t materialCount;
  std::int32_t vertexCount;
  std::int32_t normalCount;
  std::int32_t opaqueFaceCount;
  SceneFace* faces;
  Material* materials;
  SceneVertex* vertices;
  Vector3* normals;
  SceneMapping* mappings;
  Vector3* viewNormals;
  FaceNode* opaqueNodes;
  FaceNode* transparentNodes;
  FaceNode* lastOpaqueNode;
  FaceNode* lastTransparentNode;
};
