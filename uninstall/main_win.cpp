// uninsta.exe: removes an installation of the input-method platform from the folder it lies in.
#include "setup/common/library_search_win.h"
#include "setup/common/win.h"
#include "uninstall/uninstaller_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  ql::RestrictLibrarySearch();
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  return ql::RunUninstaller(instance, ql::U(commandLine));
}
