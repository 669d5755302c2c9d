// A bounded reader over the bytes of a stored or mapped file, whose offsets and lengths come from
// the file itself. Every read is checked against the end without overflow; the first one that
// does not fit fails the reader for good and it, like every later one, yields zeros. A parser
// reads a run of fields and checks ok() once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "setup/common/bytes.h"

namespace ql {

class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(data != nullptr ? size : 0) {}

  bool ok() const { return ok_; }
  size_t position() const { return position_; }
  size_t size() const { return size_; }
  size_t remaining() const { return ok_ ? size_ - position_ : 0; }

  // Moves to `offset` from the start; the end itself is a valid position.
  ByteReader& Seek(size_t offset) {
    if (!ok_ || offset > size_)
      ok_ = false;
    else
      position_ = offset;
    return *this;
  }
  ByteReader& Skip(size_t count) {
    Take(count);
    return *this;
  }

  uint8_t U8() {
    const uint8_t* at = Take(1);
    return at != nullptr ? at[0] : 0;
  }
  uint16_t U16() {
    const uint8_t* at = Take(2);
    return at != nullptr ? LoadU16(at) : 0;
  }
  uint32_t U32() {
    const uint8_t* at = Take(4);
    return at != nullptr ? LoadU32(at) : 0;
  }
  // The next `count` bytes; nullptr when they do not fit (check ok() when `count` may be 0).
  const uint8_t* Bytes(size_t count) { return Take(count); }
  // A text field of `units` units, zero-terminated within it unless full.
  std::u16string Text(size_t units) {
    const uint8_t* at = units <= SIZE_MAX / 2 ? Take(2 * units) : Take(SIZE_MAX);
    if (at == nullptr)
      return std::u16string();
    std::u16string text;
    for (size_t i = 0; i < units && LoadU16(at + 2 * i) != 0; ++i)
      text.push_back(LoadU16(at + 2 * i));
    return text;
  }

 private:
  const uint8_t* Take(size_t count) {
    if (!ok_ || count > size_ - position_) {
      ok_ = false;
      return nullptr;
    }
    const uint8_t* at = data_ + position_;
    position_ += count;
    return at;
  }

  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
  bool ok_ = true;
};

}  // namespace ql
