#pragma once
// The frame's two face lists, spanning every scene added to the frame: the
// opaque list in scene-and-face order, and the transparent list sorted back
// to front. The lists link the FaceNodes that the scenes own; nothing is
// copied and, once the sort's work arrays are large enough, nothing is
// allocated per frame.
//
// Per frame: beginFrameLists; addSceneToFrame for each scene; transform the
// vertices (the sort reads viewZ); sortTransparentFaces; walk the lists
// along frameNext from frameOpaqueFirst and, when frameTransparentLast is
// set, from frameTransparentFirst.

#include <cstdint>

#include "scene/scene_types.h"

// Creates the scene's opaque and transparent node arrays, each in face order
// and linked through prev/next and framePrev/frameNext. Needs opaqueFaceCount.
void buildFaceNodes(Scene& scene);

// Releases the registry, the frame's scene array and the sort's work arrays,
// and empties the frame lists. Call it before the registered scenes are freed.
void clearSceneRegistry();
void registerScene(Scene* scene);
void beginFrameLists();
// Appends the scene's node chains to both lists. A scene already in the
// frame is not added again (its chain would be linked into itself).
void addSceneToFrame(Scene* scene);
// Orders the transparent list by the sum of its corners' viewZ, ascending:
// farthest first.
void sortTransparentFaces();

extern Scene** frameScenes;
extern std::int32_t frameSceneCount;
extern FaceNode* frameOpaqueFirst;
extern FaceNode* frameOpaqueLast;
extern FaceNode* frameTransparentFirst;
extern FaceNode* frameTransparentLast;
extern std::int32_t frameTransparentCount;

std::int32_t registeredSceneCount();
