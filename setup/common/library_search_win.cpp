#include "setup/common/library_search_win.h"

namespace ql {
namespace {

// The values of the 2011 update's flags, which the headers of the oldest target leave out.
constexpr DWORD kSearchDllLoadDir = 0x00000100;   // LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR
constexpr DWORD kSearchSystem32 = 0x00000800;     // LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr DWORD kAlteredSearchPath = 0x00000008;  // LOAD_WITH_ALTERED_SEARCH_PATH

template <typename Function>
Function KernelFunction(const char* name) {
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  return kernel == nullptr ? nullptr
                           : reinterpret_cast<Function>(
                                 reinterpret_cast<void (*)()>(GetProcAddress(kernel, name)));
}

// Whether LoadLibraryExW takes the search flags (SetDefaultDllDirectories came with them).
bool HasSearchFlags() {
  return KernelFunction<BOOL(WINAPI*)(DWORD)>("SetDefaultDllDirectories") != nullptr;
}

}  // namespace

bool RestrictLibrarySearch() {
  using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCWSTR);
  if (auto setDirectory = KernelFunction<SetDllDirectoryFunction>("SetDllDirectoryW"))
    setDirectory(L"");  // no current folder in the search
  using SetDefaultFunction = BOOL(WINAPI*)(DWORD);
  auto setDefault = KernelFunction<SetDefaultFunction>("SetDefaultDllDirectories");
  return setDefault != nullptr && setDefault(kSearchSystem32) != FALSE;
}

UniqueModule LoadLibraryWithItsFolder(const std::wstring& path) {
  const DWORD flags = HasSearchFlags() ? kSearchDllLoadDir | kSearchSystem32 : kAlteredSearchPath;
  return UniqueModule(LoadLibraryExW(path.c_str(), nullptr, flags));
}

}  // namespace ql
