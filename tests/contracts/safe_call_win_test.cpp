// SafeExportCall against the real stand-ins built in both calling conventions: many calls in a
// row, alternating, must give exact results and leave the caller's stack as it was. (The two
// conventions differ only in 32-bit builds; the 32-bit thunk itself is also run for real by the
// host test thunk_i686.)
#include <gtest/gtest.h>

#include "setup/common/text.h"
#include "setup/common/win.h"
#include "setup/contracts/module_contract.h"
#include "setup/contracts/safe_call.h"
#include "tests/support/test_support.h"
#include "tests/support/win_test_support.h"

namespace ql {
namespace {

// The frame of a fresh call: it moves whenever the caller's stack pointer has moved.
__attribute__((noinline)) uintptr_t StackMark() {
  return reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
}

TEST(SafeExportCall, BuildCodeOfBothConventionsManyTimesKeepsTheStack) {
  UniqueModule modules[2];
  const void* buildCode[2] = {};
  const wchar_t* files[2] = {L"qlsrfpt.ime", L"qlsrfpt-cdecl.ime"};
  for (int i = 0; i < 2; ++i) {
    modules[i].Reset(
        LoadLibraryExW(test::StandinPath(files[i]).c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
    ASSERT_TRUE(modules[i]);
    buildCode[i] = reinterpret_cast<const void*>(GetProcAddress(modules[i].get(), "BuildCode"));
    ASSERT_NE(buildCode[i], nullptr);
  }
  volatile uint32_t guard[4] = {0xC0FFEE01u, 0xC0FFEE02u, 0xC0FFEE03u, 0xC0FFEE04u};
  const uintptr_t mark = StackMark();
  int wrongResults = 0;
  int wrongNames = 0;
  int movedStack = 0;
  for (int round = 0; round < 20000; ++round) {
    char16_t name[kModuleNameUnits] = {};
    // Every eighth call asks with another selector, which must answer 0.
    int32_t selector = round % 8 == 7 ? round : kBuildCodeMainName;
    const uintptr_t args[] = {static_cast<uintptr_t>(selector), Arg(name)};
    uint32_t result = SafeExportCall(buildCode[round % 2], args, 2);
    bool mainName = selector == kBuildCodeMainName;
    if (result != (mainName ? 1u : 0u))
      ++wrongResults;
    if (std::u16string_view(name) != (mainName ? u"青岚输入法平台" : u""))
      ++wrongNames;
    if (StackMark() != mark)
      ++movedStack;
  }
  EXPECT_EQ(wrongResults, 0);
  EXPECT_EQ(wrongNames, 0);
  EXPECT_EQ(movedStack, 0);
  EXPECT_TRUE(guard[0] == 0xC0FFEE01u && guard[1] == 0xC0FFEE02u && guard[2] == 0xC0FFEE03u &&
              guard[3] == 0xC0FFEE04u);
}

TEST(SafeExportCall, EightArgumentExportsOfBothConventionsKeepTheStack) {
  // Each library in a folder of its own, so each writes its own log.
  test::TempFolder folders[2];
  const wchar_t* files[2] = {L"QLTOOL.dll", L"QLTOOL-cdecl.dll"};
  UniqueModule libraries[2];
  const void* create[2] = {};
  for (int i = 0; i < 2; ++i) {
    std::wstring path = WString(folders[i].path()) + files[i];
    ASSERT_TRUE(test::CopyStandin(files[i], path));
    libraries[i].Reset(LoadLibraryW(path.c_str()));
    ASSERT_TRUE(libraries[i]);
    create[i] = reinterpret_cast<const void*>(GetProcAddress(libraries[i].get(), "CreateXMIdxDll"));
    ASSERT_NE(create[i], nullptr);
  }
  test::ScopedEnvironment refuse(L"QLTOOL_REFUSE_SLOT", L"2");
  volatile uint32_t guard[4] = {0xC0FFEE01u, 0xC0FFEE02u, 0xC0FFEE03u, 0xC0FFEE04u};
  uint8_t view[16] = {};
  const uintptr_t mark = StackMark();
  constexpr int kRounds = 200;
  int wrongResults = 0;
  int movedStack = 0;
  for (int round = 0; round < kRounds; ++round) {
    int32_t slot = 1 + round % 2;
    const uintptr_t args[] = {Arg(view),
                              Arg(view),
                              0,
                              static_cast<uintptr_t>(slot),
                              3,
                              Arg(L"名"),
                              Arg(L"C:\\包\\"),
                              static_cast<uintptr_t>(round)};
    uint32_t result = SafeExportCall(create[(round / 2) % 2], args, 8);
    if (result != (slot == 2 ? 0u : 1u))
      ++wrongResults;
    if (StackMark() != mark)
      ++movedStack;
  }
  EXPECT_EQ(wrongResults, 0);
  EXPECT_EQ(movedStack, 0);
  EXPECT_TRUE(guard[0] == 0xC0FFEE01u && guard[1] == 0xC0FFEE02u && guard[2] == 0xC0FFEE03u &&
              guard[3] == 0xC0FFEE04u);
  // Every argument of every call arrived in its place.
  for (int i = 0; i < 2; ++i) {
    std::vector<std::u16string> lines =
        test::ReadUtf8Lines(WString(folders[i].path()) + L"QLTOOL.log");
    ASSERT_EQ(lines.size(), static_cast<size_t>(kRounds / 2));
    size_t line = 0;
    for (int round = 0; round < kRounds; ++round) {
      if ((round / 2) % 2 != i)
        continue;
      EXPECT_EQ(lines[line++], u"CreateXMIdxDll|window=nonnull|main=nonnull|user=null|slot=" +
                                   DecimalText(1 + round % 2) +
                                   u"|mode=3|name=名|folder=C:\\包\\|reserved=" +
                                   DecimalText(round));
    }
  }
}

}  // namespace
}  // namespace ql
