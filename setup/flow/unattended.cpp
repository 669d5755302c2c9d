#include "setup/flow/unattended.h"

#include <utility>

#include "setup/common/ui.h"
#include "setup/flow/settings_values.h"
#include "setup/model/install_record.h"
#include "setup/model/setup_state.h"

namespace ql {

UnattendedChoice ChooseUnattended(SetupState& state,
                                  const SetupOptions& options,
                                  const std::function<std::u16string()>& programFilesFolder) {
  UnattendedChoice choice;
  choice.marks = InitialMarks(state);
  choice.name = ComposeDisplayName(state, choice.marks);
  SetDisplayName(state, choice.name);
  choice.folder = ProposeFolder(state, programFilesFolder);
  if (options.hasName) {
    choice.name = options.name;
    SetDisplayName(state, choice.name);
    if (ReadInstallRecord(state))
      choice.folder = state.previousPath.str();
  }
  if (options.hasFolder)
    choice.folder = options.folder;
  return choice;
}

void UseUnattendedChoice(InstallationSteps& steps,
                         SetupState& state,
                         const UnattendedChoice& choice) {
  steps.folderFieldText = [folder = choice.folder] { return folder; };
  steps.nameFieldText = [name = choice.name] { return name; };
  steps.collectSelection = [&state, marks = choice.marks] { CollectMarks(state, marks, false); };
  steps.showSettingsDialog = [&state] {
    SaveSettings(state, DefaultSettingsChoice(state.displayName.view()));
  };
}

namespace {

template <typename Result, typename... Args>
void Noted(std::function<Result(Args...)>& step, std::u16string_view what) {
  if (!step)
    return;
  step = [inner = std::move(step), what](Args... args) -> Result {
    TheUi().Note(what);
    return inner(args...);
  };
}

}  // namespace

void NoteEachStep(InstallationSteps& steps) {
  Noted(steps.collectSelection, u"步骤：记录选择");
  steps.movePackage = [inner = std::move(steps.movePackage)](std::u16string_view from,
                                                             std::u16string_view to) {
    TheUi().Note(u"步骤：把安装包从 " + std::u16string(from) + u" 移到 " + std::u16string(to));
    return inner(from, to);
  };
  steps.chooseModuleFileName =
      [inner = std::move(steps.chooseModuleFileName)](std::u16string_view setupIni) {
        TheUi().Note(u"步骤：确定输入法模块的文件名");
        inner(setupIni);
      };
  Noted(steps.mappingExists, u"步骤：检查输入法是否正在使用");
  Noted(steps.lockCode, u"步骤：只允许管理员更改程序、库和模块");
  Noted(steps.openData, u"步骤：开放安装文件夹中数据的访问权限");
  Noted(steps.stampModule, u"步骤：写入输入法模块的版本信息");
  steps.copyFile = [inner = std::move(steps.copyFile)](std::u16string_view from,
                                                       std::u16string_view to) {
    TheUi().Note(u"步骤：复制 " + std::u16string(from) + u" 到 " + std::u16string(to));
    return inner(from, to);
  };
  Noted(steps.buildPhraseTable, u"步骤：编译词库");
  Noted(steps.restorPara, u"步骤：恢复参数（RestorPara）");
  Noted(steps.writeInstallRecord, u"步骤：写入安装记录");
  Noted(steps.writeUninstallEntry, u"步骤：写入“程序和功能”中的卸载项");
  Noted(steps.updateUninstallEntry, u"步骤：更新“程序和功能”中的卸载项");
  Noted(steps.createShortcuts, u"步骤：创建程序组快捷方式");
  Noted(steps.buildSchemeIndex, u"步骤：建立形码方案的索引（CreateXMIdxDll）");
  Noted(steps.buildPinyinIndex, u"步骤：建立拼音索引");
  Noted(steps.buildPunctuationTable, u"步骤：写入标点符号表");
  Noted(steps.showSettingsDialog, u"步骤：常用参数设置");
  Noted(steps.buildCustomInput, u"步骤：编译自定义输入");
}

int ExitCodeOf(InstallOutcome outcome) {
  switch (outcome) {
    case InstallOutcome::kCompleted:
    case InstallOutcome::kUpgraded:
      return kExitInstalled;
    case InstallOutcome::kFolderRefused:
      return kExitFolderRefused;
    case InstallOutcome::kNameRefused:
      return kExitBadCommandLine;
    case InstallOutcome::kModuleInUse:
      return kExitModuleInUse;
    case InstallOutcome::kStopped:
      break;
  }
  return kExitStopped;
}

}  // namespace ql
