// The import model: each entry of a source, checked and merged by the importer's rules. Every
// rule that changes or drops something is counted, and with --verbose each item is named.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "setup/common/text.h"
#include "setup/compiler/syllables.h"
#include "setup/compiler/text_dictionary.h"
#include "tools/qlc/import.h"
#include "tools/qlc/qlc.h"

namespace qlc {
namespace {

std::string TextOf(std::u16string_view text) {
  return U8(text);
}

}  // namespace

void ImportModel::Note(const Place& place, const char* rule, std::u16string_view text) {
  ++counts_[rule];
  if (verbose_)
    std::printf("%s:%zu: %s: %s\n", place.file.c_str(), place.line, rule, TextOf(text).c_str());
}

std::optional<std::u16string> ImportModel::Reading(const Place& place,
                                                   std::u16string_view text,
                                                   std::u16string syllable) {
  // ü (and the ASCII stand-in u:) is written v, as the syllable table spells it.
  bool changed = false;
  for (size_t i = 0; i < syllable.size(); ++i) {
    char16_t& c = syllable[i];
    if (c >= u'A' && c <= u'Z')
      c = static_cast<char16_t>(c - u'A' + u'a');
    if (c == u'ü' || c == u'Ü') {
      c = u'v';
      changed = true;
    } else if (c == u':' && i > 0 && syllable[i - 1] == u'u') {
      syllable.erase(i - 1, 1);
      syllable[i - 1] = u'v';
      changed = true;
    }
  }
  if (changed)
    Note(place, kRuleUAsV, text);
  std::u16string_view letters = syllable;
  if (!letters.empty() && letters.back() >= u'0' && letters.back() <= u'9')
    letters.remove_suffix(1);
  if (ql::FindSyllable(letters) < 0 || letters.size() > 6)
    return std::nullopt;
  return syllable;
}

bool ImportModel::UsableText(const Place& place, std::u16string_view text) {
  for (char16_t c : text) {
    if (c >= 0xD800 && c <= 0xDFFF) {
      Note(place, kRuleBeyond16Bit, text);
      return false;
    }
  }
  const bool usable = !text.empty() && text.size() <= ql::kMaxPhraseUnits && text[0] != u'{' &&
                      text[0] != u'[' &&
                      std::none_of(text.begin(), text.end(), [](char16_t c) { return c <= u' '; });
  if (!usable)
    Note(place, kRuleUnusableText, text);
  return usable;
}

void ImportModel::AddEntry(const Place& place,
                           std::u16string_view text,
                           const std::vector<std::u16string>& syllables,
                           double weight,
                           bool weightOrdersReadingsOnly) {
  if (!UsableText(place, text))
    return;
  std::vector<std::u16string> reading;
  for (const std::u16string& syllable : syllables) {
    std::optional<std::u16string> r = Reading(place, text, syllable);
    if (!r) {
      Note(place, kRuleUnknownSyllable, std::u16string(text) + u" " + syllable);
      return;
    }
    reading.push_back(*r);
  }
  if (text.size() == 1) {
    ImportedCharacter& info = Character(text[0]);
    if (!weightOrdersReadingsOnly)
      info.weight = std::max(info.weight, weight);
    for (const std::u16string& r : reading) {
      auto same = std::find_if(info.readings.begin(), info.readings.end(),
                               [&](const auto& known) { return known.first == r; });
      if (same == info.readings.end())
        info.readings.emplace_back(r, weight);
      else
        same->second = std::max(same->second, weight);
    }
    return;
  }
  if (!reading.empty() && reading.size() != text.size()) {
    Note(place, kRuleReadingLength, text);
    return;
  }
  AddPhrase(place, text, weight, std::move(reading), true, true);
}

void ImportModel::AddWeight(const Place& place,
                            std::u16string_view text,
                            double weight,
                            bool addPhrase,
                            bool listed) {
  if (!UsableText(place, text))
    return;
  if (text.size() == 1) {
    ImportedCharacter& info = Character(text[0]);
    info.weight = std::max(info.weight, weight);
    return;
  }
  AddPhrase(place, text, weight, {}, addPhrase, listed);
}

ImportedCharacter& ImportModel::Character(char16_t c) {
  auto [it, added] = characters_.try_emplace(c);
  if (added)
    characterOrder_.push_back(c);
  return it->second;
}

void ImportModel::AddPhrase(const Place& place,
                            std::u16string_view text,
                            double weight,
                            std::vector<std::u16string> reading,
                            bool add,
                            bool listed) {
  auto known = phraseIndex_.find(std::u16string(text));
  if (known == phraseIndex_.end()) {
    if (!add)
      return;
    phraseIndex_.emplace(std::u16string(text), phrases_.size());
    phrases_.push_back(ImportedPhrase{std::u16string(text), weight, std::move(reading)});
    return;
  }
  ImportedPhrase& phrase = phrases_[known->second];
  // Merged by the highest weight; the reading of the heavier entry stays, and a different one of
  // the other is counted as dropped.
  if (listed)
    Note(place, kRuleMergedDuplicate, text);
  if (!reading.empty() && !phrase.reading.empty() && reading != phrase.reading)
    Note(place, kRuleOtherReading, text);
  if (weight > phrase.weight && !reading.empty())
    phrase.reading = std::move(reading);
  else if (phrase.reading.empty())
    phrase.reading = std::move(reading);
  phrase.weight = std::max(phrase.weight, weight);
}

}  // namespace qlc
