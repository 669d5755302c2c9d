// Arbitrary bytes as symbol.txt: every entry line is counted, at most 30 are stored, and the
// tables hold nothing after the last stored entry.
#include <cstddef>
#include <cstdint>
#include <string>

#include "setup/common/line_reader.h"
#include "setup/compiler/punctuation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::u16string text = ql::DecodeUtf16Le(data, size);
  const ql::PunctuationTables tables = ql::BuildPunctuationTables(text);
  size_t entryLines = 0;
  ql::Utf16LineReader reader(text);
  std::u16string_view line;
  while (reader.Next(line)) {
    size_t space = line.find(u' ');
    entryLines += space != std::u16string_view::npos && space != 0 ? 1 : 0;
  }
  if (tables.entryCount > ql::kPunctuationEntries ||
      tables.entryCount + tables.entriesLeftOut != entryLines)
    __builtin_trap();
  for (size_t i = 2 * tables.entryCount; i < ql::kPunctuationTableSize; ++i) {
    if (tables.keySymbols[i] != 0 || tables.outputPunctuation[i] != 0)
      __builtin_trap();
  }
  return 0;
}
