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
#include <string>

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
  // Nothing waiting is not an end on a terminal. Ctrl-S, Ctrl-Q and Ctrl-V
  // are keys, not flow control or a literal-next prefix.
  for (const char* key : {"x", "\x13", "\x11", "\x16", "y"}) {
    ASSERT_EQ(write(master, key, 1), 1);
    usleep(20000);
    EXPECT_EQ(takeConsoleKey(), key[0]) << int(key[0]);
    EXPECT_EQ(takeConsoleKey(), -1);
  }
  // A cursor key's first code ends a run; the rest is not left to the shell.
  ASSERT_EQ(write(master, "\x1b[A", 3), 3);
  usleep(20000);
  EXPECT_EQ(takeConsoleKey(), 0x1b);
  closeConsoleKeyboard();
  EXPECT_FALSE(rawMode(slave));
  ASSERT_EQ(write(master, "\n", 1), 1);
  char line[8];
  EXPECT_EQ(read(slave, line, sizeof line), 1);
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
      // Each case sets its signal's disposition itself: a shell starts a
      // background job (`make test &`) with SIGQUIT and SIGINT ignored.
      if (signal != 0) std::signal(signal, ignored ? SIG_IGN : SIG_DFL);
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

// A process of a job-control shell's background job: its own process group
// in a session whose controlling terminal is the pseudo-terminal. Started
// in the background it leaves the terminal alone and reads no key (either
// would stop it); brought to the foreground it takes the waiting key in raw
// mode; stopped by Ctrl-Z it gives the shell its terminal back as it was,
// and continued it takes raw mode again. The session leader plays the shell.
TEST(ConsoleKeyboard, ABackgroundOrStoppedRunLeavesTheTerminalToTheShell) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_TRUE(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
  const std::string slaveName = ptsname(master);
  const pid_t shell = fork();
  if (shell == 0) {
    setsid();
    const int terminal = open(slaveName.c_str(), O_RDWR);  // the session's controlling terminal
    if (terminal < 0 || tcgetpgrp(terminal) != getpgrp()) _exit(20);
    const pid_t job = fork();
    if (job == 0) {
      setpgid(0, 0);
      openConsoleKeyboard(terminal);
      if (rawMode(terminal)) _exit(21);
      if (takeConsoleKey() != -1) _exit(22);  // the waiting 'k' is not the background's
      std::signal(SIGTTOU, SIG_IGN);
      tcsetpgrp(terminal, getpgrp());  // as the shell's fg does
      std::signal(SIGTTOU, SIG_DFL);
      int key = -1;
      for (int wait = 0; wait < 200 && key == -1; ++wait, usleep(5000)) key = takeConsoleKey();
      if (key != 'k' || !rawMode(terminal)) _exit(23);
      std::raise(SIGTSTP);  // Ctrl-Z; the shell continues it
      if (takeConsoleKey() != -1 || !rawMode(terminal)) _exit(24);
      closeConsoleKeyboard();
      _exit(rawMode(terminal) ? 25 : 0);
    }
    setpgid(job, job);
    for (;;) {
      int status = 0;
      if (waitpid(job, &status, WUNTRACED) != job) _exit(26);
      if (WIFEXITED(status)) _exit(WEXITSTATUS(status));
      if (!WIFSTOPPED(status) || WSTOPSIG(status) != SIGTSTP) {
        kill(job, SIGKILL);  // stopped for touching the terminal from the background
        _exit(27);
      }
      if (rawMode(terminal)) _exit(28);  // the shell's terminal, while the job is stopped
      kill(job, SIGCONT);
    }
  }
  ASSERT_EQ(write(master, "k", 1), 1);
  int status = 0;
  ASSERT_EQ(waitpid(shell, &status, 0), shell);
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0) << "status " << status;
  close(master);
}

}  // namespace
