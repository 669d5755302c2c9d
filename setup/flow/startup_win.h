// The Windows implementations of start-up's system steps.
#pragma once

#include "setup/flow/startup.h"

namespace ql {

StartupSteps WindowsStartupSteps();

}  // namespace ql
