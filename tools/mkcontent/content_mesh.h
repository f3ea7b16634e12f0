#pragma once
// A mesh object as the content builders make it: positions with one texture
// coordinate each, and triangles that each name a material of the scene.
// Corners run counter-clockwise seen from the side the face shows.

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tools/writer3ds/scene_writer.h"

using Point3 = std::array<float, 3>;

struct ContentMesh {
  explicit ContentMesh(std::string meshName) : name(std::move(meshName)) {}

  std::string name;
  std::vector<Point3> vertices;
  std::vector<std::array<float, 2>> mappings;  // u, v; one per vertex
  std::vector<std::array<std::uint16_t, 3>> faces;
  std::vector<int> faceMaterials;  // per face: index into the scene's materials

  int addVertex(const Point3& position, float u, float v);
  // A face of no area (two corners at one place) is left out: it has no
  // direction to shade or cull by.
  void addFace(int a, int b, int c, int material);
  // Two faces a-b-c and a-c-d.
  void addQuad(int a, int b, int c, int d, int material);
  int faceCount() const { return static_cast<int>(faces.size()); }
};

// An object of the file; materials: the scene's list, named by index in the mesh.
WriterObject toWriterObject(const ContentMesh& mesh, const std::vector<WriterMaterial>& materials);

struct SurfacePoint {
  Point3 position;
  std::array<float, 2> mapping;
};

// A (columns + 1) x (rows + 1) vertex grid, surface(i, j) giving each point,
// and two faces per cell, counter-clockwise when i runs along x and j along y.
// Returns the index of the first vertex.
template <class Surface>
int addGrid(ContentMesh& mesh, int columns, int rows, int material, Surface&& surface) {
  const int first = static_cast<int>(mesh.vertices.size());
  for (int j = 0; j <= rows; ++j)
    for (int i = 0; i <= columns; ++i) {
      const SurfacePoint point = surface(i, j);
      mesh.addVertex(point.position, point.mapping[0], point.mapping[1]);
    }
  for (int j = 0; j < rows; ++j)
    for (int i = 0; i < columns; ++i) {
      const int a = first + j * (columns + 1) + i;
      mesh.addQuad(a, a + 1, a + columns + 2, a + columns + 1, material);
    }
  return first;
}
