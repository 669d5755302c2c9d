// What the end-to-end driver does to the windows of another process: find them, tell the known
// dialogs apart, read their texts, press their buttons, capture them as pictures, and read or set
// the check marks of a tree view.
#pragma once

#include "setup/common/win.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace ql::e2e {

// The visible top-level windows of the process `processId` and of the processes it started (the
// uninstaller works from a copy of itself), in z-order.
std::vector<HWND> VisibleWindowsOf(DWORD processId);

// The dialogs setup shows, told apart by their controls. kUnknown is any other window.
enum class DialogKind {
  kAgreement,
  kInstall,
  kMessage,
  kSettings,
  kAddDictionary,
  kAddScheme,
  kOpenFile,   // the system's open-file dialog
  kUninstall,  // uninsta.exe's confirmation
  kUnknown
};
constexpr int kDialogKinds = static_cast<int>(DialogKind::kUnknown) + 1;
DialogKind IdentifyDialog(HWND window);
const wchar_t* DialogKindName(DialogKind kind);
bool ParseDialogKind(const std::wstring& name, DialogKind& kind);

std::wstring WindowClass(HWND window);
// The text of a window or control of any process (WM_GETTEXT is marshalled by the system).
std::wstring WindowText(HWND window);
// Child control `id` of `dialog`, or null.
HWND Control(HWND dialog, int id);

// The state of a button or other control: "enabled" or "disabled", a space, then "checked" or
// "unchecked".
std::wstring ControlState(HWND control);

// A readable account of a window: its kind, class, title and the texts of its controls.
std::wstring DescribeWindow(HWND window);

// Presses button `id` of `dialog` the way a click does, without waiting for the dialog to handle
// it (the handler may open a modal window of its own).
bool PressButton(HWND dialog, int id);
// Asks the window to close, as its close box does.
void AskToClose(HWND window);

// Clicks the control itself, as the mouse does (an automatic check box or radio button changes
// its own mark, then the control tells its dialog). Posted, like PressButton.
bool ClickControl(HWND control);
// Chooses item `index` of a combo box and tells `dialog`, as a click in the list does.
bool SelectComboItem(HWND dialog, HWND combo, int index);
// Replaces the text of an edit, or of a combo box's edit, by typing `text` one unit at a time;
// the edit applies its own rules (upper case, limits) and tells its owner of the change.
bool TypeText(HWND control, const std::wstring& text);

// Captures the window as it is on the screen into a 24-bit BMP file.
bool SaveWindowPicture(HWND window, const std::wstring& path, std::wstring& error);

// One item of a tree view in another process, in display order (depth-first).
struct TreeItem {
  HTREEITEM item = nullptr;
  int depth = 0;
  std::wstring text;
  bool checked = false;
};
// Reads every item of `tree`, which belongs to `process` (opened with VM read/write/operation
// rights). Item texts and states live in that process, so they are read through memory allocated
// there. Returns false when the other process' memory cannot be used.
bool ReadTree(HWND tree, HANDLE process, std::vector<TreeItem>& items);
// Sets or clears the check mark of `item`. The tree does not tell its dialog, so a caller that
// needs the dialog to react must prompt it afterwards (as a click on the item would).
bool SetTreeCheck(HWND tree, HANDLE process, HTREEITEM item, bool checked);

}  // namespace ql::e2e
