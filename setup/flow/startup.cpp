#include "setup/flow/startup.h"

#include "setup/common/bytes.h"
#include "setup/common/files.h"
#include "setup/common/text.h"
#include "setup/common/ui.h"
#include "setup/flow/unattended.h"
#include "setup/model/package.h"

namespace ql {

namespace {

constexpr size_t kCurrentDirectoryLimit = 259;
constexpr size_t kSystemFolderLimit = 199;

std::u16string_view Limit(std::u16string_view text, size_t limit) {
  return text.substr(0, limit);
}

}  // namespace

std::u16string SuccessMessage(std::u16string_view layoutText) {
  return u"安装成功！\n\n感谢使用本软件，如有问题和建议请告知我们。\n\n"
         u"如果在输入法菜单中没有本输入法选项，请 [注销操作系统] 或 [重新启动操作系统] "
         u"或在控制面板输入法设置中先<删除>“" +
         std::u16string(layoutText) + u"”，然后再<添加>";
}

std::u16string AgreementTitle(const SetupState& state) {
  return state.mainName.str() + u" " + state.version.str() +
         u"   适用于简、英、繁及 Vista 等操作系统  " + state.releaseDate.str();
}

std::u16string AgreementText(const uint8_t* bytes, size_t size) {
  if (size > kLicenseBytes)
    size = kLicenseBytes;
  std::u16string text = DecodeUtf16Le(bytes, size);
  // An odd last byte pairs with the zero after the data read.
  if (size % 2 != 0)
    text.push_back(bytes[size - 1]);
  return text.substr(0, text.find(u'\0'));
}

int RunSetup(SetupState& state,
             InstanceHandle instance,
             const StartupSteps& steps,
             const SetupOptions& options,
             RunLog& log) {
  LoggingUi ui(log, options.silent ? nullptr : &TheUi());
  ScopedUi scope(ui);
  const bool silent = options.silent;
  log.Line(silent ? u"setup：无人值守安装" : u"setup：安装");
  auto end = [&log](int code, std::u16string_view what) {
    log.Line(u"结果：" + std::u16string(what) + u"，退出代码 " + DecimalText(code));
    return code;
  };

  state.instance = instance;
  state.packageFolder.Assign(
      WithTrailingBackslash(Limit(steps.currentDirectory(), kCurrentDirectoryLimit)));
  log.Line(u"安装包文件夹 " + state.packageFolder.str());
  steps.initCommonControls();
  steps.probeModuleName();
  if (steps.readManifest() != 0) {
    TheUi().ShowMessage(u"安装失败！请重新下载", state.displayName.view(), kMbIconInformation);
    return end(silent ? kExitStopped : 0, u"安装包不完整");
  }
  log.Line(u"平台 " + state.mainName.str() + u" " + state.version.str());
  state.osMajorVersion = steps.osMajorVersion();
  if (silent) {
    log.Line(u"许可协议：无人值守安装视为同意");
    const InstallOutcome outcome = steps.installUnattended(options);
    if (outcome != InstallOutcome::kCompleted)
      return end(ExitCodeOf(outcome),
                 outcome == InstallOutcome::kUpgraded ? u"升级完成" : u"没有完成安装");
  } else {
    if (steps.showAgreement() == 0)
      return end(0, u"没有同意许可协议");
    if (steps.showInstallDialog() == 0)
      return end(0, u"取消安装");
    if (!state.installCompleted)
      return end(0, state.upgradeInstall ? u"升级结束" : u"没有完成安装");
  }

  const std::u16string systemFolder = steps.systemFolder();
  std::u16string modulePath =
      WithTrailingBackslash(Limit(systemFolder, kSystemFolderLimit)) + state.imeFileName.str();
  log.Line(u"注册输入法 " + modulePath + u" “" + state.layoutText.str() + u"”");
  const std::u16string firstPreload = steps.firstPreloadEntry();
  if (state.displayName.view().find(kPlatformName) != std::u16string_view::npos) {
    steps.registerKeyboardLayout();
    steps.installIme(modulePath, state.layoutText.view());
  } else {
    uintptr_t layout = steps.installIme(modulePath, state.layoutText.view());
    if (!steps.isIme(layout))
      steps.registerKeyboardLayout();
  }
  steps.recordRegistration(Limit(systemFolder, kSystemFolderLimit), firstPreload);
  TheUi().ShowMessage(SuccessMessage(state.layoutText.view()), state.displayName.view(),
                      kMbIconInformation);
  steps.broadcastSettingChange();
  return end(kExitInstalled, u"安装完成，安装在 " + state.installFolder.str());
}

int RunSetupCommandLine(SetupState& state,
                        InstanceHandle instance,
                        const StartupSteps& steps,
                        std::u16string_view commandLine) {
  SetupOptions options;
  std::u16string error;
  const bool parsed = ParseSetupCommandLine(commandLine, &options, &error);
  // The log's path is taken before the run changes the current folder.
  RunLog log(options.logFile.empty() ? std::u16string() : FullPath(options.logFile));
  if (!parsed) {
    log.Line(u"命令行 " + std::u16string(commandLine));
    log.Line(u"参数错误：" + error);
    log.Line(u"结果：退出代码 " + DecimalText(kExitBadCommandLine));
    if (!options.silent)
      steps.showUsage(error + u"\n\n" + SetupUsage());
    return kExitBadCommandLine;
  }
  if (options.help) {
    steps.showUsage(SetupUsage());
    return kExitInstalled;
  }
  log.Line(u"命令行 " + std::u16string(commandLine));
  return RunSetup(state, instance, steps, options, log);
}

}  // namespace ql
