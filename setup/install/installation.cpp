// The installation worker's sequence. Each numbered comment is one step of the run; "stop" returns
// to the install dialog with installCompleted left at 0.
#include "setup/install/installation.h"

#include "setup/common/byte_reader.h"
#include "setup/common/files.h"
#include "setup/common/path_names.h"
#include "setup/common/registry.h"
#include "setup/common/ui.h"
#include "setup/compiler/custom_input.h"
#include "setup/compiler/phrase_table.h"
#include "setup/compiler/phrase_table_format.h"
#include "setup/compiler/pinyin_index.h"
#include "setup/compiler/punctuation.h"
#include "setup/install/folder_access.h"
#include "setup/install/keyboard_layout.h"
#include "setup/install/package_move.h"
#include "setup/install/scheme_slots.h"
#include "setup/install/shortcuts.h"
#include "setup/install/uninstall_entry.h"
#include "setup/install/version_stamp.h"
#include "setup/model/install_record.h"
#include "setup/model/package.h"
#include "setup/model/setup_state.h"

namespace ql {
namespace {

std::u16string Cut(std::u16string text, size_t units) {
  if (text.size() > units)
    text.resize(units);
  return text;
}

// PathIsRootW's rule: "\", "X:\", "\\server" and "\\server\share" are roots.
bool IsRootPath(std::u16string_view path) {
  if (path == u"\\")
    return true;
  if (path.size() == 3 && path[1] == u':' && path[2] == u'\\')
    return true;
  if (path.size() >= 2 && path[0] == u'\\' && path[1] == u'\\') {
    // "\\server", "\\server\share", each also with a trailing backslash.
    std::u16string_view rest = path.substr(2);
    if (!rest.empty() && rest.back() == u'\\')
      rest.remove_suffix(1);
    size_t separators = 0;
    for (char16_t c : rest)
      separators += c == u'\\';
    return separators <= 1;
  }
  return false;
}

// The system's rule, and the portable one as well: some systems do not count a share with a
// trailing backslash as a root.
bool IsRootFolder(const InstallationSteps& steps, const std::u16string& path) {
  return path.empty() || steps.isRoot(path) || steps.isRoot(WithTrailingBackslash(path)) ||
         IsRootPath(path);
}

// Step 1: the folder field names a folder the package may be moved into and opened to all users.
// Refused: an empty field, or one such as "C:" that becomes a root once the target's backslash is
// added; anything but an absolute folder of a drive or a share ("abc", "..\x", "C:x", "\x",
// the device forms); a root in any spelling once resolved ("C:\..", "C:\.", "C:/"), or a name
// the system would drop or read as a step up left in it ("C:\ . "); and the system's shared
// folders themselves.
bool TargetRefused(const InstallationSteps& steps, const std::u16string& field) {
  if (IsRootFolder(steps, field) || !IsAbsoluteFolderForm(field))
    return true;
  const std::u16string full = steps.fullPath(field);
  if (IsRootFolder(steps, full) || !HasOnlyPlainNames(full))
    return true;
  for (const std::u16string& shared : steps.sharedFolders()) {
    if (!shared.empty() && SameFolderPath(full, shared))
      return true;
  }
  return false;
}

// Creates the target and every missing folder above it: the shell's move into a folder whose
// parent is missing moves nothing on some systems, and the run would then compile an empty
// folder.
void CreateFolderPath(const InstallationSteps& steps, const std::u16string& target) {
  // Past the drive ("C:\") or the server and share ("\\server\share\").
  size_t start = 0;
  if (target.size() >= 3 && target[1] == u':') {
    start = 3;
  } else if (target.rfind(u"\\\\", 0) == 0) {
    size_t server = target.find(u'\\', 2);
    size_t share = server == std::u16string::npos ? server : target.find(u'\\', server + 1);
    if (share == std::u16string::npos)
      return;
    start = share + 1;
  }
  for (size_t slash = target.find(u'\\', start); slash != std::u16string::npos;
       slash = target.find(u'\\', slash + 1))
    steps.createFolder(target.substr(0, slash + 1));
}

// The resolved folder: "C:\a\..\b" is "C:\b", and no folder "a" is made on the way.
std::u16string TargetFolder(const InstallationSteps& steps) {
  const std::u16string field = Cut(steps.folderFieldText(), kTargetUnits);
  const std::u16string full = steps.fullPath(field);
  return WithTrailingBackslash(full.empty() ? field : full);
}

// The folder of the running program, which holds the package; empty when its path has none (it
// would make the package folder "\", the drive's root).
std::u16string PackageFolder(const InstallationSteps& steps) {
  std::u16string program = Cut(steps.programPath(), kProgramPathUnits);
  size_t slash = program.rfind(u'\\');
  return slash != std::u16string::npos && slash > 0 ? program.substr(0, slash + 1)
                                                    : std::u16string();
}

// What the installed folder held before the package came, and what the package brought.
struct FolderBefore {
  std::vector<FolderFile> package;
  std::vector<FolderFile> target;
};

// Step 3: the package moves into the target folder, which becomes installFolder and the current
// directory, and the installed names are settled. False, the user told, when a file of the package
// did not arrive.
bool PrepareTarget(SetupState& state, const InstallationSteps& steps, FolderBefore* before) {
  std::u16string target = TargetFolder(steps);
  CreateFolderPath(steps, target);
  const std::u16string package = PackageFolder(steps);
  if (!package.empty()) {
    before->package = steps.listFiles(package);
    before->target = steps.listFiles(target);
    std::optional<std::u16string> missing = steps.movePackage(package, target);
    if (missing) {
      TheUi().ShowMessage(std::u16string(kPackageNotMovedText) + *missing, kRootFolderCaption,
                          kMbIconWarning);
      return false;
    }
  }
  SetDisplayName(state, steps.nameFieldText());
  state.installFolder.Assign(target);
  steps.setCurrentDirectory(target);
  steps.chooseModuleFileName(state.installFolder.str() + std::u16string(kSetupIniFile));
  return true;
}

void RecordInstalledFiles(const SetupState& state,
                          const InstallationSteps& steps,
                          const FolderBefore& before) {
  const std::vector<FolderFile> now = steps.listFiles(state.installFolder.view());
  steps.writeUninstallEntry(now, InstalledFiles(before.package, before.target, now));
}

// The views go to the tool library and the pinyin index builder, which trust their sizes: the
// main data file must be as long as its header says, the user data file exactly 512,000 bytes.
bool SizeAsWritten(MappedDataFile& file, std::u16string_view mappingName) {
  if (mappingName == kUserDataMapping)
    return file.size() == kUserDataSize;
  ByteReader header(file.data(), file.size());
  const uint32_t totalSize = header.Seek(kTotalSizeOffset).U32();
  return header.ok() && totalSize == file.size();
}

// Steps 13 and 14: opens and maps one data file. False to stop; the message names a file that
// could not be opened.
bool MapData(const InstallationSteps& steps,
             std::u16string_view path,
             std::u16string_view mappingName,
             std::unique_ptr<MappedDataFile>* file) {
  MapStatus status = MapStatus::kNotOpened;
  *file = steps.mapDataFile(path, mappingName, &status);
  const bool mapped = *file != nullptr && status == MapStatus::kMapped;
  const bool damaged = mapped && !SizeAsWritten(**file, mappingName);
  // Not opened, a name that is not this file's, or a size that is not what was written: the
  // user is told which file.
  if (status == MapStatus::kNotOpened || status == MapStatus::kNameTaken || damaged)
    TheUi().ShowMessage(path, kDataFileCaption, kMbOk);
  if (damaged)
    file->reset();
  return mapped && !damaged;
}

// A chosen scheme whose path does not fit a slot of the main data file cannot be used: the user
// is told which one.
void TellSchemesLeftOut(const SetupState& state, const std::vector<SlotOutcome>& outcomes) {
  for (const SlotOutcome& outcome : outcomes) {
    if (outcome.kind != SlotOutcome::Kind::kTooLong || outcome.scheme >= kMaxSchemes)
      continue;
    const InputScheme& scheme = state.schemes[outcome.scheme];
    if (scheme.path.size() <= kSchemeSlotMaxPathUnits)
      continue;  // a slot outside a damaged file, not a long path
    TheUi().ShowMessage(u"输入方案“" + scheme.name.str() + u"”的路径 " + scheme.path.str() +
                            u" 超过29个字符，这个方案没有安装。",
                        state.displayName.view(), kMbOk | kMbIconWarning);
  }
}

// Steps 13 to 21, with both data files mapped; false when a file was not opened or mapped.
bool FillDataFiles(SetupState& state, const InstallationSteps& steps) {
  std::unique_ptr<MappedDataFile> mainData;
  if (!MapData(steps, state.mainDataPath.view(), kMainDataMapping, &mainData))
    return false;
  std::unique_ptr<MappedDataFile> userData;
  if (!MapData(steps, state.installFolder.str() + std::u16string(kUserDataFile), kUserDataMapping,
               &userData))
    return false;

  uint8_t* view = mainData->data();
  size_t size = mainData->size();
  // 15, 16: the scheme slots.
  TellSchemesLeftOut(state, FillMainSchemeSlots(state, view, size, [&](int32_t slot) {
                       return steps.buildSchemeIndex(view, userData->data(), slot);
                     }));
  TellSchemesLeftOut(state, FillAuxiliarySchemeSlots(state, view, size));
  // 17: the pinyin index, or no index files at all. The index is written into the pinyin
  // scheme's folder, so the files there go too: left beside the new main data file they would
  // point into the old one.
  if (state.schemes[0].selected) {
    if (!steps.buildPinyinIndex(view, size))
      return false;
  } else {
    const std::u16string folder = state.installFolder.str();
    steps.removeFile(folder + std::u16string(kPinyinIndexFile));
    steps.removeFile(folder + std::u16string(kPinyinUserIndexFile));
    if (!state.schemes[0].path.empty())
      steps.removeFile(folder + state.schemes[0].path.str() + u"\\" +
                       std::u16string(kPinyinIndexName));
    steps.removeFile(folder + std::u16string(kInstalledUserIndexFile));
  }
  // 18, 19: the common parameters, asked for on a first installation only.
  state.settingsKept = steps.settingsExist() ? 1 : 0;
  if (!state.settingsKept) {
    steps.buildPunctuationTable();
    steps.showSettingsDialog();
  } else {
    TurnOnDefaultFuzzyPairs(state.fuzzyPairs);
  }
  // 20: the fuzzy-pinyin bytes into the main data file.
  WriteFuzzyPairs(state.fuzzyPairs, view, size);
  // 21: the custom input.
  if (!steps.buildCustomInput())
    return false;
  // 22: both views, mappings and files are released on return.
  return true;
}

// Opens the installed folder to all users when it goes out of scope.
class OpenWhenDone {
 public:
  OpenWhenDone(const InstallationSteps& steps, std::u16string folder)
      : steps_(steps), folder_(std::move(folder)) {}
  ~OpenWhenDone() { steps_.openData(folder_); }
  OpenWhenDone(const OpenWhenDone&) = delete;
  OpenWhenDone& operator=(const OpenWhenDone&) = delete;

 private:
  const InstallationSteps& steps_;
  std::u16string folder_;
};

}  // namespace

InstallationSteps PortableInstallationSteps(SetupState& state) {
  InstallationSteps steps;
  steps.isRoot = IsRootPath;
  steps.fullPath = FullPath;
  steps.sharedFolders = [] { return std::vector<std::u16string>(); };
  steps.createFolder = [](std::u16string_view folder) { EnsureFolder(folder); };
  steps.chooseModuleFileName = [&state](std::u16string_view setupIni) {
    ChooseModuleFileName(state, setupIni);
  };
  steps.lockCode = [](std::u16string_view folder) {
    LockInstalledCode(PlatformFolderAccessCalls(), folder);
  };
  steps.openData = [](std::u16string_view folder) {
    OpenDataToAllUsers(PlatformFolderAccessCalls(), folder);
  };
  steps.stampModule = [&state] { StampModuleVersion(state); };
  steps.systemFolder = SystemFolder;
  steps.copyFile = CopyFileReplacing;
  steps.buildPhraseTable = [&state] { BuildPhraseTable(state); };
  steps.restorPara = [] {};
  steps.writeInstallRecord = [&state] {
    WriteInstallRecord(state.displayName.view(), state.installFolder.view());
  };
  steps.createShortcuts = [&state] { CreateProgramShortcuts(state); };
  steps.mapDataFile = MapDataFile;
  steps.buildSchemeIndex = [](uint8_t*, uint8_t*, int32_t) { return std::optional<int32_t>(); };
  steps.buildPinyinIndex = [&state](uint8_t* mainData, size_t mainSize) {
    return BuildPinyinIndex(state, mainData, mainSize);
  };
  steps.removeFile = [](std::u16string_view path) { RemoveFile(path); };
  steps.settingsExist = [&state] { return SettingsExist(state.displayName.view()); };
  steps.buildPunctuationTable = [&state] {
    BuildPunctuationTable(state.installFolder.view(), state.displayName.view());
  };
  steps.showSettingsDialog = [] {};
  steps.buildCustomInput = [&state] { return BuildCustomInputIndexes(state.installFolder.view()); };
  steps.listFiles = ListFolderFiles;
  steps.writeUninstallEntry = [&state](const std::vector<FolderFile>& now,
                                       const std::vector<std::u16string>& files) {
    WriteUninstallEntry(state, now, files, TodayText());
  };
  steps.updateUninstallEntry = [&state](const std::vector<std::u16string>& packageFiles) {
    UpdateUninstallEntry(state, packageFiles);
  };
  return steps;
}

InstallOutcome RunInstallation(SetupState& state, const InstallationSteps& steps) {
  // 1: never into a root folder.
  if (TargetRefused(steps, Cut(steps.folderFieldText(), kRootTestUnits))) {
    TheUi().ShowMessage(kRootFolderText, kRootFolderCaption, kMbIconWarning);
    return InstallOutcome::kFolderRefused;
  }
  // The name becomes the install record's and the settings' key and the program group's folder:
  // refused before anything moves when it could name something else.
  decltype(state.displayName) name;
  name.Assign(steps.nameFieldText());
  if (!IsUsableDisplayName(name.view())) {
    TheUi().ShowMessage(kBadDisplayNameText, kRootFolderCaption, kMbIconWarning);
    return InstallOutcome::kNameRefused;
  }
  // 2: the tree's marks, and the progress range.
  steps.collectSelection();
  // 3: the package into the target folder.
  FolderBefore before;
  if (!PrepareTarget(state, steps, &before))
    return InstallOutcome::kStopped;
  // 4: not while the installed module runs.
  if (steps.mappingExists(std::u16string(kModuleInUsePrefix) + state.imeBaseName.str())) {
    TheUi().ShowMessage(kModuleInUseText, state.mainName.view(), kMbIconWarning);
    return InstallOutcome::kModuleInUse;
  }
  // 5: what runs as code is locked to the administrators before anything is stamped, copied or
  // loaded from the folder. The folder is opened to all users only when the run is over, however
  // it ends, so that no user can swap a module or library the elevated setup is about to load.
  steps.lockCode(state.installFolder.view());
  const OpenWhenDone openWhenDone(steps, state.installFolder.str());
  // 6: the module stamped. The stamped module is a new file, which took the folder's rights:
  // it is locked again.
  steps.stampModule();
  steps.lockCode(state.installFolder.view());
  // 7: the module into the system folder under its installed name. Without it nothing that
  // follows can work: the user is told, and the run stops.
  const std::u16string systemModule =
      WithTrailingBackslash(Cut(steps.systemFolder(), kSystemFolderUnits)) +
      state.imeFileName.str();
  if (!steps.copyFile(state.installFolder.str() + std::u16string(kPackageModuleFile),
                      systemModule)) {
    TheUi().ShowMessage(std::u16string(kModuleNotCopiedText) + systemModule, kRootFolderCaption,
                        kMbIconWarning);
    return InstallOutcome::kStopped;
  }
  // 8: an upgrade keeps every data file and setting.
  if (state.upgradeInstall) {
    std::vector<std::u16string> packageFiles;
    for (const FolderFile& file : before.package)
      packageFiles.push_back(file.path);
    steps.updateUninstallEntry(packageFiles);
    return InstallOutcome::kUpgraded;
  }
  // 9 to 12: data, parameters restored by the tool library, install record, shortcuts.
  steps.buildPhraseTable();
  // Without both data files the builder has told the user why; nothing of them can be filled.
  if (state.mainDataPath.empty())
    return InstallOutcome::kStopped;
  steps.restorPara();
  steps.writeInstallRecord();
  // Beside the record, the entry in Programs and Features: from here on the uninstaller can undo
  // what the run made, also when it stops.
  RecordInstalledFiles(state, steps, before);
  steps.createShortcuts();
  // 13 to 22.
  if (!FillDataFiles(state, steps))
    return InstallOutcome::kStopped;
  // The files the last steps wrote join the record.
  RecordInstalledFiles(state, steps, before);
  // 23.
  state.installCompleted = 1;
  return InstallOutcome::kCompleted;
}

}  // namespace ql
