#include "tools/mkcontent/content_mesh.h"

#include <cstddef>
#include <stdexcept>

int ContentMesh::addVertex(const Point3& position, float u, float v) {
  // The file counts vertices in 16 bits.
  if (vertices.size() >= 0xFFFF) throw std::length_error("mesh " + name + " has too many vertices");
  vertices.push_back(position);
  mappings.push_back({u, v});
  return static_cast<int>(vertices.size()) - 1;
}

void ContentMesh::addFace(int a, int b, int c, int material) {
  const Point3 &p = vertices[a], &q = vertices[b], &r = vertices[c];
  const float ux = q[0] - p[0], uy = q[1] - p[1], uz = q[2] - p[2];
  const float vx = r[0] - p[0], vy = r[1] - p[1], vz = r[2] - p[2];
  const float nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
  if (nx * nx + ny * ny + nz * nz < 1e-8f) return;
  if (faces.size() >= 0xFFFF) throw std::length_error("mesh " + name + " has too many faces");
  faces.push_back({static_cast<std::uint16_t>(a), static_cast<std::uint16_t>(b),
                   static_cast<std::uint16_t>(c)});
  faceMaterials.push_back(material);
}

void ContentMesh::addQuad(int a, int b, int c, int d, int material) {
  addFace(a, b, c, material);
  addFace(a, c, d, material);
}

WriterObject toWriterObject(const ContentMesh& mesh, const std::vector<WriterMaterial>& materials) {
  WriterObject object;
  object.name = mesh.name;
  object.vertices = mesh.vertices;
  object.mappings = mesh.mappings;
  object.faces = mesh.faces;
  // One "Face material" group per material, in the order of the scene's list.
  for (std::size_t m = 0; m < materials.size(); ++m) {
    std::vector<std::uint16_t> faces;
    for (std::size_t f = 0; f < mesh.faces.size(); ++f)
      if (mesh.faceMaterials[f] == static_cast<int>(m))
        faces.push_back(static_cast<std::uint16_t>(f));
    if (!faces.empty()) object.faceMaterials.emplace_back(materials[m].name, std::move(faces));
  }
  return object;
}
