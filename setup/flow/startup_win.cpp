// The system steps of start-up on Windows.

#include "setup/common/win.h"

#include <commctrl.h>
#include <imm.h>
#include "setup/contracts/module_probe.h"
#include "setup/flow/agreement_dialog.h"
#include "setup/flow/manifest.h"
#include "setup/flow/startup.h"
#include "setup/flow/startup_win.h"

namespace ql {

StartupSteps WindowsStartupSteps() {
  StartupSteps steps;
  steps.currentDirectory = [] {
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD n = GetCurrentDirectoryW(MAX_PATH, buffer);
    return std::u16string(U(buffer, n < MAX_PATH ? n : 0));
  };
  steps.initCommonControls = [] {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
  };
  steps.probeModuleName = [] { ProbeModuleName(); };
  steps.readManifest = [] { return ReadSetupManifest(); };
  steps.osMajorVersion = []() -> uint32_t {
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof info;  // the 276-byte record
    static_assert(sizeof(OSVERSIONINFOW) == 276, "version record size");
    return GetVersionExW(&info) ? info.dwMajorVersion : 0;
  };
  steps.showAgreement = [] { return ShowAgreementDialog(); };
  // The install dialog is not built yet: the run ends after the agreement.
  steps.showInstallDialog = [] { return 0; };
  steps.systemFolder = [] {
    wchar_t buffer[MAX_PATH + 1] = {};
    UINT n = GetSystemDirectoryW(buffer, 200);
    return std::u16string(U(buffer, n < 200 ? n : 0));
  };
  steps.registerKeyboardLayout = [] {};
  steps.installIme = [](std::u16string_view path, std::u16string_view layoutText) {
    std::wstring p = WString(path);
    std::wstring t = WString(layoutText);
    return reinterpret_cast<uintptr_t>(ImmInstallIMEW(p.c_str(), t.c_str()));
  };
  steps.isIme = [](uintptr_t layout) { return ImmIsIME(reinterpret_cast<HKL>(layout)) != FALSE; };
  steps.broadcastSettingChange = [] { SendMessageW(HWND_BROADCAST, WM_WININICHANGE, 0, 0); };
  return steps;
}

}  // namespace ql
