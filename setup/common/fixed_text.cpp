#include "setup/common/fixed_text.h"

namespace ql {

size_t CopyTruncated(char16_t* dst, size_t capacity, std::u16string_view src) {
  if (capacity == 0)
    return 0;
  size_t n = src.size() < capacity - 1 ? src.size() : capacity - 1;
  // Do not keep a lone high surrogate at the cut.
  if (n > 0 && n < src.size() && src[n - 1] >= 0xD800 && src[n - 1] <= 0xDBFF)
    --n;
  for (size_t i = 0; i < n; ++i)
    dst[i] = src[i];
  dst[n] = 0;
  return n;
}

size_t CopyTruncatedUnits(char16_t* dst, size_t capacity, std::u16string_view src) {
  if (capacity == 0)
    return 0;
  size_t n = src.size() < capacity - 1 ? src.size() : capacity - 1;
  for (size_t i = 0; i < n; ++i)
    dst[i] = src[i];
  dst[n] = 0;
  return n;
}

size_t BoundedLength(const char16_t* text, size_t capacity) {
  size_t n = 0;
  while (n < capacity && text[n] != 0)
    ++n;
  return n;
}

}  // namespace ql
