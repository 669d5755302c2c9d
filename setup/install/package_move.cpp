#include "setup/install/package_move.h"

#include "setup/common/text.h"

namespace ql {
namespace {

struct Pending {
  std::u16string relative;  // of a folder, ending in '\' (empty: the package folder itself)
  bool leaving = false;     // its content is done: the emptied folder goes
};

}  // namespace

std::optional<std::u16string> MovePackageFolder(const PackageMoveSystem& system,
                                                std::u16string_view package,
                                                std::u16string_view target) {
  const std::u16string from(package);
  const std::u16string to(target);
  std::vector<std::u16string> files;  // relative paths, in the order met
  std::optional<std::u16string> unreadable;
  std::vector<Pending> pending = {{u"", false}};
  while (!pending.empty()) {
    Pending folder = pending.back();
    pending.pop_back();
    if (folder.leaving) {
      system.removeEmptyFolder(from + folder.relative);
      continue;
    }
    std::optional<std::vector<FolderEntry>> entries = system.list(from + folder.relative);
    if (!entries) {
      if (!unreadable)
        unreadable = from + folder.relative;
      continue;
    }
    if (!folder.relative.empty())
      pending.push_back({folder.relative, true});
    for (const FolderEntry& entry : *entries) {
      const std::u16string relative = folder.relative + entry.name;
      if (entry.isFolder) {
        // The installed folder itself, or a folder that holds it, stays where it is.
        const std::u16string source = from + relative + u"\\";
        if (to.size() >= source.size() &&
            EqualsAsciiNoCase(std::u16string_view(to).substr(0, source.size()), source))
          continue;
        system.makeFolder(to + relative);
        pending.push_back({relative + u"\\", false});
      } else {
        files.push_back(relative);
        if (!system.moveFile(from + relative, to + relative))
          system.copyFile(from + relative, to + relative);
      }
    }
  }
  if (unreadable)
    return unreadable;
  for (const std::u16string& relative : files) {
    if (!system.fileExists(to + relative))
      return from + relative;
  }
  return std::nullopt;
}

}  // namespace ql
