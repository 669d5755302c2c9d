// The program group: a folder named after the installed input method in the Start menu's
// Programs folder, with shortcuts to the package's tools, the setup program, the help file and the
// uninstaller in the installed folder.
#pragma once

#include <cstdint>
#include <string_view>

namespace ql {

struct SetupState;

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
