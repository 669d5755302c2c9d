// The registry keys named by the display name: the machine-wide install record
// (HKLM ...\CurrentVersion\<displayName>: "path" and "ck") and the per-user settings key
// (HKCU ...\CurrentVersion\<displayName>). The install dialog reads the record, the worker writes
// it; both go through here, with the same attempts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// The entry in Programs and Features: HKLM "...\CurrentVersion\Uninstall\<displayName>", written
// by the worker, read by the system's list of programs and by the uninstaller.
constexpr std::u16string_view kUninstallKeyPath =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
namespace uninstall_value {
// The system's own names.
constexpr std::u16string_view kDisplayName = u"DisplayName";
constexpr std::u16string_view kDisplayVersion = u"DisplayVersion";
constexpr std::u16string_view kInstallLocation = u"InstallLocation";
constexpr std::u16string_view kUninstallString = u"UninstallString";
constexpr std::u16string_view kQuietUninstallString = u"QuietUninstallString";
constexpr std::u16string_view kDisplayIcon = u"DisplayIcon";
constexpr std::u16string_view kEstimatedSize = u"EstimatedSize";  // DWORD, KiB
constexpr std::u16string_view kInstallDate = u"InstallDate";      // "YYYYMMDD"
constexpr std::u16string_view kNoModify = u"NoModify";
constexpr std::u16string_view kNoRepair = u"NoRepair";
// What the uninstaller needs to undo exactly this installation: the module's file name in the
// system folder, the keyboard-layout ids registered for it, the preload list's first entry that
// the registration replaced, and the installed folder's files (relative) that the package and the
// installation put there.
constexpr std::u16string_view kImeFile = u"ImeFile";
constexpr std::u16string_view kLayoutIds = u"LayoutIds";
constexpr std::u16string_view kPreloadReplaced = u"PreloadReplaced";
constexpr std::u16string_view kInstalledFiles = u"InstalledFiles";
}  // namespace uninstall_value

// The entry's key below HKLM.
std::u16string UninstallKeyOf(std::u16string_view displayName);

// REG_MULTI_SZ: texts each with its terminator, then one more.
constexpr uint32_t kRegMultiSz = 7;
std::vector<uint8_t> MultiStringBytes(const std::vector<std::u16string>& texts);
// The texts of REG_MULTI_SZ bytes; a last text without terminator counts, empty texts end it.
std::vector<std::u16string> MultiStringTexts(const std::vector<uint8_t>& bytes);
// The texts of the REG_MULTI_SZ value `name` of `key`; none when it is absent or of another type.
std::vector<std::u16string> QueryTexts(RegHandle key, std::u16string_view name);

}  // namespace ql
