// The settings dialog (resource 116): the platform's common parameters, asked for once at the end
// of a fresh installation.
#pragma once

namespace ql {

// Shows the dialog modal, without owner, for State().displayName and the schemes of the run. OK
// writes every value of the settings key and turns on the chosen pairs in State().fuzzyPairs;
// Cancel writes only "IMEIndex" = 3; the close box writes nothing. Returns 0 in every case.
int ShowSettingsDialog();

}  // namespace ql
