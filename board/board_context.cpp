#include "board/board_context.h"

#include <chrono>
#include <thread>

#include "board/pixel_math.h"

namespace {

class SteadyClock : public BoardClock {
 public:
  double now() override {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  void sleepUntil(double time) override {
    double wait = time - now();
    if (wait > 0) std::this_thread::sleep_for(std::chrono::duration<double>(wait));
  }
};

// Static storage: the board's memory is never allocated or freed.
BoardContext context;
SteadyClock steadyClock;

struct ContextInit {
  ContextInit() { context.state = defaultPipelineState(); }
} contextInit;

}  // namespace

BoardContext& board() { return context; }

std::uint16_t* BoardContext::namedBuffer(GrBuffer_t buffer) {
  switch (buffer) {
    case GR_BUFFER_FRONTBUFFER:
      return frontBuffer();
    case GR_BUFFER_BACKBUFFER:
      return backBuffer();
    case GR_BUFFER_AUXBUFFER:
    case GR_BUFFER_DEPTHBUFFER:
      return depthBuffer;
    default:
      return nullptr;
  }
}

BoardClock& boardClock() { return context.clock != nullptr ? *context.clock : steadyClock; }

void boardStateChanged() {
  BoardContext& b = board();
  b.state.constantColor = decodeColor(b.constantColorValue, b.colorFormat);
  b.state.chromaKeyColor = decodeColor(b.chromaKeyValue, b.colorFormat);
  chooseSpanFunction(b.state);
  ++b.stateVersion;
}

// A window still open on the old display is closed: the board never
// presents to a display it was taken from.
void boardSetDisplay(BoardDisplay* display) {
  BoardContext& b = board();
  if (b.displayOpen && display != b.display) {
    b.display->close();
    b.displayOpen = false;
  }
  b.display = display;
}

void boardSetClock(BoardClock* clock) { board().clock = clock; }
