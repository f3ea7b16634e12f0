// trace-replay FILE [--threads N] [--frames K] [--repeat R] [--out image.png]
// Replays a call trace headless and prints frames per second, megapixels
// per second (the triangle area drawn; docs/trace-format.md) and the number
// of threads that drew. With --repeat it replays R times and prints the
// fastest pass: the first also pays for touching the board's memory and
// caches for the first time.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/trace_reader.h"
#include "board/trace_replay.h"
#include "board/trace_threads.h"
#include "tools/output_files/output_files.h"

namespace {

struct Options {
  const char* path = nullptr;
  int threads = -1;  // as the board chooses (WILDSKY_BOARD_THREADS or one a hardware thread)
  int frames = 0;
  int repeat = 1;
  const char* out = nullptr;
};

constexpr long MOST_COUNT = 1000000;  // of threads, frames or passes

bool parseCount(const char* text, int low, int* value) {
  char* end = nullptr;
  long number = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || number < low || number > MOST_COUNT) return false;
  *value = int(number);
  return true;
}

// Reads the options; on a mistake in one, says what was wrong.
bool parseOptions(int argc, char** argv, Options* options) {
  struct CountOption {
    const char* name;
    int low;
    int* value;
  };
  const CountOption counts[] = {{"--threads", 0, &options->threads},
                                {"--frames", 1, &options->frames},
                                {"--repeat", 1, &options->repeat}};
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (argument[0] != '-') {
      if (options->path != nullptr) return false;  // one trace at a time
      options->path = argument;
      continue;
    }
    const bool isOut = std::strcmp(argument, "--out") == 0;
    const CountOption* count = nullptr;
    for (const CountOption& candidate : counts) {
      if (std::strcmp(argument, candidate.name) == 0) count = &candidate;
    }
    if (!isOut && count == nullptr) {
      std::fprintf(stderr, "trace-replay: unknown option \"%s\"\n", argument);
      return false;
    }
    if (i + 1 == argc) {
      std::fprintf(stderr, "trace-replay: %s needs a value\n", argument);
      return false;
    }
    const char* value = argv[++i];
    if (isOut) {
      options->out = value;
    } else if (!parseCount(value, count->low, count->value)) {
      std::fprintf(stderr, "trace-replay: %s takes a whole number from %d to %ld\n", argument,
                   count->low, MOST_COUNT);
      return false;
    }
  }
  return options->path != nullptr;
}

std::vector<std::uint8_t> toRgb(const std::vector<std::uint16_t>& pixels) {
  std::vector<std::uint8_t> rgb;
  rgb.reserve(pixels.size() * 3);
  for (std::uint16_t p : pixels) {
    int r = p >> 11, g = (p >> 5) & 63, b = p & 31;
    rgb.push_back(std::uint8_t(r << 3 | r >> 2));
    rgb.push_back(std::uint8_t(g << 2 | g >> 4));
    rgb.push_back(std::uint8_t(b << 3 | b >> 2));
  }
  return rgb;
}

}  // namespace

int main(int argc, char** argv) {
  // A replay never records: a trace armed from the environment would be
  // written over the trace being replayed.
  unsetenv("WILDSKY_TRACE");
  Options options;
  if (!parseOptions(argc, argv, &options)) {
    std::fprintf(stderr,
                 "usage: trace-replay FILE [--threads N] [--frames K] [--repeat R] "
                 "[--out image.png]\n");
    return 2;
  }
  TraceFile trace;
  std::string error;
  if (!loadTrace(options.path, &trace, &error)) {
    std::fprintf(stderr, "trace-replay: %s: %s\n", options.path, error.c_str());
    return 1;
  }
  if (options.threads >= 0) traceSetThreadCount(options.threads);
  ReplayResult result = replayTrace(trace, options.frames);
  for (int pass = 1; pass < options.repeat; ++pass) {
    ReplayResult again = replayTrace(trace, options.frames);
    if (again.seconds < result.seconds) result = again;
  }
  std::vector<std::uint16_t> front(std::size_t(BOARD_WIDTH) * BOARD_HEIGHT);
  bool haveFront = readFrontBuffer(front.data());
  double seconds = result.seconds > 0 ? result.seconds : 1e-9;
  const int threads = boardThreadCount();
  std::printf("%d frames in %.3f s: %.1f frames/s, %.1f megapixels/s (%d drawing thread%s)\n",
              result.frames, result.seconds, result.frames / seconds, result.pixels / seconds / 1e6,
              threads, threads == 1 ? "" : "s");
  if (result.skipped > 0) {
    std::printf("%d texture downloads skipped: too few texels\n", result.skipped);
  }
  // A replay that ends in another image than the recorded one fails.
  bool differs = false;
  if (trace.finalImage.empty()) {
    std::printf("final image not compared: the trace holds none\n");
  } else if (!result.wholeTrace) {
    std::printf("final image not compared: %d of the trace's %d frames replayed\n", result.frames,
                trace.frameCount);
  } else {
    differs = !haveFront || front != trace.finalImage;
    std::printf("final image %s the recorded one\n", differs ? "DIFFERS from" : "matches");
  }
  if (options.out != nullptr) {
    std::vector<std::uint8_t> rgb = toRgb(front);
    if (!haveFront ||
        !savePng(options.out, BOARD_WIDTH, BOARD_HEIGHT, 3, rgb.data(), BOARD_WIDTH * 3)) {
      std::fprintf(stderr, "trace-replay: can't write \"%s\"\n", options.out);
      return 1;
    }
  }
  boardReset();
  if (!standardOutputWritten()) {
    std::fprintf(stderr, "trace-replay: cannot write the results\n");
    return 1;
  }
  return differs ? 1 : 0;
}
