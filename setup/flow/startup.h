// The spine of setup: start-up in its fixed order, from the name probe to the broadcast.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "setup/common/run_log.h"
#include "setup/flow/command_line.h"
#include "setup/install/installation.h"
#include "setup/model/setup_state.h"

namespace ql {

// The system steps start-up calls, in the order it calls them. On Windows each is the system
// call or dialog it names (startup_win.cpp); tests replace them to follow every branch.
struct StartupSteps {
  std::function<std::u16string()> currentDirectory;
  std::function<void()> initCommonControls;
  std::function<void()> probeModuleName;  // asks the package's module for the platform name
  std::function<int()> readManifest;      // 0 = success
  std::function<uint32_t()> osMajorVersion;
  std::function<int()> showAgreement;      // 1 = continue
  std::function<int()> showInstallDialog;  // 0 = cancelled
  std::function<std::u16string()> systemFolder;
  std::function<void()> registerKeyboardLayout;
  // ImmInstallIMEW; returns the keyboard-layout handle (0 when refused).
  std::function<uintptr_t(std::u16string_view path, std::u16string_view layoutText)> installIme;
  std::function<bool(uintptr_t layout)> isIme;  // ImmIsIME
  std::function<void()> broadcastSettingChange;
  // The unattended run in place of both dialogs (ChooseUnattended, then the worker).
  std::function<InstallOutcome(const SetupOptions& options)> installUnattended;
  // Around registration: the preload list's first entry before it, and the record of the
  // registered layouts in the installation's entry after it (RecordRegisteredLayouts).
  std::function<std::u16string()> firstPreloadEntry;
  std::function<void(std::u16string_view systemFolder, std::u16string_view firstPreloadBefore)>
      recordRegistration;
  // The usage text on the parent's console, or in a message box when there is none.
  std::function<void(std::u16string_view text)> showUsage;
};

// Runs start-up on `state` with `steps`. Every message, step and the result also go to `log`;
// an unattended run (options.silent) shows no window, its messages go only to the log, and its
// exit code tells how it ended (command_line.h). An interactive run ends with 0 on every path.
int RunSetup(SetupState& state,
             InstanceHandle instance,
             const StartupSteps& steps,
             const SetupOptions& options,
             RunLog& log);

// The program's entry: reads the command line (after the program's name), opens the log it names
// and runs start-up, or shows the usage.
int RunSetupCommandLine(SetupState& state,
                        InstanceHandle instance,
                        const StartupSteps& steps,
                        std::u16string_view commandLine);

// The success message's text for a layout text.
std::u16string SuccessMessage(std::u16string_view layoutText);

// The agreement text from the first bytes of License.txt (at most 2000 are read): the bytes are
// taken as UTF-16LE as they are, the byte-order mark included, up to the first NUL unit.
constexpr size_t kLicenseBytes = 2000;
std::u16string AgreementText(const uint8_t* bytes, size_t size);

// The agreement dialog's title for the run's names.
std::u16string AgreementTitle(const SetupState& state);

}  // namespace ql
