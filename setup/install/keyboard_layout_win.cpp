// The system's layout values on Windows.
#include "setup/common/win.h"
#include "setup/install/keyboard_layout.h"

namespace ql {

LayoutSystem PlatformLayoutSystem() {
  LayoutSystem system;
  system.tickCount = [] { return static_cast<uint32_t>(GetTickCount()); };
  system.platformId = [](uint32_t* id) {
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExW(&info))
      return false;
    *id = info.dwPlatformId;
    return true;
  };
  system.loadKeyboardLayout = [](std::u16string_view layoutId, uint32_t flags) {
    LoadKeyboardLayoutW(WString(layoutId).c_str(), flags);
  };
  // The package's setup.ini is UTF-16, which the system keeps when it writes into it.
  system.writeProfileString = [](std::u16string_view path, std::u16string_view section,
                                 std::u16string_view key, std::u16string_view value) {
    return WritePrivateProfileStringW(WString(section).c_str(), WString(key).c_str(),
                                      WString(value).c_str(), WString(path).c_str()) != FALSE;
  };
  return system;
}

}  // namespace ql
