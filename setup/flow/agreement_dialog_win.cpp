#include "setup/flow/agreement_dialog.h"

#include "setup/common/files.h"
#include "setup/common/win.h"
#include "setup/flow/startup.h"
#include "setup/model/setup_state.h"
#include "setup/resources/resource.h"

namespace ql {
namespace {

void InitAgreement(HWND dialog) {
  SetupState& state = State();
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

INT_PTR CALLBACK AgreementProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      InitAgreement(dialog);
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

int ShowAgreementDialog() {
  INT_PTR result = DialogBoxParamW(static_cast<HINSTANCE>(State().instance),
                                   MAKEINTRESOURCEW(IDD_AGREEMENT), nullptr, AgreementProc, 0);
  return result == 1 ? 1 : 0;
}

}  // namespace ql
