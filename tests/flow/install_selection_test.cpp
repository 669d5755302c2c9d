#include "setup/flow/install_selection.h"

#include <gtest/gtest.h>

#include "setup/common/registry.h"
#include "setup/model/setup_state.h"

namespace ql {
namespace {

constexpr char16_t kRecordPath[] = u"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\";

class InstallSelectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetupState& s = state;
    s.mainName.Assign(u"青岚");
    AddScheme(u"拼音", u"", 0, 0);        // 0: pinyin
    AddScheme(u"形码", u"四码", 0, 0);    // 1: independent
    AddScheme(u"辅助", u"", 1, 0);        // 2: auxiliary
    AddScheme(u"五笔", u"", 0, 0);        // 3: independent
    AddScheme(u"小键盘", u"数字", 0, 1);  // 4: keypad
    AddScheme(u"郑码", u"", 0, 0);        // 5: independent
    AddScheme(u"数码", u"", 0, 1);        // 6: keypad
    DictionaryEntry* d = s.AddDictionary();
    d->name.Assign(u"基本");
    d->about.Assign(u"常用");
    d->selected = 1;
    s.AddDictionary()->name.Assign(u"地名");
  }

  void AddScheme(std::u16string_view name,
                        std::u16string_view about,
                        uint32_t auxiliary,
                        uint32_t keypad) {
    InputScheme* scheme = state.AddScheme();
    scheme->name.Assign(name);
    scheme->about.Assign(about);
    scheme->isAuxiliary = auxiliary;
    scheme->isKeypad = keypad;
  }

  static TreeMarks AllChecked() {
    TreeMarks marks;
    marks.pinyin = true;
    marks.independent = {{1, true}, {3, true}, {5, true}};
    marks.auxiliary = {{2, true}};
    marks.keypad = {{4, true}, {6, true}};
    marks.dictionaries = {{0, true}, {1, true}};
    return marks;
  }

  SetupState state;
  MemoryRegistry registry_;
  ScopedRegistry scoped_{registry_};
};

TEST_F(InstallSelectionTest, ItemTextsAndInitialMarksFollowTheRecords) {
  SetupState& s = state;
  EXPECT_EQ(PinyinItemText(s), u"拼音 -");  // the separator even without about text
  EXPECT_EQ(SchemeItemText(s, 1), u"形码 -四码");
  EXPECT_EQ(SchemeItemText(s, 3), u"五笔");
  EXPECT_EQ(DictionaryItemText(s, 0), u"基本 -常用");
  EXPECT_EQ(AddedDictionaryItemText(s, 1), u"地名 - ");

  s.schemes[0].selected = 1;
  s.schemes[2].auxSelected = 1;
  s.schemes[2].selected = 1;  // an auxiliary item shows auxSelected, not selected
  s.schemes[3].selected = 1;
  s.schemes[4].auxSelected = 1;  // a keypad item shows selected, not auxSelected
  TreeMarks marks = InitialMarks(s);
  EXPECT_TRUE(marks.pinyin);
  ASSERT_EQ(marks.independent.size(), 3u);
  EXPECT_EQ(marks.independent[0].index, 1u);
  EXPECT_FALSE(marks.independent[0].checked);
  EXPECT_TRUE(marks.independent[1].checked);
  ASSERT_EQ(marks.auxiliary.size(), 1u);
  EXPECT_TRUE(marks.auxiliary[0].checked);
  ASSERT_EQ(marks.keypad.size(), 2u);
  EXPECT_FALSE(marks.keypad[0].checked);
  ASSERT_EQ(marks.dictionaries.size(), 2u);
  EXPECT_TRUE(marks.dictionaries[0].checked);
  EXPECT_FALSE(marks.dictionaries[1].checked);
}

TEST_F(InstallSelectionTest, NameCarriesTwoIndependentSchemesAndOneKeypadScheme) {
  SetupState& s = state;
  EXPECT_EQ(ComposeDisplayName(s, AllChecked()), u"青岚 - 拼音形码五笔小键盘");
  EXPECT_EQ(s.pathSuffix.view(), u"青岚拼音形码五笔小键盘");
  EXPECT_EQ(s.schemes[1].selected, 1u);
  EXPECT_EQ(s.schemes[3].selected, 1u);
  // The third independent and the second keypad scheme are not examined.
  EXPECT_EQ(s.schemes[5].selected, 0u);
  EXPECT_EQ(s.schemes[6].selected, 0u);
  // Auxiliary schemes and dictionaries are left alone.
  EXPECT_EQ(s.schemes[2].auxSelected, 0u);
  EXPECT_EQ(s.dictionaries[1].selected, 0u);
}

TEST_F(InstallSelectionTest, UncheckedItemsAreRecordedUntilTheLimitIsReached) {
  SetupState& s = state;
  s.schemes[1].selected = 1;
  s.schemes[5].selected = 1;
  TreeMarks marks;
  marks.independent = {{1, false}, {3, true}, {5, true}};
  marks.keypad = {{4, false}, {6, false}};
  EXPECT_EQ(ComposeDisplayName(s, marks), u"青岚 - 五笔郑码");
  EXPECT_EQ(s.schemes[0].selected, 0u);
  EXPECT_EQ(s.schemes[1].selected, 0u);
  EXPECT_EQ(s.schemes[5].selected, 1u);
  EXPECT_EQ(s.pathSuffix.view(), u"青岚五笔郑码");

  EXPECT_EQ(ComposeDisplayName(s, TreeMarks()), u"青岚 - ");
  EXPECT_EQ(s.pathSuffix.view(), u"青岚");
}

TEST_F(InstallSelectionTest, FolderProposalByVersionRecordAndBrowsing) {
  SetupState& s = state;
  auto programFiles = [] { return std::u16string(u"C:\\Program Files"); };
  s.displayName.Assign(u"青岚 - 拼音");
  s.pathSuffix.Assign(u"青岚拼音");

  s.osMajorVersion = 5;
  EXPECT_EQ(ProposeFolder(s, programFiles), u"C:\\Program Files\\青岚拼音");
  EXPECT_EQ(s.proposedFolder.view(), u"C:\\Program Files\\");
  s.osMajorVersion = 6;
  EXPECT_EQ(ProposeFolder(s, programFiles), u"C:\\青岚拼音");
  EXPECT_EQ(s.proposedFolder.view(), u"C:\\");

  std::u16string key = std::u16string(kRecordPath) + u"青岚 - 拼音";
  registry_.Put(key, u"path", kRegSz, RegStringBytes(u"D:\\旧\\"));
  registry_.Put(key, u"ck", kRegSz, RegStringBytes(u"cz.dat"));
  EXPECT_EQ(ProposeFolder(s, programFiles), u"C:\\青岚拼音");  // from Vista on: computed
  s.osMajorVersion = 5;
  EXPECT_EQ(ProposeFolder(s, programFiles), u"D:\\旧\\");

  s.displayName.Assign(u"别的");
  s.folderBrowsed = 1;
  s.proposedFolder.Assign(u"E:\\选的\\");
  EXPECT_EQ(ProposeFolder(s, programFiles), u"E:\\选的\\青岚拼音");
}

TEST_F(InstallSelectionTest, CollectRecordsEveryMarkAndSetsTheRange) {
  SetupState& s = state;
  EXPECT_EQ(CollectMarks(s, AllChecked(), true), 5u * 6 + 2u * 2);
  EXPECT_EQ(s.pinyinSingleCharsOnly, 1u);
  // Every independent and keypad scheme, beyond the name's limits.
  for (uint32_t i : {0u, 1u, 3u, 4u, 5u, 6u})
    EXPECT_EQ(s.schemes[i].selected, 1u) << i;
  EXPECT_EQ(s.schemes[2].auxSelected, 1u);
  EXPECT_EQ(s.schemes[2].selected, 0u);  // auxiliary choices do not count

  TreeMarks none = AllChecked();
  none.pinyin = false;
  for (auto* list : {&none.independent, &none.auxiliary, &none.keypad, &none.dictionaries})
    for (TreeItemMark& item : *list)
      item.checked = false;
  EXPECT_EQ(CollectMarks(s, none, false), 0u);
  EXPECT_EQ(s.pinyinSingleCharsOnly, 0u);
  EXPECT_EQ(s.schemes[2].auxSelected, 0u);
}

}  // namespace
}  // namespace ql
