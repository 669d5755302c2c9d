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

std::u16string UninstallKeyOf(std::u16string_view displayName) {
  return std::u16string(kUninstallKeyPath) + u"\\" + std::u16string(displayName);
}

std::vector<uint8_t> MultiStringBytes(const std::vector<std::u16string>& texts) {
  std::vector<uint8_t> bytes;
  auto unit = [&](char16_t c) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  };
  for (const std::u16string& text : texts) {
    for (char16_t c : text)
      unit(c);
    unit(0);
  }
  unit(0);
  return bytes;
}

std::vector<std::u16string> MultiStringTexts(const std::vector<uint8_t>& bytes) {
  std::vector<std::u16string> texts;
  std::u16string text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char16_t c = static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
    if (c != 0) {
      text += c;
      continue;
    }
    if (text.empty())
      return texts;
    texts.push_back(text);
    text.clear();
  }
  if (!text.empty())
    texts.push_back(text);
  return texts;
}

std::vector<std::u16string> QueryTexts(RegHandle key, std::u16string_view name) {
  uint32_t type = 0;
  std::vector<uint8_t> bytes;
  if (TheRegistry().QueryValue(key, name, &type, &bytes) != kErrorSuccess || type != kRegMultiSz)
    return {};
  return MultiStringTexts(bytes);
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
