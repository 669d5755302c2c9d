#include "setup/compiler/pinyin_query.h"

#include <algorithm>
#include <memory>

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

// Orders a key against the pattern's leading whole syllables and the first lone initial after
// them, compared as the index compares keys (byte by byte); 0 when the key starts so.
int ComparePrefix(const std::vector<SyllableCode>& key, const std::vector<QuerySyllable>& pattern) {
  for (size_t i = 0; i < pattern.size(); ++i) {
    const bool only = pattern[i].initialOnly();
    const uint8_t want[2] = {static_cast<uint8_t>(pattern[i].code & 0xFF),
                             static_cast<uint8_t>(pattern[i].code >> 8)};
    const uint8_t have[2] = {static_cast<uint8_t>(i < key.size() ? key[i] & 0xFF : 0),
                             static_cast<uint8_t>(i < key.size() ? key[i] >> 8 : 0)};
    for (size_t b = 0; b < (only ? 1u : 2u); ++b) {
      if (have[b] != want[b])
        return have[b] < want[b] ? -1 : 1;
    }
    if (only)
      return 0;
  }
  return 0;
}

bool Matches(const std::vector<SyllableCode>& key, const std::vector<QuerySyllable>& pattern) {
  if (key.size() != pattern.size())
    return false;
  for (size_t i = 0; i < key.size(); ++i) {
    const bool same =
        pattern[i].initialOnly() ? (key[i] & 0xFF) == pattern[i].code : key[i] == pattern[i].code;
    if (!same)
      return false;
  }
  return true;
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
  auto variants = std::make_unique<pinyin_index::Variants>();
  const size_t count = valuesLength / 4;
  QueryCandidate candidate;
  auto keyAt = [&](size_t position) {
    return KeyOf(LoadU32(values + 4 * position), idx, readings, main, *variants, candidate);
  };
  // The first value whose key does not sort before the pattern's prefix.
  size_t lo = 0, hi = count;
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    if (!keyAt(mid)) {
      result.problem = "index value " + std::to_string(mid) + " names no entry of the main data";
      return result;
    }
    if (ComparePrefix(candidate.key, pattern) < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  for (size_t position = lo; position < count; ++position) {
    if (!keyAt(position)) {
      result.problem =
          "index value " + std::to_string(position) + " names no entry of the main data";
      return result;
    }
    if (ComparePrefix(candidate.key, pattern) != 0)
      break;
    if (pattern.empty() || Matches(candidate.key, pattern))
      result.candidates.push_back(candidate);
  }
  result.ok = true;
  return result;
}

}  // namespace ql
