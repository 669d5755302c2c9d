// The registry keys named by the display name: the machine-wide install record
// (HKLM ...\CurrentVersion\<displayName>: "path" and "ck") and the per-user settings key
// (HKCU ...\CurrentVersion\<displayName>). The install dialog reads the record, the worker writes
// it; both go through here, with the same attempts.
#pragma once

#include <cstdint>
#include <string_view>

#include "setup/common/registry.h"

namespace ql {

struct SetupState;

constexpr std::u16string_view kCurrentVersionPath = u"Software\\Microsoft\\Windows\\CurrentVersion";

// Opens "Software\Microsoft\Windows\CurrentVersion" under `root` with read and set-value access.
int32_t OpenCurrentVersionKey(RegHandle root, RegKey* key);
// Creates, or opens if it exists, the subkey `name` of `parent` with full access.
int32_t CreateNamedSubkey(RegHandle parent, std::u16string_view name, RegKey* key);

// The install record of state.displayName, each registry call repeated at once on failure as
// often as the lookup allows. Found only when every stage succeeds; `previousPath` is set once
// "path" was read, `previousDataFile` once "ck" was.
bool ReadInstallRecord(SetupState& state);

// Writes the install record of `displayName`: "path" = `installFolder`, "ck" = "cz.dat". The
// values are written even when the key could not be created (they then have no effect).
void WriteInstallRecord(std::u16string_view displayName, std::u16string_view installFolder);

// Whether the settings key of `displayName` holds more values than a first installation writes:
// it then belongs to an earlier installation, whose settings are kept.
bool SettingsExist(std::u16string_view displayName);

}  // namespace ql
