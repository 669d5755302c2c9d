// Removal of one installation: exactly what its record says the installation made, nothing of
// another input method or of another installation under another name. Every item is tried;
// one that is missing or refuses is logged (Ui::Note) and the rest goes on.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ql {

// An installation as its entry in Programs and Features records it.
struct Installation {
  std::u16string name;    // the display name: the entry's key, the record, settings and group
  std::u16string folder;  // the installed folder, with a trailing '\'
  std::u16string imeFile;
  std::vector<std::u16string> layoutIds;
  std::u16string preloadReplaced;
  std::vector<std::u16string> files;  // relative to the folder
};

// The installation whose entry names `folder` as its location; nullopt when there is none.
std::optional<Installation> FindInstallation(std::u16string_view folder);

// The system's side of the removal. On Windows the file and layout calls (uninstall_win.cpp);
// tests record them.
enum class FileRemoval { kRemoved, kMissing, kFailed };
struct UninstallSystem {
  std::function<std::u16string()> systemFolder;
  std::function<std::u16string()> programsFolder;  // empty when there is none
  std::function<bool(std::u16string_view name)> mappingExists;
  std::function<FileRemoval(std::u16string_view path)> removeFile;
  // Deletes the file at the next restart; false when that could not be arranged.
  std::function<bool(std::u16string_view path)> removeAtRestart;
  std::function<void(std::u16string_view layoutId)> unloadLayout;
  // Removes the folder when it is empty; false when it is not (or cannot be removed).
  std::function<bool(std::u16string_view folder)> removeEmptyFolder;
};

enum class RemovalEnd { kRemoved, kRestartNeeded, kIncomplete };

// The number of progress steps RemoveInstallation takes.
constexpr int kRemovalSteps = 7;

// Removes the installation, all but the file `spared` (the running uninstaller, removed by
// FinishRemoval once it has ended). With `keepData` the settings key and User.dat stay.
RemovalEnd RemoveInstallation(const Installation& installation,
                              bool keepData,
                              const UninstallSystem& system,
                              std::u16string_view spared);

// After the uninstaller has ended: the spared file, then every folder of the installation that is
// left empty, the installed folder last.
void FinishRemoval(const Installation& installation,
                   const UninstallSystem& system,
                   std::u16string_view spared);

// The preload list after removal: entries ordered by their numbers, those holding a removed id
// (ASCII case aside) left out, the rest numbered 1..n in that order. When the registration
// replaced the first entry and "00000804" (which it put there) is first again, the replaced one
// comes back.
struct PreloadEntry {
  std::u16string number;
  std::u16string layoutId;
};
std::vector<PreloadEntry> RenumberedPreload(const std::vector<PreloadEntry>& entries,
                                            const std::vector<std::u16string>& removedIds,
                                            std::u16string_view replacedFirst);

// The recorded files to delete: each a relative path that stays inside the folder (others are
// skipped as damaged records), without User.dat when data are kept.
std::vector<std::u16string> FilesToRemove(const std::vector<std::u16string>& recorded,
                                          bool keepData);

// The folders that hold recorded files, deepest first, then the installed folder.
std::vector<std::u16string> FoldersToClear(const Installation& installation);

}  // namespace ql
