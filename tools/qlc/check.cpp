// `qlc check`: validates a package before anyone installs it. It runs the very build that
// `qlc compile` runs, with every dictionary chosen, into a temporary folder that it removes, so
// that whatever the readers skip, cut or drop is reported with its file and line. Exit status 1
// when there is an error (or, with --strict, a warning).
#include <cstdio>
#include <string>
#include <vector>

#include "setup/common/text.h"
#include "setup/model/setup_state.h"
#include "tools/qlc/qlc.h"

namespace qlc {
namespace {

namespace fs = std::filesystem;

void PrintManifest(const ql::SetupState& state) {
  std::printf("main name:    %s\n", U8(state.mainName.view()).c_str());
  std::printf("display name: %s\n", U8(state.displayName.view()).c_str());
  std::printf("layout text:  %s\n", U8(state.layoutText.view()).c_str());
  std::printf("version:      %s  date: %s  module: %s\n", U8(state.version.view()).c_str(),
              U8(state.releaseDate.view()).c_str(), U8(state.imeFileName.view()).c_str());
  for (uint32_t i = 0; i < state.schemeCount; ++i) {
    const ql::InputScheme& s = state.schemes[i];
    const char* kind = s.isAuxiliary ? "auxiliary" : s.isKeypad ? "keypad" : "main";
    bool chosen = s.isAuxiliary ? s.auxSelected : s.selected;
    std::printf("scheme %2u: %-9s %s %s  %s\n", i, kind, chosen ? "[x]" : "[ ]",
                U8(s.name.view()).c_str(), U8(s.path.view()).c_str());
  }
  for (uint32_t i = 0; i < state.dictionaryCount; ++i) {
    const ql::DictionaryEntry& d = state.dictionaries[i];
    std::printf("dictionary %2u: %s %s  %s\n", i, d.selected ? "[x]" : "[ ]",
                U8(d.name.view()).c_str(), U8(d.fileName.view()).c_str());
  }
}

}  // namespace

int Check(const std::vector<std::string>& args) {
  if (AsksForHelp(args))
    return PrintUsage(kCheckUsage, true);
  std::string folderArgument;
  bool strict = false;
  bool fix = false;
  for (const std::string& arg : args) {
    bool& flag = arg == "--strict" ? strict : fix;
    if (arg == "--strict" || arg == "--fix") {
      if (flag) {
        std::fprintf(stderr, "qlc check: option \"%s\" is given twice\n", arg.c_str());
        return 2;
      }
      flag = true;
    } else if (!arg.empty() && arg[0] != '-' && folderArgument.empty()) {
      folderArgument = arg;
    } else {
      std::fprintf(stderr, "qlc check: unknown option \"%s\"\n", arg.c_str());
      return PrintUsage(kCheckUsage, false);
    }
  }
  if (folderArgument.empty())
    return PrintUsage(kCheckUsage, false);
  const std::u16string folder = FolderArgument(folderArgument);
  std::error_code error;
  if (!fs::is_directory(ToPath(folder), error)) {
    std::fprintf(stderr, "qlc: error: %s is not a folder\n", folderArgument.c_str());
    return 1;
  }

  DiagnosticReport report(folder, strict);
  auto finish = [&report]() {
    report.PrintSummary();
    if (report.failures() != 0)
      return 1;
    std::printf(report.warnings() == 0 ? "no problems found\n" : "no errors found\n");
    return 0;
  };
  if (fix)
    FixEncodings(folder, report);
  if (!CheckEncodings(folder, report)) {
    std::fprintf(stderr,
                 "qlc: the package is read no further until its text files are fixed (qlc check "
                 "--fix)\n");
    return finish();
  }

  const std::u16string work = MakeWorkFolder(fs::path(), "qlc-check-");
  if (work.empty()) {
    std::fprintf(stderr, "qlc: error: cannot make a temporary folder\n");
    return 1;
  }
  report.SetBuildFolder(work);
  BuildChoices choices;
  choices.allDictionaries = true;
  choices.quiet = true;
  choices.onManifest = PrintManifest;
  BuildPackage(folder, work, choices, report);
  fs::remove_all(ToPath(work), error);
  return finish();
}

}  // namespace qlc
