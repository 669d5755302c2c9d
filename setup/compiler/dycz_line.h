// The lines of dycz.txt, the pinyin scheme's polyphonic phrases: a phrase with, after any of its
// characters, a bracket of the readings the character takes in it ("银行(hang2)", "行(hang2
// xing2)长"). The pinyin index builder reads the file through ReadDyczLines and reports what it
// passes over to its diagnostics sink, which is how `qlc check` sees it.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "setup/compiler/syllable_table.h"

namespace ql {

// A bracket: the readings stated for the character before it.
struct DyczBracket {
  size_t position = 0;                       // of the character in DyczLine::text
  std::vector<SyllableCode> codes;           // the stated readings that are syllables, in order
  std::vector<std::u16string_view> unknown;  // the fields (tone digit kept) that are not
};

// Why the builder passes a line over. It counts every fault but kBracketFirst as a skipped line
// and names the first one in its message.
enum class DyczFault {
  kNone,
  kBracketFirst,     // a bracket before any character
  kTextTooLong,      // more than kMaxDyczTextUnits units outside brackets
  kBracketTooLong,   // a bracket of more than 160 units
  kUnclosedBracket,  // the line ends inside a bracket
  kTooManyReadings,  // a bracket of more than kMaxBracketReadings readings
  kReadingTooLong,   // a stated reading of more than kMaxReadingLetters letters
  kTooManyVariants,  // the stated readings make more than kMaxStatedVariants variants
};

struct DyczLine {
  // The units outside brackets, as read (a CR before the LF included).
  std::u16string text;
  // The brackets in order, up to the fault. From kBracketTooLong on, the faulty bracket is the
  // last one; only for kTooManyVariants are its readings parsed.
  std::vector<DyczBracket> brackets;
  DyczFault fault = DyczFault::kNone;
  // False for a last line without LF: the builder reads it but never finishes it.
  bool ended = true;

  // The phrase the line states readings for: `text` without the CR at its end.
  std::u16string_view phrase() const;
  // Whether the character at `position` of the phrase takes its first reading from mb.txt: it has
  // no bracket, or no syllable among its stated readings. The builder passes over a line in which
  // such a character has no first reading.
  bool TakesFirstReading(size_t position) const;
};

// One line, without its LF; `ended` is false for a last line without one.
DyczLine ParseDyczLine(std::u16string_view line, bool ended);

// Calls `visit` with each line of dycz.txt (decoded, the byte-order mark its first unit) and its
// number, until `visit` returns false. The views in the line point into `file`.
void ReadDyczLines(std::u16string_view file,
                   const std::function<bool(const DyczLine&, size_t)>& visit);

}  // namespace ql
