// The words of a program's command line as both programs of the package read them: separated by
// blanks, a double quote starting or ending a stretch in which blanks belong to the word and
// itself dropped ("/NAME=a b" and /NAME="a b" are one word).
#pragma once

#include <string>
#include <string_view>

namespace ql {

inline bool IsCommandBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

// Skips blanks from `*at`; true when a word follows.
bool SkipCommandBlanks(std::u16string_view line, size_t* at);
// The word at `*at` (after SkipCommandBlanks), moving `*at` past it.
std::u16string NextCommandWord(std::u16string_view line, size_t* at);

// Whether `text` starts with `prefix`, ignoring ASCII case (switch names).
bool StartsWithAsciiNoCase(std::u16string_view text, std::u16string_view prefix);

// `text` in double quotes, for a word of a command line the program builds.
std::u16string QuotedCommandWord(std::u16string_view text);

}  // namespace ql
