#include "setup/install/folder_access.h"

#include <array>
#include <string>

#include "setup/common/text.h"
#include "setup/install/file_access.h"

namespace ql {
namespace {

// The folder of the tool library and the tools, at the top of the installed folder.
constexpr std::u16string_view kToolFolder = u"TOOL";

enum class Pass { kLock, kOpen };

bool IsToolFolder(const FolderEntry& entry, bool top) {
  return top && entry.isFolder && EqualsAsciiNoCase(entry.name, kToolFolder);
}

// Everything in `folder`, the folder too, restricted.
void RestrictTree(const FolderAccessCalls& calls, const std::u16string& folder) {
  calls.restrict(folder, true);
  std::optional<std::vector<FolderEntry>> entries = calls.list(folder);
  if (!entries)
    return;
  for (const FolderEntry& entry : *entries) {
    if (entry.isFolder)
      RestrictTree(calls, folder + entry.name + u"\\");
    else
      calls.restrict(folder + entry.name, false);
  }
}

// One folder's entries; the folder itself was handled by the caller.
void Visit(const FolderAccessCalls& calls, const std::u16string& folder, bool top, Pass pass) {
  std::optional<std::vector<FolderEntry>> entries = calls.list(folder);
  if (!entries)
    return;
  bool holdsCode = false;
  for (const FolderEntry& entry : *entries) {
    holdsCode |= IsToolFolder(entry, top) || (!entry.isFolder && RunsAsCode(entry.name));
  }
  // First, so that nothing can be swapped while the entries are done.
  if (holdsCode)
    calls.denyDeleteChild(folder);
  for (const FolderEntry& entry : *entries) {
    const std::u16string path = folder + entry.name;
    if (IsToolFolder(entry, top)) {
      if (pass == Pass::kLock)
        RestrictTree(calls, path + u"\\");
    } else if (entry.isFolder) {
      if (pass == Pass::kOpen)
        calls.grant(path + u"\\");
      Visit(calls, path + u"\\", false, pass);
    } else if (RunsAsCode(entry.name)) {
      if (pass == Pass::kLock)
        calls.restrict(path, false);
    } else if (pass == Pass::kOpen) {
      calls.grant(path);
    }
  }
}

}  // namespace

bool RunsAsCode(std::u16string_view fileName) {
  static constexpr std::array<std::u16string_view, 11> kExtensions = {
      u".exe", u".dll", u".ime", u".com", u".scr", u".cpl",
      u".ocx", u".sys", u".bat", u".cmd", u".msi"};
  for (std::u16string_view extension : kExtensions) {
    if (fileName.size() > extension.size() &&
        EqualsAsciiNoCase(fileName.substr(fileName.size() - extension.size()), extension)) {
      return true;
    }
  }
  return false;
}

void LockInstalledCode(const FolderAccessCalls& calls, std::u16string_view folder) {
  Visit(calls, std::u16string(folder), true, Pass::kLock);
}

void OpenDataToAllUsers(const FolderAccessCalls& calls, std::u16string_view folder) {
  calls.grant(folder);
  Visit(calls, std::u16string(folder), true, Pass::kOpen);
}

FolderAccessCalls PlatformFolderAccessCalls() {
  FolderAccessCalls calls;
  calls.list = PlatformPackageMoveSystem().list;
  calls.grant = [](std::u16string_view path) {
    GrantFileAccess(path, kEveryoneAccount, kGenericAll);
  };
  calls.restrict = [](std::u16string_view path, bool isFolder) {
    RestrictToAdministrators(path, isFolder);
  };
  calls.denyDeleteChild = [](std::u16string_view folder) { DenyDeleteChild(folder); };
  return calls;
}

}  // namespace ql
