#pragma once
// Parallel drawing. The caller's thread sets triangles up and queues them
// with the state they are drawn in; each worker thread owns every
// WORKER_BAND_ROWS-row band whose index modulo the worker count is its own,
// and draws the whole queue in submission order clipped to its bands, so
// every pixel sees exactly the serial sequence of writes.

#include "board/pipeline_state.h"
#include "board/triangle_setup.h"

inline constexpr int WORKER_BAND_ROWS = 8;  // small enough to share out 20-pixel triangles
inline constexpr int MAX_DRAW_WORKERS = 32;

struct QueuedTriangle {
  TriangleSetup setup;
  PipelineState state;
  SpanTarget target;
};

// Starts count workers (at most MAX_DRAW_WORKERS) after stopping any running;
// with a count below 2 none run and drawing stays on the caller's thread.
void startDrawWorkers(int count);
// Waits for the queue, then joins the workers.
void stopDrawWorkers();
bool drawWorkersRunning();

// The next free queue entry, waiting while the queue is full. The caller
// fills it and publishes it with commitQueuedTriangle, or drops it by not
// committing.
QueuedTriangle& reserveQueuedTriangle();
void commitQueuedTriangle();

// Returns once every queued triangle is drawn; anything that reads or
// replaces the buffers or texture memory calls it first.
void finishDrawing();
