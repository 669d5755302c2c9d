#include "setup/common/run_log.h"

#include <utility>

#include "setup/common/files.h"
#include "setup/common/text.h"

namespace ql {

RunLog::RunLog(std::u16string path) : path_(std::move(path)), bytes_("\xEF\xBB\xBF") {}

void RunLog::Line(std::u16string_view text) {
  if (path_.empty())
    return;
  // One line per entry: a line end inside the text is written as the two characters \n.
  std::u16string flat;
  for (char16_t c : text) {
    if (c == u'\n')
      flat += u"\\n";
    else if (c != u'\r')
      flat += c;
  }
  bytes_ += Utf16ToUtf8(flat) + "\r\n";
  ok_ =
      WriteFileBytes(path_, reinterpret_cast<const uint8_t*>(bytes_.data()), bytes_.size()) && ok_;
}

int LoggingUi::ShowMessage(std::u16string_view text, std::u16string_view caption, uint32_t style) {
  log_.Line(u"消息 [" + std::u16string(caption) + u"] " + std::u16string(text));
  return forward_ != nullptr ? forward_->ShowMessage(text, caption, style) : kIdOk;
}

void LoggingUi::StepProgress() {
  if (forward_ != nullptr)
    forward_->StepProgress();
}

void LoggingUi::SetStatusText(std::u16string_view text) {
  log_.Line(u"状态 " + std::u16string(text));
  if (forward_ != nullptr)
    forward_->SetStatusText(text);
}

void LoggingUi::Note(std::u16string_view text) {
  log_.Line(text);
  if (forward_ != nullptr)
    forward_->Note(text);
}

}  // namespace ql
