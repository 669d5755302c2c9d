// What the add-dictionary and add-scheme dialogs share on Windows.
#pragma once

#include <optional>
#include <string>

#include "setup/common/win.h"

namespace ql {

// The folder that holds the running setup program, with a trailing backslash: the package whose
// contents the installation worker moves into the target folder.
std::u16string RunningProgramFolder();

// The whole text of control `id` of `dialog`.
std::u16string ItemText(HWND dialog, int id);
void SetItemText(HWND dialog, int id, std::u16string_view text);

// What an add dialog does with its buttons; the rest of its handling is the same for both.
struct AddDialogBehaviour {
  void (*open)(HWND dialog);                 // as the dialog opens
  void (*chooseSource)(HWND dialog);         // the open button 1061
  bool (*confirm)(HWND dialog);              // "确定": true when the entry was added
  void (*otherButton)(HWND dialog, int id);  // any other button, or null
};

// Shows add dialog `resource` modal, owned by the install dialog, until "确定" adds an entry (1)
// or the dialog is cancelled or closed (0). While it runs, the dialog records its own window in
// the run's state; the install dialog's is put back when it ends.
int ShowAddDialog(int resource, const AddDialogBehaviour& behaviour);

// The source file chosen with the system's open-file dialog, owned by `owner`, titled `title`,
// offering text files first and all files second.
struct ChosenFile {
  std::u16string path;
  std::u16string title;  // the file's name without folder
};
std::optional<ChosenFile> ChooseSourceFile(HWND owner, const wchar_t* title);

}  // namespace ql
