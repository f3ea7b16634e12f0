#include "app/program.h"
#include "platform/keyboard.h"
#include "platform/sdl_display.h"

namespace {

// Console keys first, then keys typed into the window.
class ConsoleAndWindowKeys : public KeySource {
 public:
  explicit ConsoleAndWindowKeys(SdlDisplay& window) : window_(window) {}
  int takeKey() override {
    const int key = takeConsoleKey();
    return key >= 0 ? key : window_.takeKey();
  }

 private:
  SdlDisplay& window_;
};

}  // namespace

int main() {
  openConsoleKeyboard();
  SdlDisplay window;
  ConsoleAndWindowKeys keys(window);
  Platform platform;
  platform.keys = &keys;
  platform.display = &window;
  const int status = runProgram(platform);
  closeConsoleKeyboard();
  return status;
}
