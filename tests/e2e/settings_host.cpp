// ql_settings_host: shows the settings dialog as the installation worker does, for the names and
// schemes of setup.ini in the current folder, then records what the dialog left behind in
// settings-result.txt there: its result, the fuzzy pairs, and every value of the settings key as
// the system's registry holds it, by name. The key is removed first, so the record holds only
// what this run wrote.
#include "setup/common/win.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "setup/common/text.h"
#include "setup/flow/settings_dialog.h"
#include "setup/flow/startup.h"
#include "setup/install/scheme_slots.h"
#include "setup/model/manifest.h"
#include "setup/model/package.h"
#include "setup/model/setup_state.h"

namespace {

constexpr wchar_t kCurrentVersion[] = L"Software\\Microsoft\\Windows\\CurrentVersion";

struct KeyTraits {
  using Type = HKEY;
  static HKEY Invalid() { return nullptr; }
  static void Close(HKEY key) { RegCloseKey(key); }
};
using UniqueKey = ql::UniqueHandle<KeyTraits>;

std::wstring SettingsKeyPath() {
  return std::wstring(kCurrentVersion) + L"\\" + ql::WString(ql::State().displayName.view());
}

std::string Hex(uint32_t value, int digits) {
  char text[16];
  snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

std::string DescribeValue(DWORD type, const BYTE* data, DWORD size) {
  if (type == REG_DWORD && size == 4) {
    uint32_t value = data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24;
    return "dword 0x" + Hex(value, 8) + " (" + std::to_string(value) + ")";
  }
  std::string text = (type == REG_BINARY ? "binary" : "type " + std::to_string(type)) + " " +
                     std::to_string(size) + " bytes:";
  for (DWORD i = 0; i < size; ++i)
    text += " " + Hex(data[i], 2);
  return text;
}

std::string Record(int result) {
  ql::SetupState& state = ql::State();
  std::string out = "result " + std::to_string(result) + "\nfuzzyPairs";
  for (size_t k = 0; k < ql::kFuzzyPairCount; ++k)
    out += std::string(" ") + ql::kFuzzyPairNames[k] + "=" + std::to_string(state.fuzzyPairs[k]);
  out += "\n";
  HKEY raw = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, SettingsKeyPath().c_str(), 0, KEY_READ, &raw) !=
      ERROR_SUCCESS)
    return out + "settings key absent\n";
  UniqueKey key(raw);
  out += "settings key\n";
  // Windows enumerates values in the order they were written, Wine by name: sorted, the record
  // reads the same on both.
  std::vector<std::pair<std::u16string, std::string>> values;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD nameLength = 256;
    BYTE data[1024];
    DWORD size = sizeof data;
    DWORD type = 0;
    if (RegEnumValueW(key.get(), index, name, &nameLength, nullptr, &type, data, &size) !=
        ERROR_SUCCESS)
      break;
    values.emplace_back(ql::U(name, nameLength), DescribeValue(type, data, size));
  }
  std::sort(values.begin(), values.end());
  for (const auto& [name, description] : values)
    out += "  " + ql::Utf16ToUtf8(name) + " = " + description + "\n";
  return out;
}

}  // namespace

int wmain() {
  ql::SetupState& state = ql::State();
  state.instance = GetModuleHandleW(nullptr);
  InitCommonControls();
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  state.packageFolder.Assign(ql::WithTrailingBackslash(ql::U(folder)));
  ql::ReadSetupManifest(state.packageFolder.view(), state);

  RegDeleteKeyW(HKEY_CURRENT_USER, SettingsKeyPath().c_str());
  int result = ql::ShowSettingsDialog(state);

  std::string record = Record(result);
  FILE* file = _wfopen(L"settings-result.txt", L"wb");
  if (!file)
    return 1;
  fwrite(record.data(), 1, record.size(), file);
  fclose(file);
  return 0;
}
