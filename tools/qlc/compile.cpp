// `qlc compile`: the data files of a default fresh install, without installing.
//
// An installed folder holds the whole package, and the compilers read and write relative to
// installFolder. So the package is copied into the output folder and compiled there with
// installFolder pointing at it: every file lands at the relative path it has in an installed
// folder, and the compilers run exactly as the installation worker runs them. The punctuation
// values, which an installation writes into the settings key, land as files under "punct".
#include <cstdio>
#include <memory>
#include <optional>
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
  std::optional<std::vector<std::u16string>> dictionaries;
  std::optional<std::vector<std::u16string>> schemes;
  bool singleCharsOnly = false;
  bool skipSlots = false;
  bool skipIndex = false;
  bool skipFuzzy = false;
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
      options.dictionaries = SplitList(args[++i]);
    } else if (arg == "--schemes" && hasValue) {
      options.schemes = SplitList(args[++i]);
    } else if (arg == "--single-chars") {
      options.singleCharsOnly = true;
    } else if (arg == "--skip-slots") {
      options.skipSlots = true;
    } else if (arg == "--skip-index") {
      options.skipIndex = true;
    } else if (arg == "--skip-fuzzy") {
      options.skipFuzzy = true;
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

// Copies the package's tree into `out`, which must be new or empty and must not lie inside the
// package (the copy would copy itself).
bool CopyPackage(const std::u16string& package, const std::u16string& out) {
  std::error_code error;
  fs::path from = ToPath(package);
  fs::path to = ToPath(out);
  if (!fs::is_directory(from, error)) {
    std::fprintf(stderr, "error: %s is not a folder\n", U8(package).c_str());
    return false;
  }
  // Real paths: an output folder reached through a symbolic link into the package would
  // otherwise copy the package into itself, level upon level.
  fs::path realFrom = fs::canonical(from, error);
  fs::path realTo = fs::weakly_canonical(to, error);
  if (error) {
    std::fprintf(stderr, "error: cannot resolve %s: %s\n", U8(out).c_str(),
                 error.message().c_str());
    return false;
  }
  if (IsInside(realTo, realFrom)) {
    std::fprintf(stderr, "error: the output folder %s lies inside the package\n", U8(out).c_str());
    return false;
  }
  if (fs::exists(to, error) && !fs::is_empty(to, error)) {
    std::fprintf(stderr, "error: the output folder %s is not empty\n", U8(out).c_str());
    return false;
  }
  fs::create_directories(to, error);
  if (error) {
    std::fprintf(stderr, "error: cannot create %s: %s\n", U8(out).c_str(), error.message().c_str());
    return false;
  }
  // Folder by folder and file by file, so that a failure names the file.
  for (fs::recursive_directory_iterator it(from, error), end; !error && it != end;
       it.increment(error)) {
    fs::path target = to / it->path().lexically_relative(from);
    if (it->is_directory(error))
      fs::create_directories(target, error);
    else if (!error)
      fs::copy_file(it->path(), target, error);
    if (error) {
      std::fprintf(stderr, "error: cannot copy %s: %s\n", U8(FromPath(it->path())).c_str(),
                   error.message().c_str());
      return false;
    }
  }
  if (error) {
    std::fprintf(stderr, "error: cannot read the package: %s\n", error.message().c_str());
    return false;
  }
  return true;
}

// The folder name of a scheme: its path after "输入方案\".
std::u16string_view SchemeFolder(const ql::InputScheme& scheme) {
  std::u16string_view path = scheme.path.view();
  size_t slash = path.find(u'\\');
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

// Replaces the manifest's default choices by the lists given; false when a name is unknown.
bool ApplyChoices(const CompileOptions& options, ql::SetupState& state) {
  bool ok = true;
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
        std::fprintf(stderr, "error: no dictionary \"%s\" in setup.ini\n",
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
        std::fprintf(stderr, "error: no scheme \"%s\" in setup.ini\n",
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
      return "in slot, index built";
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
bool WritePunctuationFiles(const std::u16string& out, const ql::SetupState& state) {
  ql::MemoryRegistry registry;
  ql::ScopedRegistry scope(registry);
  {
    ql::RegKey currentVersion;
    registry.CreateKey(ql::kHkeyCurrentUser, ql::kCurrentVersionPath, ql::kKeyAllAccess,
                       currentVersion.Receive());
  }
  ql::BuildPunctuationTable(state.installFolder.view(), state.displayName.view());
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
      std::fprintf(stderr, "error: cannot write %s\n", U8(path).c_str());
      return false;
    }
  }
  return true;
}

void PrintOutputFiles(const std::u16string& folder, const ql::SetupState& state) {
  std::vector<std::u16string> names = {
      std::u16string(ql::kMainDataFile), std::u16string(ql::kUserDataFile),
      std::u16string(ql::kSettingsFile), std::u16string(ql::kDoublePinyinFile)};
  for (uint32_t i = 0; i < state.schemeCount; ++i) {
    names.push_back(state.schemes[i].path.str() + u"\\" + std::u16string(ql::kCustomCodeFile));
    if (i == 0)
      names.push_back(state.schemes[i].path.str() + u"\\" + std::u16string(ql::kPinyinIndexName));
  }
  names.push_back(std::u16string(ql::kInstalledUserIndexFile));
  names.push_back(PunctuationFile(ql::kKeySymbolsValue));
  names.push_back(PunctuationFile(ql::kOutputPunctuationValue));
  names.push_back(std::u16string(ql::kCustomInputFolder) +
                  std::u16string(ql::kCustomCodeIndexFile));
  names.push_back(std::u16string(ql::kCustomInputFolder) +
                  std::u16string(ql::kCustomTextIndexFile));
  std::vector<std::u16string> seen;
  for (const std::u16string& name : names) {
    bool duplicate = false;
    for (const std::u16string& s : seen)
      duplicate = duplicate || s == name;
    if (duplicate)
      continue;
    seen.push_back(name);
    std::error_code error;
    uintmax_t size = fs::file_size(ToPath(folder + name), error);
    if (!error)
      std::printf("file: %s %ju bytes\n", U8(Shown(name)).c_str(), size);
  }
}

}  // namespace

int Compile(const std::vector<std::string>& args) {
  if (AsksForHelp(args))
    return PrintUsage(kCompileUsage, true);
  std::optional<CompileOptions> options = ParseOptions(args);
  if (!options)
    return 2;
  PrintingUi ui;
  ql::ScopedUi scopedUi(ui);
  auto record = std::make_unique<ql::SetupState>();
  ql::SetupState& state = *record;
  const std::u16string package = FolderArgument(options->package);
  const std::u16string out = FolderArgument(options->out);

  {
    PhaseTimer timer("copy");
    if (!CopyPackage(package, out))
      return 1;
  }

  {
    PhaseTimer timer("manifest");
    state.installFolder.Assign(out);
    if (state.installFolder.view() != out) {
      std::fprintf(stderr, "error: the output folder's path is too long\n");
      return 1;
    }
    if (!ql::FileExists(out + std::u16string(ql::kSetupIniFile)))
      std::printf("warning: the package has no setup.ini: no scheme, no dictionary\n");
    ql::ReadSetupManifest(out, state);
    if (!ApplyChoices(*options, state))
      return 1;
    PrintChoices(state, SettleChoices(state, options->singleCharsOnly));
  }

  {
    PhaseTimer timer("phrase table");
    // No module is installed, so the scheme step has no module image to map.
    ql::BuildPhraseTable(state, ql::ModuleImageSeam{});
  }
  if (state.mainDataPath.empty()) {
    std::fprintf(stderr, "error: the main data file was not written (see the messages above)\n");
    return 1;
  }
  std::optional<std::vector<uint8_t>> mainData = ql::ReadFileBytes(state.mainDataPath.view());
  if (!mainData || mainData->size() < ql::kPhraseHeaderSize) {
    std::fprintf(stderr, "error: cannot read back %s\n", U8(state.mainDataPath.view()).c_str());
    return 1;
  }
  uint32_t characters = ql::LoadU32(mainData->data() + ql::kCharacterCountOffset);
  std::printf("records: %u (characters %u, phrases %u)\n", state.mainDataEntryCount, characters,
              state.mainDataEntryCount - characters);
  if (!ql::FileExists(out + std::u16string(ql::kUserDataFile))) {
    std::fprintf(stderr, "error: the user data file was not written\n");
    return 1;
  }

  if (!options->skipSlots) {
    PhaseTimer timer("scheme slots");
    // The tool library accepts every scheme, as in an installation that succeeds.
    PrintOutcomes(state, ql::FillMainSchemeSlots(state, mainData->data(), mainData->size(),
                                                 [](int32_t) { return 1; }));
    PrintOutcomes(state, ql::FillAuxiliarySchemeSlots(state, mainData->data(), mainData->size()));
  }

  if (!options->skipIndex) {
    PhaseTimer timer("pinyin index");
    if (!ql::BuildPinyinIndex(state, mainData->data(), mainData->size())) {
      std::fprintf(stderr, "error: an index file was not written (see the messages above)\n");
      return 1;
    }
  }

  {
    PhaseTimer timer("punctuation");
    if (!WritePunctuationFiles(out, state))
      return 1;
  }

  if (!options->skipFuzzy) {
    PhaseTimer timer("fuzzy pairs");
    // The settings dialog's defaults, confirmed with OK.
    ql::TurnOnDefaultFuzzyPairs(state.fuzzyPairs);
    if (!ql::WriteFuzzyPairs(state.fuzzyPairs, mainData->data(), mainData->size())) {
      std::fprintf(stderr, "error: the fuzzy-pinyin bytes lie outside the main data file\n");
      return 1;
    }
  }

  {
    PhaseTimer timer("custom input");
    if (!ql::BuildCustomInputIndexes(state.installFolder.view())) {
      std::fprintf(stderr,
                   "error: a custom-input index was not written (see the messages above)\n");
      return 1;
    }
  }

  {
    PhaseTimer timer("write back");
    if (!ql::WriteFileBytes(state.mainDataPath.view(), mainData->data(), mainData->size())) {
      std::fprintf(stderr, "error: cannot write %s\n", U8(state.mainDataPath.view()).c_str());
      return 1;
    }
  }
  std::printf("progress steps: %d\n", ui.steps);
  std::printf("messages: %d\n", ui.messages);
  PrintOutputFiles(out, state);
  std::printf("compiled into %s\n", U8(out).c_str());
  return 0;
}

}  // namespace qlc
