#pragma once
// Clips a triangle in camera space against the near plane and the four side
// planes, projects what is left and draws it as a fan through grDrawTriangle.

#include "scene/scene_types.h"

inline constexpr int CLIP_LIST_SIZE = 32;
inline constexpr int CLIP_POOL_SIZE = 32;

// The vertices clipping creates; a record is valid until the next triangle
// that needs clipping.
extern SceneVertex clipVertexPool[CLIP_POOL_SIZE];
extern int clipVertexPoolUsed;

// Preconditions: all three vertices transformed and clip-coded this frame,
// their colour (and, textured, s and t) written for this face, the board
// state set, and the face not wholly outside one plane (the caller skips a
// face whose three clipFlags share a bit). Not reentrant.
void drawClippedTriangle(SceneVertex* a, SceneVertex* b, SceneVertex* c, int depthParity);
