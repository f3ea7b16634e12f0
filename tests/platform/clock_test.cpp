// The program clock counts seconds, in whole milliseconds.

#include "platform/clock.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Clock, CountsSecondsInWholeMilliseconds) {
  const double start = readClock();
  sleepSeconds(0.05);
  const double slept = readClock() - start;
  EXPECT_GE(slept, 0.049);
  EXPECT_LT(slept, 5.0) << "seconds, not milliseconds";
  for (const double reading : {start, readClock()}) {
    const double milliseconds = reading * 1000.0;
    EXPECT_NEAR(milliseconds, std::round(milliseconds), 1e-3) << reading;
  }
}
