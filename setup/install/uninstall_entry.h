// The installation's entry in Programs and Features, and the record in it of what the
// installation made: the module's file name, the keyboard layouts registered for it and the files
// of the installed folder. Names of the key and its values are in setup/model/install_record.h.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "setup/install/folder_files.h"

namespace ql {

struct SetupState;

// The installed folder's files that this installation accounts for: all that came with the
// package, all that did not exist before, and those an earlier installation left that this one
// wrote again. A file that was there before and stayed untouched is the user's (or another
// installation's) and is left out.
std::vector<std::u16string> InstalledFiles(const std::vector<FolderFile>& package,
                                           const std::vector<FolderFile>& before,
                                           const std::vector<FolderFile>& now);

// Writes the entry of a fresh installation: names, version, folder, the uninstaller's command
// lines, icon, size in KiB of `now`, `date`, the module's file name and `files`.
void WriteUninstallEntry(const SetupState& state,
                         const std::vector<FolderFile>& now,
                         const std::vector<std::u16string>& files,
                         std::u16string_view date);
// After an upgrade: the version, and the files the package brought added to those recorded. Does
// nothing when the name has no entry.
void UpdateUninstallEntry(const SetupState& state, const std::vector<std::u16string>& packageFiles);

// Whether a layout's "IME file" value names the module `imeFileName`: by its file name, or by its
// full path in `systemFolder` (Wine's own registration writes that), ignoring ASCII case.
bool ImeFileNamesModule(std::u16string_view imeFile,
                        std::u16string_view imeFileName,
                        std::u16string_view systemFolder);
// The ids of the registered keyboard layouts whose "IME file" names the module.
std::vector<std::u16string> LayoutsOfModule(std::u16string_view imeFileName,
                                            std::u16string_view systemFolder);
// The preload list's first entry ("1"), empty when there is none.
std::u16string FirstPreloadEntry();
// After registration: records the layouts of the installation's module and, when the registration
// changed the preload list's first entry, what it held before.
void RecordRegisteredLayouts(const SetupState& state,
                             std::u16string_view systemFolder,
                             std::u16string_view firstPreloadBefore);

}  // namespace ql
