#pragma once
// The camera and the per-vertex geometry of a frame. The camera is a pure
// rotation of the world about its origin; after it the eye sits at (0, 0, 350)
// of camera space looking toward -z, the screen is 512 x 384 with its centre at
// (256, 192) and the focal scale is 350. The view volume is the near plane 10
// units in front of the eye and the four planes through the eye and the
// screen edges; there is no far plane.

#include "scene/scene_types.h"

// Row-major: viewX = row 0 . (x, y, z), and so on. No translation.
extern float viewMatrix[3][3];

inline constexpr int VIEW_PLANE_LEFT = 0;
inline constexpr int VIEW_PLANE_RIGHT = 1;
inline constexpr int VIEW_PLANE_BOTTOM = 2;
inline constexpr int VIEW_PLANE_TOP = 3;

// (a, b, c, d) of each side plane; a*viewX + b*viewY + c*viewZ + d is the true
// distance, >= 0 inside the volume.
extern float viewVolumePlanes[4][4];

// The snapping bias added to screen x, y and the texture terms sow, tow.
inline constexpr float SCREEN_BIAS = 786432.0f;

void initViewVolume();
void resetView();

// Each replaces viewMatrix M by R * M; c and s are the cosine and sine of the
// angle.
void rotateViewX(double c, double s);
void rotateViewY(double c, double s);
void rotateViewZ(double c, double s);

// Sets viewX, viewY, viewZ and clears `projected`.
void transformVertex(SceneVertex& vertex);
// Sets the five clip distances and clipFlags from viewX, viewY, viewZ. A
// distance of exactly 0 is inside; one that is not a number is outside.
void computeClipCodes(SceneVertex& vertex);
void transformNormal(const Vector3& in, Vector3& out);
// transformVertex and computeClipCodes for each of count vertices, and
// transformNormal for each of count normals: the same numbers, the view
// read once.
void transformVertices(SceneVertex* vertices, std::int32_t count);
void transformNormals(const Vector3* in, Vector3* out, std::int32_t count);

// Writes the screen, depth and texture members of grVertex unless bit 0 of
// `projected` is already set. Precondition: the vertex lies on the inner side
// of the near plane (viewZ <= 340).
void projectVertex(SceneVertex& vertex, int depthParity);
