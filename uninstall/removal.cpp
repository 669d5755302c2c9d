#include "uninstall/removal.h"

#include <algorithm>
#include <set>

#include "setup/common/path_names.h"
#include "setup/common/registry.h"
#include "setup/common/text.h"
#include "setup/common/ui.h"
#include "setup/install/keyboard_layout.h"
#include "setup/install/shortcuts.h"
#include "setup/install/uninstall_entry.h"
#include "setup/model/install_record.h"
#include "setup/model/package.h"
#include "setup/model/setup_state.h"

namespace ql {
namespace {

namespace value = uninstall_value;

// Values of the entry are read whole up to this size; the file list is the largest.
constexpr size_t kEntryValueBytes = 1 << 20;
constexpr std::u16string_view kPlatformPreloadId = u"00000804";

std::u16string Lower(std::u16string_view text) {
  std::u16string lower(text);
  for (char16_t& c : lower)
    c = AsciiLower(c);
  return lower;
}

void Note(std::u16string_view text) {
  TheUi().Note(text);
}

std::u16string ReadText(RegHandle key, std::u16string_view name) {
  std::u16string text;
  QueryText(key, name, kEntryValueBytes, &text);
  return text;
}

// Deletes the key and everything below it; false when it was not there or stays.
bool DeleteKeyTree(RegHandle root, const std::u16string& path) {
  Registry& registry = TheRegistry();
  {
    RegKey key;
    if (registry.OpenKey(root, path, kKeyAllAccess, key.Receive()) != kErrorSuccess)
      return false;
    std::u16string child;
    std::vector<std::u16string> children;
    for (uint32_t i = 0; registry.EnumKey(key.get(), i, &child) == kErrorSuccess; ++i)
      children.push_back(child);
    for (const std::u16string& name : children)
      DeleteKeyTree(root, path + u"\\" + name);
  }
  const size_t slash = path.rfind(u'\\');
  RegKey parent;
  return registry.OpenKey(root, path.substr(0, slash), kKeyAllAccess, parent.Receive()) ==
             kErrorSuccess &&
         registry.DeleteKey(parent.get(), path.substr(slash + 1)) == kErrorSuccess;
}

bool KeyExists(RegHandle root, std::u16string_view path) {
  RegKey key;
  return TheRegistry().OpenKey(root, path, kKeyRead, key.Receive()) == kErrorSuccess;
}

uint64_t LeadingNumber(std::u16string_view text) {
  uint64_t number = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9' || number > (UINT64_MAX - 9) / 10)
      break;
    number = number * 10 + (c - u'0');
  }
  return number;
}

// A file of the installation that would not go now goes at the next restart.
RemovalEnd RemoveOrPostpone(const UninstallSystem& system, const std::u16string& path) {
  switch (system.removeFile(path)) {
    case FileRemoval::kRemoved:
      return RemovalEnd::kRemoved;
    case FileRemoval::kMissing:
      Note(u"已不存在：" + path);
      return RemovalEnd::kRemoved;
    case FileRemoval::kFailed:
      break;
  }
  if (system.removeAtRestart(path)) {
    Note(u"重新启动后删除：" + path);
    return RemovalEnd::kRestartNeeded;
  }
  Note(u"不能删除：" + path);
  return RemovalEnd::kIncomplete;
}

class Removal {
 public:
  Removal(const Installation& installation, const UninstallSystem& system)
      : in_(installation), system_(system), systemFolder_(system.systemFolder()) {}

  void Layouts() {
    Note(u"步骤：删除键盘布局");
    const bool plainModule = IsPlainName(in_.imeFile);
    if (!plainModule)
      Fail(u"记录中的输入法模块文件名无效：" + in_.imeFile);
    std::vector<std::u16string> ids =
        plainModule ? LayoutsOfModule(in_.imeFile, systemFolder_) : std::vector<std::u16string>();
    for (const std::u16string& recorded : in_.layoutIds) {
      if (std::any_of(ids.begin(), ids.end(),
                      [&](const std::u16string& id) { return EqualsAsciiNoCase(id, recorded); }))
        continue;
      // A recorded layout whose key is gone still leaves its preload entry behind.
      if (!KeyExists(kHkeyLocalMachine, std::u16string(kLayoutsKeyPath) + u"\\" + recorded)) {
        Note(u"键盘布局已不存在：" + recorded);
        removedIds_.push_back(recorded);
      } else {
        Note(u"键盘布局 " + recorded + u" 已不属于本输入法，保留");
      }
    }
    RegKey layouts;
    if (!ids.empty() && TheRegistry().OpenKey(kHkeyLocalMachine, kLayoutsKeyPath, kKeyAllAccess,
                                              layouts.Receive()) != kErrorSuccess)
      Fail(u"不能打开键盘布局");
    for (const std::u16string& id : ids) {
      if (layouts && TheRegistry().DeleteKey(layouts.get(), id) == kErrorSuccess)
        Note(u"已删除键盘布局 " + id);
      else
        Fail(u"不能删除键盘布局 " + id);
      system_.unloadLayout(id);
      removedIds_.push_back(id);
    }
  }

  void Preload() {
    Note(u"步骤：整理预载的键盘布局");
    Registry& registry = TheRegistry();
    RegKey preload;
    if (registry.OpenKey(kHkeyCurrentUser, kPreloadKeyPath, kKeyAllAccess, preload.Receive()) !=
        kErrorSuccess) {
      Note(u"没有预载列表");
      return;
    }
    std::vector<PreloadEntry> entries;
    std::u16string name;
    std::vector<uint8_t> data;
    uint32_t type = 0;
    for (uint32_t i = 0; registry.EnumValue(preload.get(), i, &name, &type, &data) == kErrorSuccess;
         ++i) {
      if (type == kRegSz)
        entries.push_back({name, RegStringText(data)});
    }
    const std::vector<PreloadEntry> renumbered =
        RenumberedPreload(entries, removedIds_, in_.preloadReplaced);
    if (renumbered.size() == entries.size() &&
        std::equal(renumbered.begin(), renumbered.end(), entries.begin(),
                   [](const PreloadEntry& a, const PreloadEntry& b) {
                     return a.number == b.number && a.layoutId == b.layoutId;
                   }))
      return;
    for (const PreloadEntry& entry : entries)
      registry.DeleteValue(preload.get(), entry.number);
    for (const PreloadEntry& entry : renumbered) {
      std::vector<uint8_t> bytes = RegStringBytes(entry.layoutId);
      if (registry.SetValue(preload.get(), entry.number, kRegSz, bytes.data(), bytes.size()) !=
          kErrorSuccess)
        Fail(u"不能写入预载列表 " + entry.number);
    }
    registry.FlushKey(preload.get());
    Note(u"预载列表已重新编号");
  }

  void Module() {
    Note(u"步骤：删除系统文件夹中的输入法模块");
    if (!IsPlainName(in_.imeFile))
      return;
    const std::u16string path = WithTrailingBackslash(systemFolder_) + in_.imeFile;
    const std::u16string base = in_.imeFile.substr(0, in_.imeFile.rfind(u'.'));
    if (system_.mappingExists(std::u16string(kModuleInUsePrefix) + base)) {
      Note(u"输入法正在使用");
      const bool postponed = system_.removeAtRestart(path);
      Note((postponed ? u"重新启动后删除：" : u"不能删除：") + path);
      Join(postponed ? RemovalEnd::kRestartNeeded : RemovalEnd::kIncomplete);
      return;
    }
    Join(RemoveOrPostpone(system_, path));
  }

  void ProgramGroup() {
    Note(u"步骤：删除程序组");
    const std::u16string programs = system_.programsFolder();
    if (programs.empty()) {
      Note(u"没有开始菜单的程序文件夹");
      return;
    }
    const std::u16string group = WithTrailingBackslash(programs) + in_.name + u"\\";
    for (const ProgramShortcut& shortcut : ProgramShortcuts(in_.name))
      Join(RemoveOrPostpone(system_, group + shortcut.linkName));
    if (!system_.removeEmptyFolder(group))
      Note(u"程序组文件夹没有删除（不存在，或者还有别的文件）：" + group);
  }

  // The install record names the folder; the settings key goes with it unless kept.
  void Records(bool keepData) {
    Note(u"步骤：删除安装记录和设置");
    const std::u16string record = std::u16string(kCurrentVersionPath) + u"\\" + in_.name;
    bool owned = false;
    {
      RegKey key;
      if (TheRegistry().OpenKey(kHkeyLocalMachine, record, kKeyRead, key.Receive()) ==
          kErrorSuccess) {
        owned = SameFolderPath(ReadText(key.get(), u"path"), in_.folder);
        if (!owned)
          Note(u"安装记录指向别的文件夹，保留：" + record);
      } else {
        Note(u"没有安装记录：" + record);
        owned = true;
      }
    }
    if (owned && KeyExists(kHkeyLocalMachine, record) && !DeleteKeyTree(kHkeyLocalMachine, record))
      Fail(u"不能删除安装记录 " + record);
    if (keepData) {
      Note(u"保留设置");
    } else if (!owned) {
      Note(u"设置属于别的安装，保留");
    } else if (KeyExists(kHkeyCurrentUser, record) && !DeleteKeyTree(kHkeyCurrentUser, record)) {
      Fail(u"不能删除设置 " + record);
    }
  }

  void Entry() {
    Note(u"步骤：删除“程序和功能”中的卸载项");
    if (!DeleteKeyTree(kHkeyLocalMachine, UninstallKeyOf(in_.name)))
      Fail(u"不能删除卸载项");
  }

  void Files(bool keepData, std::u16string_view spared) {
    Note(u"步骤：删除安装文件夹中的文件");
    for (const std::u16string& file : FilesToRemove(in_.files, keepData)) {
      const std::u16string path = in_.folder + file;
      if (EqualsAsciiNoCase(path, spared))
        continue;
      Join(RemoveOrPostpone(system_, path));
    }
    if (in_.files.size() != FilesToRemove(in_.files, false).size())
      Fail(u"记录中有不在安装文件夹里的文件名，没有删除");
  }

  RemovalEnd end() const { return end_; }

 private:
  void Fail(std::u16string_view what) {
    Note(what);
    end_ = RemovalEnd::kIncomplete;
  }
  void Join(RemovalEnd end) {
    if (end == RemovalEnd::kIncomplete ||
        (end == RemovalEnd::kRestartNeeded && end_ == RemovalEnd::kRemoved))
      end_ = end;
  }

  const Installation& in_;
  const UninstallSystem& system_;
  const std::u16string systemFolder_;
  std::vector<std::u16string> removedIds_;
  RemovalEnd end_ = RemovalEnd::kRemoved;
};

}  // namespace

std::optional<Installation> FindInstallation(std::u16string_view folder) {
  Registry& registry = TheRegistry();
  RegKey entries;
  if (registry.OpenKey(kHkeyLocalMachine, kUninstallKeyPath, kKeyRead, entries.Receive()) !=
      kErrorSuccess)
    return std::nullopt;
  std::u16string name;
  for (uint32_t i = 0; registry.EnumKey(entries.get(), i, &name) == kErrorSuccess; ++i) {
    RegKey entry;
    if (registry.OpenKey(entries.get(), name, kKeyRead, entry.Receive()) != kErrorSuccess)
      continue;
    const std::u16string location = ReadText(entry.get(), value::kInstallLocation);
    // The name keys the record, the settings and the program group: one that could name
    // anything else is not this system's.
    if (location.empty() || !SameFolderPath(location, folder) || !IsUsableDisplayName(name))
      continue;
    Installation installation;
    installation.name = name;
    installation.folder = WithTrailingBackslash(location);
    installation.imeFile = ReadText(entry.get(), value::kImeFile);
    installation.layoutIds = QueryTexts(entry.get(), value::kLayoutIds);
    installation.preloadReplaced = ReadText(entry.get(), value::kPreloadReplaced);
    installation.files = QueryTexts(entry.get(), value::kInstalledFiles);
    return installation;
  }
  return std::nullopt;
}

RemovalEnd RemoveInstallation(const Installation& installation,
                              bool keepData,
                              const UninstallSystem& system,
                              std::u16string_view spared) {
  Removal removal(installation, system);
  Ui& ui = TheUi();
  removal.Layouts();
  ui.StepProgress();
  removal.Preload();
  ui.StepProgress();
  removal.Module();
  ui.StepProgress();
  removal.ProgramGroup();
  ui.StepProgress();
  removal.Records(keepData);
  ui.StepProgress();
  removal.Entry();
  ui.StepProgress();
  removal.Files(keepData, spared);
  ui.StepProgress();
  return removal.end();
}

void FinishRemoval(const Installation& installation,
                   const UninstallSystem& system,
                   std::u16string_view spared) {
  if (!spared.empty())
    RemoveOrPostpone(system, std::u16string(spared));
  for (const std::u16string& folder : FoldersToClear(installation)) {
    if (!system.removeEmptyFolder(folder))
      Note(u"文件夹没有删除（不存在，或者还有别的文件）：" + folder);
  }
}

std::vector<PreloadEntry> RenumberedPreload(const std::vector<PreloadEntry>& entries,
                                            const std::vector<std::u16string>& removedIds,
                                            std::u16string_view replacedFirst) {
  std::vector<PreloadEntry> kept;
  for (const PreloadEntry& entry : entries) {
    if (std::none_of(removedIds.begin(), removedIds.end(), [&](const std::u16string& id) {
          return EqualsAsciiNoCase(id, entry.layoutId);
        }))
      kept.push_back(entry);
  }
  std::stable_sort(kept.begin(), kept.end(), [](const PreloadEntry& a, const PreloadEntry& b) {
    return LeadingNumber(a.number) < LeadingNumber(b.number);
  });
  if (!replacedFirst.empty() && !kept.empty() &&
      EqualsAsciiNoCase(kept[0].layoutId, kPlatformPreloadId) &&
      std::none_of(kept.begin(), kept.end(), [&](const PreloadEntry& entry) {
        return EqualsAsciiNoCase(entry.layoutId, replacedFirst);
      }))
    kept[0].layoutId = std::u16string(replacedFirst);
  for (size_t i = 0; i < kept.size(); ++i)
    kept[i].number = DecimalText(static_cast<int64_t>(i + 1));
  return kept;
}

std::vector<std::u16string> FilesToRemove(const std::vector<std::u16string>& recorded,
                                          bool keepData) {
  std::vector<std::u16string> files;
  for (const std::u16string& file : recorded) {
    if (!IsContainedRelativePath(file) || file.empty())
      continue;
    if (keepData && EqualsAsciiNoCase(file, kUserDataFile))
      continue;
    files.push_back(file);
  }
  return files;
}

std::vector<std::u16string> FoldersToClear(const Installation& installation) {
  std::set<std::u16string> seen;
  std::vector<std::u16string> folders;
  for (const std::u16string& file : FilesToRemove(installation.files, false)) {
    for (size_t slash = file.find(u'\\'); slash != std::u16string::npos;
         slash = file.find(u'\\', slash + 1)) {
      const std::u16string folder = file.substr(0, slash + 1);
      if (seen.insert(Lower(folder)).second)
        folders.push_back(folder);
    }
  }
  auto depth = [](const std::u16string& path) {
    return std::count(path.begin(), path.end(), u'\\');
  };
  std::stable_sort(
      folders.begin(), folders.end(),
      [&](const std::u16string& a, const std::u16string& b) { return depth(a) > depth(b); });
  for (std::u16string& folder : folders)
    folder = installation.folder + folder;
  folders.push_back(installation.folder);
  return folders;
}

}  // namespace ql
