// The log of a run (/LOG=FILE): UTF-8 with a byte-order mark, one line per step, message and
// result. The whole file is written again after each line, so what has happened is on disk
// whatever happens next.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "setup/common/ui.h"

namespace ql {

class RunLog {
 public:
  // `path` is a full path; empty: lines are kept nowhere.
  explicit RunLog(std::u16string path);
  void Line(std::u16string_view text);
  // False once the file could not be written.
  bool ok() const { return ok_; }

 private:
  std::u16string path_;
  std::string bytes_;
  bool ok_ = true;
};

// A message sink that writes every message, status text and note into the log and passes them on
// to `forward`; without one (an unattended run) a message box is answered with OK at once.
class LoggingUi : public Ui {
 public:
  LoggingUi(RunLog& log, Ui* forward) : log_(log), forward_(forward) {}
  int ShowMessage(std::u16string_view text, std::u16string_view caption, uint32_t style) override;
  void StepProgress() override;
  void SetStatusText(std::u16string_view text) override;
  void Note(std::u16string_view text) override;

 private:
  RunLog& log_;
  Ui* forward_;
};

}  // namespace ql
