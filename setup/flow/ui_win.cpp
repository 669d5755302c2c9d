// Messages and progress on Windows: message boxes without owner; the install dialog's progress
// bar (1475) and status text (1060).

#include "setup/common/ui.h"
#include "setup/common/win.h"

#include <commctrl.h>
#include "setup/flow/setup_state.h"

namespace ql {
namespace {

constexpr int kProgressBar = 1475;
constexpr int kStatusText = 1060;

class WindowsUi : public Ui {
 public:
  int ShowMessage(std::u16string_view text, std::u16string_view caption, uint32_t style) override {
    return MessageBoxW(nullptr, WString(text).c_str(), WString(caption).c_str(), style);
  }
  void StepProgress() override {
    HWND dialog = static_cast<HWND>(State().installDialog);
    if (dialog != nullptr)
      SendDlgItemMessageW(dialog, kProgressBar, PBM_STEPIT, 0, 0);
  }
  void SetStatusText(std::u16string_view text) override {
    HWND dialog = static_cast<HWND>(State().installDialog);
    if (dialog != nullptr)
      SetDlgItemTextW(dialog, kStatusText, WString(text).c_str());
  }
};

}  // namespace

Ui& PlatformUi() {
  static WindowsUi ui;
  return ui;
}

}  // namespace ql
