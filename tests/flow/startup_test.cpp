#include "setup/flow/startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace ql {
namespace {

// A scripted run: each step records its name; the answers are the test's.
class Startup : public ::testing::Test {
 protected:
  StartupSteps Steps() {
    StartupSteps s;
    s.currentDirectory = [this] { return currentDirectory; };
    s.initCommonControls = [this] { calls.push_back("controls"); };
    s.probeModuleName = [this] { calls.push_back("probe"); };
    s.readManifest = [this] {
      calls.push_back("manifest");
      state.displayName.Assign(displayName);
      state.layoutText.Assign(u"中文(简体) - " + displayName);
      state.imeFileName.Assign(u"qlsrfpt.ime");
      return manifestResult;
    };
    s.osMajorVersion = [this] {
      calls.push_back("version");
      return 6u;
    };
    s.showAgreement = [this] {
      calls.push_back("agreement");
      return agreement;
    };
    s.showInstallDialog = [this] {
      calls.push_back("install");
      state.installCompleted = completed;
      return installResult;
    };
    s.systemFolder = [] { return std::u16string(u"C:\\windows\\system32"); };
    s.registerKeyboardLayout = [this] { calls.push_back("register"); };
    s.installIme = [this](std::u16string_view path, std::u16string_view text) {
      calls.push_back("installIme");
      imePath = std::u16string(path);
      imeText = std::u16string(text);
      return imeLayout;
    };
    s.isIme = [this](uintptr_t layout) {
      calls.push_back("isIme");
      return layout == 0xE0200804u;
    };
    s.broadcastSettingChange = [this] { calls.push_back("broadcast"); };
    return s;
  }

  int Run() {
    ScopedUi scope(ui);
    return RunSetup(state, reinterpret_cast<InstanceHandle>(0x400000), Steps());
  }

  SetupState state;
  std::u16string currentDirectory = u"D:\\package";
  std::u16string displayName = u"青岚输入法平台";
  int manifestResult = 0;
  int agreement = 1;
  int installResult = 1;
  uint32_t completed = 1;
  uintptr_t imeLayout = 0xE0200804u;
  std::vector<std::string> calls;
  std::u16string imePath, imeText;
  test::RecordingUi ui;
};

TEST_F(Startup, PlatformNameRegistersFirstThenInstallsTheModule) {
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(calls,
            (std::vector<std::string>{"controls", "probe", "manifest", "version", "agreement",
                                      "install", "register", "installIme", "broadcast"}));
  EXPECT_EQ(state.packageFolder.view(), u"D:\\package\\");
  EXPECT_EQ(state.osMajorVersion, 6u);
  EXPECT_EQ(imePath, u"C:\\windows\\system32\\qlsrfpt.ime");
  EXPECT_EQ(imeText, u"中文(简体) - 青岚输入法平台");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].caption, u"青岚输入法平台");
  EXPECT_EQ(ui.messages[0].style, kMbIconInformation);
  EXPECT_NE(ui.messages[0].text.find(u"先<删除>“中文(简体) - 青岚输入法平台”，然后再<添加>"),
            std::u16string::npos);
  EXPECT_EQ(ui.messages[0].text.rfind(u"安装成功！\n\n感谢使用本软件", 0), 0u);
}

TEST_F(Startup, OtherNameInstallsFirstAndRegistersOnlyWhenRefused) {
  displayName = u"我的输入法";
  Run();
  EXPECT_EQ(calls,
            (std::vector<std::string>{"controls", "probe", "manifest", "version", "agreement",
                                      "install", "installIme", "isIme", "broadcast"}));
  calls.clear();
  state = SetupState();
  imeLayout = 0;
  Run();
  EXPECT_EQ(calls,
            (std::vector<std::string>{"controls", "probe", "manifest", "version", "agreement",
                                      "install", "installIme", "isIme", "register", "broadcast"}));
}

TEST_F(Startup, EndsSilentlyWhereTheRunStops) {
  agreement = 0;
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(calls.back(), "agreement");

  calls.clear();
  agreement = 1;
  installResult = 0;
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(calls.back(), "install");

  calls.clear();
  installResult = 1;
  completed = 0;  // upgrade install, or a stopped worker
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(calls.back(), "install");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Startup, ManifestFailureIsReportedAndEndsTheRun) {
  manifestResult = 1;
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(calls.back(), "manifest");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"安装失败！请重新下载");
}

TEST_F(Startup, FolderAndSystemPathsKeepOneBackslash) {
  currentDirectory = u"C:\\";
  completed = 0;
  Run();
  EXPECT_EQ(state.packageFolder.view(), u"C:\\");
  // An over-long current directory is cut to 259 characters before the backslash.
  state = SetupState();
  currentDirectory = std::u16string(400, u'd');
  Run();
  EXPECT_EQ(state.packageFolder.size(), 260u);
  EXPECT_EQ(state.packageFolder.view().back(), u'\\');
}

TEST(AgreementText, ShowsTheBytesAsReadUpTo2000) {
  std::vector<uint8_t> bytes = test::Utf16File(std::string(3000, 'a'));
  std::u16string text = AgreementText(bytes.data(), bytes.size());
  EXPECT_EQ(text.size(), 1000u);  // mark + 999 letters
  EXPECT_EQ(text[0], 0xFEFF);
  const uint8_t odd[] = {0xFF, 0xFE, 'a', 0, 'b'};
  EXPECT_EQ(AgreementText(odd, sizeof odd), u"\uFEFFab");
  const uint8_t nul[] = {'a', 0, 0, 0, 'b', 0};
  EXPECT_EQ(AgreementText(nul, sizeof nul), u"a");
  EXPECT_EQ(AgreementText(nullptr, 0), u"");
}

TEST(AgreementTitle, Format) {
  SetupState state;
  state.mainName.Assign(u"青岚输入法平台");
  state.version.Assign(u"4.00");
  state.releaseDate.Assign(u"2007-1-1");
  EXPECT_EQ(AgreementTitle(state),
            u"青岚输入法平台 4.00   适用于简、英、繁及 Vista 等操作系统  2007-1-1");
}

}  // namespace
}  // namespace ql
