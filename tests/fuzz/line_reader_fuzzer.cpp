// Arbitrary bytes as a UTF-16 text file: every line lies inside the text and holds no LF.
#include <cstddef>
#include <cstdint>

#include "setup/common/line_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string text = ql::DecodeUtf16Le(data, size);
  ql::Utf16LineReader reader(text);
  std::u16string_view line;
  size_t total = 0;
  while (reader.Next(line)) {
    if (line.find(u'\n') != std::u16string_view::npos)
      __builtin_trap();
    if (line.data() < text.data() || line.data() + line.size() > text.data() + text.size())
      __builtin_trap();
    total += line.size() + 1;
  }
  if (total > text.size())
    __builtin_trap();
  return 0;
}
