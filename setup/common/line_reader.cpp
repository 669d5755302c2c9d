#include "setup/common/line_reader.h"

namespace ql {

Utf16LineReader::Utf16LineReader(std::u16string_view text) : text_(text) {
  // Only a real byte-order mark is dropped: a file saved without one keeps its first character.
  if (!text_.empty() && text_[0] == 0xFEFF)
    pos_ = 1;
}

bool Utf16LineReader::Next(std::u16string_view& line) {
  size_t lf = text_.find(u'\n', pos_);
  if (lf == std::u16string_view::npos) {
    unended_ = unended_ || pos_ < text_.size();
    pos_ = text_.size();
    return false;
  }
  size_t end = lf;
  // Only a CR is dropped before the LF, so a file with bare LF endings loses no character.
  if (end > pos_ && text_[end - 1] == u'\r')
    --end;
  line = text_.substr(pos_, end - pos_);
  pos_ = lf + 1;
  ++lineNumber_;
  return true;
}

}  // namespace ql
