#pragma once
// Parallel drawing. The caller's thread queues triangles with the state
// they are drawn in; each worker thread owns every
// WORKER_BAND_ROWS-row band whose index modulo the worker count is its own,
// and draws the whole queue in submission order clipped to its bands, so
// every pixel sees exactly the serial sequence of writes.

#include <cstdint>

#include "board/pipeline_state.h"
#include "board/triangle_setup.h"

inline constexpr int WORKER_BAND_ROWS = 16;  // most small triangles fall in one band
inline constexpr int MAX_DRAW_WORKERS = 32;

// A triangle as queued: its vertices as given, set up by the worker that
// draws it (a set-up triangle is several times larger, and every byte of a
// queue entry crosses from the caller's core to the workers'), and the rows
// it covers, so that a worker owning none of them passes it by.
struct alignas(64) QueuedTriangle {
  GrVertex vertices[3];
  std::uint32_t stateSlot;  // the QueuedState it is drawn in
  std::int16_t rowBegin, rowEnd;
};

// The state a run of queued triangles is drawn in, queued once per change.
struct QueuedState {
  PipelineState state;
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
// triangleRows gives them), waiting while the queue is full.
void queueTriangle(const GrVertex& a, const GrVertex& b, const GrVertex& c, int rowBegin,
                   int rowEnd, const PipelineState& state, const SpanTarget& target,
                   bool originLowerLeft);

// Returns once every queued triangle is drawn; anything that reads or
// replaces the buffers or texture memory calls it first.
void finishDrawing();
