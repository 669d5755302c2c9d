#include "setup/flow/startup.h"

#include "setup/common/bytes.h"
#include "setup/common/ui.h"
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

int RunSetup(SetupState& state, InstanceHandle instance, const StartupSteps& steps) {
  state.instance = instance;
  state.packageFolder.Assign(
      WithTrailingBackslash(Limit(steps.currentDirectory(), kCurrentDirectoryLimit)));
  steps.initCommonControls();
  steps.probeModuleName();
  if (steps.readManifest() != 0) {
    TheUi().ShowMessage(u"安装失败！请重新下载", state.displayName.view(), kMbIconInformation);
    return 0;
  }
  state.osMajorVersion = steps.osMajorVersion();
  if (steps.showAgreement() == 0)
    return 0;
  if (steps.showInstallDialog() == 0)
    return 0;
  if (!state.installCompleted)
    return 0;

  std::u16string modulePath =
      WithTrailingBackslash(Limit(steps.systemFolder(), kSystemFolderLimit)) +
      state.imeFileName.str();
  if (state.displayName.view().find(kPlatformName) != std::u16string_view::npos) {
    steps.registerKeyboardLayout();
    steps.installIme(modulePath, state.layoutText.view());
  } else {
    uintptr_t layout = steps.installIme(modulePath, state.layoutText.view());
    if (!steps.isIme(layout))
      steps.registerKeyboardLayout();
  }
  TheUi().ShowMessage(SuccessMessage(state.layoutText.view()), state.displayName.view(),
                      kMbIconInformation);
  steps.broadcastSettingChange();
  return 0;
}

}  // namespace ql
