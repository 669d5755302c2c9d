#include "setup/common/command_words.h"

#include "setup/common/text.h"

namespace ql {

bool SkipCommandBlanks(std::u16string_view line, size_t* at) {
  while (*at < line.size() && IsCommandBlank(line[*at]))
    ++*at;
  return *at < line.size();
}

std::u16string NextCommandWord(std::u16string_view line, size_t* at) {
  std::u16string word;
  bool quoted = false;
  for (; *at < line.size() && (quoted || !IsCommandBlank(line[*at])); ++*at) {
    if (line[*at] == u'"')
      quoted = !quoted;
    else
      word += line[*at];
  }
  return word;
}

bool StartsWithAsciiNoCase(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && EqualsAsciiNoCase(text.substr(0, prefix.size()), prefix);
}

std::u16string QuotedCommandWord(std::u16string_view text) {
  return u"\"" + std::u16string(text) + u"\"";
}

}  // namespace ql
