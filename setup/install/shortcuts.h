// The program group: a folder named after the installed input method in the Start menu's
// Programs folder, with shortcuts to the package's tools, the setup program, the help file and the
// uninstaller in the installed folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ql {

struct SetupState;

// One shortcut of the group: its target relative to the installed folder and its link file name.
struct ProgramShortcut {
  std::u16string target;
  std::u16string linkName;
};
// The group's shortcuts for `displayName`, in the order they are created; the uninstaller's,
// which carries the name, comes last.
std::vector<ProgramShortcut> ProgramShortcuts(std::u16string_view displayName);

// The all-users Programs folder, or the user's own when the system has none; empty when neither
// exists (always on the host).
std::u16string ProgramsFolder();

// Creates the group and its five shortcuts from installFolder and displayName. Silent: a missing
// Programs folder or a failing shortcut leaves the installation to go on. Does nothing on the
// host.
void CreateProgramShortcuts(const SetupState& state);

// Writes groupFolder + "\" + linkName, a shortcut to `target` whose working directory is the
// target's folder; an existing link of that name is replaced. Returns the status code of the last
// step attempted (negative on failure).
int32_t CreateShortcut(std::u16string_view target,
                       std::u16string_view groupFolder,
                       std::u16string_view linkName);

}  // namespace ql
