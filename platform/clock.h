#pragma once
// The program clock: seconds from a monotonic clock, in whole milliseconds.

// Whole seconds plus milliseconds / 1000 since an arbitrary fixed point.
double readClock();

// Sleeps for the given number of seconds (nothing for zero or less).
void sleepSeconds(double seconds);
