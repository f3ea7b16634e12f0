// grDrawTriangle: set up once, then draw the covered span of each row with
// the span loop chosen for the current state.

#include "board/rasterizer.h"

#include <algorithm>

#include "board/board_context.h"
#include "board/depth_cull.h"
#include "board/draw_workers.h"
#include "board/trace_recorder.h"
#include "board/triangle_setup.h"

namespace {

void drawTriangleRows(const PipelineState& state, const TriangleSetup& triangle,
                      const SpanTarget& target, int rowBegin, int rowEnd) {
  if (state.rows != nullptr) {
    state.rows(state, triangle, target, rowBegin, rowEnd);
    return;
  }
  RowSpanWalker spans(triangle, rowBegin);
  for (int row = rowBegin; row < rowEnd; ++row) {
    int c0, c1;
    if (spans.next(c0, c1)) state.span(state, triangle, target, row, c0, c1);
  }
}

}  // namespace

void drawTriangle(const PipelineState& state, const GrVertex& a, const GrVertex& b,
                  const GrVertex& c, bool originLowerLeft, const SpanTarget& target, int rowBegin,
                  int rowEnd) {
  TriangleSetup triangle;
  SnappedCorners corners;
  if (!setUpBox(a, b, c, originLowerLeft, BOARD_WIDTH, BOARD_HEIGHT, triangle, corners)) return;
  rowBegin = std::max(rowBegin, triangle.rowBegin);
  rowEnd = std::min(rowEnd, triangle.rowEnd);
  if (rowBegin >= rowEnd) return;
  if (hiddenByDepth(state, triangle, corners, target, rowBegin, rowEnd)) return;
  setUpPlanes(corners, triangle, state.usesTexture);
  drawTriangleRows(state, triangle, target, rowBegin, rowEnd);
}

void grDrawTriangle(const GrVertex* a, const GrVertex* b, const GrVertex* c) {
  // A call without its three vertices draws nothing and is left out of a trace.
  if (a == nullptr || b == nullptr || c == nullptr) return;
  traceDrawingCall(TraceOp::DrawTriangle, a, b, c);
  BoardContext& board = ::board();
  bool lowerLeft = board.origin == GR_ORIGIN_LOWER_LEFT;
  SpanTarget target{board.backBuffer(), board.depthBuffer, BOARD_WIDTH};
  // While a buffer is locked its pixels are the caller's: draw in place.
  if (drawWorkersRunning() && !board.locked) {
    int rowBegin, rowEnd;
    if (triangleRows(*a, *b, *c, lowerLeft, BOARD_WIDTH, BOARD_HEIGHT, rowBegin, rowEnd)) {
      queueTriangle(*a, *b, *c, rowBegin, rowEnd, board.state, board.stateVersion, target,
                    lowerLeft);
    }
    return;
  }
  drawTriangle(board.state, *a, *b, *c, lowerLeft, target, 0, BOARD_HEIGHT);
  traceDrawingDone();
}
