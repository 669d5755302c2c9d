#include "setup/compiler/pinyin_query.h"

#include <algorithm>

#include "setup/common/byte_reader.h"
#include "setup/common/bytes.h"
#include "setup/common/text.h"
#include "setup/compiler/phrase_table_format.h"
#include "setup/compiler/pinyin_index_format.h"
#include "setup/compiler/pinyin_index_internal.h"
#include "setup/compiler/syllables.h"

namespace ql {
namespace {

// Longer input is no pinyin anyone types; it also bounds the search below.
constexpr size_t kMaxTypedLetters = 2 * kMaxKeyCodes;

bool IsLetter(char c) {
  return c >= 'a' && c <= 'z';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Splits `letters[at..]` into syllables (longest first) or lone initials; false when no split
// exists. `failed` remembers positions already known not to split.
bool Split(std::string_view letters,
           size_t at,
           std::vector<QuerySyllable>& out,
           std::vector<bool>& failed) {
  if (at == letters.size())
    return true;
  if (failed[at])
    return false;
  size_t run = at;
  while (run < letters.size() && IsLetter(letters[run]))
    ++run;
  for (size_t length = std::min<size_t>(6, run - at); length > 0; --length) {
    const int entry = FindSyllable(letters.substr(at, length));
    if (entry < 0)
      continue;
    size_t next = at + length;
    if (next < letters.size() && IsDigit(letters[next]))
      ++next;
    out.push_back(QuerySyllable{kSyllableTable[entry].code()});
    if (Split(letters, next, out, failed))
      return true;
    out.pop_back();
  }
  for (size_t length = std::min<size_t>(2, run - at); length > 0; --length) {
    const uint8_t initial = FindInitialCode(letters.substr(at, length));
    if (initial == 0)
      continue;
    out.push_back(QuerySyllable{initial});
    if (Split(letters, at + length, out, failed))
      return true;
    out.pop_back();
  }
  failed[at] = true;
  return false;
}

// The key of an index value: a key record's codes, or the entry's default key (first readings).
bool KeyOf(uint32_t value,
           const ByteReader& idx,
           const ReadingTableView& readings,
           const pinyin_index::MainData& main,
           pinyin_index::Variants& variants,
           QueryCandidate& out) {
  out.key.clear();
  out.combined = false;
  out.stored = (value & kInFileFlag) != 0;
  uint32_t entry = value;
  if (out.stored) {
    ByteReader record(idx);
    record.Seek(value & ~kInFileFlag);
    const uint32_t reference = record.U32();
    entry = reference & kEntryReferenceMask;
    out.combined = (reference & kCombinedReadingFlag) != 0;
    for (;;) {
      const uint8_t initial = record.U8();
      if (!record.ok())
        return false;
      if (initial == 0)
        break;
      out.key.push_back(static_cast<SyllableCode>(initial | record.U8() << 8));
    }
  }
  out.entry = entry;
  if (main.RecordUnits(entry) <= 0)
    return false;
  std::u16string scratch;
  out.text = std::u16string(main.Text(entry, scratch));
  out.frequency = main.Frequency(entry);
  if (!out.stored) {
    if (pinyin_index::Expand(out.text, false, readings, variants) != pinyin_index::ExpandResult::ok)
      return false;
    out.key.assign(variants.at(0), variants.at(0) + variants.length);
  }
  return true;
}

// A key's bytes in the order the index sorts them: each syllable's initial, then its final; 0 past
// the key's end, so that a key sorts before the keys it begins.
uint8_t KeyByte(const std::vector<SyllableCode>& key, size_t at) {
  if (at / 2 >= key.size())
    return 0;
  const SyllableCode code = key[at / 2];
  return static_cast<uint8_t>(at % 2 == 0 ? code & 0xFF : code >> 8);
}

// Orders a key's first bytes against `bound`.
int CompareBytes(const std::vector<SyllableCode>& key, const std::vector<uint8_t>& bound) {
  for (size_t at = 0; at < bound.size(); ++at) {
    const uint8_t have = KeyByte(key, at);
    if (have != bound[at])
      return have < bound[at] ? -1 : 1;
  }
  return 0;
}

// The key's first `length` bytes, then `last`.
std::vector<uint8_t> BoundAfter(const std::vector<SyllableCode>& key, size_t length, uint8_t last) {
  std::vector<uint8_t> bound;
  for (size_t at = 0; at < length; ++at)
    bound.push_back(KeyByte(key, at));
  bound.push_back(last);
  return bound;
}

}  // namespace

std::vector<QuerySyllable> ParsePinyinQuery(std::string_view typed, std::string* error) {
  std::string letters;
  std::vector<size_t> breaks;  // positions in `letters` where an apostrophe stood
  for (size_t i = 0; i < typed.size(); ++i) {
    const char c = typed[i];
    if (typed.substr(i, 2) == "\xC3\xBC" || typed.substr(i, 2) == "\xC3\x9C") {  // ü, Ü
      letters += 'v';
      ++i;
    } else if (c >= 'A' && c <= 'Z') {
      letters += static_cast<char>(c - 'A' + 'a');
    } else if (IsLetter(c)) {
      letters += c;
    } else if (IsDigit(c) && !letters.empty() && IsLetter(letters.back())) {
      letters += c;
    } else if (c == '\'') {
      breaks.push_back(letters.size());
    } else {
      *error = "\"" + std::string(typed) + "\": '" + std::string(1, c) +
               "' is no letter, tone digit or apostrophe of pinyin";
      return {};
    }
  }
  if (letters.size() > kMaxTypedLetters) {
    *error = "\"" + std::string(typed) + "\" is longer than any key of the index";
    return {};
  }
  breaks.push_back(letters.size());
  std::vector<QuerySyllable> pattern;
  size_t start = 0;
  for (size_t end : breaks) {
    const std::string_view piece = std::string_view(letters).substr(start, end - start);
    start = end;
    std::vector<bool> failed(piece.size() + 1, false);
    if (!piece.empty() && !Split(piece, 0, pattern, failed)) {
      *error = "\"" + std::string(typed) + "\": \"" + std::string(piece) +
               "\" is no run of pinyin syllables (the 413 of the index) or initials";
      return {};
    }
  }
  if (pattern.empty())
    *error = "\"" + std::string(typed) + "\" holds no pinyin";
  else if (pattern.size() > kMaxKeyCodes)
    *error = "\"" + std::string(typed) + "\" is longer than any key of the index";
  if (!error->empty())
    return {};
  return pattern;
}

std::string SpellPattern(const std::vector<QuerySyllable>& pattern) {
  std::string spelled;
  for (const QuerySyllable& syllable : pattern) {
    if (!spelled.empty())
      spelled += "'";
    spelled += syllable.initialOnly()
                   ? std::string(SpellElement(static_cast<uint8_t>(syllable.code)))
                   : std::string(SpellSyllable(syllable.code));
  }
  return spelled;
}

int CompareIndexKeys(const std::vector<SyllableCode>& a, const std::vector<SyllableCode>& b) {
  for (size_t at = 0; at < 2 * std::max(a.size(), b.size()); ++at) {
    const uint8_t x = KeyByte(a, at);
    const uint8_t y = KeyByte(b, at);
    if (x != y)
      return x < y ? -1 : 1;
  }
  return 0;
}

QueryResult ListPinyinIndex(const std::vector<uint8_t>& index,
                            const std::vector<uint8_t>& mainData) {
  return QueryPinyinIndex(index, mainData, {});
}

QueryResult QueryPinyinIndex(const std::vector<uint8_t>& index,
                             const std::vector<uint8_t>& mainData,
                             const std::vector<QuerySyllable>& pattern) {
  QueryResult result;
  const ByteReader idx(index.data(), index.size());
  ByteReader header(idx);
  const uint32_t readingOffset = header.Seek(kReadingTableOffsetField).U32();
  const uint32_t readingLength = header.U32();
  const uint32_t valuesOffset = ByteReader(idx).Seek(kEntryIndexOffsetField).U32();
  const uint32_t valuesLength = ByteReader(idx).Seek(kEntryIndexLengthField).U32();
  const uint8_t* table = ByteReader(idx).Seek(readingOffset).Bytes(readingLength);
  const uint8_t* values = ByteReader(idx).Seek(valuesOffset).Bytes(valuesLength);
  if (index.size() < kIdxHeaderSize || (readingLength != 0 && table == nullptr) ||
      (valuesLength != 0 && values == nullptr)) {
    result.problem = "the pinyin index is damaged: its areas lie outside the file";
    return result;
  }
  // The main data file is only read: none of MainData's writing members is called.
  pinyin_index::MainData main(const_cast<uint8_t*>(mainData.data()), mainData.size());
  if (!main.HasHeader()) {
    result.problem = "the main data file is shorter than its header";
    return result;
  }
  const ReadingTableView readings(table, readingLength);
  pinyin_index::Variants variants(1);  // only the default key is read
  const size_t count = valuesLength / 4;
  QueryCandidate candidate;
  auto keyAt = [&](size_t position) {
    return KeyOf(LoadU32(values + 4 * position), idx, readings, main, variants, candidate);
  };
  bool damaged = false;
  // The first value at or after `from` whose key does not sort before `bound`.
  auto lowerBound = [&](size_t from, const std::vector<uint8_t>& bound) {
    size_t lo = from, hi = count;
    while (lo < hi && !damaged) {
      const size_t mid = lo + (hi - lo) / 2;
      if (!keyAt(mid)) {
        damaged = true;
        result.problem = "index value " + std::to_string(mid) + " names no entry of the main data";
      } else if (CompareBytes(candidate.key, bound) < 0) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    return lo;
  };
  // A lone initial's final byte matches any final: the matching keys lie in one stretch for each
  // final there, so the search skips from stretch to stretch instead of reading every key that
  // begins like the pattern (an abbreviation's first initial begins tens of thousands).
  auto anyFinal = [&](size_t at) { return at % 2 == 1 && pattern[at / 2].initialOnly(); };
  auto patternByte = [&](size_t at) {
    const SyllableCode code = pattern[at / 2].code;
    return static_cast<uint8_t>(at % 2 == 0 ? code & 0xFF : code >> 8);
  };
  std::vector<uint8_t> bound;
  for (size_t at = 0; at < 2 * pattern.size() && !anyFinal(at); ++at)
    bound.push_back(patternByte(at));
  size_t position = lowerBound(0, bound);
  while (position < count && !damaged) {
    if (!keyAt(position)) {
      result.problem =
          "index value " + std::to_string(position) + " names no entry of the main data";
      return result;
    }
    if (pattern.empty()) {
      result.candidates.push_back(candidate);
      ++position;
      continue;
    }
    const std::vector<SyllableCode>& key = candidate.key;
    // Where the key leaves the pattern, and the last free final before that point.
    size_t at = 0;
    size_t freeFinal = SIZE_MAX;
    int order = 0;
    for (; at < 2 * pattern.size(); ++at) {
      if (anyFinal(at)) {
        freeFinal = at;
        continue;
      }
      const uint8_t have = KeyByte(key, at);
      const uint8_t want = patternByte(at);
      if (have != want) {
        order = have < want ? -1 : 1;
        break;
      }
    }
    if (order == 0 && key.size() == pattern.size()) {
      result.candidates.push_back(candidate);
      ++position;
      continue;
    }
    if (order < 0) {
      // The key sorts before the stretch that could match: on to its start.
      bound = BoundAfter(key, at, patternByte(at));
    } else if (freeFinal == SIZE_MAX) {
      break;  // past every key that begins like the pattern
    } else {
      // The key sorts after the pattern, or begins it and goes on: on to the next final of the
      // last free position.
      bound = BoundAfter(key, freeFinal, static_cast<uint8_t>(KeyByte(key, freeFinal) + 1));
    }
    position = lowerBound(position + 1, bound);
  }
  if (damaged)
    return result;
  result.ok = true;
  return result;
}

}  // namespace ql
