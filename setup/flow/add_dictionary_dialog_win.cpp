#include "setup/flow/add_dictionary_dialog.h"

#include "setup/common/ui.h"
#include "setup/flow/add_dialogs_win.h"
#include "setup/install/add_entries.h"
#include "setup/model/setup_state.h"
#include "setup/resources/add_dialog_ids.h"
#include "setup/resources/resource.h"

namespace ql {
namespace {

class AddDictionaryDialog : public AddDialog {
 public:
  using AddDialog::AddDialog;

  void Open(HWND dialog) override {
    CheckRadioButton(dialog, IDC_USE_FREQUENCIES, IDC_ALL_BY_SHAPE_CODE, IDC_USE_FREQUENCIES);
  }

  void ChooseSource(HWND dialog) override {
    choice_.sourcePath.clear();
    std::optional<ChosenFile> file =
        ChooseSourceFile(dialog, L"打开词库文件", state().displayName.view());
    if (!file)
      return;
    choice_.sourcePath = file->path;
    choice_.sourceTitle = file->title;
    SourceDescription description = ReadSourceDescription(file->path);
    SetItemText(dialog, IDC_DICTIONARY_ABOUT, description.about);
    SetItemText(dialog, IDC_ENTRY_NAME, description.name);
    // Only a file with a description name is rewritten line by line (and may be a backup).
    choice_.hasDescription = !description.name.empty();
  }

  bool Confirm(HWND dialog) override {
    choice_.name = ItemText(dialog, IDC_ENTRY_NAME);
    choice_.allPhrasesByShapeCode =
        IsDlgButtonChecked(dialog, IDC_ALL_BY_SHAPE_CODE) == BST_CHECKED;
    return AddDictionary(state(), RunningProgramFolder(), choice_);
  }

 private:
  // The source chosen in the open dialog. Each showing starts without one, so "确定" in it never
  // adds a file chosen the time before.
  DictionaryChoice choice_;
};

}  // namespace

int ShowAddDictionaryDialog(SetupState& state) {
  if (state.dictionaryCount >= kMaxDictionaries) {
    TheUi().ShowMessage(kDictionaryListFullMessage, state.displayName.view(), kMbOk | kMbIconError);
    return 0;
  }
  AddDictionaryDialog dialog(state);
  return ShowAddDialog(IDD_ADD_DICTIONARY, dialog);
}

}  // namespace ql
