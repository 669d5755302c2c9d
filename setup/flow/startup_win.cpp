// The system steps of start-up on Windows.

#include "setup/common/win.h"

#include <commctrl.h>
#include <imm.h>
#include "setup/contracts/module_probe.h"
#include "setup/flow/agreement_dialog.h"
#include "setup/flow/install_dialog.h"
#include "setup/flow/installation_steps_win.h"
#include "setup/flow/startup.h"
#include "setup/flow/startup_win.h"
#include "setup/flow/unattended.h"
#include "setup/install/keyboard_layout.h"
#include "setup/install/uninstall_entry.h"
#include "setup/model/manifest.h"

namespace ql {
namespace {

// On the console of the program that started setup, when it has one; else in a message box.
void ShowUsage(std::u16string_view text) {
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    UniqueFile console(CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    if (console) {
      const std::wstring line = WString(text) + L"\r\n";
      DWORD written = 0;
      WriteConsoleW(console.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
      FreeConsole();
      return;
    }
    FreeConsole();
  }
  MessageBoxW(nullptr, WString(text).c_str(), L"setup", MB_OK | MB_ICONINFORMATION);
}

}  // namespace

StartupSteps WindowsStartupSteps(SetupState& state) {
  StartupSteps steps;
  // Both folders are read whole; start-up cuts them to the lengths it keeps.
  steps.currentDirectory = [] {
    std::wstring buffer(GetCurrentDirectoryW(0, nullptr) + 1, L'\0');
    DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), &buffer[0]);
    return std::u16string(U(buffer.c_str(), n < buffer.size() ? n : 0));
  };
  steps.initCommonControls = [] {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
  };
  steps.probeModuleName = [&state] { ProbeModuleName(state); };
  steps.readManifest = [&state] { return ReadSetupManifest(state.packageFolder.view(), state); };
  steps.osMajorVersion = []() -> uint32_t {
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof info;  // the 276-byte record
    static_assert(sizeof(OSVERSIONINFOW) == 276, "version record size");
    return GetVersionExW(&info) ? info.dwMajorVersion : 0;
  };
  steps.showAgreement = [&state] { return ShowAgreementDialog(state); };
  steps.showInstallDialog = [&state] { return ShowInstallDialog(state); };
  steps.systemFolder = [] {
    std::wstring buffer(GetSystemDirectoryW(nullptr, 0) + 1, L'\0');
    UINT n = GetSystemDirectoryW(&buffer[0], static_cast<UINT>(buffer.size()));
    return std::u16string(U(buffer.c_str(), n < buffer.size() ? n : 0));
  };
  steps.registerKeyboardLayout = [&state] { RegisterKeyboardLayout(state); };
  steps.installIme = [](std::u16string_view path, std::u16string_view layoutText) {
    std::wstring p = WString(path);
    std::wstring t = WString(layoutText);
    return reinterpret_cast<uintptr_t>(ImmInstallIMEW(p.c_str(), t.c_str()));
  };
  steps.isIme = [](uintptr_t layout) { return ImmIsIME(reinterpret_cast<HKL>(layout)) != FALSE; };
  steps.broadcastSettingChange = [] { SendMessageW(HWND_BROADCAST, WM_WININICHANGE, 0, 0); };
  steps.installUnattended = [&state](const SetupOptions& options) {
    state.upgradeInstall = options.upgrade ? 1 : 0;
    const UnattendedChoice choice = ChooseUnattended(state, options, ProgramFilesFolder);
    InstallationSteps worker = WindowsInstallationSteps(state, nullptr);
    UseUnattendedChoice(worker, state, choice);
    NoteEachStep(worker);
    return RunInstallation(state, worker);
  };
  steps.firstPreloadEntry = FirstPreloadEntry;
  steps.recordRegistration = [&state](std::u16string_view systemFolder,
                                      std::u16string_view firstPreloadBefore) {
    RecordRegisteredLayouts(state, systemFolder, firstPreloadBefore);
  };
  steps.showUsage = ShowUsage;
  return steps;
}

}  // namespace ql
