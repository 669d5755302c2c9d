#include "setup/flow/add_scheme_dialog.h"

#include "setup/common/ui.h"
#include "setup/flow/add_dialogs_win.h"
#include "setup/install/add_entries.h"
#include "setup/model/setup_state.h"
#include "setup/resources/add_dialog_ids.h"
#include "setup/resources/resource.h"

namespace ql {
namespace {

bool Checked(HWND dialog, int id) {
  return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

class AddSchemeDialog : public AddDialog {
 public:
  using AddDialog::AddDialog;

  void Open(HWND) override {}

  void ChooseSource(HWND dialog) override {
    sourcePath_.clear();
    std::optional<ChosenFile> file =
        ChooseSourceFile(dialog, L"打开码表文件", state().displayName.view());
    if (!file)
      return;
    sourcePath_ = file->path;
    // The code table's own name proposes both the scheme's name and its folder.
    std::u16string name = ReadSourceDescription(file->path).name;
    SetItemText(dialog, IDC_ENTRY_NAME, name);
    SetItemText(dialog, IDC_SCHEME_FOLDER, name);
  }

  bool Confirm(HWND dialog) override {
    SchemeChoice choice;
    choice.sourcePath = sourcePath_;
    choice.kind =
        ChosenSchemeKind(Checked(dialog, IDC_KIND_STANDALONE), Checked(dialog, IDC_KIND_AUXILIARY),
                         Checked(dialog, IDC_KIND_KEYPAD));
    choice.name = ItemText(dialog, IDC_ENTRY_NAME);
    choice.folder = ItemText(dialog, IDC_SCHEME_FOLDER);
    return AddScheme(state(), RunningProgramFolder(), choice);
  }

  // A keypad scheme is neither kind of main-keyboard scheme: checking one side disables the
  // other.
  bool OtherButton(HWND dialog, int clicked) override {
    if (clicked == IDC_KIND_KEYPAD) {
      bool mainKeyboard = !Checked(dialog, IDC_KIND_KEYPAD);
      EnableWindow(GetDlgItem(dialog, IDC_KIND_STANDALONE), mainKeyboard);
      EnableWindow(GetDlgItem(dialog, IDC_KIND_AUXILIARY), mainKeyboard);
    } else if (clicked == IDC_KIND_STANDALONE || clicked == IDC_KIND_AUXILIARY) {
      EnableWindow(GetDlgItem(dialog, IDC_KIND_KEYPAD),
                   !Checked(dialog, IDC_KIND_STANDALONE) && !Checked(dialog, IDC_KIND_AUXILIARY));
    }
    return true;
  }

 private:
  // The code table chosen in the open dialog. Each showing starts without one, so "确定" in it
  // never adds a file chosen the time before.
  std::u16string sourcePath_;
};

}  // namespace

int ShowAddSchemeDialog(SetupState& state) {
  if (state.schemeCount >= kMaxSchemes) {
    TheUi().ShowMessage(kSchemeListFullMessage, state.displayName.view(), kMbOk | kMbIconError);
    return 0;
  }
  AddSchemeDialog dialog(state);
  return ShowAddDialog(IDD_ADD_SCHEME, dialog);
}

}  // namespace ql
