#include "setup/flow/add_dictionary_dialog.h"

#include "setup/common/ui.h"
#include "setup/flow/add_dialogs_win.h"
#include "setup/install/add_entries.h"
#include "setup/model/setup_state.h"
#include "setup/resources/add_dialog_ids.h"
#include "setup/resources/resource.h"

namespace ql {
namespace {

// The source chosen in the open dialog. A new dialog starts without one, so "确定" in it never
// adds a file chosen the time before.
DictionaryChoice choice;

void Open(HWND dialog) {
  choice = DictionaryChoice();
  CheckRadioButton(dialog, IDC_USE_FREQUENCIES, IDC_ALL_BY_SHAPE_CODE, IDC_USE_FREQUENCIES);
}

void ChooseSource(HWND dialog) {
  choice.sourcePath.clear();
  std::optional<ChosenFile> file = ChooseSourceFile(dialog, L"打开词库文件");
  if (!file)
    return;
  choice.sourcePath = file->path;
  choice.sourceTitle = file->title;
  SourceDescription description = ReadSourceDescription(file->path);
  SetItemText(dialog, IDC_DICTIONARY_ABOUT, description.about);
  SetItemText(dialog, IDC_ENTRY_NAME, description.name);
  // Only a file with a description name is rewritten line by line (and may be a backup).
  choice.hasDescription = !description.name.empty();
}

bool Confirm(HWND dialog) {
  choice.name = ItemText(dialog, IDC_ENTRY_NAME);
  choice.allPhrasesByShapeCode = IsDlgButtonChecked(dialog, IDC_ALL_BY_SHAPE_CODE) == BST_CHECKED;
  return AddDictionary(State(), RunningProgramFolder(), choice);
}

const AddDialogBehaviour kBehaviour = {Open, ChooseSource, Confirm, nullptr};

}  // namespace

int ShowAddDictionaryDialog() {
  const SetupState& state = State();
  if (state.dictionaryCount >= kMaxDictionaries) {
    TheUi().ShowMessage(kDictionaryListFullMessage, state.displayName.view(), kMbOk | kMbIconError);
    return 0;
  }
  return ShowAddDialog(IDD_ADD_DICTIONARY, kBehaviour);
}

}  // namespace ql
