#pragma once
// Shape builders shared by the wild scene and the sky ball.

#include <functional>
#include <vector>

#include "tools/mkcontent/content_mesh.h"

// A placed, oriented coordinate frame: local (x, y, z) to scene space.
struct Frame {
  Point3 origin;
  Point3 axisX, axisY, axisZ;

  Point3 apply(float x, float y, float z) const;
};

// A frame at `origin` whose z axis points along `up` (need not be unit length).
Frame frameAlong(const Point3& origin, const Point3& up);

// One ring of a surface of revolution: at `height` along the frame's z axis,
// `radius` from it (0: a single point, as at a pole or a tip); v its texture row.
struct ProfilePoint {
  float radius, height, v;
};

// Revolves the profile about the frame's z axis with `columns` steps around.
// The texture runs `uTurns` times around. Where the texture's u wraps, two
// vertices sit at one place; the columns beside that seam are made very thin
// so the shading on its two sides differs by no visible step.
void addRevolved(ContentMesh& mesh, const Frame& frame, const std::vector<ProfilePoint>& profile,
                 int columns, int material, float uTurns);

// A sphere subdivided from an icosahedron, each vertex pushed out along its
// direction to radius(direction) (unit direction in, scene units out).
// Vertices are shared, so the surface shades smoothly everywhere.
void addIcosphere(ContentMesh& mesh, const Frame& frame, int subdivisions,
                  const std::function<float(const Point3&)>& radius,
                  const std::function<std::array<float, 2>(const Point3&)>& mapping, int material);

// A torus about the frame's z axis with shared vertices all round (no seam;
// for untextured materials).
void addTorus(ContentMesh& mesh, const Frame& frame, float ringRadius, float tubeRadius,
              int segments, int sides, int material);

// Turns faces [firstFace, end) so that they face away from `inside`
// (outward) or towards it, judged by the volume they enclose around it.
void orientFaces(ContentMesh& mesh, int firstFace, const Point3& inside, bool outward);
