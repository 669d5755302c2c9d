// The package pieces of an import: zk.txt, the text dictionary, the pinyin scheme's mb.txt and
// dycz.txt, and for a whole package setup.ini, zg.txt and License.txt. All UTF-16LE with
// byte-order mark and CR LF.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "setup/common/files.h"
#include "setup/common/text.h"
#include "setup/compiler/custom_input.h"
#include "setup/compiler/phrase_table_format.h"
#include "setup/compiler/pinyin_index_format.h"
#include "setup/compiler/punctuation.h"
#include "setup/compiler/reading_table.h"
#include "setup/compiler/text_dictionary.h"
#include "setup/model/manifest.h"
#include "setup/model/package.h"
#include "tools/qlc/export.h"
#include "tools/qlc/import.h"
#include "tools/qlc/qlc.h"

namespace qlc {
namespace {

namespace fs = std::filesystem;

constexpr std::u16string_view kPinyinFolder = u"拼音";

std::u16string Syllable(std::u16string_view reading) {
  if (!reading.empty() && reading.back() >= u'0' && reading.back() <= u'9')
    reading.remove_suffix(1);
  return std::u16string(reading);
}

bool InReadingRange(char16_t c) {
  return c >= ql::kFirstReadingCharacter && c <= ql::kLastReadingCharacter;
}

// The weight that decides which levels reach the shape-code threshold, and how many entries do.
void PrintThreshold(const char* what,
                    const std::vector<double>& weights,
                    const std::vector<uint8_t>& levels) {
  size_t above = 0;
  double lowest = 0;
  bool found = false;
  for (size_t i = 0; i < weights.size(); ++i) {
    if (levels[i] < ql::kShapeCodeFrequencyThreshold)
      continue;
    ++above;
    if (!found || weights[i] < lowest)
      lowest = weights[i];
    found = true;
  }
  if (!found) {
    std::printf("%s: none of %zu reaches frequency %d\n", what, weights.size(),
                ql::kShapeCodeFrequencyThreshold);
    return;
  }
  char threshold[32] = "none";
  if (lowest != kNoWeight)
    std::snprintf(threshold, sizeof threshold, "%g", lowest);
  std::printf("%s: %zu of %zu at frequency %d or more (source weight %s and above), %zu below\n",
              what, above, weights.size(), ql::kShapeCodeFrequencyThreshold, threshold,
              weights.size() - above);
}

}  // namespace

std::vector<uint8_t> WeightLevels(const std::vector<double>& weights) {
  std::vector<double> sorted(weights);
  std::sort(sorted.begin(), sorted.end());
  std::vector<uint8_t> levels;
  levels.reserve(weights.size());
  const double n = static_cast<double>(weights.size());
  for (double w : weights) {
    const size_t below =
        static_cast<size_t>(std::lower_bound(sorted.begin(), sorted.end(), w) - sorted.begin());
    levels.push_back(static_cast<uint8_t>(1 + static_cast<int>(254.0 * below / n)));
  }
  return levels;
}

bool ImportModel::Write(const fs::path& out,
                        std::u16string_view name,
                        bool package,
                        bool withReadings) {
  const fs::path texts = out / ToPath(ql::kTextDictionaryFolder);
  const fs::path pinyin = out / ToPath(ql::kSchemeFolder) / ToPath(kPinyinFolder);
  const std::u16string dictionaryFile = std::u16string(name) + u".txt";

  // Readings in order of their use, at most five (the first and four further).
  for (char16_t c : characterOrder_) {
    ImportedCharacter& info = characters_[c];
    std::stable_sort(info.readings.begin(), info.readings.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    const std::u16string text(1, c);
    if (!info.readings.empty() && !InReadingRange(c)) {
      Note(Place{"mb.txt", 0}, kRuleOutsideReadingRange, text);
      info.readings.clear();
    }
    if (info.readings.size() > ql::kMaxReadingsPerLine) {
      Note(Place{"mb.txt", 0}, kRuleReadingsBeyondFive, text);
      info.readings.resize(ql::kMaxReadingsPerLine);
    }
  }
  // The pinyin index passes over an entry whose first character has no reading: with readings to
  // write, such an entry could not be typed at all, and is left out.
  auto keyed = [&](char16_t first) {
    const auto found = characters_.find(first);
    return !withReadings || (found != characters_.end() && !found->second.readings.empty());
  };
  std::vector<char16_t> characters;
  std::vector<double> characterWeights;
  for (char16_t c : characterOrder_) {
    if (!keyed(c)) {
      Note(Place{U8(ql::kCharacterListFile), 0}, kRuleNoPinyinKey, std::u16string(1, c));
      continue;
    }
    characters.push_back(c);
    characterWeights.push_back(characters_[c].weight);
  }
  const std::vector<uint8_t> characterLevels = WeightLevels(characterWeights);
  std::u16string zk, mb;
  mb += u"[Description]\r\nName=拼音\r\nMaxCodes=12\r\nUsedCodes=abcdefghijklmnopqrstuvwxyz\r\n";
  for (size_t i = 0; i < characters.size(); ++i) {
    const char16_t c = characters[i];
    zk += std::u16string(1, c) + u" " + ql::DecimalText(characterLevels[i]) + u"\r\n";
    const ImportedCharacter& info = characters_[c];
    if (info.readings.empty())
      continue;
    mb += c;
    for (const auto& reading : info.readings)
      mb += u" " + reading.first;
    mb += u"\r\n";
  }

  std::vector<const ImportedPhrase*> phrases;
  std::vector<double> phraseWeights;
  for (const ImportedPhrase& phrase : phrases_) {
    if (!keyed(phrase.text[0])) {
      Note(Place{U8(dictionaryFile), 0}, kRuleNoPinyinKey, phrase.text);
      continue;
    }
    phrases.push_back(&phrase);
    phraseWeights.push_back(phrase.weight);
  }
  const std::vector<uint8_t> phraseLevels = WeightLevels(phraseWeights);
  std::u16string dictionary = std::u16string(ql::kPhrasesTag) + u"\r\n[Description]\r\nname = " +
                              std::u16string(name) + u"\r\nfilename = " + dictionaryFile +
                              u"\r\n[Text]\r\n";
  std::u16string dycz;
  size_t dyczLines = 0;
  for (size_t i = 0; i < phrases.size(); ++i) {
    const ImportedPhrase& phrase = *phrases[i];
    dictionary += phrase.text + u" " + ql::DecimalText(phraseLevels[i]) + u"\r\n";
    if (phrase.reading.empty())
      continue;
    // A line states the readings of the polyphonic characters, and of any character not read by
    // its first reading, when the phrase is not read by first readings alone.
    std::u16string line;
    bool differs = false, readable = true;
    for (size_t k = 0; k < phrase.text.size() && readable; ++k) {
      const auto found = characters_.find(phrase.text[k]);
      readable = found != characters_.end() && !found->second.readings.empty();
      if (!readable)
        break;
      const auto& readings = found->second.readings;
      const std::u16string first = Syllable(readings[0].first);
      const bool polyphonic = std::any_of(readings.begin(), readings.end(), [&](const auto& r) {
        return Syllable(r.first) != first;
      });
      const bool other = Syllable(phrase.reading[k]) != first;
      differs = differs || other;
      line += phrase.text[k];
      if (polyphonic || other)
        line += u"(" + phrase.reading[k] + u")";
    }
    // The builder passes over a line with a character that has no reading.
    if (!readable) {
      Note(Place{"dycz.txt", 0}, kRuleDyczNoReading, phrase.text);
    } else if (!differs) {
      continue;
    } else if (phrase.text.size() > ql::kMaxDyczTextUnits) {
      Note(Place{"dycz.txt", 0}, kRuleDyczTooLong, phrase.text);
    } else {
      dycz += line + u"\r\n";
      ++dyczLines;
    }
  }

  bool ok = WriteTextFile(texts / ToPath(ql::kCharacterListFile), zk) &&
            WriteTextFile(texts / ToPath(dictionaryFile), dictionary);
  if (ok && withReadings) {
    ok = WriteTextFile(pinyin / ToPath(ql::kCodeTableFile), mb) &&
         WriteTextFile(pinyin / ToPath(ql::kPolyphonicPhrasesFile), dycz);
  }
  const fs::path manifestPath = out / ToPath(ql::kSetupIniFile);
  if (ok && package) {
    // Into a package: its dictionaries give way to this one. Otherwise the folder becomes a
    // package of the pinyin scheme and this dictionary.
    std::optional<std::vector<uint8_t>> manifest = ql::ReadFileBytes(FromPath(manifestPath));
    std::string encoding;
    std::optional<std::u16string> text =
        manifest ? DecodeUnicodeText(*manifest, &encoding) : std::nullopt;
    if (manifest && !text) {
      std::fprintf(stderr, "qlc: error: %s is %s\n", U8(FromPath(manifestPath)).c_str(),
                   encoding.c_str());
      return false;
    }
    if (!text) {
      text = u"; " + std::u16string(ql::kPlatformName) +
             u"安装清单：拼音方案和一个导入的词库。\r\n[soft]\r\nMainName=" +
             std::u16string(ql::kPlatformName) + u"\r\nName=" + std::u16string(ql::kPlatformName) +
             u"\r\nDate=2008-10-18\r\nVersion=4.10\r\nImeFileName=qlsrfpt\r\nSetup=导入的词库。"
             u"\r\n\r\n[" +
             std::u16string(ql::kMainKeyboardSection) + u"1]\r\nname=青岚拼音\r\nPath=" +
             std::u16string(kPinyinFolder) + u"\r\nDefault=是\r\nAbout=全拼\r\nLock=1\r\n\r\n";
      ok = WriteTextFile(pinyin / ToPath(ql::kHeaderTextFile),
                         u"青岚拼音索引\r\n读音表来自 mb.txt，多音字词组来自 dycz.txt\r\n") &&
           WriteTextFile(out / ToPath(ql::kLicenseFile), u"由开放数据导入的词库。\r\n") &&
           // No punctuation of its own and empty custom-input lists (their first line is a
           // header), so that the package compiles.
           WriteTextFile(out / ToPath(ql::kPunctuationFile), u"") &&
           WriteTextFile(out / ToPath(ql::kCustomInputFolder) / ToPath(ql::kCustomCodeListFile),
                         u" 自定义编码：等号左边是编码，右边是文字。\r\n") &&
           WriteTextFile(out / ToPath(ql::kCustomInputFolder) / ToPath(ql::kCustomTextListFile),
                         u"自定义短文：每段短文前面是一行美元符号，短文的第一行是它的编码。\r\n");
    }
    ok = ok && WriteTextFile(manifestPath, ManifestWithDictionary(*text, name, dictionaryFile));
  }
  if (!ok)
    return false;
  size_t withReading = 0;
  for (char16_t c : characters)
    withReading += characters_[c].readings.empty() ? 0 : 1;
  std::printf("characters: %zu (%zu with readings), phrases: %zu, dycz.txt lines: %zu\n",
              characters.size(), withReading, phrases.size(), dyczLines);
  PrintThreshold("phrases", phraseWeights, phraseLevels);
  for (const auto& [rule, count] : counts_)
    std::printf("%s: %zu\n", rule.c_str(), count);
  return true;
}

}  // namespace qlc
