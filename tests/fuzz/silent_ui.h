// The message sink of every fuzzer: messages and progress are dropped, so a fuzzed input that
// makes the compilers report a problem does not print or block. Likewise for diagnostics, whose
// line numbers must stay within the input's.
#pragma once

#include <cstddef>

#include "setup/common/diagnostics.h"
#include "setup/common/ui.h"

namespace ql::fuzz {

class SilentUi : public Ui {
 public:
  int ShowMessage(std::u16string_view, std::u16string_view, uint32_t) override { return kIdOk; }
  void StepProgress() override {}
  void SetStatusText(std::u16string_view) override {}
};

// Drops every diagnostic; traps on a line number beyond `maxLine`.
class SilentDiagnostics : public Diagnostics {
 public:
  explicit SilentDiagnostics(size_t maxLine) : maxLine_(maxLine) {}
  void Report(Severity,
              std::u16string_view,
              size_t line,
              std::string_view,
              std::string_view) override {
    if (line > maxLine_)
      __builtin_trap();
  }

 private:
  size_t maxLine_;
};

}  // namespace ql::fuzz
