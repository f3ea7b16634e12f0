#pragma once
// The board's worker threads as replays and benchmarks choose them
// (0: one per hardware thread, 1: serial).
void traceSetThreadCount(int count);
