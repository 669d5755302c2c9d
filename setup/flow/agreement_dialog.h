// The licence agreement dialog (IDD_AGREEMENT).
#pragma once

namespace ql {

struct SetupState;

// Shows the agreement for the package and names of `state` modal, without owner. Returns 1 for
// "继续", 0 for "取消" or closing it.
int ShowAgreementDialog(const SetupState& state);

}  // namespace ql
