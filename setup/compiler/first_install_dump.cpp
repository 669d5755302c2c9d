#include "setup/compiler/first_install_dump.h"

#include <cstdio>
#include <string_view>
#include <vector>

#include "setup/common/bytes.h"
#include "setup/common/text.h"
#include "setup/compiler/phrase_table_format.h"
#include "setup/compiler/punctuation.h"

namespace ql {
namespace {

constexpr size_t kShownLineUnits = 40;

std::string Format(const char* format, unsigned long long a, unsigned long long b = 0) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, format, a, b);
  return buffer;
}

// A unit as readable text: printable ASCII and other characters as themselves, the rest in hex.
std::string Shown(char16_t unit) {
  if ((unit >= 0x21 && unit < 0x7F) || (unit >= 0xA0 && (unit < 0xD800 || unit > 0xDFFF)))
    return "'" + Utf16ToUtf8(std::u16string_view(&unit, 1)) + "'";
  return "?";
}

std::string ValueSize(const char* name, const uint8_t* value, size_t size) {
  if (value == nullptr)
    return std::string(name) + ": absent\n";
  if (size != kPunctuationTableSize)
    return std::string(name) + Format(": %llu bytes, not %llu\n", size, kPunctuationTableSize);
  return std::string(name) + ": 60 bytes\n";
}

// The entry's first line, cut to a readable length.
std::string FirstLine(const uint8_t* text, size_t textSize, uint32_t offset) {
  std::u16string line;
  for (size_t i = offset; i < textSize / 2 && line.size() < kShownLineUnits; ++i) {
    char16_t unit = LoadU16(text + 2 * i);
    if (unit == u'\r' || unit == u'\n' || unit == u'\0')
      break;
    line.push_back(unit);
  }
  return Utf16ToUtf8(line);
}

}  // namespace

std::string DumpPunctuationTables(const uint8_t* keySymbols,
                                  size_t keySymbolsSize,
                                  const uint8_t* outputPunctuation,
                                  size_t outputPunctuationSize) {
  std::string out = ValueSize("键位符号", keySymbols, keySymbolsSize);
  out += ValueSize("输出标点", outputPunctuation, outputPunctuationSize);
  size_t empty = 0;
  for (size_t m = 0; m < kPunctuationEntries; ++m) {
    const size_t at = 2 * m;
    const bool hasKey = keySymbols != nullptr && at + 1 < keySymbolsSize;
    const bool hasOutput = outputPunctuation != nullptr && at + 1 < outputPunctuationSize;
    const uint8_t key = hasKey ? keySymbols[at] : 0;
    const uint8_t length = hasKey ? keySymbols[at + 1] : 0;
    const char16_t mark = hasOutput ? LoadU16(outputPunctuation + at) : u'\0';
    if (key == 0 && length == 0 && mark == 0) {
      ++empty;
      continue;
    }
    std::string line = Format("entry %2llu:", m);
    if (hasKey)
      line += Format(" key 0x%02llX ", key) + Shown(key) + Format(" length %llu", length);
    if (hasOutput)
      line += Format(" output U+%04llX ", mark) + Shown(mark);
    out += line + "\n";
  }
  out += Format("empty entries: %llu\n", empty);
  return out;
}

std::string DumpCustomInputIndex(CustomInputList list,
                                 const uint8_t* index,
                                 size_t indexSize,
                                 const uint8_t* text,
                                 size_t textSize) {
  std::string out = Format("entries: %llu\n", indexSize / 4);
  if (indexSize % 4 != 0)
    out += Format("error: %llu bytes left over after the last offset\n", indexSize % 4);
  std::vector<uint32_t> offsets(indexSize / 4);
  for (size_t i = 0; i < offsets.size(); ++i) {
    offsets[i] = LoadU32(index + 4 * i);
    out += Format("%6llu  offset %llu", i, offsets[i]);
    if (text != nullptr && offsets[i] >= textSize / 2)
      out += "  error: beyond the text";
    else if (text != nullptr)
      out += "  " + FirstLine(text, textSize, offsets[i]);
    out += "\n";
  }
  if (text == nullptr)
    return out + "order: not checked (no text)\n";
  std::vector<uint32_t> expected = CollectCustomInputEntries(list, text, textSize, SIZE_MAX);
  SortCustomInputEntries(text, textSize, &expected);
  if (expected == offsets)
    return out + "order: sorted, every entry of the text\n";
  if (expected.size() != offsets.size())
    out += Format("error: the text has %llu entries, the index %llu\n", expected.size(),
                  offsets.size());
  for (size_t i = 0; i < expected.size() && i < offsets.size(); ++i) {
    if (expected[i] != offsets[i]) {
      out += Format("error: entry %llu should be offset %llu", i, expected[i]) + "  " +
             FirstLine(text, textSize, expected[i]) + "\n";
      break;
    }
  }
  return out;
}

}  // namespace ql
