#pragma once
// The console keyboard: keys are read one at a time, without echo and without
// waiting. On a terminal the console is put into raw mode (no echo, no line
// buffering) and restored on every way out of the process: a normal return,
// exit() from a fatal error, and the signals that end it. When the input is a
// pipe or a file its bytes are the keys, one per call; its end means no more
// keys, not a quit. Ctrl-C and SIGTERM do not kill the process: they arrive
// as a 'Q' key, so the run ends normally and still reports. A run in a
// background job leaves the terminal alone and reads no keys from it until
// it is in the foreground; Ctrl-Z gives the shell its terminal back.

// Sets up the console on fd (standard input by default). A second call
// without closeConsoleKeyboard in between does nothing.
void openConsoleKeyboard(int fd = 0);

// Restores the terminal and the signal handlers; safe to call more than once.
void closeConsoleKeyboard();

// The next key waiting, or -1 when none is waiting.
int takeConsoleKey();
