// Messages on Windows: message boxes without owner. Progress and status belong to a dialog, which
// puts its own sink in force (ScopedUi) while it is open; without one they go nowhere.

#include "setup/common/ui.h"
#include "setup/common/win.h"

namespace ql {
namespace {

class WindowsUi : public Ui {
 public:
  int ShowMessage(std::u16string_view text, std::u16string_view caption, uint32_t style) override {
    return MessageBoxW(nullptr, WString(text).c_str(), WString(caption).c_str(), style);
  }
  void StepProgress() override {}
  void SetStatusText(std::u16string_view) override {}
};

}  // namespace

Ui& PlatformUi() {
  static WindowsUi ui;
  return ui;
}

}  // namespace ql
