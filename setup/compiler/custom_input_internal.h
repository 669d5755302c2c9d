// What the custom-input scan and sort share: the text as code units and the line rules.
#pragma once

#include <cstddef>
#include <cstdint>

#include "setup/common/bytes.h"
#include "setup/compiler/phrase_table_format.h"

namespace ql::custom_input {

// The text as UTF-16LE code units, an odd last byte left out.
class Units {
 public:
  Units(const uint8_t* bytes, size_t size) : bytes_(bytes), count_(size / 2) {}
  size_t size() const { return count_; }
  char16_t operator[](size_t i) const { return LoadU16(bytes_ + 2 * i); }
  // The unit at `i`, or the terminating zero at and after the end.
  char16_t At(size_t i) const { return i < count_ ? (*this)[i] : u'\0'; }
  const uint8_t* bytes(size_t i) const { return bytes_ + 2 * i; }

 private:
  const uint8_t* bytes_;
  size_t count_;
};

// Walks the text by the line rules of both lists: a CR followed by LF ends a line, and
// onLineEnd(next) gets the offset of the unit after the LF; a CR not followed by LF ends nothing
// and the unit after it is passed over. Every other unit goes to onUnit.
template <typename OnUnit, typename OnLineEnd>
void ScanLines(const Units& text, OnUnit onUnit, OnLineEnd onLineEnd) {
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    const char16_t c = text[i];
    if (c == u'\r') {
      const bool lineEnd = i + 1 < n && text[i + 1] == u'\n';
      i += 2;
      if (lineEnd)
        onLineEnd(i);
      continue;
    }
    onUnit(c);
    ++i;
  }
}

}  // namespace ql::custom_input
