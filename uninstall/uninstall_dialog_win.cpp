// The uninstaller's one dialog (IDD_UNINSTALL): the question, the check box that keeps the
// user's data, and the progress of the removal.
#include "setup/common/win.h"

#include <string>

#include "setup/common/ui.h"
#include "uninstall/resources/uninstall_ids.h"
#include "uninstall/uninstaller_win.h"

namespace ql {
namespace {

// While the dialog removes, steps move its bar and notes show in its status line; messages and
// notes also go on to the sink outside (the log).
class UninstallDialogUi : public Ui {
 public:
  UninstallDialogUi(Ui& outer, HWND dialog) : outer_(outer), dialog_(dialog) {}
  int ShowMessage(std::u16string_view text, std::u16string_view caption, uint32_t style) override {
    return outer_.ShowMessage(text, caption, style);
  }
  void StepProgress() override {
    SendDlgItemMessageW(dialog_, IDC_UNINSTALL_PROGRESS, PBM_STEPIT, 0, 0);
  }
  void SetStatusText(std::u16string_view text) override { outer_.SetStatusText(text); }
  void Note(std::u16string_view text) override {
    outer_.Note(text);
    SetDlgItemTextW(dialog_, IDC_UNINSTALL_STATUS, WString(text).c_str());
    UpdateWindow(dialog_);
  }

 private:
  Ui& outer_;
  HWND dialog_;
};

struct DialogContext {
  std::u16string_view name;
  const std::function<RemovalEnd(bool keepData)>& remove;
  RemovalEnd end = RemovalEnd::kRemoved;
};

void OnInit(HWND dialog, const DialogContext& context) {
  const std::u16string question =
      u"确实要从计算机上删除“" + std::u16string(context.name) + u"”吗？";
  SetDlgItemTextW(dialog, IDC_UNINSTALL_TEXT, WString(question).c_str());
  SetWindowTextW(dialog, WString(std::u16string(context.name) + u" 卸载").c_str());
  CheckDlgButton(dialog, IDC_KEEP_DATA, BST_CHECKED);
  SendDlgItemMessageW(dialog, IDC_UNINSTALL_PROGRESS, PBM_SETRANGE32, 0, kRemovalSteps);
  SendDlgItemMessageW(dialog, IDC_UNINSTALL_PROGRESS, PBM_SETSTEP, 1, 0);
}

void OnRemove(HWND dialog, DialogContext& context) {
  const bool keepData = IsDlgButtonChecked(dialog, IDC_KEEP_DATA) == BST_CHECKED;
  // No second press, no change of mind halfway.
  for (int id : {IDOK, IDCANCEL, IDC_KEEP_DATA})
    EnableWindow(GetDlgItem(dialog, id), FALSE);
  UninstallDialogUi ui(TheUi(), dialog);
  ScopedUi scope(ui);
  context.end = context.remove(keepData);
  EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK UninstallDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    OnInit(dialog, *reinterpret_cast<DialogContext*>(lParam));
    return TRUE;
  }
  auto* context = reinterpret_cast<DialogContext*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (context == nullptr)
    return FALSE;
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        OnRemove(dialog, *context);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
    case WM_CLOSE:
      if (IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)))
        EndDialog(dialog, IDCANCEL);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

std::optional<RemovalEnd> ShowUninstallDialog(
    HINSTANCE instance,
    std::u16string_view name,
    const std::function<RemovalEnd(bool keepData)>& remove) {
  DialogContext context = {name, remove};
  INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_UNINSTALL), nullptr,
                                   UninstallDialogProc, reinterpret_cast<LPARAM>(&context));
  if (result != IDOK)
    return std::nullopt;
  return context.end;
}

}  // namespace ql
