// qlc: the platform's package tool on the command line. Each command lives in a file of its own;
// this header holds what they share: path handling at the command line's edge and a message sink
// that prints what the installer would show.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "setup/common/ui.h"

namespace qlc {

std::string U8(std::u16string_view text);
// A relative name as shown to the user: '/' between folders, on every platform.
std::u16string Shown(std::u16string_view relative);

// A folder argument made absolute, with the platform's separator at its end.
std::u16string FolderArgument(const std::string& utf8);

// Conversions between the system's UTF-16 paths and std::filesystem paths.
std::filesystem::path ToPath(std::u16string_view path);
std::u16string FromPath(const std::filesystem::path& path);

// Prints every message box as a line; counts the progress steps; prints the status text.
class PrintingUi : public ql::Ui {
 public:
  int ShowMessage(std::u16string_view text, std::u16string_view caption, uint32_t style) override;
  void StepProgress() override { ++steps; }
  void SetStatusText(std::u16string_view text) override;

  int steps = 0;
  int messages = 0;
};

// Times one phase and prints it when done.
class PhaseTimer {
 public:
  explicit PhaseTimer(const char* name);
  ~PhaseTimer();
  PhaseTimer(const PhaseTimer&) = delete;
  PhaseTimer& operator=(const PhaseTimer&) = delete;

 private:
  const char* name_;
  std::chrono::steady_clock::time_point start_;
};

// The usage of each command; printed on standard output for --help or -h (exit 0) and on standard
// error for a command line that is wrong (exit 2).
extern const char kCompileUsage[];
extern const char kDumpUsage[];
extern const char kCheckUsage[];
// Whether the command line asks for help.
bool AsksForHelp(const std::vector<std::string>& args);
// Prints `usage` for a help request (exit code 0) or a wrong command line (2).
int PrintUsage(const char* usage, bool asked);

int Compile(const std::vector<std::string>& args);
int Dump(const std::vector<std::string>& args);
int Check(const std::vector<std::string>& args);

}  // namespace qlc
