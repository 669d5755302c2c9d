// The tool library calls of the installation worker against the stand-in library of either
// calling convention, placed as TOOL\QLTOOL.dll in a package folder, with the library search
// restricted as the programs restrict it; and that restriction against a planted library.
#include <gtest/gtest.h>

#include "setup/common/library_search_win.h"
#include "setup/common/text.h"
#include "setup/common/win.h"
#include "setup/contracts/tool_library.h"
#include "setup/model/setup_state.h"
#include "tests/support/test_support.h"
#include "tests/support/win_test_support.h"

namespace ql {
namespace {

class ToolLibrary : public ::testing::TestWithParam<const wchar_t*> {
 protected:
  void SetUp() override {
    RestrictLibrarySearch();  // as setup.exe runs: the library is still found by its path
    state.installFolder.Assign(folder_.path());
    state.displayName.Assign(u"青岚输入法平台五笔");
    state.moduleSuppliedName.Assign(u"青岚输入法平台");
  }

  std::wstring LibraryPath() const { return WString(folder_.path()) + L"TOOL\\QLTOOL.dll"; }
  void Ship(const wchar_t* standin) { ASSERT_TRUE(test::CopyStandin(standin, LibraryPath())); }
  std::vector<std::u16string> Log() const {
    return test::ReadUtf8Lines(WString(folder_.path()) + L"TOOL\\QLTOOL.log");
  }
  std::u16string CreateLine(int slot, const char16_t* user) const {
    return u"CreateXMIdxDll|window=nonnull|main=nonnull|user=" + std::u16string(user) + u"|slot=" +
           DecimalText(slot) + u"|mode=3|name=青岚输入法平台|folder=" + folder_.path() +
           u"|reserved=0";
  }

  test::TempFolder folder_;
  SetupState state;
  test::RecordingUi ui_;
  ScopedUi scopedUi_{ui_};
  int dialogStandIn_ = 0;
  uint8_t mainView_[64] = {};
  uint8_t userView_[64] = {};
};

TEST_P(ToolLibrary, ArgumentsArriveExactlyAndInOrder) {
  Ship(GetParam());
  std::optional<int32_t> restored = CallRestorPara(state);
  std::optional<int32_t> first =
      CallCreateXMIdxDll(state, &dialogStandIn_, mainView_, userView_, 1);
  std::optional<int32_t> second = CallCreateXMIdxDll(state, &dialogStandIn_, mainView_, nullptr, 2);
  ASSERT_TRUE(restored.has_value());
  ASSERT_TRUE(first.has_value());
  ASSERT_TRUE(second.has_value());
  EXPECT_NE(*first, 0);
  EXPECT_NE(*second, 0);
  std::vector<std::u16string> expected = {
      u"RestorPara|青岚输入法平台五笔|" + folder_.path(),
      CreateLine(1, u"nonnull"),
      CreateLine(2, u"null"),
  };
  EXPECT_EQ(Log(), expected);
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_P(ToolLibrary, LongestNamesArriveWhole) {
  Ship(GetParam());
  std::u16string longName(49, u'长');
  state.displayName.Assign(longName);
  state.moduleSuppliedName.Assign(longName);
  ASSERT_TRUE(CallRestorPara(state).has_value());
  ASSERT_TRUE(CallCreateXMIdxDll(state, &dialogStandIn_, mainView_, userView_, 2).has_value());
  std::vector<std::u16string> log = Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], u"RestorPara|" + longName + u"|" + folder_.path());
  EXPECT_NE(log[1].find(u"|name=" + longName + u"|folder="), std::u16string::npos);
}

TEST_P(ToolLibrary, ARefusedSlotGivesZero) {
  Ship(GetParam());
  {
    test::ScopedEnvironment refuse(L"QLTOOL_REFUSE_SLOT", L"2");
    EXPECT_EQ(CallCreateXMIdxDll(state, &dialogStandIn_, mainView_, userView_, 1),
              std::optional<int32_t>(1));
    EXPECT_EQ(CallCreateXMIdxDll(state, &dialogStandIn_, mainView_, userView_, 2),
              std::optional<int32_t>(0));
  }
  {
    test::ScopedEnvironment refuse(L"QLTOOL_REFUSE_SLOT", L"1,2");
    EXPECT_EQ(CallCreateXMIdxDll(state, &dialogStandIn_, mainView_, userView_, 1),
              std::optional<int32_t>(0));
    EXPECT_EQ(CallCreateXMIdxDll(state, &dialogStandIn_, mainView_, userView_, 2),
              std::optional<int32_t>(0));
  }
  EXPECT_EQ(CallCreateXMIdxDll(state, &dialogStandIn_, mainView_, userView_, 2),
            std::optional<int32_t>(1));
  EXPECT_EQ(Log().size(), 5u);
}

TEST_P(ToolLibrary, TheLibraryIsFreedAfterEachCall) {
  Ship(GetParam());
  ASSERT_TRUE(CallRestorPara(state).has_value());
  EXPECT_EQ(GetModuleHandleW(LibraryPath().c_str()), nullptr);
  ASSERT_TRUE(CallCreateXMIdxDll(state, &dialogStandIn_, mainView_, userView_, 1).has_value());
  EXPECT_EQ(GetModuleHandleW(LibraryPath().c_str()), nullptr);
  EXPECT_NE(DeleteFileW(LibraryPath().c_str()), 0);
}

// A library beside the program under a name nothing else bears: found by name while the search
// takes the program's folder, and not once it is restricted to the system folder.
TEST(LibrarySearch, ALibraryPlantedBesideTheProgramIsNotLoadedByName) {
  wchar_t program[MAX_PATH] = {};
  ASSERT_NE(GetModuleFileNameW(nullptr, program, MAX_PATH), 0u);
  std::wstring planted = program;
  planted.erase(planted.find_last_of(L'\\') + 1);
  planted += L"ql-planted.dll";
  ASSERT_TRUE(test::CopyStandin(L"QLTOOL.dll", planted));
  using SetDefault = BOOL(WINAPI*)(DWORD);
  auto setDefault = reinterpret_cast<SetDefault>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  ASSERT_NE(setDefault, nullptr);
  ASSERT_TRUE(
      setDefault(0x00001000));  // LOAD_LIBRARY_SEARCH_DEFAULT_DIRS: the program's folder too
  EXPECT_TRUE(UniqueModule(LoadLibraryW(L"ql-planted.dll")));  // freed again at once

  EXPECT_TRUE(RestrictLibrarySearch());
  EXPECT_FALSE(UniqueModule(LoadLibraryW(L"ql-planted.dll")));
  EXPECT_TRUE(LoadLibraryWithItsFolder(planted));
  DeleteFileW(planted.c_str());
}

INSTANTIATE_TEST_SUITE_P(BothConventions,
                         ToolLibrary,
                         ::testing::Values(L"QLTOOL.dll", L"QLTOOL-cdecl.dll"),
                         [](const ::testing::TestParamInfo<const wchar_t*>& param) {
                           return param.index == 0 ? std::string("stdcall") : std::string("cdecl");
                         });

TEST(ToolLibraryMissing, NoLibraryOrNoExportSkipsTheCallSilently) {
  SetupState state;
  test::TempFolder folder;
  test::RecordingUi ui;
  ScopedUi scopedUi(ui);
  state.installFolder.Assign(folder.path());
  uint8_t view[16] = {};
  {
    SCOPED_TRACE("no TOOL folder");
    EXPECT_EQ(CallRestorPara(state), std::nullopt);
    EXPECT_EQ(CallCreateXMIdxDll(state, nullptr, nullptr, view, 1), std::nullopt);
  }
  {
    SCOPED_TRACE("not a library");
    folder.Write(u"TOOL\\QLTOOL.dll", {'n', 'o', 't', ' ', 'a', ' ', 'd', 'l', 'l'});
    EXPECT_EQ(CallRestorPara(state), std::nullopt);
    EXPECT_EQ(CallCreateXMIdxDll(state, nullptr, nullptr, view, 1), std::nullopt);
  }
  {
    SCOPED_TRACE("a library without the exports");
    ASSERT_TRUE(test::CopyStandin(L"qlsrfpt.ime", WString(folder.path()) + L"TOOL\\QLTOOL.dll"));
    EXPECT_EQ(CallRestorPara(state), std::nullopt);
    EXPECT_EQ(CallCreateXMIdxDll(state, nullptr, nullptr, view, 2), std::nullopt);
    EXPECT_EQ(GetModuleHandleW((WString(folder.path()) + L"TOOL\\QLTOOL.dll").c_str()), nullptr);
  }
  EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace ql
