#include "setup/flow/startup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "setup/common/files.h"
#include "setup/common/text.h"
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
    s.installUnattended = [this](const SetupOptions& options) {
      calls.push_back(options.upgrade ? "unattended upgrade" : "unattended");
      state.installCompleted = outcome == InstallOutcome::kCompleted;
      if (outcome == InstallOutcome::kModuleInUse)
        TheUi().ShowMessage(u"正在使用输入法，不能安装！", u"青岚", kMbIconWarning);
      return outcome;
    };
    s.firstPreloadEntry = [this] {
      calls.push_back("preload");
      return std::u16string(u"00000409");
    };
    s.recordRegistration = [this](std::u16string_view folder, std::u16string_view first) {
      calls.push_back("record " + Utf16ToUtf8(folder) + " " + Utf16ToUtf8(first));
    };
    s.showUsage = [this](std::u16string_view text) { usage = std::u16string(text); };
    return s;
  }

  int Run() {
    ScopedUi scope(ui);
    return RunSetupCommandLine(state, reinterpret_cast<InstanceHandle>(0x400000), Steps(),
                               commandLine);
  }

  // The log the last run wrote, without its byte-order mark.
  std::string Log() const {
    std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(logPath);
    if (!bytes || bytes->size() < 3)
      return std::string();
    return std::string(bytes->begin() + 3, bytes->end());
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
  std::u16string commandLine;
  InstallOutcome outcome = InstallOutcome::kCompleted;
  std::u16string usage;
  test::TempFolder temp;
  std::u16string logPath = temp.path() + u"setup.log";
};

TEST_F(Startup, PlatformNameRegistersFirstThenInstallsTheModule) {
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(calls,
            (std::vector<std::string>{"controls", "probe", "manifest", "version", "agreement",
                                      "install", "preload", "register", "installIme",
                                      "record C:\\windows\\system32 00000409", "broadcast"}));
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
                                      "install", "preload", "installIme", "isIme",
                                      "record C:\\windows\\system32 00000409", "broadcast"}));
  calls.clear();
  state = SetupState();
  imeLayout = 0;
  Run();
  EXPECT_EQ(calls,
            (std::vector<std::string>{"controls", "probe", "manifest", "version", "agreement",
                                      "install", "preload", "installIme", "isIme", "register",
                                      "record C:\\windows\\system32 00000409", "broadcast"}));
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

// An unattended run shows neither dialog, and no message: each goes to the log, and the exit code
// tells how the run ended.
TEST_F(Startup, UnattendedRunsLogEverythingAndEndWithTheirCode) {
  const struct {
    InstallOutcome outcome;
    int code;
    bool registered;
  } cases[] = {
      {InstallOutcome::kCompleted, kExitInstalled, true},
      {InstallOutcome::kUpgraded, kExitInstalled, false},
      {InstallOutcome::kFolderRefused, kExitFolderRefused, false},
      {InstallOutcome::kNameRefused, kExitBadCommandLine, false},
      {InstallOutcome::kModuleInUse, kExitModuleInUse, false},
      {InstallOutcome::kStopped, kExitStopped, false},
  };
  for (const auto& c : cases) {
    state = SetupState();
    calls.clear();
    outcome = c.outcome;
    commandLine = u"/S /LOG=" + logPath;
    EXPECT_EQ(Run(), c.code);
    EXPECT_EQ(calls[4], "unattended");
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "register") == 1, c.registered);
    EXPECT_TRUE(ui.messages.empty());
    const std::string log = Log();
    EXPECT_NE(log.find("结果："), std::string::npos) << log;
    EXPECT_NE(log.find("退出代码 " + std::to_string(c.code) + "\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("消息 [青岚输入法平台] 安装成功！") != std::string::npos, c.registered);
    EXPECT_EQ(log.find("消息 [青岚] 正在使用输入法，不能安装！") != std::string::npos,
              c.outcome == InstallOutcome::kModuleInUse);
  }
  // An interactive run with a log shows its messages and logs them too.
  state = SetupState();
  commandLine = u"/LOG=" + logPath;
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(Log().find("消息 [青岚输入法平台] 安装成功！"), std::string::npos);
}

TEST_F(Startup, BadCommandLinesAndUsage) {
  commandLine = u"/X";
  EXPECT_EQ(Run(), kExitBadCommandLine);
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(usage.rfind(u"不认识的参数：/X", 0), 0u);
  // Unattended: nothing is shown, the log says why.
  usage.clear();
  commandLine = u"/S /LOG=" + logPath + u" /NAME=";
  EXPECT_EQ(Run(), kExitBadCommandLine);
  EXPECT_TRUE(usage.empty());
  EXPECT_NE(Log().find("参数错误：/NAME= 后面缺少内容"), std::string::npos);
  commandLine = u"/?";
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(usage, SetupUsage());
  EXPECT_TRUE(calls.empty());
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
