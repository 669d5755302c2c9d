// Version stamping of a copy of the stand-in module, read back through the system's version
// functions: the three values carry the run's texts, the other strings and the file's length are
// as they were, and a text longer than its value's room is cut without touching the next string.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "setup/common/files.h"
#include "setup/common/win.h"
#include "setup/install/version_stamp.h"
#include "setup/model/setup_state.h"
#include "tests/support/test_support.h"
#include "tests/support/win_test_support.h"

namespace ql {
namespace {

const wchar_t* const kUnstampedKeys[] = {L"CompanyName", L"FileVersion", L"OriginalFilename",
                                         L"ProductName", L"ProductVersion"};

class VersionStampWinTest : public ::testing::Test {
 protected:
  SetupState state;
  void SetUp() override {
    state.installFolder.Assign(folder.path());
    state.displayName.Assign(u"小明输入法");
    state.version.Assign(u"4.00");
    state.imeBaseName.Assign(u"ime61234");
    ASSERT_TRUE(test::CopyStandin(L"qlsrfpt.ime", path));
    std::optional<std::vector<uint8_t>> bytes = test::ReadAll(path);
    ASSERT_TRUE(bytes);
    original = *bytes;
  }

  test::TempFolder folder;
  std::wstring path = WString(folder.path()) + L"qlsrfpt.ime";
  std::vector<uint8_t> original;
};

TEST_F(VersionStampWinTest, TheInstalledModuleCarriesTheRunsNames) {
  std::vector<std::u16string> before;
  for (const wchar_t* key : kUnstampedKeys)
    before.push_back(test::VersionString(path, key));

  StampModuleVersion(state);

  EXPECT_EQ(test::VersionString(path, L"FileDescription"), u"小明输入法4.00");
  EXPECT_EQ(test::VersionString(path, L"InternalName"), u"小明输入法");
  EXPECT_EQ(test::VersionString(path, L"PrivateBuild"), u"ime61234");
  for (size_t i = 0; i < std::size(kUnstampedKeys); ++i)
    EXPECT_EQ(test::VersionString(path, kUnstampedKeys[i]), before[i]) << kUnstampedKeys[i];
  std::optional<std::vector<uint8_t>> stamped = test::ReadAll(path);
  ASSERT_TRUE(stamped);
  EXPECT_EQ(stamped->size(), original.size());

  // Stamped again, as a reinstallation into the same folder does: the new names win.
  state.displayName.Assign(u"另一个名字");
  StampModuleVersion(state);
  EXPECT_EQ(test::VersionString(path, L"FileDescription"), u"另一个名字4.00");
  EXPECT_EQ(test::VersionString(path, L"InternalName"), u"另一个名字");

  // The module still maps as an image.
  UniqueModule module(LoadLibraryExW(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
  EXPECT_TRUE(module);
}

// The stand-in leaves each value 64 units and a terminator: a longer text ends there, and the
// string after it in the resource reads as before.
TEST_F(VersionStampWinTest, ALongerTextEndsAtItsValuesRoom) {
  std::vector<uint8_t> bytes = original;
  const VersionStamps stamps = {std::u16string(100, u'长'), std::u16string(70, u'名'), u"ime61234"};
  EXPECT_EQ(StampVersionStrings(bytes.data(), bytes.size(), stamps), 3u);
  ASSERT_TRUE(WriteFileBytes(U(path.c_str()), bytes.data(), bytes.size()));

  EXPECT_EQ(test::VersionString(path, L"FileDescription"), std::u16string(64, u'长'));
  EXPECT_EQ(test::VersionString(path, L"InternalName"), std::u16string(64, u'名'));
  EXPECT_EQ(test::VersionString(path, L"PrivateBuild"), u"ime61234");
  EXPECT_EQ(test::VersionString(path, L"FileVersion"), u"4.00");
  EXPECT_EQ(test::VersionString(path, L"OriginalFilename"), u"qlsrfpt.ime");
}

}  // namespace
}  // namespace ql
