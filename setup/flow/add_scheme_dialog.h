// The add-scheme dialog (resource 131), opened by the install dialog's button 5.
#pragma once

namespace ql {

// Shows the dialog modal, owned by the install dialog (State().installDialog), and records its
// own window there while it runs. On "确定" it copies the code table into a new folder under the
// package's "输入方案\" and writes entry schemeCount of the run's state, for a standalone
// main-keyboard scheme also entry schemeCount + 1 with moreSchemesAdded set, and returns 1; the
// caller counts the entries and shows them. Returns 0 when nothing was added (cancelled, closed,
// or a full list, which is told to the user without opening the dialog).
int ShowAddSchemeDialog();

}  // namespace ql
