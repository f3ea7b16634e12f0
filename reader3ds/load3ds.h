#pragma once
// The .3ds reader: one file becomes one Scene's flat arrays of vertices,
// faces, mapping coordinates and materials.
//
// After load3ds every face's vertex, mapping and material indices lie inside
// the Scene's arrays: faces that no material names get a fallback material
// appended to the scene, and Scene::mappings holds exactly vertexCount
// entries (objects without enough mapping pairs are padded with zeros).

#include "scene/scene_types.h"

// Fills faceCount, materialCount, vertexCount, faces, materials, vertices and
// mappings of an allocated, unfilled scene; the scene owns the arrays
// afterwards. Prints "Can't open \"<fileName>\"!" and exits with status 1
// when the file cannot be opened. Returns 0.
int load3ds(const char* fileName, Scene* scene);

// Forgets the colour, percentage and map selectors that otherwise stay
// pending from one load to the next.
void resetReaderState();
