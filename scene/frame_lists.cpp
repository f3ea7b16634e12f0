#include "scene/frame_lists.h"

#include "scene/key_pair_sort.h"
#include "scene/scene_memory.h"

Scene** frameScenes = nullptr;
std::int32_t frameSceneCount = 0;
FaceNode* frameOpaqueFirst = nullptr;
FaceNode* frameOpaqueLast = nullptr;
FaceNode* frameTransparentFirst = nullptr;
FaceNode* frameTransparentLast = nullptr;
std::int32_t frameTransparentCount = 0;

namespace {

constexpr std::int32_t REGISTRY_START_CAPACITY = 16;
constexpr std::int32_t SORT_START_CAPACITY = 200;

Scene** sceneRegistry = nullptr;
std::int32_t registryCount = 0;
std::int32_t registryCapacity = 0;
std::int32_t frameSceneCapacity = 0;

FaceNode** sortNodes = nullptr;
KeyPair* sortPairs = nullptr;
std::int32_t sortCapacity = 0;

FaceNode* buildNodeChain(Scene& scene, std::int32_t firstFace, std::int32_t count) {
  if (count <= 0) return nullptr;
  auto* nodes = allocArray<FaceNode>(count);
  for (std::int32_t k = 0; k < count; ++k) {
    FaceNode* before = k > 0 ? &nodes[k - 1] : nullptr;
    FaceNode* after = k + 1 < count ? &nodes[k + 1] : nullptr;
    nodes[k] = {&scene.faces[firstFace + k], &scene, before, after, before, after};
  }
  return nodes;
}

bool inFrame(const Scene* scene) {
  for (std::int32_t i = 0; i < frameSceneCount; ++i) {
    if (frameScenes[i] == scene) return true;
  }
  return false;
}

void appendToFrameScenes(Scene* scene) {
  if (frameScenes == nullptr) {
    frameSceneCapacity = registryCount;
    frameScenes = allocArray<Scene*>(frameSceneCapacity);
  }
  // Callers add no more scenes than were registered; one more still fits.
  if (frameSceneCount == frameSceneCapacity) {
    frameSceneCapacity = frameSceneCapacity * 2 + 1;
    frameScenes = reallocArray(frameScenes, frameSceneCapacity);
  }
  frameScenes[frameSceneCount++] = scene;
}

void reserveSortArrays(std::int32_t count) {
  if (sortNodes == nullptr) {
    sortCapacity = SORT_START_CAPACITY;
    sortNodes = allocArray<FaceNode*>(sortCapacity);
    sortPairs = allocArray<KeyPair>(sortCapacity);
  }
  if (count > sortCapacity) {
    sortCapacity += count;
    sortNodes = reallocArray(sortNodes, sortCapacity);
    sortPairs = reallocArray(sortPairs, sortCapacity);
  }
}

// Links a scene's chain first..last behind the list head..tail. The
// transparent list also joins the collection chain (next), which its sort
// walks; the opaque collection chain never changes.
void appendChain(FaceNode* first, FaceNode* last, FaceNode*& head, FaceNode*& tail,
                 bool joinCollection) {
  if (tail == nullptr) {
    head = first;
    first->framePrev = nullptr;
  } else {
    tail->frameNext = first;
    if (joinCollection) tail->next = first;
    first->framePrev = tail;
  }
  last->frameNext = nullptr;
  if (joinCollection) last->next = nullptr;
  tail = last;
}

// Three times the face's mean depth, summed from the last corner to the first.
float depthSum(const FaceNode& node) {
  const SceneVertex* vertices = node.scene->vertices;
  const std::int32_t* corner = node.face->vertex;
  const float lastTwo = vertices[corner[2]].viewZ + vertices[corner[1]].viewZ;
  return lastTwo + vertices[corner[0]].viewZ;
}

}  // namespace

void buildFaceNodes(Scene& scene) {
  const std::int32_t faceCount = scene.faceCount > 0 ? scene.faceCount : 0;
  const std::int32_t opaque = scene.opaqueFaceCount;
  const std::int32_t transparent = faceCount - opaque;
  scene.opaqueNodes = buildNodeChain(scene, 0, opaque);
  scene.lastOpaqueNode = opaque > 0 ? &scene.opaqueNodes[opaque - 1] : nullptr;
  scene.transparentNodes = buildNodeChain(scene, opaque, transparent);
  scene.lastTransparentNode = transparent > 0 ? &scene.transparentNodes[transparent - 1] : nullptr;
}

void clearSceneRegistry() {
  memFree(sceneRegistry);
  memFree(frameScenes);
  memFree(sortNodes);
  memFree(sortPairs);
  sceneRegistry = nullptr;
  registryCount = 0;
  registryCapacity = 0;
  frameScenes = nullptr;
  frameSceneCapacity = 0;
  sortNodes = nullptr;
  sortPairs = nullptr;
  sortCapacity = 0;
  beginFrameLists();
}

void registerScene(Scene* scene) {
  if (registryCount == 0 && sceneRegistry == nullptr) {
    registryCapacity = REGISTRY_START_CAPACITY;
    sceneRegistry = allocArray<Scene*>(registryCapacity);
  }
  sceneRegistry[registryCount++] = scene;
  if (registryCount == registryCapacity) {
    registryCapacity *= 2;
    sceneRegistry = reallocArray(sceneRegistry, registryCapacity);
  }
}

void beginFrameLists() {
  frameSceneCount = 0;
  frameOpaqueFirst = nullptr;
  frameOpaqueLast = nullptr;
  frameTransparentFirst = nullptr;
  frameTransparentLast = nullptr;
  frameTransparentCount = 0;
}

void addSceneToFrame(Scene* scene) {
  if (scene == nullptr || inFrame(scene)) return;
  appendToFrameScenes(scene);
  if (scene->opaqueNodes != nullptr) {
    appendChain(scene->opaqueNodes, scene->lastOpaqueNode, frameOpaqueFirst, frameOpaqueLast,
                false);
  }
  if (scene->transparentNodes != nullptr) {
    frameTransparentCount +=
        static_cast<std::int32_t>(scene->lastTransparentNode - scene->transparentNodes) + 1;
    appendChain(scene->transparentNodes, scene->lastTransparentNode, frameTransparentFirst,
                frameTransparentLast, true);
  }
}

void sortTransparentFaces() {
  if (frameTransparentCount <= 0) return;
  reserveSortArrays(frameTransparentCount);

  std::int32_t n = 0;
  for (FaceNode* node = frameTransparentFirst; node != nullptr && n < frameTransparentCount;
       node = node->next, ++n) {
    sortNodes[n] = node;
    sortPairs[n] = {n, depthSum(*node)};
  }
  if (n == 0) return;
  sortKeyPairs(sortPairs, n);

  auto nodeAt = [](std::int32_t position) { return sortNodes[sortPairs[position].index]; };
  for (std::int32_t position = 1; position + 1 < n; ++position) {
    nodeAt(position)->framePrev = nodeAt(position - 1);
    nodeAt(position)->frameNext = nodeAt(position + 1);
  }
  frameTransparentFirst = nodeAt(0);
  frameTransparentFirst->framePrev = nullptr;
  frameTransparentFirst->frameNext = n > 1 ? nodeAt(1) : nullptr;
  frameTransparentLast = nodeAt(n - 1);
  frameTransparentLast->framePrev = n > 1 ? nodeAt(n - 2) : nullptr;
  frameTransparentLast->frameNext = nullptr;
}

std::int32_t registeredSceneCount() { return registryCount; }
