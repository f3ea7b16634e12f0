#include "platform/keyboard.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <iterator>

namespace {

int inputFd = -1;
bool inputEnded = false;
bool rawModeSet = false;
termios savedTerminal{};
volatile std::sig_atomic_t interrupted = 0;
bool atexitRegistered = false;

struct sigaction savedInterrupt {
}, savedTerminate{};
// Signals whose default action ends the process: the terminal is restored,
// then the signal is raised again with its default action. SIGPIPE comes when
// the exit report is written into a pipe whose reader is gone (`| tee` and
// Ctrl-C). A signal the process inherited as ignored (SIGHUP under nohup)
// stays ignored.
constexpr int fatalSignals[] = {SIGHUP,  SIGQUIT, SIGABRT, SIGSEGV, SIGBUS,   SIGFPE,
                                SIGILL,  SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2,  SIGXCPU,
                                SIGXFSZ, SIGSYS,  SIGTRAP, SIGPROF, SIGVTALRM};
struct sigaction savedFatal[std::size(fatalSignals)]{};

void restoreTerminal() {
  // tcsetattr is async-signal-safe, so this may run inside a handler.
  if (rawModeSet) tcsetattr(inputFd, TCSANOW, &savedTerminal);
  rawModeSet = false;
}

void onInterrupt(int) { interrupted = 1; }

void onFatalSignal(int signal) {
  restoreTerminal();
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void setRawMode(int fd) {
  if (!isatty(fd) || tcgetattr(fd, &savedTerminal) != 0) return;
  termios raw = savedTerminal;
  // Keys one at a time and unechoed; ISIG stays so Ctrl-C still interrupts.
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
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
  for (std::size_t i = 0; i < std::size(fatalSignals); ++i) {
    sigaction(fatalSignals[i], &savedFatal[i], nullptr);
  }
}

}  // namespace

void openConsoleKeyboard(int fd) {
  if (inputFd >= 0) return;
  inputFd = fd;
  inputEnded = false;
  interrupted = 0;
  setRawMode(fd);
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

bool consoleInterrupted() { return interrupted != 0; }
