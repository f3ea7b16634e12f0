#pragma once
// The load-time reordering: materials by ascending transparency, then faces
// by material, so the opaque faces form one leading run grouped by material.

#include <cstdint>

#include "scene/scene_types.h"

// Reorders materials by ascending transparency and renumbers every face's
// material to its new position. Equal transparencies keep the order the key
// sort gives them.
void sortMaterialsByTransparency(Scene& scene);

// Reorders faces by ascending material index.
void sortFacesByMaterial(Scene& scene);

// The number of leading faces whose material's transparency is exactly 0.
std::int32_t countOpaqueFaces(const Scene& scene);
