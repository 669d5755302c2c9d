#include "diskident/machine_win.h"

#include <windows.h>

#include <shellapi.h>
#include <winioctl.h>

#include "setup/common/win.h"

namespace diskident {
namespace {

constexpr DWORD kStorageQueryProperty = 0x2D1400;
static_assert(IOCTL_STORAGE_QUERY_PROPERTY == kStorageQueryProperty, "storage property query");
static_assert(sizeof(STORAGE_PROPERTY_QUERY) == 12, "the 12-byte property query");

using ql::LocalBlock;
using ql::U;
using ql::UniqueFile;
using ql::WString;

// HKEY_LOCAL_MACHINE is sign-extended on 64-bit Windows; every other key is the handle itself.
HKEY Hkey(KeyRef key) {
  return key == kLocalMachine ? HKEY_LOCAL_MACHINE : reinterpret_cast<HKEY>(key);
}

// Handles are passed between processes as 32-bit numbers and widened as the system widens them.
HWND Window(uint32_t window) {
  return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(window)));
}

}  // namespace

bool WindowsMachine::QueryStorageDescriptor(int number,
                                            uint8_t* buffer,
                                            size_t capacity,
                                            size_t* returned) {
  *returned = 0;
  std::wstring path = L"\\\\.\\PHYSICALDRIVE" + std::to_wstring(number);
  // No access rights: the storage property query needs none, so no elevation is asked for.
  UniqueFile device(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
  if (!device)
    return false;
  STORAGE_PROPERTY_QUERY query = {};
  query.PropertyId = StorageDeviceProperty;
  query.QueryType = PropertyStandardQuery;
  DWORD bytes = 0;
  if (!::DeviceIoControl(device.get(), kStorageQueryProperty, &query, sizeof query, buffer,
                         static_cast<DWORD>(capacity), &bytes, nullptr))
    return false;
  *returned = bytes;
  return true;
}

bool WindowsMachine::OpenKey(KeyRef parent, std::u16string_view subkey, KeyRef* key) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(Hkey(parent), WString(subkey).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
    return false;
  *key = reinterpret_cast<KeyRef>(opened);
  return true;
}

void WindowsMachine::CloseKey(KeyRef key) {
  ::RegCloseKey(Hkey(key));
}

bool WindowsMachine::ReadDword(KeyRef key, std::u16string_view name, uint32_t* value) {
  DWORD type = 0;
  DWORD data = 0;
  DWORD size = sizeof data;
  if (::RegQueryValueExW(Hkey(key), WString(name).c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof data)
    return false;
  *value = data;
  return true;
}

bool WindowsMachine::ReadString(KeyRef key,
                                std::u16string_view name,
                                size_t maxBytes,
                                std::u16string* text) {
  std::wstring data(maxBytes / sizeof(wchar_t), L'\0');
  DWORD type = 0;
  DWORD size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
  if (::RegQueryValueExW(Hkey(key), WString(name).c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return false;
  // The stored text need not be terminated: it ends at its first NUL or with its data.
  data.resize(size / sizeof(wchar_t));
  size_t end = data.find(L'\0');
  *text = std::u16string(U(data.c_str(), end == std::wstring::npos ? data.size() : end));
  return true;
}

std::vector<std::u16string> WindowsMachine::ValueNames(KeyRef key, size_t maxUnits) {
  std::vector<std::u16string> names;
  std::wstring name(maxUnits + 1, L'\0');
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(name.size());
    LONG rc =
        ::RegEnumValueW(Hkey(key), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA)
      continue;
    if (rc != ERROR_SUCCESS)
      break;
    names.push_back(std::u16string(U(name.c_str(), length)));
  }
  return names;
}

bool WindowsMachine::SubkeyName(KeyRef key, uint32_t index, size_t maxUnits, std::u16string* name) {
  std::wstring buffer(maxUnits + 1, L'\0');
  DWORD length = static_cast<DWORD>(buffer.size());
  if (::RegEnumKeyExW(Hkey(key), index, buffer.data(), &length, nullptr, nullptr, nullptr,
                      nullptr) != ERROR_SUCCESS)
    return false;
  *name = std::u16string(U(buffer.c_str(), length));
  return true;
}

std::string WindowsMachine::ToAnsi(std::u16string_view text) {
  if (text.empty())
    return {};
  std::wstring wide = WString(text);
  int length = static_cast<int>(wide.size());
  int size = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0)
    return {};
  std::string ansi(static_cast<size_t>(size), '\0');
  size = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), length, ansi.data(), size, nullptr, nullptr);
  ansi.resize(size > 0 ? static_cast<size_t>(size) : 0);
  return ansi;
}

void WindowsMachine::Send(uint32_t window, const DriveIdentityRecord& record) {
  DriveIdentityRecord payload = record;
  COPYDATASTRUCT message = {};
  message.dwData = 1;
  message.cbData = sizeof payload;
  message.lpData = &payload;
  HWND target = Window(window);
  ::SendMessageW(target, WM_COPYDATA, reinterpret_cast<WPARAM>(target),
                 reinterpret_cast<LPARAM>(&message));
}

std::vector<std::u16string> CommandLineArguments() {
  std::vector<std::u16string> arguments;
  int count = 0;
  LocalBlock<wchar_t**> argv(::CommandLineToArgvW(::GetCommandLineW(), &count));
  if (!argv)
    return arguments;
  for (int i = 0; i < count; ++i)
    arguments.push_back(std::u16string(U(argv.get()[i], wcslen(argv.get()[i]))));
  return arguments;
}

}  // namespace diskident
