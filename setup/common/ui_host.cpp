// Without windows, messages go to standard error and progress is not shown.
#include <cstdio>

#include "setup/common/text.h"
#include "setup/common/ui.h"

namespace ql {
namespace {

class ConsoleUi : public Ui {
 public:
  int ShowMessage(std::u16string_view text, std::u16string_view caption, uint32_t) override {
    std::fprintf(stderr, "[%s] %s\n", Utf16ToUtf8(caption).c_str(), Utf16ToUtf8(text).c_str());
    return kIdOk;
  }
  void StepProgress() override {}
  void SetStatusText(std::u16string_view) override {}
};

}  // namespace

Ui& PlatformUi() {
  static ConsoleUi ui;
  return ui;
}

}  // namespace ql
