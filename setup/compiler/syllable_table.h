// The fixed tables of pinyin syllable coding: the 57 elements (initials and finals share one code
// space) and the 413 accepted syllable spellings with their codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ql {

// A syllable's code: low byte = element code of its initial, high byte = element code of its
// final. Stored little-endian, so in a file the initial's byte comes first; the initial byte of a
// valid code is never 0, which is how readers test a stored code for presence.
using SyllableCode = uint16_t;

// Element codes 1..57 in ascending byte order of their spellings; 0 is "no element".
constexpr size_t kElementCount = 57;
// A syllable without initial takes the code of "o" as its initial.
constexpr uint8_t kNoInitialCode = 33;

// One table entry, 8 bytes: the lower-case spelling padded with zero bytes (a six-letter spelling
// has no terminator), then the initial's and the final's element codes.
struct SyllableEntry {
  char spelling[6];
  uint8_t initialCode;
  uint8_t finalCode;

  constexpr SyllableCode code() const {
    return static_cast<SyllableCode>(initialCode | (finalCode << 8));
  }
  constexpr std::string_view letters() const {
    size_t n = 0;
    while (n < sizeof spelling && spelling[n] != 0)
      ++n;
    return std::string_view(spelling, n);
  }
};
static_assert(sizeof(SyllableEntry) == 8, "a table entry is 8 bytes");

constexpr size_t kSyllableCount = 413;

// Strictly ascending by spelling bytes (unsigned), which FindSyllable's binary search needs.
extern const SyllableEntry kSyllableTable[kSyllableCount];

// Spellings of the elements; index 0 is empty.
extern const std::string_view kElementSpellings[kElementCount + 1];

}  // namespace ql
