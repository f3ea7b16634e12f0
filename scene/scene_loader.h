#pragma once
// Loading one .3ds file into a prepared Scene, and releasing it.

#include "scene/scene_types.h"

// Formats the file name printf-style, reads the file, builds the normals,
// orders materials by transparency and faces by material, counts the opaque
// faces and builds the face nodes. Does not return when the file cannot be
// opened (the reader prints "Can't open" and exits with status 1) or memory
// runs out. A file without faces gives a scene with empty arrays.
Scene* loadScene(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Releases the scene and every array and text it owns. The scene must no
// longer be in the frame lists (clearSceneRegistry). Texture memory is not
// touched.
void freeScene(Scene* scene);
