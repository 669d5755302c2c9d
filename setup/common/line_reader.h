// Line-by-line reading of the UTF-16LE text files of a package (dictionaries, code tables,
// symbol.txt): the byte-order mark is dropped, a line ends at LF and loses the CR before it, and
// a last line without LF is not returned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "setup/common/bytes.h"

namespace ql {

class Utf16LineReader {
 public:
  // `text` is the decoded file, byte-order mark included; it must outlive the reader.
  explicit Utf16LineReader(std::u16string_view text);

  // Sets `line` to the next complete line (without CR and LF). False when no LF-terminated line
  // is left.
  bool Next(std::u16string_view& line);

  // Number of lines returned so far.
  size_t lineNumber() const { return lineNumber_; }

  // After Next returned false: whether text without a final LF was left unread.
  bool unendedLine() const { return unended_; }

 private:
  std::u16string_view text_;
  size_t pos_ = 0;
  size_t lineNumber_ = 0;
  bool unended_ = false;
};

}  // namespace ql
