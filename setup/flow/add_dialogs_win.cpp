#include "setup/flow/add_dialogs_win.h"

#include <cderr.h>
#include <commdlg.h>

#include <vector>

#include "setup/common/ui.h"
#include "setup/flow/dialog_context_win.h"
#include "setup/flow/dialog_ui_win.h"
#include "setup/install/add_entries.h"
#include "setup/model/setup_state.h"
#include "setup/resources/add_dialog_ids.h"

namespace ql {

std::u16string RunningProgramFolder() {
  std::vector<wchar_t> path(32768, L'\0');
  DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size())
    return std::u16string();
  std::u16string folder(U(path.data(), length));
  return folder.substr(0, folder.rfind(u'\\') + 1);
}

std::u16string ItemText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  int length = GetWindowTextLengthW(control);
  if (length <= 0)
    return std::u16string();
  std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
  int got = GetWindowTextW(control, text.data(), length + 1);
  return std::u16string(U(text.data(), got > 0 ? static_cast<size_t>(got) : 0));
}

void SetItemText(HWND dialog, int id, std::u16string_view text) {
  SetDlgItemTextW(dialog, id, WString(text).c_str());
}

namespace {

// What an open add dialog works with: its showing, and the sink of its progress and status.
struct AddDialogContext {
  AddDialog& dialog;
  DialogUi& ui;
};

INT_PTR CALLBACK AddDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  AddDialogContext* context = DialogContext<AddDialogContext>(dialog, message, lParam);
  if (context == nullptr)
    return FALSE;
  AddDialog& showing = context->dialog;
  switch (message) {
    case WM_INITDIALOG:
      context->ui.SetWindow(dialog);
      showing.Open(dialog);
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED)
        break;
      switch (LOWORD(wParam)) {
        case IDC_OPEN_SOURCE:
          showing.ChooseSource(dialog);
          return TRUE;
        case IDOK:
          // A refusal has been told to the user; the dialog stays open for another try.
          if (showing.Confirm(dialog))
            EndDialog(dialog, 1);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
        default:
          if (showing.OtherButton(dialog, LOWORD(wParam)))
            return TRUE;
          break;
      }
      break;
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

int ShowAddDialog(int resource, AddDialog& dialog) {
  const SetupState& state = dialog.state();
  // While the dialog is open its own progress bar and status text show the steps.
  DialogUi ui(TheUi());
  ScopedUi scope(ui);
  AddDialogContext context = {dialog, ui};
  INT_PTR result = ShowDialogWith(static_cast<HINSTANCE>(state.instance), resource,
                                  static_cast<HWND>(state.installDialog), AddDialogProc, context);
  return result == 1 ? 1 : 0;
}

std::optional<ChosenFile> ChooseSourceFile(HWND owner,
                                           const wchar_t* title,
                                           std::u16string_view caption) {
  wchar_t path[kSourcePathUnits + 1] = {};
  wchar_t fileTitle[kSourceTitleUnits + 1] = {};
  OPENFILENAMEW request = {};
  request.lStructSize = sizeof request;
  request.hwndOwner = owner;
  request.lpstrFilter = L"文本文件(*.txt)\0*.txt\0所有文件(*.*)\0*.*\0";
  request.nFilterIndex = 1;
  request.lpstrFile = path;
  request.nMaxFile = kSourcePathUnits + 1;
  request.lpstrFileTitle = fileTitle;
  request.nMaxFileTitle = kSourceTitleUnits + 1;
  request.lpstrTitle = title;
  if (!GetOpenFileNameW(&request)) {
    // Cancelled, unless the name did not fit: that the user is told.
    if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)
      TheUi().ShowMessage(u"文件的路径或名称太长，请把文件放到路径较短的文件夹中再选择。", caption,
                          kMbOk | kMbIconError);
    return std::nullopt;
  }
  path[kSourcePathUnits] = 0;
  fileTitle[kSourceTitleUnits] = 0;
  return ChosenFile{std::u16string(U(path)), std::u16string(U(fileTitle))};
}

}  // namespace ql
