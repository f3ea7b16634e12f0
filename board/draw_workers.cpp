#include "board/draw_workers.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "board/board.h"
#include "board/rasterizer.h"
#include "board/triangle_setup.h"

namespace {

// Triangles in flight; the queue lives in static storage, allocated once.
constexpr std::uint64_t QUEUE_SIZE = 1024;
// Sleeping workers are woken once this many triangles wait, so a caller
// slower than its workers does not pay for a wake-up per triangle.
constexpr std::uint64_t WAKE_BATCH = 16;
constexpr int SPINS_BEFORE_SLEEP = 256;
constexpr std::uint64_t NOT_WAITING = ~std::uint64_t(0);

struct alignas(64) WorkerProgress {
  std::atomic<std::uint64_t> drawn{0};  // queue entries finished by this worker
};

struct DrawQueue {
  QueuedTriangle entries[QUEUE_SIZE];
  // A ring of states. The state for triangle m is written once the queue
  // has room for m, so every triangle before m - QUEUE_SIZE is drawn; a slot
  // comes round again only after QUEUE_SIZE - 1 later states, each first
  // used by a later triangle, so the last triangle drawn in it is that old.
  QueuedState states[QUEUE_SIZE];
  std::uint64_t stateCount = 0;  // states written; the caller's alone
  alignas(64) std::atomic<std::uint64_t> submitted{0};
  WorkerProgress progress[MAX_DRAW_WORKERS];
  alignas(64) std::atomic<int> sleepingWorkers{0};
  // The progress the sleeping caller waits for; NOT_WAITING while it does not.
  std::atomic<std::uint64_t> callerTarget{NOT_WAITING};
  std::atomic<bool> stopping{false};
  // The caller's last reading of leastDrawn(): entries below it are free,
  // so the caller reads the workers' progress only when the queue seems full.
  alignas(64) std::uint64_t knownDrawn = 0;
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

// The rows of the worker's bands that the triangle covers; the triangle is
// set up only when the worker owns one of them.
void drawOwnBands(const QueuedTriangle& entry, int worker, int workerCount) {
  int firstBand = entry.rowBegin / WORKER_BAND_ROWS;
  int band = firstBand + ((worker - firstBand % workerCount) + workerCount) % workerCount;
  if (band * WORKER_BAND_ROWS >= entry.rowEnd) return;
  const QueuedState& s = queue.states[entry.stateSlot];
  TriangleSetup t;
  if (!setupTriangle(entry.vertices[0], entry.vertices[1], entry.vertices[2], s.originLowerLeft,
                     BOARD_WIDTH, BOARD_HEIGHT, t, s.state.usesTexture)) {
    return;
  }
  for (; band * WORKER_BAND_ROWS < t.rowEnd; band += workerCount) {
    int row = band * WORKER_BAND_ROWS;
    drawTriangleRows(s.state, t, s.target, row, row + WORKER_BAND_ROWS);
  }
}

bool sameState(const QueuedState& queued, const PipelineState& state, const SpanTarget& target,
               bool originLowerLeft) {
  // Bytes, padding included: a mismatch in padding only queues a copy more.
  return std::memcmp(&queued.state, &state, sizeof state) == 0 &&
         queued.target.color == target.color && queued.target.depth == target.depth &&
         queued.target.stride == target.stride && queued.originLowerLeft == originLowerLeft;
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
  queue.callerTarget.store(target);
  while (leastDrawn() < target) queue.workDrawn.wait(lock);
  queue.callerTarget.store(NOT_WAITING);
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
      // Sequentially consistent, so that a caller about to wait either sees
      // this progress or is seen waiting below. Progress moves by one, so
      // each worker wakes the caller once, as it reaches the target.
      drawn.store(next + 1);
      if (next + 1 == queue.callerTarget.load()) {
        std::lock_guard lock(queue.mutex);
        queue.workDrawn.notify_all();
      }
    }
  }
}

void wakeWorkers() {
  // Orders the submissions before the read of the sleepers, against a
  // worker that counts itself asleep and then reads the submissions.
  std::atomic_thread_fence(std::memory_order_seq_cst);
  if (queue.sleepingWorkers.load() > 0) {
    std::lock_guard lock(queue.mutex);
    queue.workReady.notify_all();
  }
}

// The next free queue entry, waiting while the queue is full.
QueuedTriangle& reserveQueuedTriangle() {
  std::uint64_t next = queue.submitted.load(std::memory_order_relaxed);
  if (next - queue.knownDrawn >= QUEUE_SIZE) {
    queue.knownDrawn = leastDrawn();
    if (next - queue.knownDrawn >= QUEUE_SIZE) {
      // Half the queue at a time, so that the caller sleeps and wakes once
      // per QUEUE_SIZE / 2 triangles rather than once per triangle.
      wakeWorkers();
      waitUntilDrawn(next - QUEUE_SIZE / 2);
      queue.knownDrawn = leastDrawn();
    }
  }
  return queue.entries[next % QUEUE_SIZE];
}

// Publishes the entry reserveQueuedTriangle gave.
void commitQueuedTriangle() {
  std::uint64_t next = queue.submitted.load(std::memory_order_relaxed) + 1;
  queue.submitted.store(next, std::memory_order_release);
  if (next % WAKE_BATCH == 0) wakeWorkers();
}

}  // namespace

void startDrawWorkers(int count) {
  stopDrawWorkers();
  count = std::min(count, MAX_DRAW_WORKERS);
  if (count < 2) return;
  std::uint64_t start = queue.submitted.load();
  for (int w = 0; w < count; ++w) queue.progress[w].drawn.store(start);
  queue.knownDrawn = start;
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

void queueTriangle(const GrVertex& a, const GrVertex& b, const GrVertex& c, int rowBegin,
                   int rowEnd, const PipelineState& state, const SpanTarget& target,
                   bool originLowerLeft) {
  QueuedTriangle& entry = reserveQueuedTriangle();
  if (queue.stateCount == 0 || !sameState(queue.states[(queue.stateCount - 1) % QUEUE_SIZE], state,
                                          target, originLowerLeft)) {
    QueuedState& s = queue.states[queue.stateCount % QUEUE_SIZE];
    s.state = state;
    s.target = target;
    s.originLowerLeft = originLowerLeft;
    ++queue.stateCount;
  }
  entry.vertices[0] = a;
  entry.vertices[1] = b;
  entry.vertices[2] = c;
  entry.stateSlot = std::uint32_t((queue.stateCount - 1) % QUEUE_SIZE);
  entry.rowBegin = std::int16_t(rowBegin);
  entry.rowEnd = std::int16_t(rowEnd);
  commitQueuedTriangle();
}

void finishDrawing() {
  if (queue.workerCount == 0) return;
  wakeWorkers();
  waitUntilDrawn(queue.submitted.load());
}
