#include "platform/keyboard.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

namespace {

bool rawMode(int fd) {
  termios mode{};
  tcgetattr(fd, &mode);
  return (mode.c_lflag & (ICANON | ECHO)) == 0;
}

// A pseudo-terminal standing in for the console.
struct Terminal {
  Terminal() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) {
      slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    }
  }
  ~Terminal() {
    if (slave >= 0) close(slave);
    if (master >= 0) close(master);
  }
  int master = -1, slave = -1;
};

TEST(ConsoleKeyboard, PipeGivesOneByteAtATimeAndItsEndIsNoKey) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  openConsoleKeyboard(ends[0]);
  EXPECT_EQ(takeConsoleKey(), -1);
  ASSERT_EQ(write(ends[1], "sDq", 3), 3);
  EXPECT_EQ(takeConsoleKey(), 's');
  EXPECT_EQ(takeConsoleKey(), 'D');
  EXPECT_EQ(takeConsoleKey(), 'q');
  EXPECT_EQ(takeConsoleKey(), -1);
  close(ends[1]);
  EXPECT_EQ(takeConsoleKey(), -1);
  EXPECT_EQ(takeConsoleKey(), -1);
  EXPECT_FALSE(consoleInterrupted());
  closeConsoleKeyboard();
  close(ends[0]);
}

TEST(ConsoleKeyboard, TerminalIsRawWhileOpenAndRestoredAfter) {
  Terminal terminal;
  ASSERT_GE(terminal.slave, 0);
  ASSERT_FALSE(rawMode(terminal.slave));
  openConsoleKeyboard(terminal.slave);
  EXPECT_TRUE(rawMode(terminal.slave));
  EXPECT_EQ(takeConsoleKey(), -1);
  ASSERT_EQ(write(terminal.master, "x", 1), 1);
  usleep(20000);
  EXPECT_EQ(takeConsoleKey(), 'x');
  EXPECT_EQ(takeConsoleKey(), -1);  // nothing waiting is not an end on a terminal
  ASSERT_EQ(write(terminal.master, "y", 1), 1);
  usleep(20000);
  EXPECT_EQ(takeConsoleKey(), 'y');
  closeConsoleKeyboard();
  EXPECT_FALSE(rawMode(terminal.slave));
}

TEST(ConsoleKeyboard, InterruptAndTerminateArriveAsQuit) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  for (int signal : {SIGINT, SIGTERM}) {
    openConsoleKeyboard(ends[0]);
    EXPECT_FALSE(consoleInterrupted());
    std::raise(signal);
    EXPECT_TRUE(consoleInterrupted());
    EXPECT_EQ(takeConsoleKey(), 'Q');
    closeConsoleKeyboard();
  }
  struct sigaction current {};
  sigaction(SIGTERM, nullptr, &current);
  EXPECT_EQ(current.sa_handler, SIG_DFL);
  close(ends[0]);
  close(ends[1]);
}

TEST(ConsoleKeyboard, FatalExitsAndCrashesRestoreTheTerminal) {
  Terminal terminal;
  ASSERT_GE(terminal.slave, 0);
  for (bool crash : {false, true}) {
    const pid_t child = fork();
    if (child == 0) {
      openConsoleKeyboard(terminal.slave);
      if (!rawMode(terminal.slave)) _exit(3);
      if (crash) std::raise(SIGABRT);
      std::exit(1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (crash) {
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT);
    } else {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    }
    EXPECT_FALSE(rawMode(terminal.slave)) << (crash ? "after a crash" : "after exit(1)");
  }
}

}  // namespace
