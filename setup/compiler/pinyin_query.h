// Pinyin lookups over a compiled pinyin index, as the input method makes them: typed pinyin
// becomes a pattern of syllable codes (a lone initial stands for any syllable that begins with it,
// as abbreviated pinyin types it), and the index yields the entries whose keys match, in the order
// the index keeps them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "setup/compiler/syllable_table.h"

namespace ql {

// One position of a pattern: a whole syllable's code, or an initial alone (final byte 0).
struct QuerySyllable {
  SyllableCode code = 0;
  bool initialOnly() const { return (code >> 8) == 0; }
};

// Parses typed pinyin: lower- or upper-case letters, a tone digit after a syllable, apostrophes
// between syllables; "ü" is read as v. Between apostrophes the letters are split into the longest
// syllables that leave a parsable rest, and a letter group that begins no syllable is taken as an
// initial alone (b, zh, ...). Returns the pattern, or an empty one with `error` set.
std::vector<QuerySyllable> ParsePinyinQuery(std::string_view typed, std::string* error);

// The pattern spelled back, syllables joined by apostrophes ("zh" for an initial alone).
std::string SpellPattern(const std::vector<QuerySyllable>& pattern);

// Orders two keys as the index does: byte by byte, each syllable's initial before its final, a key
// before the keys it begins.
int CompareIndexKeys(const std::vector<SyllableCode>& a, const std::vector<SyllableCode>& b);

struct QueryCandidate {
  uint32_t entry = 0;  // entry offset in the main data file
  uint8_t frequency = 0;
  std::u16string text;
  std::vector<SyllableCode> key;
  bool stored = false;    // a key record of the index (a further or stated reading)
  bool combined = false;  // a phrase read with a polyphonic character's further reading
};

struct QueryResult {
  bool ok = false;  // both files were whole enough to search
  std::string problem;
  std::vector<QueryCandidate> candidates;
};

// The candidates of `pattern` in qinglan.idx (`index`) over its main data file (`mainData`), in
// index order: keys ascending, the most frequent entry first among equal keys. Both files are only
// read.
QueryResult QueryPinyinIndex(const std::vector<uint8_t>& index,
                             const std::vector<uint8_t>& mainData,
                             const std::vector<QuerySyllable>& pattern);

// Every candidate of the index, in index order (an empty pattern matches every key).
QueryResult ListPinyinIndex(const std::vector<uint8_t>& index,
                            const std::vector<uint8_t>& mainData);

}  // namespace ql
