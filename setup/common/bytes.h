// Little-endian integers and UTF-16LE text: the one byte codec of the files, registry values and
// resources the setup reads and writes. Fields lie unaligned, so every access goes byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ql {

constexpr uint16_t LoadU16(const uint8_t* at) {
  return static_cast<uint16_t>(at[0] | at[1] << 8);
}

constexpr uint32_t LoadU32(const uint8_t* at) {
  return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}

constexpr void StoreU16(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

constexpr void StoreU32(uint8_t* at, uint32_t value) {
  StoreU16(at, static_cast<uint16_t>(value));
  StoreU16(at + 2, static_cast<uint16_t>(value >> 16));
}

inline void AppendU16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

inline void AppendU32(std::vector<uint8_t>& out, uint32_t value) {
  AppendU16(out, static_cast<uint16_t>(value));
  AppendU16(out, static_cast<uint16_t>(value >> 16));
}

inline void AppendUtf16Le(std::vector<uint8_t>& out, std::u16string_view text) {
  for (char16_t unit : text)
    AppendU16(out, unit);
}

// What EncodeUtf16Le puts around the text.
enum class Utf16Frame {
  kBare,
  kByteOrderMark,  // FF FE first: a text file of the system
  kTerminator,     // a zero unit last: a REG_SZ value
};

inline std::vector<uint8_t> EncodeUtf16Le(std::u16string_view text,
                                          Utf16Frame frame = Utf16Frame::kBare) {
  std::vector<uint8_t> bytes;
  bytes.reserve(2 * text.size() + 2);
  if (frame == Utf16Frame::kByteOrderMark)
    AppendU16(bytes, 0xFEFF);
  AppendUtf16Le(bytes, text);
  if (frame == Utf16Frame::kTerminator)
    AppendU16(bytes, 0);
  return bytes;
}

// The units of UTF-16LE bytes, a byte-order mark included; an odd last byte is ignored.
inline std::u16string DecodeUtf16Le(const uint8_t* bytes, size_t size) {
  std::u16string text(size / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i)
    text[i] = LoadU16(bytes + 2 * i);
  return text;
}

}  // namespace ql
