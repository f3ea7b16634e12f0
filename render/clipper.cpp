#include "render/clipper.h"

#include <cmath>
#include <utility>

#include "render/glide.h"
#include "render/view_transform.h"

SceneVertex clipVertexPool[CLIP_POOL_SIZE];
int clipVertexPoolUsed = 0;

namespace {

// A convex polygon in order, followed by its first vertex again; the count
// includes that closing entry.
struct PolygonList {
  SceneVertex* vertices[CLIP_LIST_SIZE];
  int count;
};

PolygonList listA;
PolygonList listB;

struct ClipPlane {
  std::uint32_t bit;
  float SceneVertex::*distance;
};

// The passes run in this order, alternating between the two lists.
constexpr ClipPlane CLIP_PASSES[] = {
    {CLIP_NEAR, &SceneVertex::nearDist},   {CLIP_LEFT, &SceneVertex::leftDist},
    {CLIP_RIGHT, &SceneVertex::rightDist}, {CLIP_BOTTOM, &SceneVertex::bottomDist},
    {CLIP_TOP, &SceneVertex::topDist},
};

float lerp(float from, float to, float u) { return from + (to - from) * u; }

// The point where the edge between an inside and an outside vertex meets the
// plane, or null when the triangle must be dropped. It is always
// interpolated from the inside end, so an edge that two
// faces share (and walk in opposite directions) yields the identical vertex
// for both and their pixels meet without a crack or an overlap.
SceneVertex* makeCrossing(const SceneVertex& in, const SceneVertex& out, const ClipPlane& plane) {
  const float u = in.*plane.distance / (in.*plane.distance - out.*plane.distance);
  // Not a number (a corner that is) or off the edge: nothing sensible to draw.
  if (!(u >= 0.0f && u <= 1.0f) || clipVertexPoolUsed == CLIP_POOL_SIZE) return nullptr;
  SceneVertex& made = clipVertexPool[clipVertexPoolUsed++];
  made.viewX = lerp(in.viewX, out.viewX, u);
  made.viewY = lerp(in.viewY, out.viewY, u);
  made.viewZ = lerp(in.viewZ, out.viewZ, u);
  // An infinite corner puts the crossing at the inside end (u is 0) and
  // still makes it not a number.
  if (!std::isfinite(made.viewX) || !std::isfinite(made.viewY) || !std::isfinite(made.viewZ)) {
    --clipVertexPoolUsed;
    return nullptr;
  }
  made.grVertex.r = lerp(in.grVertex.r, out.grVertex.r, u);
  made.grVertex.g = lerp(in.grVertex.g, out.grVertex.g, u);
  made.grVertex.b = lerp(in.grVertex.b, out.grVertex.b, u);
  made.s = lerp(in.s, out.s, u);
  made.t = lerp(in.t, out.t, u);
  made.projected = 0;
  computeClipCodes(made);
  return &made;
}

// Appends, keeping one slot free for the closing entry. False: full.
bool append(PolygonList& list, SceneVertex* vertex) {
  if (list.count >= CLIP_LIST_SIZE - 1) return false;
  list.vertices[list.count++] = vertex;
  return true;
}

// Clips `in` against one plane into `out`. A vertex lying exactly on the
// plane is inside and makes no new vertex: the crossing would coincide with
// it. False when the list or the pool would overflow (only possible when
// rounding makes a polygon cross a plane more than twice) or a crossing
// cannot be placed.
bool clipPolygonToPlane(const ClipPlane& plane, const PolygonList& in, PolygonList& out) {
  out.count = 0;
  for (int i = 1; i < in.count; ++i) {
    SceneVertex* previous = in.vertices[i - 1];
    SceneVertex* current = in.vertices[i];
    const bool previousInside = (previous->clipFlags & plane.bit) == 0;
    const bool currentInside = (current->clipFlags & plane.bit) == 0;
    if (previousInside != currentInside) {
      SceneVertex* inside = previousInside ? previous : current;
      SceneVertex* outside = previousInside ? current : previous;
      if (inside->*plane.distance != 0.0f) {
        SceneVertex* crossing = makeCrossing(*inside, *outside, plane);
        if (crossing == nullptr || !append(out, crossing)) return false;
      }
    }
    if (currentInside && !append(out, current)) return false;
  }
  if (out.count > 0) out.vertices[out.count++] = out.vertices[0];
  return true;
}

void drawWhole(SceneVertex* a, SceneVertex* b, SceneVertex* c, int depthParity) {
  projectVertex(*a, depthParity);
  projectVertex(*b, depthParity);
  projectVertex(*c, depthParity);
  grDrawTriangle(&a->grVertex, &b->grVertex, &c->grVertex);
}

}  // namespace

void drawClippedTriangle(SceneVertex* a, SceneVertex* b, SceneVertex* c, int depthParity) {
  if ((a->clipFlags | b->clipFlags | c->clipFlags) == 0) {
    drawWhole(a, b, c, depthParity);
    return;
  }
  clipVertexPoolUsed = 0;
  listA.vertices[0] = a;
  listA.vertices[1] = b;
  listA.vertices[2] = c;
  listA.vertices[3] = a;
  listA.count = 4;

  PolygonList* read = &listA;
  PolygonList* write = &listB;
  for (const ClipPlane& plane : CLIP_PASSES) {
    if (!clipPolygonToPlane(plane, *read, *write) || write->count <= 3) return;
    std::swap(read, write);
  }

  const int vertexCount = read->count - 1;
  for (int i = 0; i < vertexCount; ++i) projectVertex(*read->vertices[i], depthParity);
  SceneVertex* const* fan = read->vertices;
  for (int i = 0; i + 2 < vertexCount; ++i) {
    grDrawTriangle(&fan[0]->grVertex, &fan[i + 1]->grVertex, &fan[i + 2]->grVertex);
  }
}
