// The removal's system calls on Windows.
#include "setup/common/win.h"

#include <vector>

#include "setup/common/files.h"
#include "setup/install/shortcuts.h"
#include "uninstall/uninstaller_win.h"

namespace ql {
namespace {

FileRemoval DeleteInstalledFile(std::u16string_view path) {
  const std::wstring file = WString(path);
  if (DeleteFileW(file.c_str()))
    return FileRemoval::kRemoved;
  DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
    return FileRemoval::kMissing;
  // A read-only file of the installation goes as well.
  if (error == ERROR_ACCESS_DENIED && SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL) &&
      DeleteFileW(file.c_str()))
    return FileRemoval::kRemoved;
  return FileRemoval::kFailed;
}

// The layout is loaded in this session under its id as handle.
void UnloadLayout(std::u16string_view id) {
  const unsigned long value = wcstoul(WString(id).c_str(), nullptr, 16);
  int count = GetKeyboardLayoutList(0, nullptr);
  if (count <= 0)
    return;
  std::vector<HKL> layouts(static_cast<size_t>(count));
  count = GetKeyboardLayoutList(count, layouts.data());
  for (int i = 0; i < count; ++i) {
    if (static_cast<unsigned long>(reinterpret_cast<uintptr_t>(layouts[i]) & 0xFFFFFFFFu) == value)
      UnloadKeyboardLayout(layouts[i]);
  }
}

}  // namespace

UninstallSystem WindowsUninstallSystem() {
  UninstallSystem system;
  system.systemFolder = SystemFolder;
  system.programsFolder = ProgramsFolder;
  system.mappingExists = [](std::u16string_view name) {
    UniqueKernelHandle mapping(
        OpenFileMappingW(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, WString(name).c_str()));
    return static_cast<bool>(mapping);
  };
  system.removeFile = DeleteInstalledFile;
  system.removeAtRestart = [](std::u16string_view path) {
    return MoveFileExW(WString(path).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
  };
  system.unloadLayout = UnloadLayout;
  system.removeEmptyFolder = [](std::u16string_view folder) {
    return RemoveDirectoryW(WString(folder).c_str()) != FALSE;
  };
  return system;
}

}  // namespace ql
