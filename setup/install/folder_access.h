// Who may change what in the installed folder. The data the module writes are open to all users
// (the grant of file_access.h), but what runs as code — setup.exe and the uninstaller, which an
// administrator runs again, the module, and everything in TOOL\, which setup loads — is kept on a
// list that only administrators and the system can change, in folders whose entries nobody can
// delete or rename through the folder's own rights, so that no user can swap it.
#pragma once

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "setup/install/package_move.h"

namespace ql {

struct FolderAccessCalls {
  // The entries of a folder (ending in '\'); nullopt when it cannot be read.
  std::function<std::optional<std::vector<FolderEntry>>(std::u16string_view folder)> list;
  // GrantFileAccess(path, "everyone", GENERIC_ALL).
  std::function<void(std::u16string_view path)> grant;
  // RestrictToAdministrators; `isFolder` makes the list inheritable.
  std::function<void(std::u16string_view path, bool isFolder)> restrict;
  // DenyDeleteChild.
  std::function<void(std::u16string_view folder)> denyDeleteChild;
};

// The platform's calls; on the host they list folders and change nothing.
FolderAccessCalls PlatformFolderAccessCalls();

// Whether a file of this name runs as code: executables, libraries, modules and scripts the
// system runs.
bool RunsAsCode(std::u16string_view fileName);

// Right after the package's move into `folder` (ending in '\'), before anything is stamped,
// copied or loaded from it: code is restricted, and every folder that holds code denies the
// deletion of its entries.
void LockInstalledCode(const FolderAccessCalls& calls, std::u16string_view folder);

// After the last module or library was loaded from `folder`: the folder is opened to all users,
// inheritably, and so is every file and folder in it that is not code (they were made before the
// grant and did not inherit it); folders that hold code keep denying the deletion of entries.
void OpenDataToAllUsers(const FolderAccessCalls& calls, std::u16string_view folder);

}  // namespace ql
