#include "tests/app/program_fixture.h"

#include "app/text_overlay.h"
#include "reader3ds/load3ds.h"

void resetProgramParts() {
  boardReset();
  resetTextOverlay();
  resetReaderState();
}

void ProgramRun::startWith(ContentParts parts) {
  content = std::make_unique<TestContent>(parts);
  inContent = std::make_unique<CurrentFolder>(content->folder());
  Platform platform;
  platform.keys = &keys;
  platform.clock = &clock;
  platform.boardClock = &boardClock;
  startProgram(state, platform);
  started = true;
}

void ProgramRun::TearDown() {
  if (started) {
    ::testing::internal::CaptureStdout();
    shutdownProgram(state);
    ::testing::internal::GetCapturedStdout();
  }
  resetProgramParts();
  inContent.reset();
  content.reset();
}
