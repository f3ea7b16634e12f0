#pragma once
// Makes a freshly read scene safe to prepare and draw whatever the file held.
// The reader already keeps its indices in range; this is the loader's own
// check, so that no later step reads outside an array.

#include "scene/scene_types.h"

// - drops faces with a vertex index outside [0, vertexCount);
// - a material index outside the materials becomes 0; without any material
//   such faces are dropped;
// - a mapping index outside [0, vertexCount) becomes the corner's vertex
//   index (the reader keeps vertexCount mappings; a scene without any gets
//   vertexCount zero mappings);
// - a transparency that is negative or not a number becomes 0 (opaque), and
//   MATERIAL_TRANSPARENT follows the transparency.
void guardSceneIndices(Scene& scene);
