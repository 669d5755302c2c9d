// diskident: reports the identities of the machine's drives to the window named on the command
// line. No window of its own; the exit code is 0 whatever happens.
#include <windows.h>

#include "diskident/machine_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    diskident::WindowsMachine machine;
    diskident::ReportDriveIdentities(diskident::CommandLineArguments(), machine);
  } catch (...) {
    // Out of memory: the records not yet sent are lost, the exit code stays 0.
  }
  return 0;
}
