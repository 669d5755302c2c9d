// setup: the setup program of the input-method platform.
#include "setup/common/win.h"
#include "setup/flow/startup.h"
#include "setup/flow/startup_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  return ql::RunSetup(instance, ql::WindowsStartupSteps());
}
