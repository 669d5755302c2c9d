// `qlc import`: what the sources say, gathered into one model, and the package pieces written from
// it. The readers of the three source formats feed the model; the model applies the rules and
// counts what each of them changes or drops.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qlc {

// The rules, as counted and printed.
constexpr char kRuleUAsV[] = "u-umlaut-written-v";
constexpr char kRuleUnknownSyllable[] = "dropped-syllable-not-in-the-413";
constexpr char kRuleBeyond16Bit[] = "dropped-character-beyond-U+FFFF";
constexpr char kRuleUnusableText[] = "dropped-text-no-line-can-hold";
constexpr char kRuleReadingLength[] = "dropped-reading-not-one-per-character";
constexpr char kRuleMergedDuplicate[] = "merged-duplicate-by-highest-weight";
constexpr char kRuleOtherReading[] = "dropped-other-reading-of-a-merged-duplicate";
constexpr char kRuleReadingsBeyondFive[] = "dropped-readings-beyond-the-fifth";
constexpr char kRuleOutsideReadingRange[] = "dropped-readings-outside-U+3000..U+9FFF";
constexpr char kRuleNoPinyinKey[] = "dropped-first-character-without-reading";
constexpr char kRuleDyczNoReading[] = "unstated-character-without-reading";
constexpr char kRuleDyczTooLong[] = "unstated-phrase-over-127-characters";
constexpr char kRuleBadLine[] = "skipped-line-not-in-the-format";

// A source weight; entries without one rank below every weighted entry.
constexpr double kNoWeight = -HUGE_VAL;

// Where an item came from, for --verbose.
struct Place {
  std::string file;
  size_t line = 0;
};

struct ImportedCharacter {
  // Readings as mb.txt writes them ("hang2"), with the weight that orders them.
  std::vector<std::pair<std::u16string, double>> readings;
  double weight = kNoWeight;
};

struct ImportedPhrase {
  std::u16string text;
  double weight = kNoWeight;
  std::vector<std::u16string> reading;  // one per character, or empty
};

class ImportModel {
 public:
  explicit ImportModel(bool verbose) : verbose_(verbose) {}

  // An entry with its readings (one syllable per character, tone digit allowed; none for a
  // phrase without stated reading). `weightOrdersReadingsOnly`: the weight is a character's
  // share among its readings (rime's "50%"), not its frequency.
  void AddEntry(const Place& place,
                std::u16string_view text,
                const std::vector<std::u16string>& syllables,
                double weight,
                bool weightOrdersReadingsOnly = false);
  // A weight from a weight file or a word list: raises a known entry's weight; adds an unknown
  // phrase when `addPhrase`. `listed`: the text is an entry of its own (a word list's line), so a
  // second one is a duplicate; a weight file only weighs what the dictionary has.
  void AddWeight(const Place& place,
                 std::u16string_view text,
                 double weight,
                 bool addPhrase,
                 bool listed);
  // Counts (and with --verbose names) an item a rule changed or dropped.
  void Note(const Place& place, const char* rule, std::u16string_view text);

  // Writes the pieces into `out`. `package`: into the package there, whose setup.ini then lists
  // this dictionary alone, or when there is none, also setup.ini, zg.txt and License.txt, so that
  // the folder is a package. False (reported) when a file cannot be written.
  bool Write(const std::filesystem::path& out,
             std::u16string_view name,
             bool package,
             bool withReadings);

  const std::map<std::string, size_t>& counts() const { return counts_; }

 private:
  std::optional<std::u16string> Reading(const Place& place,
                                        std::u16string_view text,
                                        std::u16string syllable);
  bool UsableText(const Place& place, std::u16string_view text);
  ImportedCharacter& Character(char16_t c);
  void AddPhrase(const Place& place,
                 std::u16string_view text,
                 double weight,
                 std::vector<std::u16string> reading,
                 bool add,
                 bool listed);

  bool verbose_;
  std::map<std::string, size_t> counts_;
  std::unordered_map<char16_t, ImportedCharacter> characters_;
  std::vector<char16_t> characterOrder_;
  std::unordered_map<std::u16string, size_t> phraseIndex_;
  std::vector<ImportedPhrase> phrases_;
};

// Levels 1..255 for source weights, by rank: 1 + floor(254 × b / n), b being the number of
// weights below this one among all n. Equal weights share a level, a higher weight never gets a
// lower level, and each level holds about n / 255 entries.
std::vector<uint8_t> WeightLevels(const std::vector<double>& weights);

}  // namespace qlc
