#pragma once
// Normal generation for a freshly read scene: a flat normal per face and a
// smoothed normal per corner, all merged into one sorted array of distinct
// vectors (Scene::normals). Every stored normal has length 255, so a corner's
// camera-space z is directly its brightness, and its components are rounded
// down to multiples of 1/1000.

#include "scene/scene_types.h"

inline constexpr float NORMAL_LENGTH = 255.0f;
// Compared with the dot product of two length-255 normals as it stands, so in
// effect every neighbour less than a right angle away is smoothed in.
inline constexpr float SMOOTH_THRESHOLD = 0.4226f;

// Scales v to NORMAL_LENGTH and rounds each component down to 1/1000. A
// vector without a direction (zero, or not finite) becomes (0, 0, 0): a
// zero-area face then smooths with none of its neighbours (its dot product
// with them is 0) and its corners stay (0, 0, 0).
Vector3 scaleToNormalLength(Vector3 v);

// Orders by x, then y, then z; 0 only for vectors equal in all components.
float compareVectors(const Vector3& a, const Vector3& b);

// Sets normals, normalCount and every face's normal[] and faceNormal from the
// faces (in file order) and the vertex positions. Precondition: every face's
// vertex indices lie in [0, vertexCount) (loadScene drops faces that do not).
// A scene without faces gets an empty normals array. Smoothing a vertex
// costs the square of its corners; vertices are smoothed in order while the
// squares add up to at most 2^28, and the corners of a vertex past that take
// their faces' normals, which bounds the time a damaged or hostile file takes.
void buildNormals(Scene& scene);
