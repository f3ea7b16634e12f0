#pragma once

#include "scene/scene_types.h"

// Releases the arrays load3ds handed to the scene (and the materials'
// strings) with the tracked allocator, and clears the scene.
void freeLoadedArrays(Scene& scene);
