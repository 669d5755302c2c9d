// setup.exe's switches and the exit codes of its runs. Without switches a run is the interactive
// one and ends with 0 on every path; /S runs the same installation unattended and its exit code
// tells how it ended.
#pragma once

#include <string>
#include <string_view>

namespace ql {

// Exit codes of an unattended run (and of a bad command line in any run).
constexpr int kExitInstalled = 0;
constexpr int kExitBadCommandLine = 2;
constexpr int kExitFolderRefused = 3;
constexpr int kExitModuleInUse = 4;
constexpr int kExitStopped = 5;

struct SetupOptions {
  bool silent = false;   // /S
  bool upgrade = false;  // /UPGRADE
  bool help = false;     // /?
  bool hasFolder = false;
  std::u16string folder;  // /D=FOLDER, the last switch: the rest of the line
  bool hasName = false;
  std::u16string name;     // /NAME=TEXT
  std::u16string logFile;  // /LOG=FILE; empty: no log
};

// Reads the command line after the program's name. Switches are separated by blanks and their
// names compare ignoring ASCII case; a double quote starts or ends a stretch in which blanks
// belong to the switch ("/NAME=a b" or /NAME="a b"), and is itself dropped. /D= takes the rest of
// the line as it is, up to trailing blanks (a folder in quotes, or the whole switch in quotes as
// the last word, is taken as well). False, with `error` set, for an unknown or repeated switch, an
// empty value, any other quote in /D=, or /D, /NAME and /UPGRADE without /S.
bool ParseSetupCommandLine(std::u16string_view line, SetupOptions* options, std::u16string* error);

// The usage text /? shows.
std::u16string SetupUsage();

}  // namespace ql
