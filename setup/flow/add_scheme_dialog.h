// The add-scheme dialog (IDD_ADD_SCHEME), opened by the install dialog's IDC_ADD_SCHEME button.
#pragma once

namespace ql {

struct SetupState;

// Shows the dialog modal, owned by the install dialog (state.installDialog). On "确定" it copies
// the code table into a new folder under the package's "输入方案\" and writes entry schemeCount
// of `state`, for a standalone main-keyboard scheme also entry schemeCount + 1 with
// moreSchemesAdded set, and returns 1; the caller counts the entries and shows them. Returns 0
// when nothing was added (cancelled, closed, or a full list, which is told to the user without
// opening the dialog).
int ShowAddSchemeDialog(SetupState& state);

}  // namespace ql
