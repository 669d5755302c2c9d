#include "setup/model/install_record.h"

#include <string>
#include <vector>

#include "setup/model/package.h"
#include "setup/model/setup_state.h"

namespace ql {
namespace {

// Attempts of each stage of the install record's lookup and writing.
constexpr int kCurrentVersionAttempts = 20;
constexpr int kRecordKeyAttempts = 15;
constexpr int kRecordValueAttempts = 8;
// The value buffers of the lookup, in bytes.
constexpr size_t kPathBytes = 260;
constexpr size_t kDataFileBytes = 48;
constexpr std::u16string_view kPathValue = u"path";
constexpr std::u16string_view kDataFileValue = u"ck";
// A settings key with more values than this belongs to an earlier installation.
constexpr uint32_t kKeptSettingsValues = 60;

}  // namespace

int32_t OpenCurrentVersionKey(RegHandle root, RegKey* key) {
  return TheRegistry().OpenKey(root, kCurrentVersionPath, kKeyRead | kKeySetValue, key->Receive());
}

int32_t CreateNamedSubkey(RegHandle parent, std::u16string_view name, RegKey* key) {
  return TheRegistry().CreateKey(parent, name, kKeyAllAccess, key->Receive());
}

bool ReadInstallRecord(SetupState& state) {
  Registry& registry = TheRegistry();
  RegKey currentVersion;
  if (Attempt(kCurrentVersionAttempts, [&] {
        return OpenCurrentVersionKey(kHkeyLocalMachine, &currentVersion);
      }) != kErrorSuccess)
    return false;
  RegKey record;
  if (Attempt(kRecordKeyAttempts, [&] {
        return registry.OpenKey(currentVersion.get(), state.displayName.view(), kKeyRead,
                                record.Receive());
      }) != kErrorSuccess)
    return false;
  std::u16string path;
  if (Attempt(kRecordValueAttempts, [&] {
        return QueryText(record.get(), kPathValue, kPathBytes, &path);
      }) != kErrorSuccess)
    return false;
  state.previousPath.Assign(path);
  std::u16string dataFile;
  if (Attempt(kRecordValueAttempts, [&] {
        return QueryText(record.get(), kDataFileValue, kDataFileBytes, &dataFile);
      }) != kErrorSuccess)
    return false;
  state.previousDataFile.Assign(dataFile);
  return true;
}

void WriteInstallRecord(std::u16string_view displayName, std::u16string_view installFolder) {
  RegKey currentVersion;
  if (Attempt(kCurrentVersionAttempts, [&] {
        return OpenCurrentVersionKey(kHkeyLocalMachine, &currentVersion);
      }) != kErrorSuccess)
    return;
  RegKey record;
  Attempt(kRecordKeyAttempts,
          [&] { return CreateNamedSubkey(currentVersion.get(), displayName, &record); });
  std::vector<uint8_t> path = RegStringBytes(installFolder);
  std::vector<uint8_t> dataFile = RegStringBytes(kMainDataRecordName);
  TheRegistry().SetValue(record.get(), kPathValue, kRegSz, path.data(), path.size());
  TheRegistry().SetValue(record.get(), kDataFileValue, kRegSz, dataFile.data(), dataFile.size());
}

bool SettingsExist(std::u16string_view displayName) {
  RegKey currentVersion;
  if (OpenCurrentVersionKey(kHkeyCurrentUser, &currentVersion) != kErrorSuccess)
    return false;
  RegKey settings;
  if (CreateNamedSubkey(currentVersion.get(), displayName, &settings) != kErrorSuccess)
    return false;
  uint32_t count = 0;
  if (TheRegistry().CountValues(settings.get(), &count) != kErrorSuccess)
    return false;
  return count > kKeptSettingsValues;
}

}  // namespace ql
