#include "board/draw_workers.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "board/board.h"
#include "board/rasterizer.h"
#include "board/triangle_setup.h"

namespace {

// Commands in flight: room for two frames of a detailed scene (a swap
// leaves its frame drawing while the next is queued), so that the caller
// seldom waits mid-frame. The queue lives in static storage (about 27 MB).
constexpr std::uint64_t QUEUE_SIZE = 65536;
// Sleeping workers are woken once this many triangles wait, so a caller
// slower than its workers does not pay for a wake-up per triangle.
constexpr std::uint64_t WAKE_BATCH = 16;
constexpr int SPINS_BEFORE_SLEEP = 256;
// Then turns given up to the other threads before sleeping: waking a
// sleeper costs more than the short waits of a busy frame.
constexpr int YIELDS_BEFORE_SLEEP = 200;
constexpr std::uint64_t NOT_WAITING = ~std::uint64_t(0);
// Workers publish their progress after every entry but look for a waiting
// caller only this often and when they run out of work: the look needs a
// full fence, which would stall every entry's pixel stores.
constexpr std::uint64_t CALLER_CHECK_INTERVAL = 16;

struct alignas(64) WorkerProgress {
  std::atomic<std::uint64_t> drawn{0};  // queue entries finished by this worker
};

struct DrawQueue {
  QueuedCommand entries[QUEUE_SIZE];
  // A ring of states. The state for command m is written once the queue
  // has room for m, so every command before m - QUEUE_SIZE is done; a slot
  // comes round again only after QUEUE_SIZE - 1 later states, each first
  // used by a later command, so the last command run in it is that old.
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

// Asks for every cache line of an entry, to read (kForWrite 0) or to write.
template <int kForWrite>
void prefetchEntry(const QueuedCommand& entry) {
  const char* bytes = reinterpret_cast<const char*>(&entry);
  for (std::size_t line = 0; line < sizeof entry; line += 64) {
    __builtin_prefetch(bytes + line, kForWrite);
  }
}

// Entries come from the caller's core; asking for them a few triangles
// ahead hides the transfer.
constexpr std::uint64_t PREFETCH_AHEAD = 4;
// The workers read each entry last; the caller asks for the entries it is
// about to fill back a few triangles ahead, so their transfer overlaps.
constexpr std::uint64_t CLAIM_AHEAD = 8;

// A worker's own copy of the state it draws in, taken from the ring once
// per change rather than read there for every triangle. A copy is never
// 2^32 states old (the queue holds far fewer), so numbers identify states.
struct WorkerState {
  bool valid = false;
  std::uint32_t number = 0;
  QueuedState state;
};

const QueuedState& stateOf(const QueuedCommand& entry, WorkerState& own) {
  if (!own.valid || own.number != entry.stateNumber) {
    own.state = queue.states[entry.stateNumber % QUEUE_SIZE];
    own.number = entry.stateNumber;
    own.valid = true;
  }
  return own.state;
}

// The bands a worker owns. Bands go round the workers in turn, about four
// to each: larger bands set up fewer triangles twice (once by each worker
// whose band they cross), smaller ones share a frame's work more evenly.
struct OwnBands {
  int rows;    // rows in a band
  int stride;  // rows from the start of one own band to the next
  // The first row of the worker's first band at or after row r's band.
  std::array<std::int16_t, BOARD_HEIGHT> firstRowFrom;

  OwnBands(int worker, int workerCount)
      : rows(std::max(8, BOARD_HEIGHT / (4 * workerCount))), stride(rows * workerCount) {
    for (int row = 0; row < BOARD_HEIGHT; ++row) {
      int band = row / rows;
      band += (worker - band % workerCount + workerCount) % workerCount;
      firstRowFrom[row] = std::int16_t(band * rows);
    }
  }
};

// The rows of the worker's bands that the triangle covers; the triangle is
// set up only when the worker owns one of them.
void drawOwnBands(const QueuedCommand& entry, const OwnBands& bands, WorkerState& own) {
  int row = bands.firstRowFrom[entry.rowBegin];  // queued rows lie on the screen
  if (row >= entry.rowEnd) return;
  const QueuedState& s = stateOf(entry, own);
  TriangleSetup t;
  if (!setupTriangle(entry.vertices[0], entry.vertices[1], entry.vertices[2], s.originLowerLeft,
                     BOARD_WIDTH, BOARD_HEIGHT, t, s.state.usesTexture)) {
    return;
  }
  for (; row < t.rowEnd; row += bands.stride) {
    drawTriangleRows(s.state, t, s.target, row, row + bands.rows);
  }
}

// The rows of the worker's bands, filled with the clear's values.
void clearOwnBands(const QueuedCommand& entry, const OwnBands& bands, WorkerState& own) {
  const SpanTarget& target = stateOf(entry, own).target;
  for (int row = bands.firstRowFrom[0]; row < BOARD_HEIGHT; row += bands.stride) {
    std::size_t first = std::size_t(row) * std::size_t(target.stride);
    std::size_t count =
        std::size_t(std::min(bands.rows, BOARD_HEIGHT - row)) * std::size_t(target.stride);
    std::fill_n(target.color + first, count, entry.clear.color);
    if (entry.clear.withDepth) std::fill_n(target.depth + first, count, entry.clear.depth);
  }
}

void runCommand(const QueuedCommand& entry, const OwnBands& bands, WorkerState& own) {
  if (entry.isClear) {
    clearOwnBands(entry, bands, own);
  } else {
    drawOwnBands(entry, bands, own);
  }
}

bool sameState(const QueuedState& queued, std::uint64_t stateVersion, const SpanTarget& target,
               bool originLowerLeft) {
  return queued.version == stateVersion && queued.target.color == target.color &&
         queued.target.depth == target.depth && queued.target.stride == target.stride &&
         queued.originLowerLeft == originLowerLeft;
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
  for (int turn = 0; turn < YIELDS_BEFORE_SLEEP; ++turn) {
    if (leastDrawn() >= target) return;
    std::this_thread::yield();
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
  for (int turn = 0; turn < YIELDS_BEFORE_SLEEP; ++turn) {
    if (queue.submitted.load(std::memory_order_acquire) != next) return true;
    std::this_thread::yield();
  }
  std::unique_lock lock(queue.mutex);
  queue.sleepingWorkers.fetch_add(1);
  while (queue.submitted.load() == next && !queue.stopping.load()) queue.workReady.wait(lock);
  queue.sleepingWorkers.fetch_sub(1);
  return queue.submitted.load() != next;
}

// Wakes a caller waiting for progress this worker has reached, once per
// target: the caller's own check sees the progress from then on.
void wakeCallerAt(std::uint64_t progress, std::uint64_t& notified) {
  // Orders the progress stored before the read of the target, against a
  // caller that sets its target and then reads the progress: one of the
  // two sees the other.
  std::atomic_thread_fence(std::memory_order_seq_cst);
  std::uint64_t target = queue.callerTarget.load(std::memory_order_relaxed);
  if (progress < target || target == notified) return;
  notified = target;
  std::lock_guard lock(queue.mutex);
  queue.workDrawn.notify_all();
}

void runWorker(int worker, int workerCount) {
  std::atomic<std::uint64_t>& drawn = queue.progress[worker].drawn;
  std::uint64_t next = drawn.load();
  std::uint64_t notified = NOT_WAITING;
  WorkerState own;
  const OwnBands bands(worker, workerCount);
  for (;;) {
    std::uint64_t available = queue.submitted.load(std::memory_order_acquire);
    if (next == available) {
      if (!waitForWork(next)) return;
      continue;
    }
    for (; next < available; ++next) {
      if (next + PREFETCH_AHEAD < available)
        prefetchEntry<0>(queue.entries[(next + PREFETCH_AHEAD) % QUEUE_SIZE]);
      runCommand(queue.entries[next % QUEUE_SIZE], bands, own);
      drawn.store(next + 1, std::memory_order_release);
      if ((next + 1) % CALLER_CHECK_INTERVAL == 0 || next + 1 == available) {
        wakeCallerAt(next + 1, notified);
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
QueuedCommand& reserveQueuedCommand() {
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
  prefetchEntry<1>(queue.entries[(next + CLAIM_AHEAD) % QUEUE_SIZE]);
  return queue.entries[next % QUEUE_SIZE];
}

// Publishes the entry reserveQueuedCommand gave.
void commitQueuedCommand() {
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

namespace {

// The next entry, with the state it is drawn in queued when it changed.
QueuedCommand& reserveWithState(const PipelineState& state, std::uint64_t stateVersion,
                                const SpanTarget& target, bool originLowerLeft) {
  QueuedCommand& entry = reserveQueuedCommand();
  if (queue.stateCount == 0 || !sameState(queue.states[(queue.stateCount - 1) % QUEUE_SIZE],
                                          stateVersion, target, originLowerLeft)) {
    QueuedState& s = queue.states[queue.stateCount % QUEUE_SIZE];
    s.state = state;
    s.version = stateVersion;
    s.target = target;
    s.originLowerLeft = originLowerLeft;
    ++queue.stateCount;
  }
  entry.stateNumber = std::uint32_t(queue.stateCount - 1);
  return entry;
}

}  // namespace

void queueTriangle(const GrVertex& a, const GrVertex& b, const GrVertex& c, int rowBegin,
                   int rowEnd, const PipelineState& state, std::uint64_t stateVersion,
                   const SpanTarget& target, bool originLowerLeft) {
  QueuedCommand& entry = reserveWithState(state, stateVersion, target, originLowerLeft);
  entry.isClear = false;
  entry.rowBegin = std::int16_t(rowBegin);
  entry.rowEnd = std::int16_t(rowEnd);
  entry.vertices[0] = a;
  entry.vertices[1] = b;
  entry.vertices[2] = c;
  commitQueuedCommand();
}

void queueClear(const QueuedClear& clear, const PipelineState& state, std::uint64_t stateVersion,
                const SpanTarget& target, bool originLowerLeft) {
  QueuedCommand& entry = reserveWithState(state, stateVersion, target, originLowerLeft);
  entry.isClear = true;
  entry.rowBegin = 0;
  entry.rowEnd = BOARD_HEIGHT;
  entry.clear = clear;
  commitQueuedCommand();
}

void finishDrawing() {
  if (queue.workerCount == 0) return;
  wakeWorkers();
  waitUntilDrawn(queue.submitted.load());
}

std::uint64_t drawingMark() { return queue.submitted.load(std::memory_order_relaxed); }

void finishDrawingUpTo(std::uint64_t mark) {
  if (queue.workerCount == 0) return;
  wakeWorkers();
  waitUntilDrawn(mark);
}
