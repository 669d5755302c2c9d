// The settings dialog (IDD_SETTINGS): the platform's common parameters, asked for once at the end
// of a fresh installation.
#pragma once

namespace ql {

struct SetupState;

// Shows the dialog modal, without owner, for the display name and the schemes of `state`. OK
// writes every value of the settings key and turns on the chosen pairs in state.fuzzyPairs;
// Cancel writes only "IMEIndex" = 3; the close box writes nothing. Returns 0 in every case.
int ShowSettingsDialog(SetupState& state);

}  // namespace ql
