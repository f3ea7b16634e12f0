#include "platform/keyboard.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>

namespace {

bool rawMode(int fd) {
  termios mode{};
  tcgetattr(fd, &mode);
  return (mode.c_lflag & (ICANON | ECHO)) == 0;
}

// Keys from a pipe never wait; interrupt and terminate arrive as quit. A pseudo-terminal stands
// in for the console: raw while open, restored on close, on exit() from an error and on a crash.
TEST(ConsoleKeyboard, PipeAndTerminalKeysSignalsAndRestoringTheTerminal) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  for (int signal : {SIGINT, SIGTERM}) {
    openConsoleKeyboard(ends[0]);
    EXPECT_EQ(takeConsoleKey(), -1);  // an open pipe with nothing in it
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

  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_TRUE(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
  const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
  ASSERT_FALSE(rawMode(slave));
  openConsoleKeyboard(slave);
  EXPECT_TRUE(rawMode(slave));
  EXPECT_EQ(takeConsoleKey(), -1);
  for (const char* key : {"x", "y"}) {  // nothing waiting is not an end on a terminal
    ASSERT_EQ(write(master, key, 1), 1);
    usleep(20000);
    EXPECT_EQ(takeConsoleKey(), key[0]);
    EXPECT_EQ(takeConsoleKey(), -1);
  }
  closeConsoleKeyboard();
  EXPECT_FALSE(rawMode(slave));
  // Ended by exit(1), by a crash, by Ctrl-\ or a closed terminal, or by
  // writing the exit report into a pipe nobody reads any more (`| tee` and
  // Ctrl-C). No core files. A hangup the process was started to ignore
  // (nohup, the last case) stays ignored, and the process goes on to exit(1).
  const struct {
    int signal;
    bool ignored;
  } endings[] = {{0, false},       {SIGABRT, false}, {SIGPIPE, false},
                 {SIGQUIT, false}, {SIGHUP, false},  {SIGHUP, true}};
  for (const auto [signal, ignored] : endings) {
    const pid_t child = fork();
    if (child == 0) {
      const rlimit noCore{0, 0};
      setrlimit(RLIMIT_CORE, &noCore);
      if (ignored) std::signal(SIGHUP, SIG_IGN);
      openConsoleKeyboard(slave);
      if (!rawMode(slave)) _exit(3);
      if (signal != 0) std::raise(signal);
      std::exit(1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    const int killedBy = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    EXPECT_EQ(killedBy, ignored ? 0 : signal) << "status " << status;
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, killedBy == 0 ? 1 : -1);
    EXPECT_FALSE(rawMode(slave)) << "after " << (signal != 0 ? strsignal(signal) : "exit(1)");
  }
  close(slave);
  close(master);
}

}  // namespace
