// uninsta.exe on Windows: the system side of the removal, the confirmation dialog and the two
// phases of a run (the original in the installed folder hands over to a copy of itself in the
// temporary folder, which removes everything, the original included, once it has ended).
#pragma once

#include <functional>
#include <string_view>

#include "setup/common/win.h"
#include "uninstall/removal.h"

namespace ql {

UninstallSystem WindowsUninstallSystem();

// The confirmation dialog for the installation `name`: "保留用户词库和设置" (checked), then
// progress while `remove` runs with the box's state. Returns nullopt when the user cancelled.
std::optional<RemovalEnd> ShowUninstallDialog(
    HINSTANCE instance,
    std::u16string_view name,
    const std::function<RemovalEnd(bool keepData)>& remove);

// The whole run for the command line after the program's name; returns the exit code.
int RunUninstaller(HINSTANCE instance, std::u16string_view commandLine);

}  // namespace ql
