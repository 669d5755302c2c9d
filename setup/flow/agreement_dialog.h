// The licence agreement dialog (resource 102).
#pragma once

namespace ql {

// Shows the agreement modal, without owner. Returns 1 for "继续", 0 for "取消" or closing it.
int ShowAgreementDialog();

}  // namespace ql
