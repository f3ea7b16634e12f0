#include "tests/app/program_fixture.h"

#include "reader3ds/load3ds.h"

void ProgramRun::startWith() {
  content = std::make_unique<TestContent>();
  start();
}

void ProgramRun::start() { startProgram(state, Platform{&keys, &clocks, nullptr, &clocks}); }

std::string ProgramRun::stop() {
  if (!content) return "";
  ::testing::internal::CaptureStdout();
  shutdownProgram(state);
  content.reset();
  return ::testing::internal::GetCapturedStdout();
}

void ProgramRun::TearDown() {
  stop();
  boardReset();
  resetReaderState();
}
