// The setup manifest: setup.ini of the package, read into the run's record.
#pragma once

#include <string_view>

#include "setup/common/profile_source.h"

namespace ql {

struct SetupState;

// Fills the names, version, module name, setup text, schemes and dictionaries of `state` from
// `source`, in the order the manifest is read.
void ReadManifestInto(ProfileSource& source, SetupState& state);

// Reads `packageFolder` + "setup.ini" into `state`. Returns 0 (success) in every case.
int ReadSetupManifest(std::u16string_view packageFolder, SetupState& state);

}  // namespace ql
