#include "setup/install/uninstall_entry.h"

#include <set>

#include "setup/common/path_names.h"
#include "setup/common/registry.h"
#include "setup/common/text.h"
#include "setup/install/keyboard_layout.h"
#include "setup/install/keyboard_layout_internal.h"
#include "setup/model/install_record.h"
#include "setup/model/package.h"
#include "setup/model/setup_state.h"

namespace ql {
namespace {

namespace value = uninstall_value;

std::u16string AsciiLowerCopy(std::u16string_view text) {
  std::u16string lower(text);
  for (char16_t& c : lower)
    c = AsciiLower(c);
  return lower;
}

void SetText(RegHandle key, std::u16string_view name, std::u16string_view text) {
  std::vector<uint8_t> bytes = RegStringBytes(text);
  TheRegistry().SetValue(key, name, kRegSz, bytes.data(), bytes.size());
}

void SetDword(RegHandle key, std::u16string_view name, uint32_t number) {
  const uint8_t bytes[4] = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                            static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)};
  TheRegistry().SetValue(key, name, kRegDword, bytes, sizeof bytes);
}

void SetTexts(RegHandle key, std::u16string_view name, const std::vector<std::u16string>& texts) {
  std::vector<uint8_t> bytes = MultiStringBytes(texts);
  TheRegistry().SetValue(key, name, kRegMultiSz, bytes.data(), bytes.size());
}

constexpr size_t kLocationBytes = 2048;

// `first`, then what of `second` it lacks (names compared ignoring ASCII case).
std::vector<std::u16string> Union(std::vector<std::u16string> first,
                                  const std::vector<std::u16string>& second) {
  std::set<std::u16string> known;
  for (const std::u16string& file : first)
    known.insert(AsciiLowerCopy(file));
  for (const std::u16string& file : second) {
    if (known.insert(AsciiLowerCopy(file)).second)
      first.push_back(file);
  }
  return first;
}

std::u16string WithoutTrailingBackslash(std::u16string folder) {
  while (folder.size() > 3 && folder.back() == u'\\')
    folder.pop_back();
  return folder;
}

}  // namespace

std::vector<std::u16string> InstalledFiles(const std::vector<FolderFile>& package,
                                           const std::vector<FolderFile>& before,
                                           const std::vector<FolderFile>& now) {
  std::set<std::u16string> fromPackage;
  for (const FolderFile& file : package)
    fromPackage.insert(AsciiLowerCopy(file.path));
  std::set<std::pair<std::u16string, uint64_t>> untouched;
  for (const FolderFile& file : before)
    untouched.insert({AsciiLowerCopy(file.path), file.writeTime});
  std::set<std::u16string> beforeNames;
  for (const FolderFile& file : before)
    beforeNames.insert(AsciiLowerCopy(file.path));
  std::vector<std::u16string> files;
  for (const FolderFile& file : now) {
    const std::u16string key = AsciiLowerCopy(file.path);
    if (fromPackage.count(key) || !beforeNames.count(key) ||
        !untouched.count({key, file.writeTime}))
      files.push_back(file.path);
  }
  return files;
}

void WriteUninstallEntry(const SetupState& state,
                         const std::vector<FolderFile>& now,
                         const std::vector<std::u16string>& files,
                         std::u16string_view date) {
  RegKey entry;
  if (TheRegistry().CreateKey(kHkeyLocalMachine, UninstallKeyOf(state.displayName.view()),
                              kKeyAllAccess, entry.Receive()) != kErrorSuccess)
    return;
  const std::u16string folder = state.installFolder.str();
  // A reinstallation into the same folder keeps what the earlier one recorded there.
  std::u16string location;
  std::vector<std::u16string> recorded;
  if (QueryText(entry.get(), value::kInstallLocation, kLocationBytes, &location) == kErrorSuccess &&
      SameFolderPath(location, folder))
    recorded = QueryTexts(entry.get(), value::kInstalledFiles);
  const std::u16string uninstaller = u"\"" + folder + std::u16string(kUninstallerFile) + u"\"";
  uint64_t bytes = 0;
  for (const FolderFile& file : now)
    bytes += file.size;
  SetText(entry.get(), value::kDisplayName, state.displayName.view());
  SetText(entry.get(), value::kDisplayVersion, state.version.view());
  SetText(entry.get(), value::kInstallLocation, WithoutTrailingBackslash(folder));
  SetText(entry.get(), value::kUninstallString, uninstaller);
  SetText(entry.get(), value::kQuietUninstallString, uninstaller + u" /S");
  SetText(entry.get(), value::kDisplayIcon, folder + std::u16string(kUninstallerFile) + u",0");
  SetDword(entry.get(), value::kEstimatedSize, static_cast<uint32_t>((bytes + 1023) / 1024));
  SetText(entry.get(), value::kInstallDate, date);
  SetDword(entry.get(), value::kNoModify, 1);
  SetDword(entry.get(), value::kNoRepair, 1);
  SetText(entry.get(), value::kImeFile, state.imeFileName.view());
  SetTexts(entry.get(), value::kInstalledFiles, Union(recorded, files));
}

void UpdateUninstallEntry(const SetupState& state,
                          const std::vector<std::u16string>& packageFiles) {
  RegKey entry;
  if (TheRegistry().OpenKey(kHkeyLocalMachine, UninstallKeyOf(state.displayName.view()),
                            kKeyAllAccess, entry.Receive()) != kErrorSuccess)
    return;
  SetText(entry.get(), value::kDisplayVersion, state.version.view());
  SetTexts(entry.get(), value::kInstalledFiles,
           Union(QueryTexts(entry.get(), value::kInstalledFiles), packageFiles));
}

bool ImeFileNamesModule(std::u16string_view imeFile,
                        std::u16string_view imeFileName,
                        std::u16string_view systemFolder) {
  if (imeFileName.empty())
    return false;
  if (EqualsAsciiNoCase(imeFile, imeFileName))
    return true;
  return !systemFolder.empty() && EqualsAsciiNoCase(imeFile, WithTrailingBackslash(systemFolder) +
                                                                 std::u16string(imeFileName));
}

std::vector<std::u16string> LayoutsOfModule(std::u16string_view imeFileName,
                                            std::u16string_view systemFolder) {
  Registry& registry = TheRegistry();
  std::vector<std::u16string> ids;
  RegKey layouts;
  if (registry.OpenKey(kHkeyLocalMachine, kLayoutsKeyPath, kKeyRead, layouts.Receive()) !=
      kErrorSuccess)
    return ids;
  std::u16string id;
  for (uint32_t index = 0; registry.EnumKey(layouts.get(), index, &id) == kErrorSuccess; ++index) {
    RegKey layout;
    std::u16string imeFile;
    if (registry.OpenKey(layouts.get(), id, kKeyRead, layout.Receive()) == kErrorSuccess &&
        QueryText(layout.get(), u"IME file", layout_internal::kTextBytes, &imeFile) ==
            kErrorSuccess &&
        ImeFileNamesModule(imeFile, imeFileName, systemFolder))
      ids.push_back(id);
  }
  return ids;
}

std::u16string FirstPreloadEntry() {
  RegKey preload;
  std::u16string first;
  if (TheRegistry().OpenKey(kHkeyCurrentUser, kPreloadKeyPath, kKeyRead, preload.Receive()) ==
      kErrorSuccess)
    QueryText(preload.get(), u"1", layout_internal::kTextBytes, &first);
  return first;
}

void RecordRegisteredLayouts(const SetupState& state,
                             std::u16string_view systemFolder,
                             std::u16string_view firstPreloadBefore) {
  RegKey entry;
  if (TheRegistry().OpenKey(kHkeyLocalMachine, UninstallKeyOf(state.displayName.view()),
                            kKeyAllAccess, entry.Receive()) != kErrorSuccess)
    return;
  SetTexts(entry.get(), value::kLayoutIds, LayoutsOfModule(state.imeFileName.view(), systemFolder));
  const std::u16string firstNow = FirstPreloadEntry();
  if (!firstPreloadBefore.empty() && !EqualsAsciiNoCase(firstNow, firstPreloadBefore))
    SetText(entry.get(), value::kPreloadReplaced, firstPreloadBefore);
}

}  // namespace ql
