#include "setup/flow/settings_dialog.h"

#include "setup/common/win.h"
#include "setup/flow/dialog_context_win.h"
#include "setup/flow/settings_values.h"
#include "setup/model/setup_state.h"
#include "setup/resources/resource.h"
#include "setup/resources/settings_ids.h"

namespace ql {
namespace {

struct SettingsContext {
  SetupState& state;
};

void SetText(HWND dialog, int id, std::u16string_view text) {
  SetDlgItemTextW(dialog, id, WString(text).c_str());
}

void InitSettings(HWND dialog, const SetupState& state) {
  SetWindowTextW(dialog, WString(SettingsCaption(state.displayName.view())).c_str());

  const SettingsChoice opening = DefaultSettingsChoice(state.displayName.view());
  for (int id : kSettingsButtonIds)
    CheckDlgButton(dialog, id, opening.IsChecked(id) ? BST_CHECKED : BST_UNCHECKED);

  const std::u16string_view scheme = state.schemes[ShapeCodeSchemeIndex(state)].name.view();
  SetText(dialog, IDC_INPUT_MODE_MIXED, MixedModeText(scheme));
  SetText(dialog, IDC_INPUT_MODE_SHAPE_CODE, ShapeCodeModeText(scheme));

  for (size_t box = 0; box < kSelectionKeyBoxCount; ++box) {
    HWND combo = GetDlgItem(dialog, kSelectionKeyBoxIds[box]);
    for (const SelectionKeyItem& item : kSelectionKeyItems) {
      // The box turns the text to upper case in the caller's buffer, so it gets a copy.
      std::wstring text = WString(item.text);
      LRESULT index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.data()));
      if (index >= 0)
        SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), item.value);
    }
    SendMessageW(combo, CB_SETCURSEL, kDefaultSelectionKeyItems[box], 0);
  }
}

// The key of one selection-key box: its chosen item's value, or what was typed into it.
uint16_t SelectionKeyOf(HWND combo) {
  LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (index != CB_ERR) {
    LRESULT value = SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    if (value != CB_ERR)
      return static_cast<uint16_t>(value);
  }
  int length = GetWindowTextLengthW(combo);
  std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
  int copied = GetWindowTextW(combo, &text[0], static_cast<int>(text.size()));
  text.resize(copied > 0 && copied < static_cast<int>(text.size()) ? static_cast<size_t>(copied)
                                                                   : 0);
  return TypedSelectionKey(U(text.data(), text.size()));
}

SettingsChoice ReadChoice(HWND dialog) {
  SettingsChoice choice;
  for (int id : kSettingsButtonIds)
    choice.SetChecked(id, IsDlgButtonChecked(dialog, id) == BST_CHECKED);
  for (size_t box = 0; box < kSelectionKeyBoxCount; ++box)
    choice.selectionKeys[box] = SelectionKeyOf(GetDlgItem(dialog, kSelectionKeyBoxIds[box]));
  return choice;
}

INT_PTR CALLBACK SettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  SettingsContext* context = DialogContext<SettingsContext>(dialog, message, lParam);
  if (context == nullptr)
    return FALSE;
  switch (message) {
    case WM_INITDIALOG:
      InitSettings(dialog, context->state);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          SaveSettings(context->state, ReadChoice(dialog));
          EndDialog(dialog, 0);
          return TRUE;
        case IDCANCEL:
          SaveCancelledSettings(context->state);
          EndDialog(dialog, 0);
          return TRUE;
      }
      break;
    case WM_CLOSE:
      // The close box ends the dialog without writing anything; left to the system it would
      // count as Cancel.
      EndDialog(dialog, 0);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

int ShowSettingsDialog(SetupState& state) {
  SettingsContext context = {state};
  ShowDialogWith(static_cast<HINSTANCE>(state.instance), IDD_SETTINGS, nullptr, SettingsProc,
                 context);
  return 0;
}

}  // namespace ql
