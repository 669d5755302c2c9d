// Start-up's name probe against the real stand-in modules, mapped image-only by the system.
#include <gtest/gtest.h>

#include "setup/common/text.h"
#include "setup/common/win.h"
#include "setup/contracts/module_probe.h"
#include "setup/model/setup_state.h"
#include "tests/support/test_support.h"
#include "tests/support/win_test_support.h"

namespace ql {
namespace {

constexpr char16_t kPlatformName[] = u"青岚输入法平台";
constexpr char16_t kModuleOwnName[] = u"模块写的名字";

class NameProbe : public ::testing::Test {
 protected:
  void SetUp() override { state.packageFolder.Assign(folder_.path()); }

  std::wstring ModulePath() const { return WString(folder_.path()) + L"qlsrfpt.ime"; }
  // Places a stand-in in the package folder under the name the probe looks for.
  void Ship(const wchar_t* standin) { ASSERT_TRUE(test::CopyStandin(standin, ModulePath())); }
  void ExpectNamesUntouched() {
    EXPECT_EQ(state.namesFromModule, 0u);
    EXPECT_TRUE(state.mainName.empty());
    EXPECT_TRUE(state.displayName.empty());
    EXPECT_TRUE(state.moduleSuppliedName.empty());
  }

  test::TempFolder folder_;
  SetupState state;
};

TEST_F(NameProbe, ModuleThatSuppliesTheNameFillsAllThreeInEitherConvention) {
  for (const wchar_t* standin : {L"qlsrfpt.ime", L"qlsrfpt-cdecl.ime"}) {
    SCOPED_TRACE(testing::Message() << "variant " << Utf16ToUtf8(U(standin)));
    state = SetupState();
    state.packageFolder.Assign(folder_.path());
    Ship(standin);
    ProbeModuleName(state);
    EXPECT_EQ(state.namesFromModule, 1u);
    EXPECT_EQ(state.mainName.view(), kPlatformName);
    EXPECT_EQ(state.displayName.view(), kPlatformName);
    EXPECT_EQ(state.moduleSuppliedName.view(), kPlatformName);
  }
}

TEST_F(NameProbe, ZeroResultCopiesTheModulesTextButLeavesTheNamesToTheManifest) {
  Ship(L"qlsrfpt-zero.ime");
  ProbeModuleName(state);
  EXPECT_EQ(state.namesFromModule, 0u);
  EXPECT_EQ(state.mainName.view(), kModuleOwnName);
  EXPECT_EQ(state.displayName.view(), kModuleOwnName);
  EXPECT_EQ(state.moduleSuppliedName.view(), kModuleOwnName);
}

TEST_F(NameProbe, ModulesThatCannotAnswerLeaveTheNamesAlone) {
  {
    SCOPED_TRACE("no module file");
    ProbeModuleName(state);
    ExpectNamesUntouched();
  }
  {
    SCOPED_TRACE("not a library");
    std::vector<uint8_t> garbage(4096);
    for (size_t i = 0; i < garbage.size(); ++i)
      garbage[i] = static_cast<uint8_t>(i * 37 + 11);
    folder_.Write(u"qlsrfpt.ime", garbage);
    ProbeModuleName(state);
    ExpectNamesUntouched();
  }
  {
    SCOPED_TRACE("an executable header and nothing behind it");
    folder_.Write(u"qlsrfpt.ime", {'M', 'Z', 0x90, 0, 3, 0, 0, 0});
    ProbeModuleName(state);
    ExpectNamesUntouched();
  }
  {
    SCOPED_TRACE("empty file");
    folder_.Write(u"qlsrfpt.ime", {});
    ProbeModuleName(state);
    ExpectNamesUntouched();
  }
  {
    SCOPED_TRACE("a library without BuildCode");
    Ship(L"QLTOOL.dll");
    ProbeModuleName(state);
    ExpectNamesUntouched();
  }
}

TEST_F(NameProbe, TheModuleIsReleasedAfterTheProbe) {
  Ship(L"qlsrfpt.ime");
  std::wstring path = ModulePath();
  {
    // While it is mapped the system knows it by its path; the probe must not leave it so.
    UniqueModule held(LoadLibraryExW(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
    ASSERT_TRUE(held);
    EXPECT_EQ(GetModuleHandleW(path.c_str()), held.get());
  }
  ASSERT_EQ(GetModuleHandleW(path.c_str()), nullptr);
  ProbeModuleName(state);
  EXPECT_EQ(state.namesFromModule, 1u);
  EXPECT_EQ(GetModuleHandleW(path.c_str()), nullptr);
  std::wstring renamed = WString(folder_.path()) + L"renamed.ime";
  EXPECT_NE(MoveFileW(path.c_str(), renamed.c_str()), 0);
  EXPECT_NE(DeleteFileW(renamed.c_str()), 0);
}

TEST_F(NameProbe, RepeatedProbesDoNotAccumulateMappings) {
  Ship(L"qlsrfpt-cdecl.ime");
  for (int i = 0; i < 50; ++i)
    ProbeModuleName(state);
  EXPECT_EQ(GetModuleHandleW(ModulePath().c_str()), nullptr);
  EXPECT_EQ(state.mainName.view(), kPlatformName);
}

}  // namespace
}  // namespace ql
