// setup: the setup program of the input-method platform.
#include "setup/common/library_search_win.h"
#include "setup/common/win.h"
#include "setup/flow/startup.h"
#include "setup/flow/startup_win.h"
#include "setup/model/setup_state.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  ql::RestrictLibrarySearch();
  ql::SetupState& state = ql::State();
  return ql::RunSetupCommandLine(state, instance, ql::WindowsStartupSteps(state),
                                 ql::U(commandLine));
}
