// Stand-in for the package's tool library TOOL\QLTOOL.dll.
//
// It builds nothing. Each call is recorded as one UTF-8 line appended to "QLTOOL.log" beside the
// library, so tests can see the order and the exact arguments setup passed:
//   RestorPara|<displayName>|<installFolder>
//   CreateXMIdxDll|window=<null|nonnull>|main=<null|nonnull>|user=<null|nonnull>|slot=<n>|
//       mode=<n>|name=<moduleSuppliedName>|folder=<installFolder>|reserved=<n>   (one line)
// "CreateXMIdxDll" refuses (returns 0) the slots listed, comma-separated, in the environment
// variable QLTOOL_REFUSE_SLOT, and succeeds (returns 1) for every other slot.
//
// Built with QL_STANDIN_CDECL the exports use the caller-cleans convention instead of the
// contract's callee-cleans one (matters on 32-bit x86 only).
#include <cstdint>
#include <string>
#include <type_traits>

#include "setup/common/win.h"
#include "setup/contracts/module_contract.h"

#if defined(QL_STANDIN_CDECL) && defined(__i386__)
#define QL_TOOL_CALL __cdecl
#else
#define QL_TOOL_CALL QL_EXPORT_CALL
#endif

namespace {

// The folder of this library, with its trailing backslash; empty when it cannot be found.
std::wstring OwnFolder() {
  HMODULE self = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&OwnFolder), &self)) {
    return std::wstring();
  }
  std::wstring path(32768, L'\0');
  DWORD length = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size())
    return std::wstring();
  path.resize(length);
  size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos)
    return std::wstring();
  path.resize(slash + 1);
  return path;
}

std::string Utf8(const std::wstring& text) {
  if (text.empty())
    return std::string();
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
  if (size <= 0)
    return std::string();
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

std::wstring Text(const wchar_t* text) {
  return text == nullptr ? std::wstring(L"<null>") : std::wstring(text);
}

const wchar_t* Presence(const void* pointer) {
  return pointer == nullptr ? L"null" : L"nonnull";
}

// Appends one line to QLTOOL.log beside the library.
void Record(const std::wstring& line) {
  std::wstring folder = OwnFolder();
  if (folder.empty())
    return;
  ql::UniqueFile log(CreateFileW((folder + L"QLTOOL.log").c_str(), FILE_APPEND_DATA,
                                 FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
  if (!log)
    return;
  std::string bytes = Utf8(line + L"\n");
  DWORD written = 0;
  WriteFile(log.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// Whether QLTOOL_REFUSE_SLOT lists `slot`.
bool SlotRefused(int32_t slot) {
  wchar_t value[128] = {};
  DWORD length = GetEnvironmentVariableW(L"QLTOOL_REFUSE_SLOT", value, 128);
  if (length == 0 || length >= 128)
    return false;
  std::wstring list(value, length);
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(L',', start);
    if (end == std::wstring::npos)
      end = list.size();
    if (list.substr(start, end - start) == std::to_wstring(slot))
      return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

extern "C" {

int32_t QL_TOOL_CALL RestorPara(const wchar_t* displayName, const wchar_t* installFolder) {
  Record(L"RestorPara|" + Text(displayName) + L"|" + Text(installFolder));
  return 1;
}

int32_t QL_TOOL_CALL CreateXMIdxDll(void* window,
                                    void* mainDataView,
                                    void* userDataView,
                                    int32_t slot,
                                    int32_t mode,
                                    const wchar_t* moduleSuppliedName,
                                    const wchar_t* installFolder,
                                    int32_t reserved) {
  Record(L"CreateXMIdxDll|window=" + std::wstring(Presence(window)) + L"|main=" +
         Presence(mainDataView) + L"|user=" + Presence(userDataView) + L"|slot=" +
         std::to_wstring(slot) + L"|mode=" + std::to_wstring(mode) + L"|name=" +
         Text(moduleSuppliedName) + L"|folder=" + Text(installFolder) + L"|reserved=" +
         std::to_wstring(reserved));
  return SlotRefused(slot) ? 0 : 1;
}

#if !defined(QL_STANDIN_CDECL) || !defined(__i386__)
static_assert(std::is_same_v<decltype(&RestorPara), RestorParaFn>, "export matches the contract");
static_assert(std::is_same_v<decltype(&CreateXMIdxDll), CreateXMIdxDllFn>,
              "export matches the contract");
#endif

}  // extern "C"
