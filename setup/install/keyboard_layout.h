// Registration of the installed input-method module as a keyboard layout of Simplified Chinese
// (language 0804): the module's installed file name, the layout key below the system's layouts
// key, the user's preload list and "show status".
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "setup/common/registry.h"

namespace ql {

struct SetupState;

constexpr std::u16string_view kLayoutsKeyPath =
    u"System\\CurrentControlSet\\Control\\Keyboard Layouts";
constexpr std::u16string_view kInputMethodKeyPath = u"Control Panel\\Input Method";
constexpr std::u16string_view kPreloadKeyPath = u"keyboard layout\\preload";
// The layout id the platform's own module takes.
constexpr std::u16string_view kPlatformLayoutId = u"E0010804";

constexpr std::u16string_view kLayoutsOpenError = u"Keyboard Layouts open error\n";
constexpr std::u16string_view kLayoutsOpenCaption = u"!!!";
// The installed setup.ini could not take the module's name or the display name.
constexpr std::u16string_view kSetupIniNotWrittenText =
    u"不能把输入法模块的名称写入安装信息文件：\n";
constexpr std::u16string_view kSetupIniNotWrittenCaption = u"输入法安装";
constexpr std::u16string_view kLayoutCreateError = u"安装失败！请使用系统管理员身份安装！";
constexpr std::u16string_view kPreloadCreateError = u"error no1";
constexpr std::u16string_view kPreloadCreateCaption = u"ok";

// KLF_ACTIVATE | KLF_SUBSTITUTE_OK | KLF_REPLACELANG.
constexpr uint32_t kLoadLayoutFlags = 0x13;
// Platform ids of the version query from which the NT family begins.
constexpr uint32_t kPlatformNt = 2;

// The system values registration needs beyond the registry. On Windows: GetTickCount,
// GetVersionExW, LoadKeyboardLayoutW and WritePrivateProfileStringW; tests replace them.
struct LayoutSystem {
  std::function<uint32_t()> tickCount;
  // The version query's platform id; false when the query fails.
  std::function<bool(uint32_t* platformId)> platformId;
  std::function<void(std::u16string_view layoutId, uint32_t flags)> loadKeyboardLayout;
  // Sets `key` = `value` in `section` of the INI file at `path`; false when it cannot.
  std::function<bool(std::u16string_view path,
                     std::u16string_view section,
                     std::u16string_view key,
                     std::u16string_view value)>
      writeProfileString;
};

// The platform's values; defined once per platform.
LayoutSystem PlatformLayoutSystem();

// Settles imeFileName and imeBaseName: the module file of the registered layout whose layout
// text equals the run's (compared case-sensitively), else a fresh name from the tick count.
// Records "Name" (and, for a fresh name, "ImeFileName") in section "soft" of `setupIniPath`; a
// record that cannot be written is told once, and the run goes on.
void ChooseModuleFileName(SetupState& state,
                          std::u16string_view setupIniPath,
                          const LayoutSystem& system);
void ChooseModuleFileName(SetupState& state, std::u16string_view setupIniPath);

// Registers the installed module as a keyboard layout: "show status", the layout key, the
// preload list, and the layout loaded. Failures are shown and end the registration.
void RegisterKeyboardLayout(const SetupState& state, const LayoutSystem& system);
void RegisterKeyboardLayout(const SetupState& state);

// The layout id for the run's layout text, below the open layouts key: the key that already
// carries the text (compared ignoring case), or a free id above E0010804. Empty only when every
// id above E0010804 is taken.
std::u16string ChooseLayoutId(RegHandle layoutsKey, std::u16string_view layoutText);

// True for ids of this language: exactly eight characters ending in "0804".
bool IsChineseLayoutId(std::u16string_view name);
// Eight upper-case hexadecimal digits.
std::u16string FormatLayoutId(uint32_t value);

// Enters `layoutId` into the open preload key. Returns false when the registration must stop
// (older platforms: a new entry cannot be created; the message has been shown).
bool RunPreloadPass(RegHandle preloadKey, std::u16string_view layoutId, bool ntFamily);

}  // namespace ql
