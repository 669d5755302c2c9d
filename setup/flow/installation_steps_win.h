// The installation worker's system steps on Windows, for the install dialog `dialog`.
#pragma once

#include "setup/common/win.h"
#include "setup/install/installation.h"

namespace ql {

InstallationSteps WindowsInstallationSteps(HWND dialog);

}  // namespace ql
