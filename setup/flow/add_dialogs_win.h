// What the add-dictionary and add-scheme dialogs share on Windows.
#pragma once

#include <optional>
#include <string>

#include "setup/common/win.h"

namespace ql {

struct SetupState;

// The folder that holds the running setup program, with a trailing backslash: the package whose
// contents the installation worker moves into the target folder.
std::u16string RunningProgramFolder();

// The whole text of control `id` of `dialog`.
std::u16string ItemText(HWND dialog, int id);
void SetItemText(HWND dialog, int id, std::u16string_view text);

// One showing of an add dialog: the run's record it adds to, and what it does with its buttons;
// the rest of its handling is the same for both. What it chooses lives as long as the showing.
class AddDialog {
 public:
  explicit AddDialog(SetupState& state) : state_(state) {}
  virtual ~AddDialog() = default;
  AddDialog(const AddDialog&) = delete;
  AddDialog& operator=(const AddDialog&) = delete;

  SetupState& state() const { return state_; }

  // As the dialog opens.
  virtual void Open(HWND dialog) = 0;
  // The open button (IDC_OPEN_SOURCE).
  virtual void ChooseSource(HWND dialog) = 0;
  // "确定": true when the entry was added.
  virtual bool Confirm(HWND dialog) = 0;
  // Any other button; false when the dialog leaves it to the system.
  virtual bool OtherButton(HWND, int) { return false; }

 private:
  SetupState& state_;
};

// Shows add dialog `resource` modal, owned by the install dialog (state.installDialog), until
// "确定" adds an entry (1) or the dialog is cancelled or closed (0).
int ShowAddDialog(int resource, AddDialog& dialog);

// The source file chosen with the system's open-file dialog, owned by `owner`, titled `title`,
// offering text files first and all files second.
struct ChosenFile {
  std::u16string path;
  std::u16string title;  // the file's name without folder
};
// A name too long for the dialog's buffers is told to the user under `caption`.
std::optional<ChosenFile> ChooseSourceFile(HWND owner,
                                           const wchar_t* title,
                                           std::u16string_view caption);

}  // namespace ql
