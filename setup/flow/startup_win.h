// The Windows implementations of start-up's system steps.
#pragma once

#include "setup/flow/startup.h"

namespace ql {

// The steps work on `state`, the record the run is given.
StartupSteps WindowsStartupSteps(SetupState& state);

}  // namespace ql
