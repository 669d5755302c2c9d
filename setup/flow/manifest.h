// The setup manifest (setup.ini of the package) and the two registry keys named by the display
// name: the per-user settings key and the machine-wide install record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "setup/common/registry.h"

namespace ql {

struct SetupState;

// The keyboard layout's display text is this prefix followed by the display name.
constexpr std::u16string_view kLayoutTextPrefix = u"中文(简体) - ";

// Where manifest values come from: the system's profile functions on Windows, the portable reader
// elsewhere. Same contract as GetPrivateProfileStringW with a section and a key.
class ProfileSource {
 public:
  virtual ~ProfileSource() = default;
  virtual size_t GetString(std::u16string_view section,
                           std::u16string_view key,
                           std::u16string_view defaultValue,
                           char16_t* buffer,
                           size_t capacity) = 0;
};

// The platform's reader of the INI file at `path`; defined once per platform.
std::unique_ptr<ProfileSource> OpenProfile(std::u16string_view path);

// Fills the names, version, module name, setup text, schemes and dictionaries of `state` from
// `source`, in the order the manifest is read.
void ReadManifestInto(ProfileSource& source, SetupState& state);

// Reads installFolder + "setup.ini" into the run's state. Returns 0 (success) in every case.
int ReadSetupManifest();

// Opens "Software\Microsoft\Windows\CurrentVersion" under `root` with read and set-value access.
int32_t OpenCurrentVersionKey(RegHandle root, RegKey* key);
// Creates, or opens if it exists, the subkey `name` of `parent` with full access.
int32_t CreateNamedSubkey(RegHandle parent, std::u16string_view name, RegKey* key);

}  // namespace ql
