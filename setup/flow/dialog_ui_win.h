// The message sink while a dialog of setup is open: message boxes as the platform shows them, and
// progress and status on the dialog's progress bar (IDC_PROGRESS) and status text
// (IDC_STATUS_TEXT) once the dialog has a window. The dialog puts it in force for as long as it is
// shown.
#pragma once

#include "setup/common/ui.h"
#include "setup/common/win.h"

namespace ql {

class DialogUi : public Ui {
 public:
  // Messages and notes go on to `outer`, the sink that was in force when the dialog opened.
  explicit DialogUi(Ui& outer) : outer_(outer) {}
  int ShowMessage(std::u16string_view text, std::u16string_view caption, uint32_t style) override;
  void StepProgress() override;
  void SetStatusText(std::u16string_view text) override;
  void Note(std::u16string_view text) override { outer_.Note(text); }

  void SetWindow(HWND dialog) { dialog_ = dialog; }

 private:
  Ui& outer_;
  HWND dialog_ = nullptr;
};

}  // namespace ql
