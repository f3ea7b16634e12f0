#include "platform/clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

namespace {

double steadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The clock counts seconds in whole milliseconds: two readings around a
// sleep lie as far apart as the monotonic clock's readings around them, to
// the millisecond. The frame rates of the exit report rest on it.
TEST(Clock, CountsSecondsInWholeMillisecondsAndSleepsAtLeastAsAsked) {
  const double before0 = steadySeconds();
  const double first = readClock();
  const double after0 = steadySeconds();
  sleepSeconds(0.05);
  const double before1 = steadySeconds();
  const double second = readClock();
  const double after1 = steadySeconds();
  EXPECT_GE(before1 - after0, 0.05);
  EXPECT_GE(second - first, before1 - after0 - 0.001);
  EXPECT_LE(second - first, after1 - before0 + 0.001);
  for (double reading : {first, second}) {
    EXPECT_NEAR(reading * 1000, std::round(reading * 1000), 1e-3);
  }
}

}  // namespace
