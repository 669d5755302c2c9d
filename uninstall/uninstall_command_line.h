// uninsta.exe's switches and exit codes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ql {

constexpr int kUninstallRemoved = 0;
constexpr int kUninstallFailed = 1;  // something could not be removed; the log names it
constexpr int kUninstallBadCommandLine = 2;
constexpr int kUninstallNotInstalled = 3;      // no installation recorded for the folder
constexpr int kUninstallCancelled = 1602;      // the user said no (the system installer's code)
constexpr int kUninstallRestartNeeded = 3010;  // removed; the module goes at the next restart

struct UninstallOptions {
  bool silent = false;     // /S
  bool keepData = false;   // /KEEPDATA: User.dat and the settings stay
  std::u16string logFile;  // /LOG=FILE
  // Given by the uninstaller to the copy of itself it runs from the temporary folder: the
  // installed folder, and the handles through which the copy hands its exit code back (the
  // write end of a pipe, and the waiting original's process, whose end the copy awaits).
  std::u16string folder;  // /_FOLDER=
  bool handedOff = false;
  uint64_t resultPipe = 0;  // /_HANDOFF=PIPE,PROCESS in hexadecimal
  uint64_t original = 0;
};

// False, with `error`, for an unknown, repeated or empty switch.
bool ParseUninstallCommandLine(std::u16string_view line,
                               UninstallOptions* options,
                               std::u16string* error);

// The switches of `options` as the copy's command line: the user's and the hand-off's.
std::u16string HandOffCommandLine(const UninstallOptions& options);

}  // namespace ql
