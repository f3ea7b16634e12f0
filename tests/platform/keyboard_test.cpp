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

// A pseudo-terminal stands in for the console: raw while open, restored on
// close, on exit() from an error and on a crash; an interrupt arrives as quit.
TEST(ConsoleKeyboard, TerminalKeysInterruptAndRestoringTheTerminal) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_TRUE(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
  const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
  ASSERT_FALSE(rawMode(slave));
  struct sigaction interruptBefore {};
  sigaction(SIGINT, nullptr, &interruptBefore);
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
  std::raise(SIGINT);
  EXPECT_EQ(takeConsoleKey(), 'Q');
  closeConsoleKeyboard();
  EXPECT_FALSE(rawMode(slave));
  struct sigaction current {};
  sigaction(SIGINT, nullptr, &current);
  EXPECT_EQ(current.sa_handler, interruptBefore.sa_handler);
  ASSERT_EQ(write(master, "\n", 1), 1);
  char line[8];
  EXPECT_EQ(read(slave, line, sizeof line), 1);
  // Ended by exit(1), a crash, Ctrl-\, a closed terminal or a report written to a
  // pipe whose reader is gone (`| tee`, Ctrl-C); a hangup ignored under nohup stays so.
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

// A job of a job-control shell (played by the session leader): in the background
// it leaves the terminal alone and reads no key, either would stop it; in the
// foreground it is raw; Ctrl-Z gives the terminal back until it is continued.
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
