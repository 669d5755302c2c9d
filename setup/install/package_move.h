// The package's move into the installed folder: every file and folder of the package folder is
// moved there, merged into folders that exist already (a file of the same name is replaced),
// across drives, and copied where it cannot be moved (a package on read-only media stays as it
// is). Afterwards every file of the package must be in the installed folder.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ql {

struct FolderEntry {
  std::u16string name;
  bool isFolder = false;
};

// The file system the move works on. On Windows: FindFirstFileW, MoveFileExW (replacing, copying
// across drives), CopyFileW, CreateDirectoryW, RemoveDirectoryW; on the host, the same by POSIX.
struct PackageMoveSystem {
  // The entries of a folder (without "." and ".."); nullopt when it cannot be read.
  std::function<std::optional<std::vector<FolderEntry>>(std::u16string_view folder)> list;
  std::function<bool(std::u16string_view from, std::u16string_view to)> moveFile;
  std::function<bool(std::u16string_view from, std::u16string_view to)> copyFile;
  // True when the folder exists afterwards.
  std::function<bool(std::u16string_view folder)> makeFolder;
  // Removes the folder when it is empty; nothing otherwise.
  std::function<void(std::u16string_view folder)> removeEmptyFolder;
  std::function<bool(std::u16string_view path)> fileExists;
};

// The platform's file system; defined once per platform.
PackageMoveSystem PlatformPackageMoveSystem();

// Moves the content of `package` into `target` (both folders ending in '\'). Returns the first
// file of the package (its path in the package) that is not in `target` afterwards, or nullopt
// when every file arrived. A folder of the package that holds `target` is left where it is.
std::optional<std::u16string> MovePackageFolder(const PackageMoveSystem& system,
                                                std::u16string_view package,
                                                std::u16string_view target);

}  // namespace ql
