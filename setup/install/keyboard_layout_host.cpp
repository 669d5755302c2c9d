// Without the system, the host's layout values: a millisecond clock, an NT-family version, no
// layout to load, and the portable INI writer.
#include <chrono>

#include "setup/install/keyboard_layout.h"
#include "setup/install/profile_writer.h"

namespace ql {

LayoutSystem PlatformLayoutSystem() {
  LayoutSystem system;
  system.tickCount = [] {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
  };
  system.platformId = [](uint32_t* id) {
    *id = kPlatformNt;
    return true;
  };
  system.loadKeyboardLayout = [](std::u16string_view, uint32_t) {};
  system.writeProfileString = WriteProfileStringToFile;
  return system;
}

}  // namespace ql
