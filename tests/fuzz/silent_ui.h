// The message sink of every fuzzer: messages and progress are dropped, so a fuzzed input that
// makes the compilers report a problem does not print or block.
#pragma once

#include "setup/common/ui.h"

namespace ql::fuzz {

class SilentUi : public Ui {
 public:
  int ShowMessage(std::u16string_view, std::u16string_view, uint32_t) override { return kIdOk; }
  void StepProgress() override {}
  void SetStatusText(std::u16string_view) override {}
};

}  // namespace ql::fuzz
