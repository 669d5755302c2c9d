// The add-dictionary dialog (IDD_ADD_DICTIONARY), opened by the install dialog's
// IDC_ADD_DICTIONARY button.
#pragma once

namespace ql {

struct SetupState;

// Shows the dialog modal, owned by the install dialog (state.installDialog). On "确定" it writes
// the dictionary into the package's "文本词库\" and entry dictionaryCount of `state` and returns
// 1; the caller counts the entry and shows it. Returns 0 when nothing was added (cancelled,
// closed, or a full list, which is told to the user without opening the dialog).
int ShowAddDictionaryDialog(SetupState& state);

}  // namespace ql
