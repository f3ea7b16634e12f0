#pragma once
// Run and window counters behind the overlay and the exit report. FPS and TPS
// are measured over windows that close at the first frame ending more than
// 3.0 s after the window opened; RASPOS is the mean CPU part of a frame, in
// raster lines, over groups of 216 frames.

#include <cstdint>

struct FrameStatistics {
  double framesInWindow;
  double facesInWindow;
  double windowStart;
  double runStart;
  double totalFrames;
  double totalFaces;
  double framesPerSecond;
  double facesPerSecond;
  std::int32_t rasterSum;
  std::int32_t rasterFrames;
  std::int32_t rasterAverage;
};

inline constexpr std::int32_t RASTER_GROUP_FRAMES = 216;
inline constexpr double STATISTICS_WINDOW_SECONDS = 3.0;

// One face node visited by a drawing pass, whatever happens to it.
inline void countFace(FrameStatistics& statistics) {
  statistics.facesInWindow += 1;
  statistics.totalFaces += 1;
}

// The update at the end of a frame's drawing; now is the clock read for it.
void updateStatistics(FrameStatistics& statistics, std::int32_t rasterLines, double now);
