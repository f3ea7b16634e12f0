#include "board/draw_workers.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

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

// Frames whose busy times are kept, for the layouts of later frames.
constexpr std::uint32_t FRAME_HISTORY = 8;

// A worker's busy time on a frame: the frame's number (24 bits) above the
// nanoseconds (40 bits), in one word so that the two are read together.
struct alignas(64) FrameReport {
  static constexpr int TIME_BITS = 40;
  static constexpr std::uint64_t NONE = ~std::uint64_t(0);
  std::atomic<std::uint64_t> word{NONE};

  void store(std::uint32_t frame, std::uint64_t nanoseconds) {
    nanoseconds = std::min(nanoseconds, (std::uint64_t(1) << TIME_BITS) - 1);
    word.store(std::uint64_t(frame & 0xffffff) << TIME_BITS | nanoseconds,
               std::memory_order_release);
  }
  // The busy time on the frame, or false when not reported yet.
  bool load(std::uint32_t frame, double& nanoseconds) const {
    const std::uint64_t w = word.load(std::memory_order_acquire);
    if (w == NONE || (w >> TIME_BITS) != (frame & 0xffffff)) return false;
    nanoseconds = double(w & ((std::uint64_t(1) << TIME_BITS) - 1));
    return true;
  }
};

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
  // The caller's: the layout the next clear carries, the clears queued and
  // the layouts of the last frames, by frame number.
  BandLayout layout{};
  std::uint32_t clearCount = 0;
  BandLayout frameLayouts[FRAME_HISTORY];
  // The workers': how long each was busy on a frame, by frame number.
  FrameReport reports[FRAME_HISTORY][MAX_DRAW_WORKERS];

  ~DrawQueue() { stopDrawWorkers(); }
};

DrawQueue queue;

void pause() {
#if defined(__SSE2__)
  __builtin_ia32_pause();
#endif
}

// Asks for every cache line of an entry, to read (kForWrite 0) or to write.
// Always inlined: a call holding nothing but prefetches looks free of
// effects to the compiler, which may drop it.
template <int kForWrite>
[[gnu::always_inline]] inline void prefetchEntry(const QueuedCommand& entry) {
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
// per change rather than read there for every triangle. The 32-bit numbers
// identify states as long as a worker draws in its rows at least once in
// 2^32 state changes: over an hour of a thousand changes a frame at a
// thousand frames a second.
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

// The rows a worker owns: [begin, end).
struct OwnRows {
  int begin, end;
};

OwnRows ownRows(const BandLayout& layout, int worker) {
  return {layout.split[worker], layout.split[worker + 1]};
}

// The worker's rows of the triangle; it is set up only when the worker owns
// some of them.
void drawOwnRows(const QueuedCommand& entry, OwnRows rows, WorkerState& own) {
  if (entry.rowEnd <= rows.begin || entry.rowBegin >= rows.end) return;
  const QueuedState& s = stateOf(entry, own);
  drawTriangle(s.state, entry.vertices[0], entry.vertices[1], entry.vertices[2], s.originLowerLeft,
               s.target, rows.begin, rows.end);
}

// The worker's rows, filled with the clear's values.
void clearOwnRows(const QueuedCommand& entry, OwnRows rows, WorkerState& own) {
  const SpanTarget& target = stateOf(entry, own).target;
  std::size_t first = std::size_t(rows.begin) * std::size_t(target.stride);
  std::size_t count = std::size_t(rows.end - rows.begin) * std::size_t(target.stride);
  std::fill_n(target.color + first, count, entry.clear.color);
  if (entry.clear.withDepth) std::fill_n(target.depth + first, count, entry.clear.depth);
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

// Nanoseconds of the steady clock, for the workers' busy times.
std::uint64_t nowNanoseconds() {
  return std::uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                           .count());
}

// A worker's time at work between clears, waiting left out.
class BusyClock {
 public:
  void startWork() { since_ = nowNanoseconds(); }
  void stopWork() { busy_ += nowNanoseconds() - since_; }
  // The busy time since the last lap, counted afresh from now.
  std::uint64_t lap() {
    stopWork();
    startWork();
    return std::exchange(busy_, 0);
  }

 private:
  std::uint64_t since_ = nowNanoseconds(), busy_ = 0;
};

void wakeWorkers();

// Waits until every worker has drawn the entries before index: rows that
// change hands at a clear must be left by their last owner first (the
// buffers of the frames before are drawn into still).
void waitForWorkersAt(std::uint64_t index) {
  for (int spin = 0;; ++spin) {
    if (leastDrawn() >= index) return;
    if (spin < SPINS_BEFORE_SLEEP) {
      pause();
      continue;
    }
    // A worker may sleep with entries before index waiting for it, which
    // the caller wakes it for only in batches.
    if (spin == SPINS_BEFORE_SLEEP) wakeWorkers();
    std::this_thread::yield();
  }
}

// A worker's share of the frames: its rows and the time it was busy on
// the frame it draws.
class WorkerFrames {
 public:
  WorkerFrames(int worker, int workerCount)
      : worker_(worker),
        workerCount_(workerCount),
        layout_(evenLayout(workerCount, BOARD_HEIGHT)),  // until the first clear
        rows_(ownRows(layout_, worker)) {}

  OwnRows rows() const { return rows_; }
  BusyClock& clock() { return clock_; }

  // The clear at queue index `index` begins a frame: the last frame's busy
  // time is reported and this frame's rows are taken.
  void begin(const QueuedClear& clear, std::uint64_t index) {
    const std::uint64_t busy = clock_.lap();
    if (clear.frame > 0) {
      queue.reports[(clear.frame - 1) % FRAME_HISTORY][worker_].store(clear.frame - 1, busy);
    }
    if (std::equal(layout_.split, layout_.split + workerCount_ + 1, clear.layout.split)) return;
    const OwnRows next = ownRows(clear.layout, worker_);
    // A worker that only gives rows up draws on: the rows it keeps were its
    // own, and the one taking the others waits for it.
    if (next.begin < rows_.begin || next.end > rows_.end) {
      clock_.stopWork();
      waitForWorkersAt(index);
      clock_.startWork();
    }
    layout_ = clear.layout;
    rows_ = next;
  }

 private:
  int worker_, workerCount_;
  BandLayout layout_;
  OwnRows rows_;
  BusyClock clock_;
};

void runWorker(int worker, int workerCount) {
  std::atomic<std::uint64_t>& drawn = queue.progress[worker].drawn;
  std::uint64_t next = drawn.load();
  std::uint64_t notified = NOT_WAITING;
  WorkerState own;
  WorkerFrames frames(worker, workerCount);
  for (;;) {
    std::uint64_t available = queue.submitted.load(std::memory_order_acquire);
    if (next == available) {
      frames.clock().stopWork();
      if (!waitForWork(next)) return;
      frames.clock().startWork();
      continue;
    }
    for (; next < available; ++next) {
      if (next + PREFETCH_AHEAD < available)
        prefetchEntry<0>(queue.entries[(next + PREFETCH_AHEAD) % QUEUE_SIZE]);
      const QueuedCommand& entry = queue.entries[next % QUEUE_SIZE];
      if (entry.isClear) {
        frames.begin(entry.clear, next);
        clearOwnRows(entry, frames.rows(), own);
      } else {
        drawOwnRows(entry, frames.rows(), own);
      }
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
  queue.layout = evenLayout(count, BOARD_HEIGHT);
  queue.clearCount = 0;
  for (auto& frame : queue.reports) {
    for (FrameReport& report : frame) report.word.store(FrameReport::NONE);
  }
  int started = 0;
  try {
    for (; started < count; ++started) {
      queue.threads[started] = std::thread(runWorker, started, count);
    }
  } catch (const std::system_error&) {
    // The system refused a thread (a process limit): the rows are laid out
    // for all of them, so the ones started stop again, with nothing queued
    // yet, and drawing stays on the caller's thread.
    queue.workerCount = started;
    stopDrawWorkers();
    std::fprintf(stderr, "Can't start %d drawing threads: drawing on one.\n", count);
  }
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

// The layout a frame is drawn in: the last one, its boundaries moved after
// the busy times of the frame before the last, once every worker has
// reported them (a swap waits for that frame, so they usually have).
BandLayout layoutForFrame(std::uint32_t frame) {
  if (frame >= 2) {
    const std::uint32_t measured = frame - 2;
    double busy[MAX_DRAW_WORKERS];
    bool reported = true;
    for (int w = 0; w < queue.workerCount && reported; ++w) {
      reported = queue.reports[measured % FRAME_HISTORY][w].load(measured, busy[w]);
    }
    if (reported) {
      queue.layout = rebalancedLayout(queue.frameLayouts[measured % FRAME_HISTORY], busy,
                                      queue.workerCount, BOARD_HEIGHT);
    }
  }
  queue.frameLayouts[frame % FRAME_HISTORY] = queue.layout;
  return queue.layout;
}

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
  entry.clear.frame = queue.clearCount++;
  entry.clear.layout = layoutForFrame(entry.clear.frame);
  commitQueuedCommand();
}

void finishDrawing() { finishDrawingUpTo(drawingMark()); }

std::uint64_t drawingMark() { return queue.submitted.load(std::memory_order_relaxed); }

void finishDrawingUpTo(std::uint64_t mark) {
  if (queue.workerCount == 0) return;
  wakeWorkers();
  waitUntilDrawn(mark);
}
