#include "setup/flow/agreement_dialog.h"

#include "setup/common/files.h"
#include "setup/common/win.h"
#include "setup/flow/dialog_context_win.h"
#include "setup/flow/startup.h"
#include "setup/model/setup_state.h"
#include "setup/resources/resource.h"

namespace ql {
namespace {

struct AgreementContext {
  const SetupState& state;
};

void InitAgreement(HWND dialog, const SetupState& state) {
  HINSTANCE instance = static_cast<HINSTANCE>(state.instance);
  SendMessageW(dialog, WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP))));
  SetWindowTextW(dialog, WString(AgreementTitle(state)).c_str());

  // A missing or unreadable licence leaves the text empty; the dialog still offers its buttons.
  std::u16string path = state.packageFolder.str() + u"License.txt";
  std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(path, kLicenseBytes);
  std::u16string text = bytes ? AgreementText(bytes->data(), bytes->size()) : std::u16string();
  SetDlgItemTextW(dialog, IDC_LICENSE_TEXT, WString(text).c_str());
}

INT_PTR CALLBACK AgreementProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  const AgreementContext* context = DialogContext<const AgreementContext>(dialog, message, lParam);
  if (context == nullptr)
    return FALSE;
  switch (message) {
    case WM_INITDIALOG:
      InitAgreement(dialog, context->state);
      // Focus on "继续" rather than the licence text, which would open selected and scrolled
      // to its end.
      SetFocus(GetDlgItem(dialog, IDC_CONTINUE));
      return FALSE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_CONTINUE:
          EndDialog(dialog, 1);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
      }
      break;
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

int ShowAgreementDialog(const SetupState& state) {
  const AgreementContext context = {state};
  INT_PTR result = ShowDialogWith(static_cast<HINSTANCE>(state.instance), IDD_AGREEMENT, nullptr,
                                  AgreementProc, context);
  return result == 1 ? 1 : 0;
}

}  // namespace ql
