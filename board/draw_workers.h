#pragma once
// Parallel drawing. The caller's thread queues triangles and clears with the
// state they are drawn in; each worker owns a run of the screen's rows and
// draws the whole queue in submission order clipped to its rows, so every
// pixel sees exactly the serial sequence of writes. The runs change only at
// a clear, which carries them to every worker, and are chosen from the time
// each worker was busy on an earlier frame, so that the work stays even.

#include <cstdint>

#include "board/band_layout.h"
#include "board/pipeline_state.h"
#include "board/triangle_setup.h"

// A buffer clear as queued: each worker fills its own rows, those the
// clear's layout gives it from then on. The queue sets layout and frame.
struct QueuedClear {
  std::uint16_t color, depth;
  bool withDepth;
  std::uint32_t frame;  // the clears queued before this one
  BandLayout layout;
};

// A triangle or a clear as queued. A triangle keeps its vertices as given
// and is set up by the worker that draws it (a set-up triangle is several
// times larger, and every byte of an entry crosses from the caller's core to
// the workers'); its rows let a worker owning none of them pass it by.
struct alignas(64) QueuedCommand {
  std::uint32_t stateNumber;  // the QueuedState it is drawn in, counted from the first
  bool isClear;
  std::int16_t rowBegin, rowEnd;  // first, so a worker passing by reads one cache line
  union {
    GrVertex vertices[3];
    QueuedClear clear;
  };
};

// The state a run of queued triangles is drawn in, queued once per change.
struct QueuedState {
  PipelineState state;
  std::uint64_t version;  // the board's count of state changes at this state
  SpanTarget target;
  bool originLowerLeft;
};

// Starts count workers (at most MAX_DRAW_WORKERS) after stopping any running;
// with a count below 2 none run and drawing stays on the caller's thread.
void startDrawWorkers(int count);
// Waits for the queue, then joins the workers.
void stopDrawWorkers();
bool drawWorkersRunning();

// Queues a triangle covering buffer rows [rowBegin, rowEnd) (as
// triangleRows gives them), waiting while the queue is full. stateVersion
// names the state (the board counts its changes), so an unchanged state is
// known without comparing it.
void queueTriangle(const GrVertex& a, const GrVertex& b, const GrVertex& c, int rowBegin,
                   int rowEnd, const PipelineState& state, std::uint64_t stateVersion,
                   const SpanTarget& target, bool originLowerLeft);

// Queues a clear of the target's colour buffer (and depth buffer when
// withDepth) to the given values, waiting while the queue is full.
void queueClear(const QueuedClear& clear, const PipelineState& state, std::uint64_t stateVersion,
                const SpanTarget& target, bool originLowerLeft);

// Returns once every queued triangle is drawn; anything that reads or
// replaces the buffers or texture memory calls it first.
void finishDrawing();

// The number of commands queued so far, a mark for finishDrawingUpTo.
std::uint64_t drawingMark();
// Returns once every command queued before the mark is drawn.
void finishDrawingUpTo(std::uint64_t mark);
