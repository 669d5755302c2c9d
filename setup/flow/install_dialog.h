// The install dialog (IDD_INSTALL): the tree of schemes and dictionaries, the composed name and
// folder, and the install buttons that run the installation worker.
#pragma once

#include "setup/common/win.h"

#include <string>

namespace ql {

// The refresh message the dialog posts to itself; it acts only with both parameters 10000.
constexpr UINT kRefreshMessage = 31607;
constexpr WPARAM kRefreshParameter = 10000;

struct SetupState;

// Shows the dialog modal, without owner, for the run `state`. Returns 0 when cancelled or closed,
// 1 after either install button, whatever the worker did.
int ShowInstallDialog(SetupState& state);

// The system's program-files folder, the base of the proposed folder; empty when it has none.
std::u16string ProgramFilesFolder();

// Records every check mark of the shown install dialog's tree and the single-characters option in
// its run's state, and sets the progress bar's range and step. The worker's first step after the
// folder check.
void CollectSelection(HWND dialog);

}  // namespace ql
