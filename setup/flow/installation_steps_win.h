// The installation worker's system steps on Windows, for the install dialog `dialog` and the run's
// record `state`.
#pragma once

#include "setup/common/win.h"
#include "setup/install/installation.h"

namespace ql {

InstallationSteps WindowsInstallationSteps(SetupState& state, HWND dialog);

}  // namespace ql
