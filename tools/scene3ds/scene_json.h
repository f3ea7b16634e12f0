#pragma once
// What a prepared scene will draw, as JSON: counts, materials in their final
// order with the faces each one gets, the vertices' bounding box and,
// optionally, every face.

#include <string>

#include "scene/scene_types.h"

std::string sceneJson(const Scene& scene, const std::string& fileName, bool withFaces);
