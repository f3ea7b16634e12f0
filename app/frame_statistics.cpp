#include "app/frame_statistics.h"

void updateStatistics(FrameStatistics& statistics, std::int32_t rasterLines, double now) {
  statistics.totalFrames += 1;
  statistics.framesInWindow += 1;

  statistics.rasterSum += rasterLines;
  statistics.rasterFrames += 1;
  if (statistics.rasterFrames >= RASTER_GROUP_FRAMES) {
    statistics.rasterAverage = statistics.rasterSum / RASTER_GROUP_FRAMES;
    statistics.rasterFrames = 0;
    statistics.rasterSum = 0;
  }

  const double elapsed = now - statistics.windowStart;
  if (elapsed > STATISTICS_WINDOW_SECONDS) {
    statistics.framesPerSecond = statistics.framesInWindow / elapsed;
    statistics.facesPerSecond = statistics.facesInWindow / elapsed;
    statistics.windowStart = now;
    statistics.framesInWindow = 0;
    statistics.facesInWindow = 0;
  }
}
