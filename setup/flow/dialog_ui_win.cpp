#include "setup/flow/dialog_ui_win.h"

#include <commctrl.h>

#include "setup/resources/install_ids.h"

namespace ql {

int DialogUi::ShowMessage(std::u16string_view text, std::u16string_view caption, uint32_t style) {
  return outer_.ShowMessage(text, caption, style);
}

void DialogUi::StepProgress() {
  if (dialog_ != nullptr)
    SendDlgItemMessageW(dialog_, IDC_PROGRESS, PBM_STEPIT, 0, 0);
}

void DialogUi::SetStatusText(std::u16string_view text) {
  outer_.SetStatusText(text);
  if (dialog_ != nullptr)
    SetDlgItemTextW(dialog_, IDC_STATUS_TEXT, WString(text).c_str());
}

}  // namespace ql
