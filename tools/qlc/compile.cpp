// `qlc compile`: the data files of a default fresh install, without installing.
//
// An installed folder holds the whole package, and the compilers read and write relative to
// installFolder. So the package is copied into a work folder and compiled there with
// installFolder pointing at it: every file lands at the relative path it has in an installed
// folder, and the compilers run exactly as the installation worker runs them, with a diagnostics
// sink that says what they skip, cut or drop. `qlc check` runs the same build into a temporary
// folder. The punctuation values, which an installation writes into the settings key, land as
// files under "punct". Only a build without errors takes the output folder's name.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "setup/common/bytes.h"
#include "setup/common/files.h"
#include "setup/common/registry.h"
#include "setup/common/text.h"
#include "setup/compiler/custom_input.h"
#include "setup/compiler/phrase_table.h"
#include "setup/compiler/phrase_table_format.h"
#include "setup/compiler/pinyin_index.h"
#include "setup/compiler/punctuation.h"
#include "setup/contracts/module_contract.h"
#include "setup/flow/install_selection.h"
#include "setup/install/scheme_slots.h"
#include "setup/model/install_record.h"
#include "setup/model/manifest.h"
#include "setup/model/package.h"
#include "setup/model/setup_state.h"
#include "tools/qlc/qlc.h"

namespace qlc {
namespace {

namespace fs = std::filesystem;

// The folder below the output folder that receives the punctuation values as files.
constexpr std::u16string_view kPunctuationFolder = u"punct";

struct CompileOptions {
  std::string package;
  std::string out;
  BuildChoices choices;
  bool force = false;
  bool strict = false;
};

std::vector<std::u16string> SplitList(const std::string& list) {
  std::vector<std::u16string> items;
  std::u16string text = ql::Utf8ToUtf16(list);
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(u',', start);
    if (comma == std::u16string::npos)
      comma = text.size();
    if (comma > start)
      items.push_back(text.substr(start, comma - start));
    start = comma + 1;
  }
  return items;
}

std::optional<CompileOptions> ParseOptions(const std::vector<std::string>& args) {
  CompileOptions options;
  std::vector<std::string> seen;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    bool hasValue = i + 1 < args.size();
    // An option given twice is a mistake, not a choice of the last one.
    if (arg.rfind("--", 0) == 0) {
      for (const std::string& earlier : seen) {
        if (earlier == arg) {
          std::fprintf(stderr, "qlc compile: option \"%s\" is given twice\n", arg.c_str());
          return std::nullopt;
        }
      }
      seen.push_back(arg);
    }
    if (arg == "--out" && hasValue) {
      options.out = args[++i];
    } else if (arg == "--dicts" && hasValue) {
      options.choices.dictionaries = SplitList(args[++i]);
    } else if (arg == "--schemes" && hasValue) {
      options.choices.schemes = SplitList(args[++i]);
    } else if (arg == "--single-chars") {
      options.choices.singleCharsOnly = true;
    } else if (arg == "--skip-slots") {
      options.choices.skipSlots = true;
    } else if (arg == "--skip-index") {
      options.choices.skipIndex = true;
    } else if (arg == "--skip-fuzzy") {
      options.choices.skipFuzzy = true;
    } else if (arg == "--force") {
      options.force = true;
    } else if (arg == "--strict") {
      options.strict = true;
    } else if (!arg.empty() && arg[0] != '-' && options.package.empty()) {
      options.package = arg;
    } else {
      std::fprintf(stderr, "qlc compile: unknown or incomplete option \"%s\"\n", arg.c_str());
      return std::nullopt;
    }
  }
  if (options.package.empty() || options.out.empty()) {
    PrintUsage(kCompileUsage, false);
    return std::nullopt;
  }
  return options;
}

// Whether `inner` is `outer` or lies below it, element by element.
bool IsInside(const fs::path& inner, const fs::path& outer) {
  auto o = outer.begin();
  auto i = inner.begin();
  for (; o != outer.end(); ++o, ++i) {
    if (o->empty())
      continue;
    if (i == inner.end() || *i != *o)
      return false;
  }
  return true;
}

}  // namespace

bool IsCompiledFile(std::u16string_view relative) {
  const std::u16string fixed[] = {
      Shown(ql::kMainDataFile),
      Shown(ql::kUserDataFile),
      Shown(ql::kSettingsFile),
      Shown(ql::kDoublePinyinFile),
      Shown(ql::kInstalledUserIndexFile),
      Shown(std::u16string(ql::kCustomInputFolder) + std::u16string(ql::kCustomCodeIndexFile)),
      Shown(std::u16string(ql::kCustomInputFolder) + std::u16string(ql::kCustomTextIndexFile)),
  };
  for (const std::u16string& name : fixed) {
    if (ql::EqualsAsciiNoCase(relative, name))
      return true;
  }
  const std::u16string punctuation = std::u16string(kPunctuationFolder) + u"/";
  if (relative.size() > punctuation.size() &&
      ql::EqualsAsciiNoCase(relative.substr(0, punctuation.size()), punctuation))
    return true;
  // Custom codes and the pinyin index land in any scheme's folder.
  const std::u16string schemes = Shown(ql::kSchemeFolder);
  const size_t slash = relative.rfind(u'/');
  if (relative.size() > schemes.size() && relative.substr(0, schemes.size()) == schemes &&
      slash != std::u16string_view::npos) {
    const std::u16string_view name = relative.substr(slash + 1);
    return ql::EqualsAsciiNoCase(name, ql::kCustomCodeFile) ||
           ql::EqualsAsciiNoCase(name, ql::kPinyinIndexName);
  }
  return false;
}

namespace {

// Copies the package's tree into the empty folder `to`, without the files a compile writes.
// Returns the files copied (relative, '/' separators), nullopt when one could not be.
std::optional<std::set<std::u16string>> CopyPackage(const std::u16string& package,
                                                    const std::u16string& to,
                                                    bool quiet,
                                                    DiagnosticReport& report) {
  std::error_code error;
  const fs::path from = ToPath(package);
  std::set<std::u16string> copied;
  // Folder by folder and file by file, so that a failure names the file.
  for (fs::recursive_directory_iterator it(from, error), end; !error && it != end;
       it.increment(error)) {
    const fs::path relative = it->path().lexically_relative(from);
    const std::u16string shown = Shown(FromPath(relative));
    const fs::path target = ToPath(to) / relative;
    if (it->is_directory(error)) {
      fs::create_directories(target, error);
    } else if (!error && IsCompiledFile(shown)) {
      if (!quiet)
        std::printf("left out of the copy: %s (compile writes it)\n", U8(shown).c_str());
    } else if (!error) {
      fs::copy_file(it->path(), target, error);
      copied.insert(shown);
    }
    if (error) {
      report.Error(FromPath(relative), 0, "copy", "cannot be copied: " + error.message());
      return std::nullopt;
    }
  }
  if (error) {
    report.Error(u"", 0, "copy", "the package cannot be read: " + error.message());
    return std::nullopt;
  }
  return copied;
}

// The folder name of a scheme: its path after "输入方案\".
std::u16string_view SchemeFolder(const ql::InputScheme& scheme) {
  std::u16string_view path = scheme.path.view();
  size_t slash = path.find(u'\\');
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

// Replaces the manifest's default choices by the lists given; false when a name is unknown.
bool ApplyChoices(const BuildChoices& options, ql::SetupState& state) {
  bool ok = true;
  if (options.allDictionaries) {
    for (uint32_t i = 0; i < state.dictionaryCount; ++i)
      state.dictionaries[i].selected = 1;
    if (state.schemeCount > 0)
      state.schemes[0].selected = 1;
  }
  if (options.dictionaries) {
    std::vector<bool> used(options.dictionaries->size(), false);
    for (uint32_t i = 0; i < state.dictionaryCount; ++i) {
      ql::DictionaryEntry& d = state.dictionaries[i];
      d.selected = 0;
      for (size_t k = 0; k < used.size(); ++k) {
        const std::u16string& name = (*options.dictionaries)[k];
        if (d.name == name || d.fileName == name) {
          d.selected = 1;
          used[k] = true;
        }
      }
    }
    for (size_t k = 0; k < used.size(); ++k) {
      if (!used[k]) {
        std::fprintf(stderr, "qlc: error: no dictionary \"%s\" in setup.ini\n",
                     U8((*options.dictionaries)[k]).c_str());
        ok = false;
      }
    }
  }
  if (options.schemes) {
    std::vector<bool> used(options.schemes->size(), false);
    for (uint32_t i = 0; i < state.schemeCount; ++i) {
      ql::InputScheme& s = state.schemes[i];
      bool chosen = false;
      for (size_t k = 0; k < used.size(); ++k) {
        const std::u16string& name = (*options.schemes)[k];
        if (s.name == name || SchemeFolder(s) == name) {
          chosen = true;
          used[k] = true;
        }
      }
      (s.isAuxiliary ? s.auxSelected : s.selected) = chosen ? 1 : 0;
    }
    for (size_t k = 0; k < used.size(); ++k) {
      if (!used[k]) {
        std::fprintf(stderr, "qlc: error: no scheme \"%s\" in setup.ini\n",
                     U8((*options.schemes)[k]).c_str());
        ok = false;
      }
    }
  }
  return ok;
}

// What the install dialog and the worker's first step make of the choices, its tree's marks
// standing for them: the display name from the refresh, the marks and progress range the worker
// collects.
uint32_t SettleChoices(ql::SetupState& state, bool singleCharsOnly) {
  const ql::TreeMarks marks = ql::InitialMarks(state);
  ql::SetDisplayName(state, ql::ComposeDisplayName(state, marks));
  return ql::CollectMarks(state, marks, singleCharsOnly);
}

void PrintChoices(const ql::SetupState& state, uint32_t progressRange) {
  std::printf("display name: %s\n", U8(state.displayName.view()).c_str());
  for (uint32_t i = 0; i < state.schemeCount; ++i) {
    const ql::InputScheme& s = state.schemes[i];
    bool chosen = s.isAuxiliary ? s.auxSelected : s.selected;
    if (chosen)
      std::printf("scheme: %s (%s)\n", U8(s.name.view()).c_str(), U8(s.path.view()).c_str());
  }
  for (uint32_t i = 0; i < state.dictionaryCount; ++i) {
    const ql::DictionaryEntry& d = state.dictionaries[i];
    if (d.selected)
      std::printf("dictionary: %s (%s)\n", U8(d.name.view()).c_str(),
                  U8(d.fileName.view()).c_str());
  }
  std::printf("progress range: %u\n", progressRange);
}

const char* OutcomeText(ql::SlotOutcome::Kind kind) {
  switch (kind) {
    case ql::SlotOutcome::Kind::kIndexed:
      // qlc runs no tool library: the installation builds this index, qlc builds none.
      return "in slot (its index is built by the tool library at installation)";
    case ql::SlotOutcome::Kind::kNoLibrary:
      return "in slot";
    case ql::SlotOutcome::Kind::kRefused:
      return "refused by the tool library, slot freed";
    case ql::SlotOutcome::Kind::kTooLong:
      return "left out: its path is longer than 29 units";
    case ql::SlotOutcome::Kind::kNoSlot:
      return "left out: both slots taken";
  }
  return "";
}

void PrintOutcomes(const ql::SetupState& state, const std::vector<ql::SlotOutcome>& outcomes) {
  for (const ql::SlotOutcome& o : outcomes) {
    std::printf("slot %d: %s: %s\n", o.slot, U8(state.schemes[o.scheme].name.view()).c_str(),
                OutcomeText(o.kind));
  }
}

std::u16string PunctuationFile(std::u16string_view value) {
  return std::u16string(kPunctuationFolder) + u"\\" + std::u16string(value) + u".bin";
}

// The punctuation step against a registry of its own, as on a machine whose settings key is new;
// each value it writes becomes a file of exactly its bytes. False when a file cannot be written.
bool WritePunctuationFiles(const std::u16string& out,
                           const ql::SetupState& state,
                           DiagnosticReport& report) {
  ql::MemoryRegistry registry;
  ql::ScopedRegistry scope(registry);
  {
    ql::RegKey currentVersion;
    registry.CreateKey(ql::kHkeyCurrentUser, ql::kCurrentVersionPath, ql::kKeyAllAccess,
                       currentVersion.Receive());
  }
  ql::BuildPunctuationTable(state.installFolder.view(), state.displayName.view(), &report);
  const std::u16string settingsKey =
      u"HKCU\\" + std::u16string(ql::kCurrentVersionPath) + u"\\" + state.displayName.str();
  for (std::u16string_view value : {ql::kKeySymbolsValue, ql::kOutputPunctuationValue}) {
    uint32_t type = 0;
    std::vector<uint8_t> data;
    // Not written: the step has said why.
    if (!registry.Get(settingsKey, value, &type, &data))
      continue;
    const std::u16string path = out + PunctuationFile(value);
    if (!ql::EnsureFolder(out + std::u16string(kPunctuationFolder)) ||
        !ql::WriteFileBytes(path, data.data(), data.size())) {
      report.Report(ql::Severity::kError, path, 0, "write", "cannot be written");
      return false;
    }
  }
  return true;
}

// The files setup.ini names that no compiler step of this build reads (those it reads say so
// themselves), and the files an installation needs besides.
void CheckNamedFiles(const std::u16string& folder,
                     const ql::SetupState& state,
                     const BuildChoices& choices,
                     DiagnosticReport& report) {
  if (!ql::FileExists(folder + std::u16string(ql::kLicenseFile)))
    report.Error(ql::kLicenseFile, 0, "missing-file", "missing: setup shows no licence to accept");
  for (uint32_t i = 0; i < state.dictionaryCount; ++i) {
    const ql::DictionaryEntry& d = state.dictionaries[i];
    const std::u16string relative = std::u16string(ql::kTextDictionaryFolder) + d.fileName.str();
    if (!d.selected && !ql::FileExists(folder + relative)) {
      report.Error(relative, 0, "missing-file",
                   "missing: setup.ini's section \"" + U8(ql::kDictionarySection) +
                       std::to_string(i + 1) + "\" names it");
    }
  }
  const bool pinyinRead = state.schemeCount > 0 && state.schemes[0].selected && !choices.skipIndex;
  for (uint32_t i = pinyinRead ? 1 : 0; i < state.schemeCount; ++i) {
    const std::u16string relative =
        state.schemes[i].path.str() + u"\\" + std::u16string(ql::kCodeTableFile);
    if (!ql::FileExists(folder + relative)) {
      report.Error(relative, 0, "missing-file",
                   "missing: the scheme \"" + U8(state.schemes[i].name.view()) +
                       "\" of setup.ini has no code table");
    }
  }
  if (state.schemeCount > 0) {
    for (std::u16string_view name : {ql::kPolyphonicPhrasesFile, ql::kHeaderTextFile}) {
      const std::u16string relative = state.schemes[0].path.str() + u"\\" + std::u16string(name);
      if (!ql::FileExists(folder + relative))
        report.Warning(relative, 0, "missing-file",
                       "missing: the pinyin index is built without it");
    }
  }
  if (!ql::FileExists(folder + std::u16string(ql::kPackageModuleFile))) {
    report.Warning(ql::kPackageModuleFile, 0, "missing-file",
                   "missing: the input-method module is not installed");
  }
  const std::u16string tool = std::u16string(ql::kToolFolder) + ql::kToolLibraryFile;
  if (!ql::FileExists(folder + tool))
    report.Warning(tool, 0, "missing-file", "missing: shape-code indexes are not built");
}

// The files of `folder` that are not copies of the package's, with their sizes.
void PrintWrittenFiles(const std::u16string& folder, const std::set<std::u16string>& copied) {
  std::error_code error;
  const fs::path root = ToPath(folder);
  std::vector<std::u16string> written;
  for (fs::recursive_directory_iterator it(root, error), end; !error && it != end;
       it.increment(error)) {
    if (!it->is_regular_file(error))
      continue;
    const std::u16string relative = Shown(FromPath(it->path().lexically_relative(root)));
    if (copied.count(relative) == 0)
      written.push_back(relative);
  }
  std::sort(written.begin(), written.end());
  for (const std::u16string& relative : written) {
    uintmax_t size = fs::file_size(ToPath(folder + relative), error);
    std::printf("file: %s %ju bytes\n", U8(relative).c_str(), error ? uintmax_t{0} : size);
  }
}

}  // namespace

std::u16string MakeWorkFolder(const fs::path& near, const std::string& stem) {
  std::error_code error;
  const fs::path parent = near.empty() ? fs::temp_directory_path(error) : near;
  if (error)
    return u"";
  const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate =
        parent / ToPath(ql::Utf8ToUtf16(stem + std::to_string(tick % 1000000007) + "-" +
                                        std::to_string(attempt)));
    if (fs::create_directory(candidate, error) && !error)
      return FolderArgument(U8(FromPath(candidate)));
  }
  return u"";
}

std::optional<std::set<std::u16string>> BuildPackage(const std::u16string& package,
                                                     const std::u16string& build,
                                                     const BuildChoices& choices,
                                                     DiagnosticReport& report) {
  PrintingUi ui(report, choices.quiet);
  ql::ScopedUi scopedUi(ui);
  auto record = std::make_unique<ql::SetupState>();
  ql::SetupState& state = *record;
  const bool timed = !choices.quiet;
  std::optional<std::set<std::u16string>> copied;
  {
    PhaseTimer timer("copy", timed);
    copied = CopyPackage(package, build, choices.quiet, report);
    if (!copied)
      return std::nullopt;
  }

  {
    PhaseTimer timer("manifest", timed);
    state.installFolder.Assign(build);
    if (state.installFolder.view() != build) {
      report.Error(u"", 0, "path", "the work folder's path is too long: " + U8(build));
      return std::nullopt;
    }
    if (!ql::FileExists(build + std::u16string(ql::kSetupIniFile)))
      report.Error(ql::kSetupIniFile, 0, "missing-file", "missing: no scheme, no dictionary");
    ql::ReadSetupManifest(build, state, &report);
    if (choices.onManifest)
      choices.onManifest(state);
    if (!ApplyChoices(choices, state))
      return std::nullopt;
    const uint32_t progressRange = SettleChoices(state, choices.singleCharsOnly);
    if (!choices.quiet)
      PrintChoices(state, progressRange);
    CheckNamedFiles(build, state, choices, report);
  }

  {
    PhaseTimer timer("phrase table", timed);
    // No module is installed, so the scheme step has no module image to map.
    ql::BuildPhraseTable(state, ql::ModuleImageSeam{}, &report);
  }
  if (state.mainDataPath.empty()) {
    report.Report(ql::Severity::kError, u"", 0, "not-written",
                  "the main data file was not written: the build ends here");
    return std::nullopt;
  }
  std::optional<std::vector<uint8_t>> mainData = ql::ReadFileBytes(state.mainDataPath.view());
  if (!mainData || mainData->size() < ql::kPhraseHeaderSize) {
    report.Report(ql::Severity::kError, state.mainDataPath.view(), 0, "not-written",
                  "cannot be read back");
    return std::nullopt;
  }
  const uint32_t characters = ql::LoadU32(mainData->data() + ql::kCharacterCountOffset);
  if (!choices.quiet) {
    std::printf("records: %u (characters %u, phrases %u)\n", state.mainDataEntryCount, characters,
                state.mainDataEntryCount - characters);
  }
  if (state.mainDataEntryCount == 0) {
    report.Error(
        Shown(std::u16string(ql::kTextDictionaryFolder) + std::u16string(ql::kCharacterListFile)),
        0, "no-records", "no character and no phrase is read: the main data file is empty");
  }

  if (!choices.skipSlots) {
    PhaseTimer timer("scheme slots", timed);
    // The tool library accepts every scheme, as in an installation that succeeds.
    const std::vector<ql::SlotOutcome> main = ql::FillMainSchemeSlots(
        state, mainData->data(), mainData->size(), [](int32_t) { return 1; });
    const std::vector<ql::SlotOutcome> auxiliary =
        ql::FillAuxiliarySchemeSlots(state, mainData->data(), mainData->size());
    if (!choices.quiet) {
      PrintOutcomes(state, main);
      PrintOutcomes(state, auxiliary);
    }
  }

  if (!choices.skipIndex) {
    PhaseTimer timer("pinyin index", timed);
    if (!ql::BuildPinyinIndex(state, mainData->data(), mainData->size(), &report))
      return std::nullopt;
  }

  {
    PhaseTimer timer("punctuation", timed);
    if (!WritePunctuationFiles(build, state, report))
      return std::nullopt;
  }

  if (!choices.skipFuzzy) {
    PhaseTimer timer("fuzzy pairs", timed);
    // The settings dialog's defaults, confirmed with OK.
    ql::TurnOnDefaultFuzzyPairs(state.fuzzyPairs);
    if (!ql::WriteFuzzyPairs(state.fuzzyPairs, mainData->data(), mainData->size())) {
      report.Report(ql::Severity::kError, state.mainDataPath.view(), 0, "not-written",
                    "the fuzzy-pinyin bytes lie outside the main data file");
      return std::nullopt;
    }
  }

  {
    PhaseTimer timer("custom input", timed);
    if (!ql::BuildCustomInputIndexes(state.installFolder.view(), &report))
      return std::nullopt;
  }

  {
    PhaseTimer timer("write back", timed);
    if (!ql::WriteFileBytes(state.mainDataPath.view(), mainData->data(), mainData->size())) {
      report.Report(ql::Severity::kError, state.mainDataPath.view(), 0, "not-written",
                    "cannot be written");
      return std::nullopt;
    }
  }
  if (!choices.quiet) {
    std::printf("progress steps: %d\n", ui.steps);
    std::printf("messages: %d\n", ui.messages);
  }
  return copied;
}

int Compile(const std::vector<std::string>& args) {
  if (AsksForHelp(args))
    return PrintUsage(kCompileUsage, true);
  std::optional<CompileOptions> options = ParseOptions(args);
  if (!options)
    return 2;
  const std::u16string package = FolderArgument(options->package);
  const std::u16string out = FolderArgument(options->out);
  std::error_code error;
  if (!fs::is_directory(ToPath(package), error)) {
    std::fprintf(stderr, "qlc: error: %s is not a folder\n", options->package.c_str());
    return 1;
  }
  // Real paths: an output folder reached through a symbolic link into the package would
  // otherwise copy the package into itself, and --force must never empty a folder holding it.
  const fs::path realPackage = fs::canonical(ToPath(package), error);
  fs::path realOut = fs::weakly_canonical(ToPath(out), error);
  // Without the separator at its end, so that its parent is the folder that holds it.
  if (!realOut.has_filename())
    realOut = realOut.parent_path();
  if (error) {
    std::fprintf(stderr, "qlc: error: cannot resolve %s: %s\n", options->out.c_str(),
                 error.message().c_str());
    return 1;
  }
  if (IsInside(realOut, realPackage)) {
    std::fprintf(stderr, "qlc: error: the output folder %s lies inside the package\n",
                 options->out.c_str());
    return 1;
  }
  if (IsInside(realPackage, realOut) || realOut == realOut.root_path() ||
      !realOut.has_parent_path()) {
    std::fprintf(stderr, "qlc: error: the output folder %s holds the package or is a root\n",
                 options->out.c_str());
    return 1;
  }
  const bool outExists = fs::exists(realOut, error);
  if (outExists && !fs::is_directory(realOut, error)) {
    std::fprintf(stderr, "qlc: error: %s is not a folder\n", options->out.c_str());
    return 1;
  }
  if (outExists && !fs::is_empty(realOut, error) && !options->force) {
    std::fprintf(stderr, "qlc: error: the output folder %s is not empty (--force empties it)\n",
                 options->out.c_str());
    return 1;
  }

  DiagnosticReport report(package, options->strict);
  auto failed = [&](const std::u16string& work) {
    if (!work.empty())
      fs::remove_all(ToPath(work), error);
    report.PrintSummary();
    std::fprintf(stderr, "qlc: compile failed: nothing was written to %s%s\n", options->out.c_str(),
                 outExists && options->force ? " (--force emptied it)" : "");
    return 1;
  };
  if (!CheckEncodings(package, report))
    return failed(u"");
  // --force empties the output folder first, so that a failed run leaves nothing from before
  // that would look like its result.
  if (outExists && options->force) {
    for (fs::directory_iterator it(realOut, error), end; !error && it != end; it.increment(error))
      fs::remove_all(it->path(), error);
    if (error) {
      std::fprintf(stderr, "qlc: error: cannot empty %s: %s\n", options->out.c_str(),
                   error.message().c_str());
      return 1;
    }
  }
  // Built beside the output folder and renamed when complete: a stopped or failed run leaves no
  // file that looks like a result.
  const std::u16string work =
      MakeWorkFolder(realOut.parent_path(), "." + U8(FromPath(realOut.filename())) + ".qlc-");
  if (work.empty()) {
    std::fprintf(stderr, "qlc: error: cannot make a work folder beside %s\n", options->out.c_str());
    return 1;
  }
  report.SetBuildFolder(work);
  std::optional<std::set<std::u16string>> copied =
      BuildPackage(package, work, options->choices, report);
  if (!copied || report.failures() != 0)
    return failed(work);
  if (outExists)
    fs::remove(realOut, error);
  if (!error)
    fs::rename(ToPath(work), realOut, error);
  if (error) {
    std::fprintf(stderr, "qlc: error: cannot rename %s to %s: %s\n", U8(work).c_str(),
                 options->out.c_str(), error.message().c_str());
    return failed(work);
  }
  PrintWrittenFiles(out, *copied);
  report.PrintSummary();
  std::printf("compiled into %s\n", U8(out).c_str());
  return 0;
}

}  // namespace qlc
