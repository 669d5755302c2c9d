// Lookups over the syllable table: spelling to entry and code, and code back to spelling.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "setup/compiler/syllable_table.h"

namespace ql {

// The entry number 0..412 of a spelling, or -1. Compares min(letters + 1, 6) bytes, the end of
// `letters` counting as a zero byte: up to five letters match only the exact spelling ("ba" is
// not "bai"), of six or more letters only the first six take part. Case-sensitive; an empty
// spelling never matches.
int FindSyllable(std::string_view letters);

// The same for a reading's UTF-16 letters. Each unit counts as its low byte, except that a unit
// above U+007F never matches: a stray non-ASCII letter (a tone-marked vowel, ü) must not be read
// as an unrelated ASCII letter that happens to share its low byte.
int FindSyllable(std::u16string_view letters);

// The code of a spelling, or 0 when it is not in the table.
SyllableCode FindSyllableCode(std::u16string_view letters);

// The table spelling of a code, or empty when no entry has it. Where two spellings share a code
// ("xu" and "xv") the first in table order is given.
std::string_view SpellSyllable(SyllableCode code);

// The element code of `letters` when they spell the initial of some syllable of the table (b,
// zh, y, ...), or 0.
uint8_t FindInitialCode(std::string_view letters);

// The spelling of an element code 1..57, or empty.
std::string_view SpellElement(uint8_t elementCode);

}  // namespace ql
