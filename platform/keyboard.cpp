#include "platform/keyboard.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <iterator>

namespace {

int inputFd = -1;
bool inputIsTerminal = false;
bool inputEnded = false;
// Cleared by the stop handler as well, which gives the terminal back.
volatile std::sig_atomic_t rawModeSet = false;
termios savedTerminal{};
volatile std::sig_atomic_t interrupted = 0;
bool atexitRegistered = false;

struct sigaction savedInterrupt {
}, savedTerminate{}, savedStop{};
// Signals whose default action ends the process: the terminal is restored,
// then the signal is raised again with its default action. SIGPIPE comes when
// the exit report is written into a pipe whose reader is gone (`| tee` and
// Ctrl-C). A signal the process inherited as ignored (SIGHUP under nohup)
// stays ignored.
constexpr int fatalSignals[] = {SIGHUP,  SIGQUIT, SIGABRT, SIGSEGV, SIGBUS,   SIGFPE,
                                SIGILL,  SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2,  SIGXCPU,
                                SIGXFSZ, SIGSYS,  SIGTRAP, SIGPROF, SIGVTALRM};
struct sigaction savedFatal[std::size(fatalSignals)]{};

// A process in the background that reads its terminal or changes its
// settings is stopped by the kernel until it is brought to the foreground.
// A terminal that is not the process's controlling one has no foreground.
bool inBackground(int fd) {
  const pid_t foreground = tcgetpgrp(fd);
  return foreground != -1 && foreground != getpgrp();
}

void restoreTerminal() {
  // tcsetattr, tcgetpgrp and getpgrp are async-signal-safe, so this may run
  // inside a handler. Keys left unread, such as the rest of a cursor key's
  // codes, are dropped rather than handed to the shell. A terminal another
  // job has taken over is left to it.
  if (rawModeSet && !inBackground(inputFd)) tcsetattr(inputFd, TCSAFLUSH, &savedTerminal);
  rawModeSet = false;
}

void onInterrupt(int) { interrupted = 1; }

void installStopHandler();

// Ctrl-Z: the terminal goes back to the shell as it was lent, the process
// stops, and once continued it takes raw mode again at the next key check.
void onStop(int) {
  const int savedErrno = errno;
  restoreTerminal();
  std::signal(SIGTSTP, SIG_DFL);
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTSTP);
  pthread_sigmask(SIG_UNBLOCK, &stop, nullptr);
  std::raise(SIGTSTP);  // returns once the process is continued
  installStopHandler();
  errno = savedErrno;
}

void installStopHandler() {
  struct sigaction action {};
  sigemptyset(&action.sa_mask);
  action.sa_handler = onStop;
  sigaction(SIGTSTP, &action, nullptr);
}

void onFatalSignal(int signal) {
  restoreTerminal();
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void setRawMode(int fd) {
  if (tcgetattr(fd, &savedTerminal) != 0) return;
  termios raw = savedTerminal;
  // Keys one at a time and unechoed; ISIG stays so Ctrl-C still interrupts.
  // Ctrl-S, Ctrl-Q, Ctrl-V and Ctrl-O are keys, not flow control or
  // line editing (a stopped output would also hold up the exit report).
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
  raw.c_iflag &= ~static_cast<tcflag_t>(IXON);
  raw.c_cc[VMIN] = 0;
  raw.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &raw) == 0) rawModeSet = true;
}

void installHandlers() {
  struct sigaction action {};
  sigemptyset(&action.sa_mask);
  action.sa_handler = onInterrupt;
  sigaction(SIGINT, &action, &savedInterrupt);
  sigaction(SIGTERM, &action, &savedTerminate);
  sigaction(SIGTSTP, nullptr, &savedStop);
  if (inputIsTerminal && savedStop.sa_handler == SIG_DFL) installStopHandler();
  action.sa_handler = onFatalSignal;
  action.sa_flags = SA_RESETHAND;
  for (std::size_t i = 0; i < std::size(fatalSignals); ++i) {
    sigaction(fatalSignals[i], nullptr, &savedFatal[i]);
    if (savedFatal[i].sa_handler == SIG_DFL) sigaction(fatalSignals[i], &action, nullptr);
  }
}

void restoreHandlers() {
  sigaction(SIGINT, &savedInterrupt, nullptr);
  sigaction(SIGTERM, &savedTerminate, nullptr);
  sigaction(SIGTSTP, &savedStop, nullptr);
  for (std::size_t i = 0; i < std::size(fatalSignals); ++i) {
    sigaction(fatalSignals[i], &savedFatal[i], nullptr);
  }
}

}  // namespace

void openConsoleKeyboard(int fd) {
  if (inputFd >= 0) return;
  inputFd = fd;
  inputIsTerminal = isatty(fd);
  inputEnded = false;
  interrupted = 0;
  if (inputIsTerminal && !inBackground(fd)) setRawMode(fd);
  installHandlers();
  if (!atexitRegistered) {
    std::atexit(restoreTerminal);
    atexitRegistered = true;
  }
}

void closeConsoleKeyboard() {
  if (inputFd < 0) return;
  restoreTerminal();
  restoreHandlers();
  inputFd = -1;
}

int takeConsoleKey() {
  if (interrupted) return 'Q';
  if (inputFd < 0 || inputEnded) return -1;
  if (inputIsTerminal) {
    if (inBackground(inputFd)) return -1;  // its keys belong to the foreground job
    if (!rawModeSet) setRawMode(inputFd);  // started in the background, or continued
  }
  pollfd waiting{inputFd, POLLIN, 0};
  if (poll(&waiting, 1, 0) <= 0 || (waiting.revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
    return -1;
  }
  unsigned char key = 0;
  const ssize_t count = read(inputFd, &key, 1);
  if (count == 1) return key;
  // Zero bytes from a pipe or file is its end; a terminal in raw mode only
  // says that nothing is waiting.
  if (count == 0 && !rawModeSet) inputEnded = true;
  if (count < 0 && (waiting.revents & (POLLHUP | POLLERR)) != 0) inputEnded = true;
  return -1;
}
