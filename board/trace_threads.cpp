#include "board/trace_threads.h"

#include "board/board.h"

// A board built without workers draws every count serially.
void boardSetThreadCount(int count) __attribute__((weak));

void traceSetThreadCount(int count) {
  if (boardSetThreadCount != nullptr) boardSetThreadCount(count);
}
