// Small UTF-16 text helpers for portable code: conversions at the edges, ASCII case folding.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ql {

// UTF-8 to UTF-16; an ill-formed sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// Decimal text of a number, as the system's "%d" gives it.
std::u16string DecimalText(int64_t value);

inline char16_t AsciiLower(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

// Compares two texts ignoring the case of ASCII letters only.
bool EqualsAsciiNoCase(std::u16string_view a, std::u16string_view b);

// Decodes bytes of the Windows-1252 code page, the system's ANSI page on the machines we test on.
std::u16string DecodeWindows1252(const uint8_t* bytes, size_t size);

}  // namespace ql
