// The package's move on Windows: the system's own file calls, so that a move across drives copies
// and a move onto an existing folder merges.
#include "setup/common/win.h"
#include "setup/install/package_move.h"

namespace ql {

PackageMoveSystem PlatformPackageMoveSystem() {
  PackageMoveSystem system;
  system.list = [](std::u16string_view folder) -> std::optional<std::vector<FolderEntry>> {
    WIN32_FIND_DATAW data = {};
    UniqueFind find(FindFirstFileW((WString(folder) + L"*").c_str(), &data));
    if (!find)
      return std::nullopt;
    std::vector<FolderEntry> entries;
    do {
      std::u16string name(U(data.cFileName));
      if (name == u"." || name == u"..")
        continue;
      entries.push_back({name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileW(find.get(), &data));
    return entries;
  };
  system.moveFile = [](std::u16string_view from, std::u16string_view to) {
    return MoveFileExW(
               WString(from).c_str(), WString(to).c_str(),
               MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH) != FALSE;
  };
  system.copyFile = [](std::u16string_view from, std::u16string_view to) {
    return CopyFileW(WString(from).c_str(), WString(to).c_str(), FALSE) != FALSE;
  };
  system.makeFolder = [](std::u16string_view folder) {
    const std::wstring path = WString(folder);
    if (CreateDirectoryW(path.c_str(), nullptr))
      return true;
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  };
  system.removeEmptyFolder = [](std::u16string_view folder) {
    RemoveDirectoryW(WString(folder).c_str());
  };
  system.fileExists = [](std::u16string_view path) {
    DWORD attributes = GetFileAttributesW(WString(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  };
  return system;
}

}  // namespace ql
