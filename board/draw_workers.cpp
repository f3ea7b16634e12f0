#include "board/draw_workers.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "board/board.h"
#include "board/rasterizer.h"

namespace {

// Triangles in flight; the queue lives in static storage, allocated once.
constexpr std::uint64_t QUEUE_SIZE = 1024;
// Sleeping workers are woken once this many triangles wait, so a caller
// slower than its workers does not pay for a wake-up per triangle.
constexpr std::uint64_t WAKE_BATCH = 16;
constexpr int SPINS_BEFORE_SLEEP = 256;

struct alignas(64) WorkerProgress {
  std::atomic<std::uint64_t> drawn{0};  // queue entries finished by this worker
};

struct DrawQueue {
  QueuedTriangle entries[QUEUE_SIZE];
  alignas(64) std::atomic<std::uint64_t> submitted{0};
  WorkerProgress progress[MAX_DRAW_WORKERS];
  alignas(64) std::atomic<int> sleepingWorkers{0};
  std::atomic<bool> callerWaiting{false};
  std::atomic<bool> stopping{false};
  std::mutex mutex;
  std::condition_variable workReady, workDrawn;
  std::thread threads[MAX_DRAW_WORKERS];
  int workerCount = 0;

  ~DrawQueue() { stopDrawWorkers(); }
};

DrawQueue queue;

void pause() {
#if defined(__SSE2__)
  __builtin_ia32_pause();
#endif
}

// The rows of the worker's bands that the triangle covers.
void drawOwnBands(const QueuedTriangle& entry, int worker, int workerCount) {
  const TriangleSetup& t = entry.setup;
  int firstBand = t.rowBegin / WORKER_BAND_ROWS;
  int band = firstBand + ((worker - firstBand % workerCount) + workerCount) % workerCount;
  for (; band * WORKER_BAND_ROWS < t.rowEnd; band += workerCount) {
    int row = band * WORKER_BAND_ROWS;
    drawTriangleRows(entry.state, t, entry.target, row, row + WORKER_BAND_ROWS);
  }
}

std::uint64_t leastDrawn() {
  std::uint64_t least = queue.submitted.load();
  for (int w = 0; w < queue.workerCount; ++w) {
    least = std::min(least, queue.progress[w].drawn.load());
  }
  return least;
}

// Waits until every worker has drawn up to target.
void waitUntilDrawn(std::uint64_t target) {
  for (int spin = 0; spin < SPINS_BEFORE_SLEEP; ++spin) {
    if (leastDrawn() >= target) return;
    pause();
  }
  std::unique_lock lock(queue.mutex);
  queue.callerWaiting.store(true);
  while (leastDrawn() < target) queue.workDrawn.wait(lock);
  queue.callerWaiting.store(false);
}

// Sleeps until an entry beyond next is submitted; false when stopping.
bool waitForWork(std::uint64_t next) {
  for (int spin = 0; spin < SPINS_BEFORE_SLEEP; ++spin) {
    if (queue.submitted.load(std::memory_order_acquire) != next) return true;
    pause();
  }
  std::unique_lock lock(queue.mutex);
  queue.sleepingWorkers.fetch_add(1);
  while (queue.submitted.load() == next && !queue.stopping.load()) queue.workReady.wait(lock);
  queue.sleepingWorkers.fetch_sub(1);
  return queue.submitted.load() != next;
}

void runWorker(int worker, int workerCount) {
  std::atomic<std::uint64_t>& drawn = queue.progress[worker].drawn;
  std::uint64_t next = drawn.load();
  for (;;) {
    std::uint64_t available = queue.submitted.load(std::memory_order_acquire);
    if (next == available) {
      if (!waitForWork(next)) return;
      continue;
    }
    for (; next < available; ++next) {
      drawOwnBands(queue.entries[next % QUEUE_SIZE], worker, workerCount);
      drawn.store(next + 1);
      if (queue.callerWaiting.load()) {
        std::lock_guard lock(queue.mutex);
        queue.workDrawn.notify_all();
      }
    }
  }
}

void wakeWorkers() {
  if (queue.sleepingWorkers.load() > 0) {
    std::lock_guard lock(queue.mutex);
    queue.workReady.notify_all();
  }
}

}  // namespace

void startDrawWorkers(int count) {
  stopDrawWorkers();
  count = std::min(count, MAX_DRAW_WORKERS);
  if (count < 2) return;
  std::uint64_t start = queue.submitted.load();
  for (int w = 0; w < count; ++w) queue.progress[w].drawn.store(start);
  queue.stopping.store(false);
  queue.workerCount = count;
  for (int w = 0; w < count; ++w) queue.threads[w] = std::thread(runWorker, w, count);
}

void stopDrawWorkers() {
  if (queue.workerCount == 0) return;
  finishDrawing();
  {
    std::lock_guard lock(queue.mutex);
    queue.stopping.store(true);
    queue.workReady.notify_all();
  }
  for (int w = 0; w < queue.workerCount; ++w) queue.threads[w].join();
  queue.workerCount = 0;
}

bool drawWorkersRunning() { return queue.workerCount > 0; }

QueuedTriangle& reserveQueuedTriangle() {
  std::uint64_t next = queue.submitted.load(std::memory_order_relaxed);
  if (next - leastDrawn() >= QUEUE_SIZE) {
    wakeWorkers();
    waitUntilDrawn(next - QUEUE_SIZE + 1);
  }
  return queue.entries[next % QUEUE_SIZE];
}

void commitQueuedTriangle() {
  std::uint64_t next = queue.submitted.load(std::memory_order_relaxed) + 1;
  queue.submitted.store(next);
  if (next % WAKE_BATCH == 0) wakeWorkers();
}

void finishDrawing() {
  if (queue.workerCount == 0) return;
  wakeWorkers();
  waitUntilDrawn(queue.submitted.load());
}
