// The add-dictionary dialog (resource 130), opened by the install dialog's button 6.
#pragma once

namespace ql {

// Shows the dialog modal, owned by the install dialog (State().installDialog), and records its
// own window there while it runs. On "确定" it writes the dictionary into the package's
// "文本词库\" and entry dictionaryCount of the run's state and returns 1; the caller counts the
// entry and shows it. Returns 0 when nothing was added (cancelled, closed, or a full list, which
// is told to the user without opening the dialog).
int ShowAddDictionaryDialog();

}  // namespace ql
