// Registration end to end on the system's registry. A fresh Wine prefix has no keyboard-layouts
// key, so the tests seed it (and remove what they made); the preload list is saved and restored.
// LoadKeyboardLayoutW is a stub under Wine: which layouts get loaded is checked through the seam.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "setup/common/files.h"
#include "setup/common/registry.h"
#include "setup/common/ui.h"
#include "setup/common/win.h"
#include "setup/install/keyboard_layout.h"
#include "setup/model/setup_state.h"
#include "tests/support/test_support.h"

namespace ql {
namespace {

struct KeyTraits {
  using Type = HKEY;
  static HKEY Invalid() { return nullptr; }
  static void Close(HKEY key) { ::RegCloseKey(key); }
};
using UniqueKey = UniqueHandle<KeyTraits>;

const wchar_t kLayouts[] = L"System\\CurrentControlSet\\Control\\Keyboard Layouts";
const wchar_t kPreload[] = L"Keyboard Layout\\Preload";

UniqueKey Create(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  return UniqueKey(key);
}

bool Exists(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

void SetText(HKEY key, const wchar_t* name, const std::wstring& text) {
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// Type and raw bytes of a value; type 0 when it is absent.
std::pair<DWORD, std::vector<uint8_t>> Raw(HKEY root,
                                           const std::wstring& path,
                                           const wchar_t* name) {
  UniqueKey key;
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
    return {0, {}};
  key = UniqueKey(opened);
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return {0, {}};
  std::vector<uint8_t> bytes(size);
  RegQueryValueExW(key.get(), name, nullptr, &type, bytes.data(), &size);
  bytes.resize(size);
  return {type, bytes};
}

std::vector<uint8_t> Sz(std::u16string_view text) {
  return RegStringBytes(text);
}

DWORD ValueCount(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return 0;
  DWORD count = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                   nullptr, nullptr, nullptr);
  RegCloseKey(key);
  return count;
}

class RegistrationTest : public ::testing::Test {
 protected:
  SetupState state;
  void SetUp() override {
    layoutsExisted_ = Exists(HKEY_LOCAL_MACHINE, kLayouts);
    // Save the preload list, then start it as a fresh prefix has it.
    UniqueKey preload = Create(HKEY_CURRENT_USER, kPreload);
    for (DWORD index = 0;; ++index) {
      wchar_t name[200];
      DWORD nameLength = 200;
      BYTE data[400];
      DWORD size = sizeof data;
      if (RegEnumValueW(preload.get(), index, name, &nameLength, nullptr, nullptr, data, &size) !=
          ERROR_SUCCESS)
        break;
      savedPreload_[name] = std::wstring(reinterpret_cast<wchar_t*>(data), size / 2);
    }
    ClearPreload();
    SetText(Create(HKEY_CURRENT_USER, kPreload).get(), L"1", L"00000409");

    system_ = PlatformLayoutSystem();
    system_.loadKeyboardLayout = [this](std::u16string_view id, uint32_t) {
      loaded_.emplace_back(id);
    };
  }

  void TearDown() override {
    for (const wchar_t* id : {L"E0010804", L"E0020804", L"E0030804", L"E0040804", L"E0000804"})
      RegDeleteKeyW(HKEY_LOCAL_MACHINE, (std::wstring(kLayouts) + L"\\" + id).c_str());
    if (!layoutsExisted_)
      RegDeleteKeyW(HKEY_LOCAL_MACHINE, kLayouts);
    ClearPreload();
    UniqueKey preload = Create(HKEY_CURRENT_USER, kPreload);
    for (const auto& [name, data] : savedPreload_)
      RegSetValueExW(preload.get(), name.c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(data.data()),
                     static_cast<DWORD>(data.size() * sizeof(wchar_t)));
  }

  void ClearPreload() {
    UniqueKey preload = Create(HKEY_CURRENT_USER, kPreload);
    std::vector<std::wstring> names;
    for (const auto& entry : savedPreload_)
      names.push_back(entry.first);
    for (const wchar_t* n : {L"1", L"2", L"3", L"4", L"5"})
      names.emplace_back(n);
    for (const std::wstring& name : names)
      RegDeleteValueW(preload.get(), name.c_str());
  }

  void SetNames(std::u16string_view displayName) {
    state.displayName.Assign(displayName);
    state.layoutText.Assign(u"中文(简体) - " + std::u16string(displayName));
  }

  std::wstring LayoutPath(const wchar_t* id) { return std::wstring(kLayouts) + L"\\" + id; }

  test::RecordingUi ui_;
  ScopedUi scopedUi_{ui_};
  LayoutSystem system_;
  std::vector<std::u16string> loaded_;

 private:
  bool layoutsExisted_ = false;
  std::map<std::wstring, std::wstring> savedPreload_;
};

TEST_F(RegistrationTest, AbsentLayoutsKeyStopsWithItsMessage) {
  if (Exists(HKEY_LOCAL_MACHINE, kLayouts))
    GTEST_SKIP() << "this prefix has a keyboard-layouts key";
  SetNames(u"青岚输入法平台");
  RegisterKeyboardLayout(state, system_);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, u"Keyboard Layouts open error\n");
  EXPECT_EQ(ui_.messages[0].caption, u"!!!");
  EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, kLayouts));
  EXPECT_TRUE(loaded_.empty());
}

TEST_F(RegistrationTest, FreshInstallMovesTheForeignLayoutAndReinstallReusesTheKey) {
  {
    UniqueKey foreign = Create(HKEY_LOCAL_MACHINE, LayoutPath(L"E0010804"));
    SetText(foreign.get(), L"layout text", L"foreign");
    SetText(foreign.get(), L"Ime File", L"FOREIGN.IME");
    DWORD one = 1;
    RegSetValueExW(foreign.get(), L"Layout Id", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one),
                   sizeof one);
    SetText(Create(HKEY_LOCAL_MACHINE, LayoutPath(L"E0020804")).get(), L"layout text", L"other");
  }
  SetNames(u"青岚输入法平台 五笔");

  // The module's name is made up from the tick count and recorded in the UTF-16 setup.ini.
  test::TempFolder folder;
  folder.Write(u"setup.ini", test::Utf16File("[soft]\nName=青岚输入法平台\nImeFileName=qlsrfpt\n"));
  const std::u16string ini = folder.path() + u"setup.ini";
  ChooseModuleFileName(state, ini, system_);
  const std::u16string module = state.imeFileName.str();
  ASSERT_EQ(module.size(), 12u);
  EXPECT_EQ(module.substr(8), u".ime");
  EXPECT_EQ(state.imeBaseName.view(), module.substr(0, 8));
  auto bytes = ReadFileBytes(ini);
  ASSERT_TRUE(bytes);
  ASSERT_GE(bytes->size(), 2u);
  EXPECT_EQ((*bytes)[0], 0xFF);
  EXPECT_EQ((*bytes)[1], 0xFE);
  wchar_t value[64] = {};
  GetPrivateProfileStringW(L"soft", L"Name", L"", value, 64, WString(ini).c_str());
  EXPECT_EQ(std::wstring(value), L"青岚输入法平台 五笔");
  GetPrivateProfileStringW(L"soft", L"ImeFileName", L"", value, 64, WString(ini).c_str());
  EXPECT_EQ(std::u16string(U(value)), module.substr(0, 8));

  RegisterKeyboardLayout(state, system_);
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(Raw(HKEY_LOCAL_MACHINE, LayoutPath(L"E0030804"), L"layout text").second,
            Sz(u"foreign"));
  EXPECT_EQ(Raw(HKEY_LOCAL_MACHINE, LayoutPath(L"E0030804"), L"Layout Id").first, DWORD{REG_DWORD});
  EXPECT_EQ(ValueCount(HKEY_LOCAL_MACHINE, LayoutPath(L"E0010804")), 3u);
  auto ime = Raw(HKEY_LOCAL_MACHINE, LayoutPath(L"E0010804"), L"IME file");
  EXPECT_EQ(ime.first, DWORD{REG_SZ});
  EXPECT_EQ(ime.second, Sz(module));
  EXPECT_EQ(Raw(HKEY_LOCAL_MACHINE, LayoutPath(L"E0010804"), L"layout file").second,
            Sz(u"kbdus.dll"));
  EXPECT_EQ(Raw(HKEY_LOCAL_MACHINE, LayoutPath(L"E0010804"), L"layout text").second,
            Sz(u"中文(简体) - 青岚输入法平台 五笔"));
  EXPECT_EQ(Raw(HKEY_CURRENT_USER, kPreload, L"1").second, Sz(u"00000804"));
  EXPECT_EQ(Raw(HKEY_CURRENT_USER, kPreload, L"2").second, Sz(u"e0030804"));
  EXPECT_EQ(Raw(HKEY_CURRENT_USER, kPreload, L"3").second, Sz(u"E0010804"));
  EXPECT_EQ(loaded_, (std::vector<std::u16string>{u"E0030804", u"E0010804"}));

  // A second install under the same name reuses the module file and the layout key.
  state = SetupState();
  SetNames(u"青岚输入法平台 五笔");
  ChooseModuleFileName(state, ini, system_);
  EXPECT_EQ(state.imeFileName.view(), module);
  loaded_.clear();
  RegisterKeyboardLayout(state, system_);
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(loaded_, std::vector<std::u16string>{u"E0010804"});
  EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, kPreload), 3u);
  EXPECT_EQ(Raw(HKEY_LOCAL_MACHINE, LayoutPath(L"E0030804"), L"layout text").second,
            Sz(u"foreign"));
  EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, LayoutPath(L"E0040804")));
}

}  // namespace
}  // namespace ql
