// The installation worker: one fixed sequence from the target folder check to the completed
// installation, run by the install dialog's install buttons. The sequence and every stop
// condition are here; the system steps it calls are a seam (InstallationSteps), so the host
// tests follow every branch and the Windows build passes the system calls and dialogs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "setup/common/mapped_file.h"
#include "setup/install/folder_files.h"
#include "setup/model/package.h"

namespace ql {

struct SetupState;

// Messages of the worker.
constexpr std::u16string_view kRootFolderText =
    u"不能在根目录下安装本软件！请重新安装，选择其他安装路径。\n\n";
constexpr std::u16string_view kRootFolderCaption = u"输入法安装";
constexpr std::u16string_view kModuleNotCopiedText = u"不能把输入法模块复制到系统文件夹：\n";
constexpr std::u16string_view kPackageNotMovedText =
    u"安装包中的文件没有全部放到安装文件夹中，安装已停止。没有到达的文件：\n";
constexpr std::u16string_view kBadDisplayNameText =
    u"输入法名称不能为空，不能含有 \\ / : * ? \" < > | 等字符，不能以点或空格结尾，"
    u"也不能是“.”、“..”或开始菜单程序文件夹中系统自带的文件夹名。请修改名称后再安装。";
constexpr std::u16string_view kModuleInUseText =
    u"正在使用输入法，不能安装！\n\n请关闭使用输入法的软件，或者注销系统、或者重新启动后再安装。";

// Lengths the worker reads: the folder field for the root test and for the target, the running
// program's path and the system folder. The name field is cut by SetDisplayName.
constexpr size_t kRootTestUnits = 259;
constexpr size_t kTargetUnits = 262;
constexpr size_t kProgramPathUnits = 265;
constexpr size_t kSystemFolderUnits = 199;

struct InstallationSteps {
  // The install dialog: its folder field (IDC_FOLDER_EDIT) and name field (IDC_NAME_EDIT), whole;
  // and CollectSelection, which records the tree's marks and sets the progress range.
  std::function<std::u16string()> folderFieldText;
  std::function<std::u16string()> nameFieldText;
  std::function<void()> collectSelection;
  // PathIsRootW.
  std::function<bool(std::u16string_view path)> isRoot;
  // The folder field as a full path (GetFullPathNameW); empty when it cannot be resolved.
  std::function<std::u16string(std::u16string_view path)> fullPath;
  // The system's shared folders, which are never a target themselves: Windows, system, both
  // Program Files, ProgramData, Users and the user's profile.
  std::function<std::vector<std::u16string>()> sharedFolders;
  // The running program's own file path, whole.
  std::function<std::u16string()> programPath;
  std::function<void(std::u16string_view folder)> createFolder;
  // The package folder's content into the folder `to` (MovePackageFolder): the first package
  // file that did not arrive, or nullopt when all did.
  std::function<std::optional<std::u16string>(std::u16string_view from, std::u16string_view to)>
      movePackage;
  std::function<void(std::u16string_view folder)> setCurrentDirectory;
  // Settles imeFileName and imeBaseName from the target's setup.ini path.
  std::function<void(std::u16string_view setupIni)> chooseModuleFileName;
  // Whether a named file mapping can be opened for reading and writing.
  std::function<bool(std::u16string_view name)> mappingExists;
  // LockInstalledCode and OpenDataToAllUsers (folder_access.h) on the installed folder.
  std::function<void(std::u16string_view folder)> lockCode;
  std::function<void(std::u16string_view folder)> openData;
  std::function<void()> stampModule;
  std::function<std::u16string()> systemFolder;
  // Copies, replacing an existing file; false when the copy is not complete (the target is then
  // as it was).
  std::function<bool(std::u16string_view from, std::u16string_view to)> copyFile;
  std::function<void()> buildPhraseTable;
  std::function<void()> restorPara;
  std::function<void()> writeInstallRecord;
  std::function<void()> createShortcuts;
  std::function<std::unique_ptr<MappedDataFile>(std::u16string_view path,
                                                std::u16string_view mappingName,
                                                MapStatus* status)>
      mapDataFile;
  // The tool library's "CreateXMIdxDll" for one main slot (see SchemeIndexCall), with both data
  // files' views.
  std::function<std::optional<int32_t>(uint8_t* mainData, uint8_t* userData, int32_t slot)>
      buildSchemeIndex;
  // False when an index file could not be written (the user has been told).
  std::function<bool(uint8_t* mainData, size_t mainSize)> buildPinyinIndex;
  std::function<void(std::u16string_view path)> removeFile;
  std::function<bool()> settingsExist;
  std::function<void()> buildPunctuationTable;
  std::function<void()> showSettingsDialog;
  // False when an index file could not be written (the user has been told).
  std::function<bool()> buildCustomInput;
  // The files below a folder (ListFolderFiles): the package's and the target's before the move
  // and the target's as the run leaves it, for the record of what the installation made.
  std::function<std::vector<FolderFile>(std::u16string_view folder)> listFiles;
  // The entry in Programs and Features, with the installed folder's files now and those of them
  // the installation accounts for; after an upgrade, its version and the package's files.
  std::function<void(const std::vector<FolderFile>& now, const std::vector<std::u16string>& files)>
      writeUninstallEntry;
  std::function<void(const std::vector<std::u16string>& packageFiles)> updateUninstallEntry;
};

// The steps that are the same on every platform (the compilers, the registry writes, files and
// mappings through their seams), working on `state`; the caller adds the dialog's and the
// system's own.
InstallationSteps PortableInstallationSteps(SetupState& state);

// How a run of the worker ended.
enum class InstallOutcome {
  kCompleted,      // a fresh installation, installCompleted set
  kUpgraded,       // an upgrade's normal end, after the module copy
  kFolderRefused,  // the target folder was refused; nothing moved
  kNameRefused,    // the display name was refused; nothing moved
  kModuleInUse,    // the installed module runs; the package was moved, nothing more
  kStopped,        // a later step failed; the user has been told which
};

// Runs the installation on `state` with `steps`. Ends early, leaving installCompleted at 0, where
// a step says to stop; sets installCompleted to 1 as its last step.
InstallOutcome RunInstallation(SetupState& state, const InstallationSteps& steps);

}  // namespace ql
