#include "tools/mkcontent/shapes.h"

#include <cmath>
#include <map>
#include <numbers>
#include <utility>

namespace {

constexpr float TWO_PI = 2.0f * std::numbers::pi_v<float>;

// Share of the circle taken by each of the two columns beside the u seam.
constexpr float SEAM_COLUMN = 1.0f / 1024.0f;

Point3 normalized(const Point3& p) {
  const float length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
  return {p[0] / length, p[1] / length, p[2] / length};
}

Point3 cross(const Point3& a, const Point3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

std::vector<float> seamColumnFractions(int columns) {
  std::vector<float> fractions{0.0f};
  for (int k = 0; k <= columns; ++k)
    fractions.push_back(SEAM_COLUMN + (1.0f - 2.0f * SEAM_COLUMN) * static_cast<float>(k) /
                                          static_cast<float>(columns));
  fractions.push_back(1.0f);
  return fractions;
}

}  // namespace

Point3 Frame::apply(float x, float y, float z) const {
  Point3 p;
  for (int i = 0; i < 3; ++i) p[i] = origin[i] + axisX[i] * x + axisY[i] * y + axisZ[i] * z;
  return p;
}

Frame frameAlong(const Point3& origin, const Point3& up) {
  const Point3 z = normalized(up);
  const Point3 helper =
      std::fabs(z[2]) < 0.9f ? Point3{0.0f, 0.0f, 1.0f} : Point3{1.0f, 0.0f, 0.0f};
  const Point3 x = normalized(cross(helper, z));
  return {origin, x, cross(z, x), z};
}

void addRevolved(ContentMesh& mesh, const Frame& frame, const std::vector<ProfilePoint>& profile,
                 int columns, int material, float uTurns) {
  const std::vector<float> fractions = seamColumnFractions(columns);
  const int ringSize = static_cast<int>(fractions.size());
  std::vector<int> ringStart;
  for (const ProfilePoint& point : profile) {
    if (point.radius == 0.0f) {
      ringStart.push_back(
          mesh.addVertex(frame.apply(0.0f, 0.0f, point.height), 0.5f * uTurns, point.v));
      continue;
    }
    ringStart.push_back(static_cast<int>(mesh.vertices.size()));
    for (float f : fractions) {
      // The seam's two columns of vertices must meet exactly: 2 pi is not a
      // float, and its sine is not 0.
      const float angle = f == 1.0f ? 0.0f : TWO_PI * f;
      mesh.addVertex(
          frame.apply(point.radius * std::cos(angle), point.radius * std::sin(angle), point.height),
          f * uTurns, point.v);
    }
  }
  for (std::size_t r = 0; r + 1 < profile.size(); ++r) {
    const bool upperPoint = profile[r].radius == 0.0f, lowerPoint = profile[r + 1].radius == 0.0f;
    if (upperPoint && lowerPoint) continue;
    for (int k = 0; k + 1 < ringSize; ++k) {
      const int a = upperPoint ? ringStart[r] : ringStart[r] + k;
      const int b = upperPoint ? ringStart[r] : ringStart[r] + k + 1;
      const int c = lowerPoint ? ringStart[r + 1] : ringStart[r + 1] + k + 1;
      const int d = lowerPoint ? ringStart[r + 1] : ringStart[r + 1] + k;
      mesh.addQuad(a, b, c, d, material);
    }
  }
}

void addIcosphere(ContentMesh& mesh, const Frame& frame, int subdivisions,
                  const std::function<float(const Point3&)>& radius,
                  const std::function<std::array<float, 2>(const Point3&)>& mapping, int material) {
  const float t = (1.0f + std::sqrt(5.0f)) / 2.0f;
  std::vector<Point3> points{{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0},
                             {0, -1, t}, {0, 1, t}, {0, -1, -t}, {0, 1, -t},
                             {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
  for (Point3& p : points) p = normalized(p);
  std::vector<std::array<int, 3>> triangles{
      {0, 11, 5},  {0, 5, 1},  {0, 1, 7},  {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
      {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
      {3, 8, 9},   {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
  for (int level = 0; level < subdivisions; ++level) {
    std::map<std::pair<int, int>, int> midpoints;
    auto midpoint = [&](int a, int b) {
      const std::pair<int, int> key{std::min(a, b), std::max(a, b)};
      if (auto found = midpoints.find(key); found != midpoints.end()) return found->second;
      const Point3& p = points[a];
      const Point3& q = points[b];
      points.push_back(normalized({p[0] + q[0], p[1] + q[1], p[2] + q[2]}));
      const int index = static_cast<int>(points.size()) - 1;
      midpoints.emplace(key, index);
      return index;
    };
    std::vector<std::array<int, 3>> finer;
    for (const auto& [a, b, c] : triangles) {
      const int ab = midpoint(a, b), bc = midpoint(b, c), ca = midpoint(c, a);
      finer.insert(finer.end(), {{a, ab, ca}, {b, bc, ab}, {c, ca, bc}, {ab, bc, ca}});
    }
    triangles = std::move(finer);
  }
  const int first = static_cast<int>(mesh.vertices.size());
  const int firstFace = mesh.faceCount();
  for (const Point3& direction : points) {
    const float r = radius(direction);
    const auto uv = mapping(direction);
    mesh.addVertex(frame.apply(direction[0] * r, direction[1] * r, direction[2] * r), uv[0], uv[1]);
  }
  for (const auto& [a, b, c] : triangles) mesh.addFace(first + a, first + b, first + c, material);
  orientFaces(mesh, firstFace, frame.origin, true);
}

void addTorus(ContentMesh& mesh, const Frame& frame, float ringRadius, float tubeRadius,
              int segments, int sides, int material) {
  const int first = static_cast<int>(mesh.vertices.size());
  const int firstFace = mesh.faceCount();
  for (int i = 0; i < segments; ++i) {
    const float around = TWO_PI * static_cast<float>(i) / static_cast<float>(segments);
    for (int j = 0; j < sides; ++j) {
      const float tube = TWO_PI * static_cast<float>(j) / static_cast<float>(sides);
      const float r = ringRadius + tubeRadius * std::cos(tube);
      mesh.addVertex(
          frame.apply(r * std::cos(around), r * std::sin(around), tubeRadius * std::sin(tube)),
          0.0f, 0.0f);
    }
  }
  auto at = [&](int i, int j) { return first + (i % segments) * sides + (j % sides); };
  for (int i = 0; i < segments; ++i)
    for (int j = 0; j < sides; ++j)
      mesh.addQuad(at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1), material);
  orientFaces(mesh, firstFace, frame.origin, true);
}

void orientFaces(ContentMesh& mesh, int firstFace, const Point3& inside, bool outward) {
  double volume = 0.0;
  for (int f = firstFace; f < mesh.faceCount(); ++f) {
    Point3 p[3];
    for (int k = 0; k < 3; ++k)
      for (int i = 0; i < 3; ++i) p[k][i] = mesh.vertices[mesh.faces[f][k]][i] - inside[i];
    const Point3 n = cross(p[1], p[2]);
    volume += static_cast<double>(p[0][0] * n[0] + p[0][1] * n[1] + p[0][2] * n[2]);
  }
  if ((volume > 0.0) == outward) return;
  for (int f = firstFace; f < mesh.faceCount(); ++f) std::swap(mesh.faces[f][1], mesh.faces[f][2]);
}
