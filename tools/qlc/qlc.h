// qlc: the platform's package tool on the command line. Each command lives in a file of its own;
// this header holds what they share: path handling at the command line's edge and a message sink
// that prints what the installer would show.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "setup/common/diagnostics.h"
#include "setup/common/ui.h"

namespace ql {
struct SetupState;
}

namespace qlc {

std::string U8(std::u16string_view text);
// A relative name as shown to the user: '/' between folders, on every platform.
std::u16string Shown(std::u16string_view relative);

// A folder argument made absolute, with the platform's separator at its end.
std::u16string FolderArgument(const std::string& utf8);

// The pinyin scheme's folder (relative to the tree) as the index builder recorded it in the main
// data file, or the default one when the slot is empty.
std::u16string PinyinSchemeFolder(const std::vector<uint8_t>& mainData);

// Conversions between the system's UTF-16 paths and std::filesystem paths.
std::filesystem::path ToPath(std::u16string_view path);
std::u16string FromPath(const std::filesystem::path& path);

// The diagnostics of one run, on standard error: "FILE:LINE: error: TEXT" or "FILE: warning:
// TEXT" (the file as a whole), "qlc: error: TEXT" for what belongs to no file. Files are named
// relative to the package; the folder a build reads is taken for the package.
class DiagnosticReport : public ql::Diagnostics {
 public:
  DiagnosticReport(std::u16string package, bool strict)
      : package_(std::move(package)), strict_(strict) {}

  // The folder whose files stand for the package's (a build's copy of it).
  void SetBuildFolder(std::u16string folder) { build_ = std::move(folder); }

  void Report(ql::Severity severity,
              std::u16string_view file,
              size_t line,
              std::string_view kind,
              std::string_view text) override;
  // Shorthands with a path relative to the package ('\' or '/' separators).
  void Error(std::u16string_view relative,
             size_t line,
             std::string_view kind,
             std::string_view text);
  void Warning(std::u16string_view relative,
               size_t line,
               std::string_view kind,
               std::string_view text);

  // The problems that stop a compile: errors, and warnings too under --strict.
  int failures() const { return errors_ + (strict_ ? warnings_ : 0); }
  int errors() const { return errors_; }
  int warnings() const { return warnings_; }
  // Prints the count of each kind met more than a few times, then the totals (nothing when there
  // was no problem).
  void PrintSummary() const;

 private:
  std::string Shown(std::u16string_view file) const;

  std::u16string package_;
  std::u16string build_;
  bool strict_;
  int errors_ = 0;
  int warnings_ = 0;
  std::map<std::string, int> kinds_;
};

// Every message box the installer would show is an error of the report; counts the progress
// steps; prints the status text.
class PrintingUi : public ql::Ui {
 public:
  // `quiet`: the status text is not printed.
  PrintingUi(DiagnosticReport& report, bool quiet) : report_(report), quiet_(quiet) {}
  int ShowMessage(std::u16string_view text, std::u16string_view caption, uint32_t style) override;
  void StepProgress() override { ++steps; }
  void SetStatusText(std::u16string_view text) override;

  int steps = 0;
  int messages = 0;

 private:
  DiagnosticReport& report_;
  bool quiet_;
};

// Each of the package's text files that the system would misread is an error naming the
// encoding found; a custom-input list whose lines end in LF alone is one too. Returns whether
// there was none.
bool CheckEncodings(const std::u16string& package, DiagnosticReport& report);

// Rewrites every text file that is not UTF-16LE with byte-order mark and CR LF, or lacks its
// final line end, keeping the original as FILE.orig; prints what it changed. False when a file
// could not be fixed (reported).
bool FixEncodings(const std::u16string& package, DiagnosticReport& report);

// The text of a UTF-8 or UTF-16 file (with or without byte-order mark, which is removed); nullopt
// for any other encoding. `encoding` names the one found.
std::optional<std::u16string> DecodeUnicodeText(const std::vector<uint8_t>& bytes,
                                                std::string* encoding);

// The text of GB18030 bytes, or nullopt when they are not GB18030. On the host through iconv, on
// Windows through the system's code page 54936.
std::optional<std::u16string> DecodeGb18030(const std::vector<uint8_t>& bytes);

struct BuildChoices {
  std::optional<std::vector<std::u16string>> dictionaries;  // nullopt: the manifest's defaults
  std::optional<std::vector<std::u16string>> schemes;
  bool allDictionaries = false;  // check: every dictionary, so that every file is read
  bool singleCharsOnly = false;
  bool skipSlots = false;
  bool skipIndex = false;
  bool skipFuzzy = false;
  bool quiet = false;  // check: no choices, timings and outcomes on standard output
  // Called with the manifest as read, before the choices.
  std::function<void(const ql::SetupState&)> onManifest;
};

// Whether a file of a package is one a compile writes: a stale copy of it must not pass for a
// run's output, and export leaves it out. `relative` has '/' separators.
bool IsCompiledFile(std::u16string_view relative);

// Copies `package` into the new folder `build` (without the files a compile writes) and compiles
// it there as a default fresh install would, every problem going to `report`. Returns the files
// the copy holds (relative, '/' separators); nullopt when the build could not run to its end.
std::optional<std::set<std::u16string>> BuildPackage(const std::u16string& package,
                                                     const std::u16string& build,
                                                     const BuildChoices& choices,
                                                     DiagnosticReport& report);

// A fresh folder beside `near` (or in the system's temporary folder when `near` is empty) whose
// name starts with `stem`; empty when none could be made.
std::u16string MakeWorkFolder(const std::filesystem::path& near, const std::string& stem);

// Times one phase and prints it when done.
class PhaseTimer {
 public:
  // Prints nothing when `print` is false.
  explicit PhaseTimer(const char* name, bool print = true);
  ~PhaseTimer();
  PhaseTimer(const PhaseTimer&) = delete;
  PhaseTimer& operator=(const PhaseTimer&) = delete;

 private:
  const char* name_;
  bool print_;
  std::chrono::steady_clock::time_point start_;
};

// The usage of each command; printed on standard output for --help or -h (exit 0) and on standard
// error for a command line that is wrong (exit 2).
extern const char kCompileUsage[];
extern const char kDumpUsage[];
extern const char kCheckUsage[];
extern const char kQueryUsage[];
extern const char kExportUsage[];
extern const char kImportUsage[];
extern const char kDiffUsage[];
// Whether the command line asks for help.
bool AsksForHelp(const std::vector<std::string>& args);
// Prints `usage` for a help request (exit code 0) or a wrong command line (2).
int PrintUsage(const char* usage, bool asked);

int Compile(const std::vector<std::string>& args);
int Dump(const std::vector<std::string>& args);
int Check(const std::vector<std::string>& args);
int Query(const std::vector<std::string>& args);
int Export(const std::vector<std::string>& args);
int Import(const std::vector<std::string>& args);
int Diff(const std::vector<std::string>& args);

}  // namespace qlc
