// The package's move on the host, by POSIX, for the host's runs and tests.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "setup/common/file_faults.h"
#include "setup/common/host_path.h"
#include "setup/common/text.h"
#include "setup/install/package_move.h"

namespace ql {

namespace fs = std::filesystem;

PackageMoveSystem PlatformPackageMoveSystem() {
  PackageMoveSystem system;
  system.list = [](std::u16string_view folder) -> std::optional<std::vector<FolderEntry>> {
    std::error_code error;
    fs::directory_iterator it(HostPath(folder), error);
    if (error)
      return std::nullopt;
    std::vector<FolderEntry> entries;
    for (; it != fs::directory_iterator(); it.increment(error)) {
      if (error)
        return std::nullopt;
      entries.push_back({Utf8ToUtf16(it->path().filename().string()), it->is_directory(error)});
    }
    return entries;
  };
  system.copyFile = [](std::u16string_view from, std::u16string_view to) {
    if (FileOperationFails(FileOperation::kOpen, HostPath(to)))
      return false;
    std::error_code error;
    fs::copy_file(HostPath(from), HostPath(to), fs::copy_options::overwrite_existing, error);
    return !error;
  };
  system.moveFile = [copy = system.copyFile](std::u16string_view from, std::u16string_view to) {
    if (FileOperationFails(FileOperation::kRename, HostPath(to)))
      return false;
    if (std::rename(HostPath(from).c_str(), HostPath(to).c_str()) == 0)
      return true;
    // Across file systems: a copy, then the original goes.
    return errno == EXDEV && copy(from, to) && std::remove(HostPath(from).c_str()) == 0;
  };
  system.makeFolder = [](std::u16string_view folder) {
    const std::string path = HostPath(folder);
    if (FileOperationFails(FileOperation::kOpen, path))
      return false;
    struct stat info;
    return mkdir(path.c_str(), 0777) == 0 ||
           (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
  };
  system.removeEmptyFolder = [](std::u16string_view folder) { rmdir(HostPath(folder).c_str()); };
  system.fileExists = [](std::u16string_view path) {
    struct stat info;
    return stat(HostPath(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
  };
  return system;
}

}  // namespace ql
