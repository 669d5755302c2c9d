#include "setup/model/manifest.h"

#include <gtest/gtest.h>

#include <string>

#include "setup/common/profile_file.h"
#include "setup/common/text.h"
#include "setup/model/setup_state.h"
#include "tests/support/test_support.h"

namespace ql {
namespace {

class TextProfile : public ProfileSource {
 public:
  explicit TextProfile(std::string_view utf8) {
    std::vector<uint8_t> bytes = test::Utf16File(utf8);
    file_ = ProfileFile::Parse(bytes.data(), bytes.size());
  }
  size_t GetString(std::u16string_view section,
                   std::u16string_view key,
                   std::u16string_view defaultValue,
                   char16_t* buffer,
                   size_t capacity) override {
    reads.push_back(std::u16string(section) + u"/" + std::u16string(key));
    return file_.GetString(section, key, defaultValue, buffer, capacity);
  }
  std::vector<std::u16string> reads;

 private:
  ProfileFile file_;
};

class Manifest : public ::testing::Test {
 protected:
  SetupState state;
};

TEST_F(Manifest, EmptyManifestGivesDefaultsAndNoLists) {
  TextProfile profile("");
  ReadManifestInto(profile, state);
  EXPECT_EQ(state.mainName.view(), u"青岚输入法平台");
  EXPECT_EQ(state.displayName.view(), u"青岚输入法平台");
  EXPECT_EQ(state.layoutText.view(), u"中文(简体) - 青岚输入法平台");
  EXPECT_EQ(state.releaseDate.view(), u"2007-1-1");
  EXPECT_EQ(state.version.view(), u"4.00");
  EXPECT_EQ(state.imeBaseName.view(), u"qlsrfpt");
  EXPECT_EQ(state.imeFileName.view(), u"qlsrfpt.ime");
  EXPECT_TRUE(state.setupText.empty());
  EXPECT_EQ(state.schemeCount, 0u);
  EXPECT_EQ(state.dictionaryCount, 0u);
}

TEST_F(Manifest, ThreeFamiliesFillOneArrayInOrder) {
  TextProfile profile(
      "[主键盘输入法1]\nname=拼音\nPath=拼音\nDefault=是\nAbout=全拼\n"
      "[主键盘输入法2]\nname=五笔\nPath=五笔\nDefault=yes\n"
      "[拼音辅助输入法1]\nname=笔画\nPath=笔画\nDefault=是\n"
      "[小键盘输入法1]\nname=数字\nPath=数字\nDefault=是\n"
      "[词库1]\nname=基本\nFileName=jb.txt\nDefault=是\nAbout=常用\n"
      "[词库2]\nname=成语\nFileName=cy.txt\nDefault=1\n");
  ReadManifestInto(profile, state);
  ASSERT_EQ(state.schemeCount, 4u);
  const InputScheme* s = state.schemes;
  EXPECT_EQ(s[0].name.view(), u"拼音");
  EXPECT_EQ(s[0].path.view(), u"输入方案\\拼音");
  EXPECT_EQ(s[0].about.view(), u"全拼");
  EXPECT_EQ(s[0].selected, 1u);
  EXPECT_EQ(s[1].selected, 0u);  // only "是" chooses
  EXPECT_EQ(s[2].isAuxiliary, 1u);
  EXPECT_EQ(s[2].auxSelected, 1u);
  EXPECT_EQ(s[2].selected, 0u);
  EXPECT_EQ(s[3].isKeypad, 1u);
  EXPECT_EQ(s[3].selected, 1u);
  ASSERT_EQ(state.dictionaryCount, 2u);
  EXPECT_EQ(state.dictionaries[0].fileName.view(), u"jb.txt");
  EXPECT_EQ(state.dictionaries[0].selected, 1u);
  EXPECT_EQ(state.dictionaries[1].selected, 0u);
  EXPECT_EQ(state.dictionaries[1].allPhrasesByShapeCode, 0u);
}

TEST_F(Manifest, GapOrEmptyNameEndsAFamily) {
  TextProfile profile(
      "[主键盘输入法1]\nname=a\n[主键盘输入法3]\nname=c\n"
      "[小键盘输入法1]\nname=\n[小键盘输入法2]\nname=k2\n"
      "[词库2]\nname=d2\n");
  ReadManifestInto(profile, state);
  ASSERT_EQ(state.schemeCount, 1u);
  EXPECT_EQ(state.schemes[0].name.view(), u"a");
  EXPECT_EQ(state.dictionaryCount, 0u);
  // Section 3 of the family is never looked at.
  for (const std::u16string& read : profile.reads)
    EXPECT_EQ(read.find(u"输入法3"), std::u16string::npos);
}

TEST_F(Manifest, ValuesAreCutToTheirLimits) {
  std::string longText(600, 'x');
  std::string manifest =
      "[soft]\nMainName=" + longText + "\nName=" + longText + "\nDate=" + longText +
      "\nVersion=" + longText + "\nImeFileName=" + longText + "\nSetup=" + longText +
      "\n[主键盘输入法1]\nname=" + longText + "\nPath=" + longText + "\nAbout=" + longText +
      "\n[词库1]\nname=" + longText + "\nFileName=" + longText + "\nAbout=" + longText + "\n";
  TextProfile profile(manifest);
  ReadManifestInto(profile, state);
  EXPECT_EQ(state.mainName.size(), 39u);
  EXPECT_EQ(state.displayName.size(), 39u);
  EXPECT_EQ(state.releaseDate.size(), 21u);
  EXPECT_EQ(state.version.size(), 9u);
  EXPECT_EQ(state.imeBaseName.size(), 15u);
  EXPECT_EQ(state.imeFileName.size(), 19u);  // 15 + ".ime"
  EXPECT_EQ(state.imeFileName.view().substr(15), u".ime");
  EXPECT_EQ(state.setupText.size(), 510u);
  EXPECT_EQ(state.layoutText.size(), 9u + 39u);  // "中文(简体) - " + the cut name
  EXPECT_EQ(state.schemes[0].name.size(), 59u);
  EXPECT_EQ(state.schemes[0].path.size(), 5u + 59u);
  EXPECT_EQ(state.schemes[0].about.size(), 159u);
  EXPECT_EQ(state.dictionaries[0].name.size(), 39u);
  EXPECT_EQ(state.dictionaries[0].fileName.size(), 29u);
  EXPECT_EQ(state.dictionaries[0].about.size(), 98u);
}

TEST_F(Manifest, NamesFromModuleAreKeptAndLayoutTextUsesThem) {
  state.namesFromModule = 1;
  state.mainName.Assign(u"模块名");
  state.displayName.Assign(u"模块名");
  TextProfile profile("[soft]\nMainName=清单\nName=清单\nVersion=5.1\nImeFileName=abc\n");
  ReadManifestInto(profile, state);
  EXPECT_EQ(state.mainName.view(), u"模块名");
  EXPECT_EQ(state.displayName.view(), u"模块名");
  EXPECT_EQ(state.layoutText.view(), u"中文(简体) - 模块名");
  EXPECT_EQ(state.version.view(), u"5.1");
  EXPECT_EQ(state.imeBaseName.view(), u"abc");
  EXPECT_EQ(state.imeFileName.view(), u"abc.ime");
  for (const std::u16string& read : profile.reads) {
    EXPECT_NE(read, u"soft/MainName");
    EXPECT_NE(read, u"soft/Name");
  }
}

TEST_F(Manifest, ListsStopAtTheirCapacity) {
  std::string manifest;
  for (int n = 1; n <= 60; ++n) {
    manifest += "[主键盘输入法" + std::to_string(n) + "]\nname=m" + std::to_string(n) + "\n";
    manifest += "[拼音辅助输入法" + std::to_string(n) + "]\nname=a" + std::to_string(n) + "\n";
    manifest += "[词库" + std::to_string(n) + "]\nname=d" + std::to_string(n) + "\n";
  }
  TextProfile profile(manifest);
  ReadManifestInto(profile, state);
  EXPECT_EQ(state.schemeCount, 80u);
  EXPECT_EQ(state.schemes[59].name.view(), u"m60");
  EXPECT_EQ(state.schemes[60].name.view(), u"a1");
  EXPECT_EQ(state.schemes[79].name.view(), u"a20");
  EXPECT_EQ(state.dictionaryCount, 50u);
  EXPECT_EQ(state.dictionaries[49].name.view(), u"d50");
  EXPECT_EQ(state.AddScheme(), nullptr);
  EXPECT_EQ(state.AddDictionary(), nullptr);
}

// Values that become paths stay inside their folders: an entry whose value leaves it is left out
// with a message naming its section, and the rest of the manifest is read as before.
TEST_F(Manifest, PathsThatLeaveTheirFolderAreSkippedWithTheirSection) {
  test::RecordingUi ui;
  ScopedUi scope(ui);
  TextProfile profile(
      "[soft]\nName=青岚\nImeFileName=..\\..\\evil\n"
      "[主键盘输入法1]\nname=拼音\nPath=拼音\n"
      "[主键盘输入法2]\nname=逃\nPath=..\\..\\..\\escaped\n"
      "[主键盘输入法3]\nname=形码\nPath=形码\\标准\n"
      "[拼音辅助输入法1]\nname=盘\nPath=C:\\x\n"
      "[词库1]\nname=基本\nFileName=\\\\srv\\share\\a.txt\n"
      "[词库2]\nname=地名\nFileName=地名.txt\n");
  ReadManifestInto(profile, state);
  ASSERT_EQ(state.schemeCount, 2u);
  EXPECT_EQ(state.schemes[0].path.view(), u"输入方案\\拼音");
  EXPECT_EQ(state.schemes[1].path.view(), u"输入方案\\形码\\标准");
  ASSERT_EQ(state.dictionaryCount, 1u);
  EXPECT_EQ(state.dictionaries[0].fileName.view(), u"地名.txt");
  EXPECT_EQ(state.imeFileName.view(), u"qlsrfpt.ime");
  std::vector<std::u16string> texts;
  for (const test::RecordingUi::Message& message : ui.messages) {
    texts.push_back(message.text);
    EXPECT_EQ(message.caption, u"青岚");
  }
  const std::u16string tail = u" 指向所在文件夹以外，这一项已跳过。";
  EXPECT_EQ(texts, (std::vector<std::u16string>{
                       u"setup.ini 的 [soft] 中 ImeFileName=..\\..\\evil" + tail,
                       u"setup.ini 的 [主键盘输入法2] 中 Path=..\\..\\..\\escaped" + tail,
                       u"setup.ini 的 [拼音辅助输入法1] 中 Path=C:\\x" + tail,
                       u"setup.ini 的 [词库1] 中 FileName=\\\\srv\\share\\a.txt" + tail}));
}

TEST_F(Manifest, ReadSetupManifestReadsTheFileInThePackageFolder) {
  test::TempFolder folder;
  folder.Write(u"setup.ini", test::Utf16File("[soft]\nName=文件里的名字\n"));
  EXPECT_EQ(ReadSetupManifest(folder.path(), state), 0);
  EXPECT_EQ(state.displayName.view(), u"文件里的名字");

  state = SetupState();
  EXPECT_EQ(ReadSetupManifest(folder.path() + u"missing\\", state), 0);
  EXPECT_EQ(state.displayName.view(), u"青岚输入法平台");
}

}  // namespace
}  // namespace ql
