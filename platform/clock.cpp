#include "platform/clock.h"

#include <chrono>
#include <thread>

double readClock() {
  using namespace std::chrono;
  const auto milliseconds =
      duration_cast<std::chrono::milliseconds>(steady_clock::now().time_since_epoch()).count();
  return static_cast<double>(milliseconds / 1000) +
         static_cast<double>(milliseconds % 1000) / 1000.0;
}

void sleepSeconds(double seconds) {
  if (seconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}
