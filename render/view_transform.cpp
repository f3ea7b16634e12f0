#include "render/view_transform.h"

#include <cmath>
#include <cstring>

float viewMatrix[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
float viewVolumePlanes[4][4];

namespace {

constexpr float EYE_DISTANCE = 350.0f;
constexpr float NEAR_PLANE_Z = 340.0f;
constexpr float SCREEN_CENTRE_X_BIASED = SCREEN_BIAS + 256.0f;
constexpr float SCREEN_CENTRE_Y_BIASED = SCREEN_BIAS + 192.0f;
// ooz = 32768 -+ 32767 * w keeps the two frames' depth ranges apart.
constexpr float DEPTH_MIDDLE = 32768.0f;
constexpr float DEPTH_SCALE = 32767.0f;

// A side plane through the eye and a screen edge `halfExtent` pixels from the
// centre: the coefficients are integers over the double square root, stored as
// float; d is the stored c times -350.
void setSidePlane(float* plane, int axis, int sign, int halfExtent) {
  const double length = std::sqrt(350.0 * 350.0 + double(halfExtent) * halfExtent);
  plane[0] = plane[1] = 0.0f;
  plane[axis] = float(sign * 350 / length);
  plane[2] = float(-halfExtent / length);
  plane[3] = plane[2] * -350.0f;
}

// Replaces rows i and j of the matrix by c*row_i + s*row_j and c*row_j - s*row_i.
void rotateRows(int i, int j, double c, double s) {
  for (int k = 0; k < 3; ++k) {
    const double rowI = viewMatrix[i][k];
    const double rowJ = viewMatrix[j][k];
    viewMatrix[i][k] = float(c * rowI + s * rowJ);
    viewMatrix[j][k] = float(c * rowJ - s * rowI);
  }
}

// The matrix and the planes as values: a loop over a scene keeps them in
// registers, where the globals would be read again after every store to a
// vertex (a float store might change them).
struct ViewConstants {
  float matrix[3][3];
  float planes[4][4];
};

ViewConstants currentView() {
  ViewConstants view;
  std::memcpy(view.matrix, viewMatrix, sizeof view.matrix);
  std::memcpy(view.planes, viewVolumePlanes, sizeof view.planes);
  return view;
}

void multiply(const float (&m)[3][3], float x, float y, float z, float& outX, float& outY,
              float& outZ) {
  outX = m[0][0] * x + m[0][1] * y + m[0][2] * z;
  outY = m[1][0] * x + m[1][1] * y + m[1][2] * z;
  outZ = m[2][0] * x + m[2][1] * y + m[2][2] * z;
}

void transformWith(const float (&m)[3][3], SceneVertex& vertex) {
  multiply(m, vertex.x, vertex.y, vertex.z, vertex.viewX, vertex.viewY, vertex.viewZ);
  vertex.projected = 0;
}

constexpr std::uint32_t outsideBit(float distance, std::uint32_t bit) {
  return distance >= 0.0f ? 0u : bit;
}

void clipCodesWith(const float (&planes)[4][4], SceneVertex& vertex) {
  const float(&left)[4] = planes[VIEW_PLANE_LEFT];
  const float(&right)[4] = planes[VIEW_PLANE_RIGHT];
  const float(&bottom)[4] = planes[VIEW_PLANE_BOTTOM];
  const float(&top)[4] = planes[VIEW_PLANE_TOP];
  vertex.leftDist = left[0] * vertex.viewX + left[2] * vertex.viewZ + left[3];
  vertex.rightDist = right[0] * vertex.viewX + right[2] * vertex.viewZ + right[3];
  vertex.bottomDist = bottom[1] * vertex.viewY + bottom[2] * vertex.viewZ + bottom[3];
  vertex.topDist = top[1] * vertex.viewY + top[2] * vertex.viewZ + top[3];
  vertex.nearDist = NEAR_PLANE_Z - vertex.viewZ;
  vertex.clipFlags =
      outsideBit(vertex.nearDist, CLIP_NEAR) | outsideBit(vertex.leftDist, CLIP_LEFT) |
      outsideBit(vertex.rightDist, CLIP_RIGHT) | outsideBit(vertex.bottomDist, CLIP_BOTTOM) |
      outsideBit(vertex.topDist, CLIP_TOP);
}

}  // namespace

void initViewVolume() {
  setSidePlane(viewVolumePlanes[VIEW_PLANE_LEFT], 0, 1, 256);
  setSidePlane(viewVolumePlanes[VIEW_PLANE_RIGHT], 0, -1, 256);
  setSidePlane(viewVolumePlanes[VIEW_PLANE_BOTTOM], 1, 1, 192);
  setSidePlane(viewVolumePlanes[VIEW_PLANE_TOP], 1, -1, 192);
}

void resetView() {
  for (int i = 0; i < 3; ++i) {
    for (int k = 0; k < 3; ++k) viewMatrix[i][k] = i == k ? 1.0f : 0.0f;
  }
}

void rotateViewX(double c, double s) { rotateRows(1, 2, c, s); }
void rotateViewY(double c, double s) { rotateRows(0, 2, c, s); }
// R's sine enters row 0 with -s: the same row mix with the sine negated.
void rotateViewZ(double c, double s) { rotateRows(0, 1, c, -s); }

void transformVertex(SceneVertex& vertex) { transformWith(viewMatrix, vertex); }

void computeClipCodes(SceneVertex& vertex) { clipCodesWith(viewVolumePlanes, vertex); }

void transformNormal(const Vector3& in, Vector3& out) {
  multiply(viewMatrix, in.x, in.y, in.z, out.x, out.y, out.z);
}

void transformVertices(SceneVertex* vertices, std::int32_t count) {
  const ViewConstants view = currentView();
  for (std::int32_t v = 0; v < count; ++v) {
    transformWith(view.matrix, vertices[v]);
    clipCodesWith(view.planes, vertices[v]);
  }
}

void transformNormals(const Vector3* in, Vector3* out, std::int32_t count) {
  const ViewConstants view = currentView();
  for (std::int32_t n = 0; n < count; ++n) {
    multiply(view.matrix, in[n].x, in[n].y, in[n].z, out[n].x, out[n].y, out[n].z);
  }
}

void projectVertex(SceneVertex& vertex, int depthParity) {
  if (vertex.projected & 1u) return;
  const float w = 1.0f / (EYE_DISTANCE - vertex.viewZ);
  GrVertex& out = vertex.grVertex;
  out.oow = EYE_DISTANCE * w;
  out.ooz = depthParity != 0 ? DEPTH_MIDDLE + DEPTH_SCALE * w : DEPTH_MIDDLE - DEPTH_SCALE * w;
  out.x = vertex.viewX * out.oow + SCREEN_CENTRE_X_BIASED;
  out.y = vertex.viewY * out.oow + SCREEN_CENTRE_Y_BIASED;
  out.tmuvtx[0].sow = vertex.s * out.oow + SCREEN_BIAS;
  out.tmuvtx[0].tow = vertex.t * out.oow + SCREEN_BIAS;
  vertex.projected |= 1u;
}
