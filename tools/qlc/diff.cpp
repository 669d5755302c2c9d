// `qlc diff A B`: what an edit of a package changes for the user, read from the compiled files:
// phrases added and removed, frequencies, characters' readings, and pinyin keys whose candidates
// come in another order. A and B are packages (compiled here into temporary folders) or trees
// that `qlc compile` wrote.
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "setup/common/byte_reader.h"
#include "setup/common/files.h"
#include "setup/common/text.h"
#include "setup/compiler/compiled_file_check.h"
#include "setup/compiler/phrase_table_format.h"
#include "setup/compiler/pinyin_index_format.h"
#include "setup/compiler/pinyin_query.h"
#include "setup/compiler/reading_table.h"
#include "setup/compiler/syllables.h"
#include "setup/model/package.h"
#include "tools/qlc/qlc.h"

namespace qlc {
namespace {

namespace fs = std::filesystem;

// What a compiled tree offers, by name.
struct Offer {
  std::map<std::u16string, int> characters;  // frequency
  std::map<std::u16string, int> phrases;     // the highest frequency of the text
  std::map<char16_t, std::string> readings;  // spelled, tones included
  std::map<std::string, std::vector<std::u16string>> candidates;  // key -> texts in order
};

std::string Spell(ql::Reading reading) {
  return std::string(ql::SpellSyllable(reading.code)) + std::to_string(reading.tone);
}

std::optional<Offer> ReadOffer(const std::u16string& tree) {
  const std::optional<std::vector<uint8_t>> main =
      ql::ReadFileBytes(tree + std::u16string(ql::kMainDataFile));
  if (!main ||
      ql::VerifyCompiledFile(ql::CompiledFileFormat::kPhraseTable, *main, nullptr, false).size() !=
          0) {
    std::fprintf(stderr, "qlc: error: %s has no sound %s\n", U8(tree).c_str(),
                 U8(Shown(ql::kMainDataFile)).c_str());
    return std::nullopt;
  }
  Offer offer;
  const ql::ByteReader whole(main->data(), main->size());
  const uint32_t characters = ql::ByteReader(whole).Seek(ql::kCharacterCountOffset).U32();
  ql::ByteReader reader(whole);
  reader.Seek(ql::ByteReader(whole).Seek(ql::kRecordShiftOffset).U32() + ql::kPhraseHeaderSize);
  for (uint32_t i = 0;; ++i) {
    const uint8_t units = reader.U8();
    if (!reader.ok() || units == 0)
      break;
    const uint8_t flags = reader.U8();
    const int frequency = reader.U8();
    reader.U8();
    const std::u16string text = reader.Text(units);
    if (i < characters) {
      offer.characters[text] = (flags & ql::kFlagZeroFrequencyCharacter) != 0 ? 0 : frequency;
    } else {
      int& known = offer.phrases.try_emplace(text, frequency).first->second;
      known = std::max(known, frequency);
    }
  }
  const std::u16string indexPath = ql::WithTrailingBackslash(tree + PinyinSchemeFolder(*main)) +
                                   std::u16string(ql::kPinyinIndexName);
  const std::optional<std::vector<uint8_t>> index = ql::ReadFileBytes(indexPath);
  if (!index)
    return offer;  // no pinyin index: phrases only
  ql::ByteReader header(index->data(), index->size());
  const uint32_t tableAt = header.Seek(ql::kReadingTableOffsetField).U32();
  const uint32_t tableLength = header.U32();
  const uint8_t* table = ql::ByteReader(header).Seek(tableAt).Bytes(tableLength);
  const ql::ReadingTableView readings(table, table != nullptr ? tableLength : 0);
  for (char16_t c = ql::kFirstReadingCharacter;; ++c) {
    const ql::Reading first = readings.FirstReading(c);
    if (first.present()) {
      std::string spelled = Spell(first);
      ql::Reading extra[ql::kExtraReadingsSlots];
      const size_t count = readings.ExtraReadings(c, extra);
      for (size_t k = 0; k < count; ++k)
        spelled += " " + Spell(extra[k]);
      offer.readings[c] = spelled;
    }
    if (c == ql::kLastReadingCharacter)
      break;
  }
  const ql::QueryResult all = ql::ListPinyinIndex(*index, *main);
  if (!all.ok) {
    std::fprintf(stderr, "qlc: error: %s: %s\n", U8(indexPath).c_str(), all.problem.c_str());
    return std::nullopt;
  }
  for (const ql::QueryCandidate& candidate : all.candidates) {
    std::string key;
    for (ql::SyllableCode code : candidate.key)
      key += (key.empty() ? "" : "'") + std::string(ql::SpellSyllable(code));
    offer.candidates[key].push_back(candidate.text);
  }
  return offer;
}

// A tree as given, or the package compiled into a temporary folder (removed by the caller).
std::optional<std::u16string> Tree(const std::string& argument, std::u16string* temporary) {
  const std::u16string folder = FolderArgument(argument);
  if (ql::FileExists(folder + std::u16string(ql::kMainDataFile)))
    return folder;
  *temporary = MakeWorkFolder({}, "qlc-diff-");
  if (temporary->empty()) {
    std::fprintf(stderr, "qlc: error: cannot make a work folder\n");
    return std::nullopt;
  }
  DiagnosticReport report(folder, false);
  report.SetBuildFolder(*temporary);
  BuildChoices choices;
  choices.quiet = true;
  if (!BuildPackage(folder, *temporary, choices, report) || report.errors() != 0) {
    std::fprintf(stderr, "qlc: error: %s is neither a compiled tree nor a package that compiles\n",
                 argument.c_str());
    return std::nullopt;
  }
  return *temporary;
}

std::string Texts(const std::vector<std::u16string>& texts) {
  std::string joined;
  for (const std::u16string& text : texts)
    joined += (joined.empty() ? "" : " ") + U8(text);
  return joined;
}

// Prints the entries of two maps that differ: "+" only in B, "-" only in A, "~" changed.
template <typename Key, typename Value, typename Show, typename ShowValue>
size_t PrintChanges(const char* what,
                    const std::map<Key, Value>& a,
                    const std::map<Key, Value>& b,
                    Show show,
                    ShowValue showValue) {
  size_t changes = 0;
  auto ia = a.begin();
  auto ib = b.begin();
  while (ia != a.end() || ib != b.end()) {
    if (ib == b.end() || (ia != a.end() && ia->first < ib->first)) {
      std::printf("- %s %s: %s\n", what, show(ia->first).c_str(), showValue(ia->second).c_str());
      ++ia;
    } else if (ia == a.end() || ib->first < ia->first) {
      std::printf("+ %s %s: %s\n", what, show(ib->first).c_str(), showValue(ib->second).c_str());
      ++ib;
    } else {
      if (ia->second != ib->second)
        std::printf("~ %s %s: %s -> %s\n", what, show(ia->first).c_str(),
                    showValue(ia->second).c_str(), showValue(ib->second).c_str());
      changes += ia->second != ib->second ? 1 : 0;
      ++ia;
      ++ib;
      continue;
    }
    ++changes;
  }
  return changes;
}

}  // namespace

int Diff(const std::vector<std::string>& args) {
  if (AsksForHelp(args))
    return PrintUsage(kDiffUsage, true);
  if (args.size() != 2 || args[0].empty() || args[0][0] == '-' || args[1].empty() ||
      args[1][0] == '-')
    return PrintUsage(kDiffUsage, false);
  std::u16string temporary[2];
  std::optional<Offer> offers[2];
  for (size_t i = 0; i < 2; ++i) {
    std::optional<std::u16string> tree = Tree(args[i], &temporary[i]);
    if (tree)
      offers[i] = ReadOffer(*tree);
  }
  std::error_code error;
  for (const std::u16string& folder : temporary) {
    if (!folder.empty())
      fs::remove_all(ToPath(folder), error);
  }
  if (!offers[0] || !offers[1])
    return 2;
  const Offer& a = *offers[0];
  const Offer& b = *offers[1];
  auto text = [](const std::u16string& t) { return U8(t); };
  auto number = [](int n) { return std::to_string(n); };
  auto same = [](const std::string& s) { return s; };
  size_t changes = PrintChanges("phrase", a.phrases, b.phrases, text, number);
  changes += PrintChanges("character", a.characters, b.characters, text, number);
  changes += PrintChanges(
      "readings", a.readings, b.readings, [](char16_t c) { return U8(std::u16string(1, c)); },
      same);
  changes += PrintChanges("key", a.candidates, b.candidates, same, Texts);
  if (changes == 0) {
    std::printf("no difference\n");
    return 0;
  }
  std::printf("%zu differences\n", changes);
  return 1;
}

}  // namespace qlc
