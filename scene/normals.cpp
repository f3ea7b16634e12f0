#include "scene/normals.h"

#include <cmath>

#include "scene/quicksort.h"
#include "scene/scene_memory.h"

namespace {

struct FaceCorner {
  std::int32_t face;
  std::int32_t corner;
};

struct NormalRecord {
  std::int32_t index;
  std::int32_t newIndex;
  Vector3 vector;
};

struct NormalRecordOrder {
  static Vector3 keyOf(const NormalRecord& record) { return record.vector; }
  static bool notAbove(const NormalRecord& record, const Vector3& pivot) {
    return compareVectors(record.vector, pivot) <= 0;
  }
  static bool below(const NormalRecord& record, const Vector3& pivot) {
    return compareVectors(record.vector, pivot) < 0;
  }
  static bool atOrAbove(const Vector3& pivot, const Vector3& ceiling) {
    return compareVectors(pivot, ceiling) >= 0;
  }
  static bool atOrBelow(const Vector3& pivot, const Vector3& floor) {
    return compareVectors(pivot, floor) <= 0;
  }
};

// The product is formed in double so that 254.99998 lands on 254.999 and
// -12.3456 on -12.346.
float roundDownToThousandth(float c) {
  return static_cast<float>(std::floor(static_cast<double>(c) * 1000.0) / 1000.0);
}

float dot(const Vector3& a, const Vector3& b) {
  const float zy = a.z * b.z + a.y * b.y;
  return zy + a.x * b.x;
}

// b x a with a = P0 - P1 and b = P2 - P1, all in single precision.
Vector3 rawFaceNormal(const SceneVertex* vertices, const SceneFace& face) {
  const SceneVertex& p0 = vertices[face.vertex[0]];
  const SceneVertex& p1 = vertices[face.vertex[1]];
  const SceneVertex& p2 = vertices[face.vertex[2]];
  const float ax = p0.x - p1.x, ay = p0.y - p1.y, az = p0.z - p1.z;
  const float bx = p2.x - p1.x, by = p2.y - p1.y, bz = p2.z - p1.z;
  return {az * by - bz * ay, ax * bz - az * bx, ay * bx - ax * by};
}

// The corners meeting at each vertex, in ascending face order: the corners
// of vertex v are corners[start[v]] .. corners[start[v + 1] - 1].
struct CornerLists {
  std::int32_t* start;
  FaceCorner* corners;
  std::int32_t longest;
};

CornerLists buildCornerLists(const Scene& scene, std::int32_t faceCount, std::int32_t vertexCount) {
  auto* start = allocArray<std::int32_t>(std::int64_t{vertexCount} + 1);
  for (std::int32_t v = 0; v <= vertexCount; ++v) start[v] = 0;
  for (std::int32_t f = 0; f < faceCount; ++f) {
    for (const std::int32_t v : scene.faces[f].vertex) ++start[v + 1];
  }
  std::int32_t longest = 0;
  for (std::int32_t v = 0; v < vertexCount; ++v) {
    if (start[v + 1] > longest) longest = start[v + 1];
    start[v + 1] += start[v];
  }
  auto* fill = allocArray<std::int32_t>(vertexCount);
  for (std::int32_t v = 0; v < vertexCount; ++v) fill[v] = start[v];
  auto* corners = allocArray<FaceCorner>(start[vertexCount]);
  for (std::int32_t f = 0; f < faceCount; ++f) {
    for (std::int32_t c = 0; c < 3; ++c) corners[fill[scene.faces[f].vertex[c]]++] = {f, c};
  }
  memFree(fill);
  return {start, corners, longest};
}

// Smoothing costs the square of a vertex's corners. Real meshes have a few
// at each vertex, a fine cone's apex some thousands; a damaged or hostile
// file can pile hundreds of thousands on several, which would stall loading
// for minutes. A scene smooths vertices in order while the squares fit this
// many corner pairs (a second or two of loading, and far more than real
// meshes need); a vertex past that takes its faces' normals, as a corner
// with no neighbour to smooth in does.
constexpr std::int64_t SMOOTHING_PAIR_BUDGET = std::int64_t{1} << 28;

// Gives each corner of a vertex past the budget its own entry of
// `list`, its face's normal. Equal entries are merged later with all others.
void emitFaceNormals(Scene& scene, const Vector3* faceNormals, const FaceCorner* corners,
                     std::int32_t k, Vector3* list, std::int32_t& count) {
  for (std::int32_t i = 0; i < k; ++i) {
    list[count] = faceNormals[corners[i].face];
    scene.faces[corners[i].face].normal[corners[i].corner] = count++;
  }
}

// Smooths each corner of one vertex over the neighbouring faces less than a
// right angle away, then gives every group of exactly equal results one new
// entry of `list`, numbered from `count`.
void emitVertexNormals(Scene& scene, const Vector3* faceNormals, const FaceCorner* corners,
                       std::int32_t k, Vector3* acc, std::int32_t* mark, Vector3* list,
                       std::int32_t& count) {
  for (std::int32_t i = 0; i < k; ++i) {
    const Vector3& own = faceNormals[corners[i].face];
    acc[i] = own;
    for (std::int32_t j = 0; j < k; ++j) {
      if (j == i) continue;
      const Vector3& other = faceNormals[corners[j].face];
      if (dot(other, own) > SMOOTH_THRESHOLD) {
        acc[i].x += other.x;
        acc[i].y += other.y;
        acc[i].z += other.z;
      }
    }
  }
  for (std::int32_t i = 0; i < k; ++i) mark[i] = -1;
  for (std::int32_t o = 0; o < k; ++o) {
    if (mark[o] != -1) continue;  // already in an earlier entry's group
    for (std::int32_t m = o + 1; m < k; ++m) {
      if (mark[m] == -1 && acc[o].x == acc[m].x && acc[o].y == acc[m].y && acc[o].z == acc[m].z) {
        mark[m] = o;
      }
    }
  }
  for (std::int32_t i = 0; i < k; ++i) {
    if (mark[i] != -1) continue;
    list[count] = acc[i];
    scene.faces[corners[i].face].normal[corners[i].corner] = count;
    for (std::int32_t j = i + 1; j < k; ++j) {
      if (mark[j] == i) scene.faces[corners[j].face].normal[corners[j].corner] = count;
    }
    ++count;
  }
}

// Sorts the `total` vectors of `list`, keeps one of each distinct vector in
// scene.normals and renumbers every face's indices to match.
void mergeNormals(Scene& scene, const Vector3* list, std::int32_t total) {
  auto* records = allocArray<NormalRecord>(total);
  for (std::int32_t t = 0; t < total; ++t) records[t] = {t, 0, list[t]};
  scene_sort::quickSort<NormalRecordOrder>(records, total);

  std::int32_t distinct = 0;
  std::int32_t leader = 0;
  for (std::int32_t t = 0; t < total; ++t) {
    if (t == 0 || compareVectors(records[t].vector, records[leader].vector) != 0) {
      leader = t;
      ++distinct;
    }
    records[t].newIndex = distinct - 1;
  }

  auto* table = allocArray<std::int32_t>(total);
  for (std::int32_t t = 0; t < total; ++t) table[records[t].index] = records[t].newIndex;
  for (std::int32_t f = 0; f < scene.faceCount; ++f) {
    SceneFace& face = scene.faces[f];
    for (std::int32_t& n : face.normal) n = table[n];
    face.faceNormal = table[face.faceNormal];
  }

  scene.normals = allocArray<Vector3>(distinct);
  scene.normalCount = distinct;
  for (std::int32_t t = 0; t < total; ++t) {
    if (t == 0 || records[t].newIndex != records[t - 1].newIndex) {
      scene.normals[records[t].newIndex] = records[t].vector;
    }
  }
  memFree(table);
  memFree(records);
}

}  // namespace

float compareVectors(const Vector3& a, const Vector3& b) {
  if (a.x != b.x) return a.x - b.x;
  if (a.y != b.y) return a.y - b.y;
  return a.z - b.z;
}

Vector3 scaleToNormalLength(Vector3 v) {
  const double squares = static_cast<double>(v.x) * v.x + static_cast<double>(v.y) * v.y +
                         static_cast<double>(v.z) * v.z;
  const float length = static_cast<float>(std::sqrt(squares));
  if (!(length > 0.0f) || !std::isfinite(length)) return {0.0f, 0.0f, 0.0f};
  const float s = length / NORMAL_LENGTH;
  const Vector3 scaled{roundDownToThousandth(v.x / s), roundDownToThousandth(v.y / s),
                       roundDownToThousandth(v.z / s)};
  if (!std::isfinite(scaled.x) || !std::isfinite(scaled.y) || !std::isfinite(scaled.z)) {
    return {0.0f, 0.0f, 0.0f};
  }
  return scaled;
}

void buildNormals(Scene& scene) {
  const std::int32_t faceCount = scene.faceCount > 0 ? scene.faceCount : 0;
  const std::int32_t vertexCount = scene.vertexCount > 0 ? scene.vertexCount : 0;

  auto* faceNormals = allocArray<Vector3>(faceCount);
  for (std::int32_t f = 0; f < faceCount; ++f) {
    faceNormals[f] = scaleToNormalLength(rawFaceNormal(scene.vertices, scene.faces[f]));
  }

  const CornerLists lists = buildCornerLists(scene, faceCount, vertexCount);
  auto* acc = allocArray<Vector3>(lists.longest);
  auto* mark = allocArray<std::int32_t>(lists.longest);
  // Room for every corner and, behind them, every face normal: one list, no regrowth.
  auto* combined = allocArray<Vector3>(std::int64_t{faceCount} * 4);
  std::int32_t cornerNormals = 0;
  std::int64_t pairsLeft = SMOOTHING_PAIR_BUDGET;
  for (std::int32_t v = 0; v < vertexCount; ++v) {
    const std::int32_t k = lists.start[v + 1] - lists.start[v];
    const FaceCorner* corners = lists.corners + lists.start[v];
    const std::int64_t pairs = std::int64_t{k} * k;
    if (pairs <= pairsLeft) {
      pairsLeft -= pairs;
      emitVertexNormals(scene, faceNormals, corners, k, acc, mark, combined, cornerNormals);
    } else {
      emitFaceNormals(scene, faceNormals, corners, k, combined, cornerNormals);
    }
  }
  memFree(mark);
  memFree(acc);
  memFree(lists.corners);
  memFree(lists.start);

  for (std::int32_t n = 0; n < cornerNormals; ++n) combined[n] = scaleToNormalLength(combined[n]);
  for (std::int32_t f = 0; f < faceCount; ++f) {
    combined[cornerNormals + f] = faceNormals[f];
    scene.faces[f].faceNormal = cornerNormals + f;
  }
  mergeNormals(scene, combined, cornerNormals + faceCount);
  memFree(combined);
  memFree(faceNormals);
}
