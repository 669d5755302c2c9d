// `qlc check`: validates a package before anyone installs it. Every problem is reported with its
// file and line; the exit status is 1 when there is one.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "setup/common/files.h"
#include "setup/common/line_reader.h"
#include "setup/common/profile_file.h"
#include "setup/common/text.h"
#include "setup/compiler/dycz_line.h"
#include "setup/compiler/pinyin_index_format.h"
#include "setup/compiler/reading_table.h"
#include "setup/compiler/text_dictionary.h"
#include "setup/contracts/module_contract.h"
#include "setup/model/manifest.h"
#include "setup/model/package.h"
#include "setup/model/setup_state.h"
#include "tools/qlc/qlc.h"

namespace qlc {
namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxLineEndReportsPerFile = 5;

class Report {
 public:
  void Problem(std::u16string_view file, size_t line, const std::string& text) {
    ++problems_;
    Print("", file, line, text);
  }
  void Warning(std::u16string_view file, size_t line, const std::string& text) {
    Print("warning: ", file, line, text);
  }
  int problems() const { return problems_; }

 private:
  static void Print(const char* kind,
                    std::u16string_view file,
                    size_t line,
                    const std::string& text) {
    if (line == 0)
      std::printf("%s%s: %s\n", kind, U8(file).c_str(), text.c_str());
    else
      std::printf("%s%s:%zu: %s\n", kind, U8(file).c_str(), line, text.c_str());
  }
  int problems_ = 0;
};

bool IsTextFileName(const std::u16string& name) {
  size_t dot = name.rfind(u'.');
  if (dot == std::u16string::npos)
    return false;
  std::u16string_view extension = std::u16string_view(name).substr(dot);
  return ql::EqualsAsciiNoCase(extension, u".txt") || ql::EqualsAsciiNoCase(extension, u".ini");
}

// Encoding, byte-order mark and line ends of one text file of the package.
void CheckTextFile(Report& report, const std::u16string& relative, const std::vector<uint8_t>& b) {
  const std::u16string shown = Shown(relative);
  if (b.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
    report.Problem(shown, 1, "UTF-8 with byte-order mark; the system reads only UTF-16LE");
    return;
  }
  if (b.size() >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
    report.Problem(shown, 1, "UTF-16 big-endian; the system reads only UTF-16LE");
    return;
  }
  if (b.size() < 2 || b[0] != 0xFF || b[1] != 0xFE) {
    report.Problem(shown, 1,
                   "no UTF-16LE byte-order mark; the system drops the first unit and reads the "
                   "rest as UTF-16LE");
    return;
  }
  if (b.size() % 2 != 0)
    report.Problem(shown, 0, "odd number of bytes: not UTF-16 text");
  std::u16string text = ql::DecodeUtf16Le(b.data(), b.size());
  size_t line = 1;
  size_t lineStart = 1;  // after the byte-order mark
  size_t lfOnly = 0;
  for (size_t i = 1; i < text.size(); ++i) {
    if (text[i] != u'\n')
      continue;
    if (text[i - 1] != u'\r' && ++lfOnly <= kMaxLineEndReportsPerFile) {
      report.Problem(shown, line,
                     "line ends in LF without CR: the reader drops the unit before the LF");
    }
    ++line;
    lineStart = i + 1;
  }
  if (lfOnly > kMaxLineEndReportsPerFile) {
    report.Problem(
        shown, 0,
        std::to_string(lfOnly - kMaxLineEndReportsPerFile) + " more lines end in LF without CR");
  }
  if (lineStart < text.size())
    report.Problem(shown, line, "the last line has no line end and is not read");
}

void CheckTextFiles(Report& report, const std::u16string& folder) {
  std::error_code error;
  fs::path root = ToPath(folder);
  std::vector<std::u16string> files;
  for (fs::recursive_directory_iterator it(root, error), end; !error && it != end;
       it.increment(error)) {
    if (it->is_regular_file(error) && IsTextFileName(FromPath(it->path().filename())))
      files.push_back(FromPath(it->path().lexically_relative(root)));
  }
  std::sort(files.begin(), files.end());
  for (const std::u16string& relative : files) {
    std::optional<std::vector<uint8_t>> bytes = ql::ReadFileBytes(folder + relative);
    if (!bytes)
      report.Problem(Shown(relative), 0, "cannot be read");
    else
      CheckTextFile(report, relative, *bytes);
  }
}

// The line of setup.ini where `key` of `section` stands, or 0.
class ManifestLines {
 public:
  explicit ManifestLines(const std::optional<std::vector<uint8_t>>& bytes) {
    if (!bytes)
      return;
    const std::vector<uint8_t>& b = *bytes;
    if (b.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE)
      text_ = ql::DecodeUtf16Le(b.data() + 2, b.size() - 2);
    else
      text_ = ql::Utf8ToUtf16(std::string(b.begin(), b.end()));
  }

  size_t Find(std::u16string_view section, std::u16string_view key) const {
    std::u16string current;
    size_t number = 0;
    size_t start = 0;
    while (start < text_.size()) {
      size_t end = text_.find(u'\n', start);
      if (end == std::u16string::npos)
        end = text_.size();
      std::u16string_view line(text_.data() + start, end - start);
      ++number;
      start = end + 1;
      if (!line.empty() && line.back() == u'\r')
        line.remove_suffix(1);
      if (!line.empty() && line.front() == u'[' && line.back() == u']') {
        current = std::u16string(line.substr(1, line.size() - 2));
        continue;
      }
      size_t equals = line.find(u'=');
      if (equals != std::u16string_view::npos && ql::EqualsAsciiNoCase(current, section) &&
          ql::EqualsAsciiNoCase(line.substr(0, equals), key))
        return number;
    }
    return 0;
  }

 private:
  std::u16string text_;
};

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

// The section of a scheme in setup.ini: the family's prefix and its number within the family.
std::u16string SchemeSection(const ql::SetupState& state, uint32_t index) {
  const ql::InputScheme& s = state.schemes[index];
  int n = 0;
  for (uint32_t i = 0; i <= index; ++i) {
    const ql::InputScheme& t = state.schemes[i];
    if (t.isAuxiliary == s.isAuxiliary && t.isKeypad == s.isKeypad)
      ++n;
  }
  std::u16string_view prefix = s.isAuxiliary ? ql::kAuxiliarySection
                               : s.isKeypad  ? ql::kKeypadSection
                                             : ql::kMainKeyboardSection;
  return std::u16string(prefix) + ql::DecimalText(n);
}

std::u16string CharacterListPath() {
  return std::u16string(ql::kTextDictionaryFolder) + std::u16string(ql::kCharacterListFile);
}

// A file of a scheme's folder, relative to the package.
std::u16string SchemeFile(const ql::SetupState& state, uint32_t scheme, std::u16string_view name) {
  return state.schemes[scheme].path.str() + u"\\" + std::u16string(name);
}

void CheckNamedFiles(Report& report,
                     const ql::SetupState& state,
                     const std::u16string& folder,
                     const ManifestLines& lines) {
  for (const std::u16string& fixed : {std::u16string(ql::kLicenseFile), CharacterListPath()}) {
    if (!ql::FileExists(folder + fixed))
      report.Problem(Shown(fixed), 0, "missing");
  }
  for (uint32_t i = 0; i < state.dictionaryCount; ++i) {
    const ql::DictionaryEntry& d = state.dictionaries[i];
    std::u16string relative = std::u16string(ql::kTextDictionaryFolder) + d.fileName.str();
    if (d.fileName.empty() || !ql::FileExists(folder + relative)) {
      report.Problem(ql::kSetupIniFile,
                     lines.Find(std::u16string(ql::kDictionarySection) + ql::DecimalText(i + 1),
                                ql::kDictionaryFileKey),
                     "dictionary file " + U8(Shown(relative)) + " is missing");
    }
  }
  for (uint32_t i = 0; i < state.schemeCount; ++i) {
    std::u16string relative = SchemeFile(state, i, ql::kCodeTableFile);
    if (!ql::FileExists(folder + relative)) {
      report.Problem(ql::kSetupIniFile, lines.Find(SchemeSection(state, i), ql::kSchemePathKey),
                     "code table " + U8(Shown(relative)) + " is missing");
    }
  }
  if (state.schemeCount > 0) {
    for (std::u16string_view name : {ql::kPolyphonicPhrasesFile, ql::kHeaderTextFile}) {
      std::u16string relative = SchemeFile(state, 0, name);
      if (!ql::FileExists(folder + relative))
        report.Warning(Shown(relative), 0, "missing: the pinyin index is built without it");
    }
  }
  if (!ql::FileExists(folder + std::u16string(ql::kPackageModuleFile)))
    report.Warning(ql::kPackageModuleFile, 0, "missing: the input-method module is not installed");
  const std::u16string tool = std::u16string(ql::kToolFolder) + ql::kToolLibraryFile;
  if (!ql::FileExists(folder + tool))
    report.Warning(Shown(tool), 0, "missing: shape-code indexes are not built");
}

std::optional<std::u16string> ReadText(const std::u16string& path) {
  std::optional<std::vector<uint8_t>> bytes = ql::ReadFileBytes(path);
  if (!bytes)
    return std::nullopt;
  return ql::DecodeUtf16Le(bytes->data(), bytes->size());
}

// The characters of the reading table's range that mb.txt gives a first reading.
using FirstReadings = std::vector<bool>;

// The pinyin scheme's mb.txt line by line, as the reading table reads it: whatever the table
// passes over or drops is reported. Returns the characters with a first reading, or nullopt when
// there is no mb.txt to read.
std::optional<FirstReadings> CheckPinyinReadings(Report& report,
                                                 const ql::SetupState& state,
                                                 const std::u16string& folder) {
  if (state.schemeCount == 0)
    return std::nullopt;
  const std::u16string shown = Shown(SchemeFile(state, 0, ql::kCodeTableFile));
  std::optional<std::u16string> text = ReadText(folder + SchemeFile(state, 0, ql::kCodeTableFile));
  if (!text)
    return std::nullopt;
  FirstReadings firstReadings(ql::kCharacterRecordCount, false);
  ql::ReadCodeTableLines(*text, [&](const ql::CodeTableLine& line, size_t number) {
    if (!line.inRange) {
      // Section and key lines are ASCII; another character is one the table has no room for.
      if (!line.character.empty() && line.character[0] >= 0x80) {
        report.Warning(shown, number,
                       U8(line.character) + " is outside U+3000..U+9FFF: the line is passed over");
      }
      return;
    }
    const std::string character = U8(line.character.substr(0, 1));
    if (line.readingCount == 0) {
      report.Warning(shown, number, character + " has no reading: the line is passed over");
      return;
    }
    if (line.readings[0].present())
      firstReadings[line.character[0] - ql::kFirstReadingCharacter] = true;
    for (size_t i = 0; i < line.readingCount; ++i) {
      if (line.readings[i].present())
        continue;
      std::string problem =
          "reading \"" + U8(line.fields[i]) + "\" of " + character + " is not a pinyin syllable";
      // One unknown further reading loses the others with it.
      if (i > 0 && line.readingCount > 2)
        problem += ": none of its readings after the first is kept";
      report.Problem(shown, number, problem);
    }
    if (!line.dropped.empty()) {
      report.Problem(shown, number,
                     "readings of " + character + " after the first " +
                         std::to_string(ql::kMaxReadingsPerLine) + " are dropped: \"" +
                         U8(line.dropped) + "\"");
    }
  });
  return firstReadings;
}

std::string DyczFaultText(ql::DyczFault fault) {
  switch (fault) {
    case ql::DyczFault::kNone:
      return "";
    case ql::DyczFault::kBracketFirst:
    case ql::DyczFault::kUnclosedBracket:
      return "unbalanced or misplaced bracket";
    case ql::DyczFault::kTextTooLong:
      return "more than " + std::to_string(ql::kMaxDyczTextUnits) +
             " units outside brackets: the line is passed over";
    case ql::DyczFault::kBracketTooLong:
      return "a bracket of more than " + std::to_string(ql::kMaxBracketUnits) +
             " units: the line is passed over";
    case ql::DyczFault::kTooManyReadings:
      return "a bracket of more than " + std::to_string(ql::kMaxBracketReadings) +
             " readings: the line is passed over";
    case ql::DyczFault::kReadingTooLong:
      return "a reading of more than " + std::to_string(ql::kMaxReadingLetters) +
             " letters: the line is passed over";
    case ql::DyczFault::kTooManyVariants:
      return "the stated readings make more than " + std::to_string(ql::kMaxStatedVariants) +
             " variants: the line is passed over";
  }
  return "";
}

// Collects the phrases of the chosen dictionaries.
class PhraseCollector : public ql::TextDictionaryHandler {
 public:
  bool Phrase(std::u16string_view phrase, std::optional<int32_t>) override {
    phrases.emplace(phrase);
    return true;
  }
  void Description(std::u16string_view, std::u16string_view) override {}
  bool Settings(std::u16string_view, std::u16string_view) override { return true; }
  bool DoublePinyin(std::u16string_view) override { return true; }
  void CustomCodeFolder(std::optional<std::u16string_view>) override {}
  void CustomCode(std::u16string_view, std::u16string_view) override {}
  void CustomCodeEnd() override {}

  std::set<std::u16string> phrases;
};

void CheckPolyphonicPhrases(Report& report,
                            const ql::SetupState& state,
                            const std::u16string& folder,
                            const std::optional<FirstReadings>& firstReadings) {
  if (state.schemeCount == 0)
    return;
  const std::u16string relative = SchemeFile(state, 0, ql::kPolyphonicPhrasesFile);
  const std::u16string shown = Shown(relative);
  std::optional<std::u16string> text = ReadText(folder + relative);
  if (!text)
    return;
  PhraseCollector collector;
  if (std::optional<std::u16string> list = ReadText(folder + CharacterListPath())) {
    ql::ReadCharacterList(*list, [&collector](char16_t c, int32_t) {
      collector.phrases.emplace(1, c);
      return true;
    });
  }
  // The phrases of the dictionaries not chosen by default: the user may still choose them.
  PhraseCollector others;
  ql::DictionaryPart part = ql::DictionaryPart::none;
  ql::DictionaryPart otherPart = ql::DictionaryPart::none;
  for (uint32_t i = 0; i < state.dictionaryCount; ++i) {
    const ql::DictionaryEntry& d = state.dictionaries[i];
    std::optional<std::u16string> dictionary =
        ReadText(folder + std::u16string(ql::kTextDictionaryFolder) + d.fileName.str());
    if (!dictionary)
      continue;
    if (d.selected)
      ql::ReadTextDictionary(*dictionary, part, collector);
    else
      ql::ReadTextDictionary(*dictionary, otherPart, others);
  }

  ql::ReadDyczLines(*text, [&](const ql::DyczLine& line, size_t number) {
    // A last line without LF is never read; the text file check has said so.
    if (!line.ended)
      return true;
    if (line.fault != ql::DyczFault::kNone) {
      report.Problem(shown, number, DyczFaultText(line.fault));
      return true;
    }
    for (const ql::DyczBracket& bracket : line.brackets) {
      for (std::u16string_view reading : bracket.unknown) {
        report.Problem(shown, number, "reading \"" + U8(reading) + "\" is not a pinyin syllable");
      }
    }
    const std::u16string entry(line.phrase());
    if (entry.empty())
      return true;
    if (firstReadings) {
      for (size_t i = 0; i < entry.size(); ++i) {
        const char16_t c = entry[i];
        if (!line.TakesFirstReading(i) ||
            (c >= ql::kFirstReadingCharacter && c <= ql::kLastReadingCharacter &&
             (*firstReadings)[c - ql::kFirstReadingCharacter]))
          continue;
        report.Problem(shown, number,
                       "\"" + U8(entry.substr(i, 1)) + "\" of \"" + U8(entry) +
                           "\" has no reading in " + U8(ql::kCodeTableFile) +
                           " and none stated: the line is passed over");
        return true;
      }
    }
    if (collector.phrases.count(entry) != 0)
      return true;
    if (others.phrases.count(entry) != 0) {
      report.Warning(shown, number,
                     "\"" + U8(entry) +
                         "\" is only in a dictionary not chosen by default: the line has no "
                         "effect unless it is chosen");
    } else {
      report.Problem(shown, number,
                     "\"" + U8(entry) + "\" is in no dictionary: the line has no effect");
    }
    return true;
  });
}

}  // namespace

int Check(const std::vector<std::string>& args) {
  if (AsksForHelp(args) || args.size() != 1)
    return PrintUsage(kCheckUsage, AsksForHelp(args));
  const std::u16string folder = FolderArgument(args[0]);
  if (!fs::is_directory(ToPath(folder))) {
    std::fprintf(stderr, "error: %s is not a folder\n", args[0].c_str());
    return 1;
  }
  Report report;
  std::optional<std::vector<uint8_t>> manifest =
      ql::ReadFileBytes(folder + std::u16string(ql::kSetupIniFile));
  if (!manifest)
    report.Problem(ql::kSetupIniFile, 0,
                   "missing (every key takes its default, no scheme, no dictionary)");

  auto record = std::make_unique<ql::SetupState>();
  ql::SetupState& state = *record;
  ql::ReadSetupManifest(folder, state);
  PrintManifest(state);

  CheckTextFiles(report, folder);
  CheckNamedFiles(report, state, folder, ManifestLines(manifest));
  std::optional<FirstReadings> firstReadings = CheckPinyinReadings(report, state, folder);
  CheckPolyphonicPhrases(report, state, folder, firstReadings);

  if (report.problems() == 0) {
    std::printf("no problems found\n");
    return 0;
  }
  std::printf("%d problem%s found\n", report.problems(), report.problems() == 1 ? "" : "s");
  return 1;
}

}  // namespace qlc
