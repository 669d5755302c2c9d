#include "setup/install/add_entries.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "setup/common/bytes.h"
#include "setup/common/files.h"
#include "setup/common/text.h"
#include "setup/model/setup_state.h"
#include "tests/support/test_support.h"

namespace ql {
namespace {

// The units of a UTF-16LE file as the tests write them (byte-order mark included).
std::u16string FileUnits(const std::vector<uint8_t>& bytes) {
  return DecodeUtf16Le(bytes.data(), bytes.size());
}

NameTaken TakenFrom(const std::set<std::u16string>& names) {
  return [&names](std::u16string_view name) { return names.count(std::u16string(name)) > 0; };
}

TEST(DictionaryRewrite, PlainWordListGetsTheHeader) {
  // The source's own byte-order mark is not copied; its last line without LF is.
  DictionaryRewrite out =
      RewriteDictionarySource(u"\uFEFF你好 5\r\n世界\r\n末行", false, u"我的词库");
  EXPECT_EQ(out.text,
            u"\uFEFF{词组}\r\n[Description]\r\nName=我的词库\r\n[Text]\r\n你好 5\r\n世界\r\n末行");
  EXPECT_FALSE(out.basicPhraseBackup);
  // A source without byte-order mark keeps its first unit.
  EXPECT_EQ(RewriteDictionarySource(u"ab\r\n", false, u"n").text,
            u"\uFEFF{词组}\r\n[Description]\r\nName=n\r\n[Text]\r\nab\r\n");
  // "{基本词组}" in a file without description name is copied as data, never a backup.
  EXPECT_FALSE(RewriteDictionarySource(u"\uFEFF{基本词组}\r\n", false, u"n").basicPhraseBackup);
}

TEST(DictionaryRewrite, DescribedFileGetsItsTagAndTextLine) {
  // No phrase tag before "[description]" (any case): one is put before it. The first "[text]"
  // line becomes "[Text]"; everything after it is copied as it is.
  DictionaryRewrite out = RewriteDictionarySource(
      u"\uFEFF注释\r\n[DESCRIPTION]\r\nName=甲\r\n[tExT]   \r\n你好 3\r\n[text]\r\n{词组}\r\n",
      true, u"ignored");
  EXPECT_EQ(out.text,
            u"\uFEFF注释\r\n{词组}\r\n[DESCRIPTION]\r\nName=甲\r\n[Text]\r\n你好 3\r\n[text]\r\n{词"
            u"组}\r\n");
  EXPECT_FALSE(out.basicPhraseBackup);

  // A phrase tag seen first: nothing is put in.
  out =
      RewriteDictionarySource(u"\uFEFF{词组}\r\n[Description]\r\nName=甲\r\n[Text]\r\n", true, u"");
  EXPECT_EQ(out.text, u"\uFEFF{词组}\r\n[Description]\r\nName=甲\r\n[Text]\r\n");

  // A backup: its basic-phrases tag counts as the tag and marks it.
  out = RewriteDictionarySource(
      u"\uFEFF{参数设置}\r\nk=1\r\n{基本词组}\r\n[Description]\r\nName=备份\r\n[Text]\r\n你好\r\n",
      true, u"");
  EXPECT_EQ(
      out.text,
      u"\uFEFF{参数设置}\r\nk=1\r\n{基本词组}\r\n[Description]\r\nName=备份\r\n[Text]\r\n你好\r\n");
  EXPECT_TRUE(out.basicPhraseBackup);
}

TEST(DictionaryRewrite, LongLinesAreCopiedWhole) {
  // Lines are gone through in pieces of 439 units; a longer line is still copied unit for unit,
  // and a marker that only the whole line would show is not acted upon.
  std::u16string longLine(1000, u'字');
  longLine.replace(436, 6, u"[text]");  // crosses the first piece's end
  std::u16string source = u"[Description]\r\n" + longLine + u"\r\n[Text]\r\nab\r\n";
  DictionaryRewrite out = RewriteDictionarySource(source, true, u"");
  EXPECT_EQ(out.text, u"\uFEFF{词组}\r\n[Description]\r\n" + longLine + u"\r\n[Text]\r\nab\r\n");
}

TEST(NameRules, DictionaryFileNames) {
  std::set<std::u16string> taken = {u"a.txt", u"abc", u"a.b.c", u"x.txt", u"x7.txt"};
  EXPECT_EQ(DictionaryFileName(u"b.txt", 7, TakenFrom(taken)), u"b.txt");
  EXPECT_EQ(DictionaryFileName(u"a.txt", 7, TakenFrom(taken)), u"a7.txt");
  EXPECT_EQ(DictionaryFileName(u"abc", 7, TakenFrom(taken)), u"abc7.txt");
  EXPECT_EQ(DictionaryFileName(u"a.b.c", 12, TakenFrom(taken)), u"a.b12.txt");
  // The renamed name is taken too: the decimal again, never an existing file.
  EXPECT_EQ(DictionaryFileName(u"x.txt", 7, TakenFrom(taken)), u"x77.txt");

  // Titles longer than the entry's 29 units are cut before their extension and then renamed
  // within the same bound.
  const std::u16string longTitle = std::u16string(40, u'长') + u".txt";
  const std::u16string cut = std::u16string(25, u'长') + u".txt";
  EXPECT_EQ(DictionaryFileName(longTitle, 7, TakenFrom(taken)), cut);
  taken.insert(cut);
  EXPECT_EQ(DictionaryFileName(longTitle, 7, TakenFrom(taken)),
            std::u16string(24, u'长') + u"7.txt");
  EXPECT_EQ(DictionaryFileName(std::u16string(40, u'x'), 7, TakenFrom(taken)),
            std::u16string(29, u'x'));

  // A cut never splits a surrogate pair: 𠀀 is two units.
  std::u16string pairs;
  for (int i = 0; i < 20; ++i)
    pairs += u"𠀀";
  EXPECT_EQ(DictionaryFileName(pairs + u".txt", 7, TakenFrom(taken)),
            pairs.substr(0, 24) + u".txt");

  // With every name taken the search ends, without a name.
  int asked = 0;
  EXPECT_EQ(DictionaryFileName(longTitle, 12345,
                               [&](std::u16string_view) {
                                 ++asked;
                                 return true;
                               }),
            u"");
  EXPECT_LT(asked, 10);
}

TEST(NameRules, SchemeFolderNames) {
  std::set<std::u16string> taken = {u"abc", u"abc5", u""};
  EXPECT_EQ(SchemeFolderName(u"new", 5, TakenFrom(taken)), u"new");
  EXPECT_EQ(SchemeFolderName(u"abc", 5, TakenFrom(taken)), u"abc55");
  EXPECT_EQ(SchemeFolderName(u"", 5, TakenFrom(taken)), u"5");

  // Names are cut to the 60 units "输入方案\" leaves of a path; the search still ends.
  const std::u16string long49(49, u'名');
  std::set<std::u16string> longTaken = {long49, long49 + u"10"};
  std::u16string found = SchemeFolderName(long49, 10, TakenFrom(longTaken));
  EXPECT_EQ(found, long49 + u"1010");
  // Once the digits need more room, the typed part gives way.
  std::u16string last;
  for (int i = 0; i < 10; ++i) {
    last = SchemeFolderName(long49, 10, TakenFrom(longTaken));
    longTaken.insert(last);
  }
  std::u16string tens;
  for (int i = 0; i < 11; ++i)
    tens += u"10";
  EXPECT_EQ(last, std::u16string(38, u'名') + tens);
  int asked = 0;
  EXPECT_EQ(SchemeFolderName(long49, 79,
                             [&](std::u16string_view name) {
                               EXPECT_LE(name.size(), 60u);
                               ++asked;
                               return true;
                             }),
            u"");
  EXPECT_EQ(asked, 31);
}

// A package folder of the test's own, with a dictionary list of `count` selected entries.
class AddEntriesTest : public ::testing::Test {
 protected:
  AddEntriesTest() : scopedUi_(ui_), state_(std::make_unique<SetupState>()) {
    state_->displayName.Assign(u"青岚输入法平台");
  }

  void FillDictionaries(uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
      DictionaryEntry* entry = state_->AddDictionary();
      entry->name.Assign(u"词库" + DecimalText(i));
      entry->selected = 1;
    }
  }
  void FillSchemes(uint32_t count) {
    for (uint32_t i = 0; i < count; ++i)
      state_->AddScheme()->name.Assign(u"方案" + DecimalText(i));
  }

  std::u16string Source(std::u16string_view name, const std::vector<uint8_t>& bytes) {
    std::u16string relative = u"来源\\" + std::u16string(name);
    sources_.Write(relative, bytes);
    return sources_.path() + relative;
  }
  std::optional<std::vector<uint8_t>> PackageFile(std::u16string_view relative) {
    return ReadFileBytes(package_.path() + std::u16string(relative));
  }

  DictionaryChoice Dictionary(std::u16string_view title, const std::vector<uint8_t>& bytes) {
    DictionaryChoice choice;
    choice.sourcePath = Source(title, bytes);
    choice.sourceTitle = title;
    choice.hasDescription = !ReadSourceDescription(choice.sourcePath).name.empty();
    return choice;
  }

  test::RecordingUi ui_;
  ScopedUi scopedUi_;
  std::unique_ptr<SetupState> state_;
  test::TempFolder package_;
  test::TempFolder sources_;
};

TEST_F(AddEntriesTest, PlainListIsRenamedBesideAnExistingFile) {
  FillDictionaries(7);
  const std::vector<uint8_t> existing = test::Utf16File("{词组}\n[Text]\n旧词\n");
  package_.Write(u"文本词库\\a.txt", existing);
  DictionaryChoice choice = Dictionary(u"a.txt", test::Utf16File("你好 5\n世界\n"));
  EXPECT_FALSE(choice.hasDescription);
  choice.name = u"我的词库";

  ASSERT_TRUE(AddDictionary(*state_, package_.path(), choice));
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(PackageFile(u"文本词库\\a.txt"), existing);
  EXPECT_EQ(PackageFile(u"文本词库\\a7.txt"),
            test::Utf16File("{词组}\n[Description]\nName=我的词库\n[Text]\n你好 5\n世界\n"));
  const DictionaryEntry& entry = state_->dictionaries[7];
  EXPECT_EQ(entry.name, u"我的词库");
  EXPECT_EQ(entry.fileName, u"a7.txt");
  EXPECT_TRUE(entry.about.empty());
  EXPECT_EQ(entry.selected, 1u);
  EXPECT_EQ(entry.allPhrasesByShapeCode, 0u);
  // Counting is the install dialog's; the earlier entries keep their marks.
  EXPECT_EQ(state_->dictionaryCount, 7u);
  EXPECT_EQ(state_->dictionaries[0].selected, 1u);
}

TEST_F(AddEntriesTest, NamesAreDefaultedAndCut) {
  DictionaryChoice choice = Dictionary(u"b.txt", test::Utf16File("你好\n"));
  choice.allPhrasesByShapeCode = true;
  ASSERT_TRUE(AddDictionary(*state_, package_.path(), choice));
  EXPECT_EQ(state_->dictionaries[0].name, u"用户添加的词库");
  EXPECT_EQ(state_->dictionaries[0].allPhrasesByShapeCode, 1u);

  // The file's name line keeps 259 units of the typed name, the entry 39; a line break ends it.
  std::u16string typed(300, u'名');
  typed[270] = u'\n';
  choice = Dictionary(u"c.txt", test::Utf16File("你好\n"));
  choice.name = typed;
  ASSERT_TRUE(AddDictionary(*state_, package_.path(), choice));
  EXPECT_EQ(state_->dictionaries[0].name, std::u16string(39, u'名'));
  std::optional<std::vector<uint8_t>> written = PackageFile(u"文本词库\\c.txt");
  ASSERT_TRUE(written);
  EXPECT_NE(FileUnits(*written).find(u"Name=" + std::u16string(259, u'名') + u"\r\n[Text]"),
            std::u16string::npos);
}

TEST_F(AddEntriesTest, BackupDeselectsTheDictionariesBeforeIt) {
  FillDictionaries(3);
  DictionaryChoice choice =
      Dictionary(u"backup.txt",
                 test::Utf16File("{参数设置}\nk=1\n{基本词组}\n[description]\nName=备份\nAbout=全"
                                 "部资源\n[Text]\n你好 9\n{用户词组}\n世界\n"));
  EXPECT_TRUE(choice.hasDescription);
  EXPECT_EQ(ReadSourceDescription(choice.sourcePath).about, u"全部资源");
  choice.name = u"备份";
  ASSERT_TRUE(AddDictionary(*state_, package_.path(), choice));
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(state_->dictionaries[i].selected, 0u) << i;
  EXPECT_EQ(state_->dictionaries[3].selected, 1u);
  EXPECT_EQ(state_->dictionaries[3].about, u"备份文件");
  EXPECT_EQ(PackageFile(u"文本词库\\backup.txt"),
            test::Utf16File("{参数设置}\nk=1\n{基本词组}\n[description]\nName=备份\nAbout=全部资源"
                            "\n[Text]\n你好 9\n{用户词组}\n世界\n"));
}

TEST_F(AddEntriesTest, DictionaryRefusalsAddNothing) {
  // No source chosen, a source that cannot be opened, a full list: each is told, and neither a
  // file nor an entry appears.
  DictionaryChoice none;
  EXPECT_FALSE(AddDictionary(*state_, package_.path(), none));
  DictionaryChoice missing;
  missing.sourcePath = sources_.path() + u"none.txt";
  missing.sourceTitle = u"none.txt";
  EXPECT_FALSE(AddDictionary(*state_, package_.path(), missing));
  DictionaryChoice escaping = Dictionary(u"d.txt", test::Utf16File("你好\n"));
  escaping.sourceTitle = u"..\\d.txt";
  EXPECT_FALSE(AddDictionary(*state_, package_.path(), escaping));
  FillDictionaries(kMaxDictionaries);
  EXPECT_FALSE(
      AddDictionary(*state_, package_.path(), Dictionary(u"e.txt", test::Utf16File("x\n"))));

  ASSERT_EQ(ui_.messages.size(), 4u);
  EXPECT_EQ(ui_.messages[0].text, kNoDictionarySourceMessage);
  EXPECT_EQ(ui_.messages[1].text, u"不能打开文件：\n" + missing.sourcePath);
  EXPECT_EQ(ui_.messages[2].text, u"不能使用这个文件名：\n..\\d.txt");
  EXPECT_EQ(ui_.messages[3].text, kDictionaryListFullMessage);
  for (const auto& message : ui_.messages)
    EXPECT_EQ(message.caption, u"青岚输入法平台");
  for (const char16_t* name : {u"文本词库\\none.txt", u"d.txt", u"文本词库\\e.txt"})
    EXPECT_FALSE(PathExists(package_.path() + name)) << Utf16ToUtf8(name);
  EXPECT_EQ(state_->dictionaryCount, kMaxDictionaries);
}

TEST_F(AddEntriesTest, StandaloneSchemeTakesTwoEntriesInAFreeFolder) {
  FillSchemes(5);
  package_.Write(u"输入方案\\abc\\mb.txt", test::Utf16File("old\n"));
  const std::vector<uint8_t> table = test::Utf16File("[Description]\nName=abc\n[Text]\na 工\n");
  SchemeChoice choice;
  choice.sourcePath = Source(u"码表.txt", table);
  choice.kind = ChosenSchemeKind(true, true, false);
  choice.name = u"我的形码";
  choice.folder = u"abc";

  ASSERT_TRUE(AddScheme(*state_, package_.path(), choice));
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(PackageFile(u"输入方案\\abc5\\mb.txt"), table);
  EXPECT_EQ(PackageFile(u"输入方案\\abc\\mb.txt"), test::Utf16File("old\n"));
  for (uint32_t i : {5u, 6u}) {
    EXPECT_EQ(state_->schemes[i].name, u"我的形码");
    EXPECT_EQ(state_->schemes[i].path, u"输入方案\\abc5");
    EXPECT_EQ(state_->schemes[i].isKeypad, 0u);
    EXPECT_EQ(state_->schemes[i].selected, 0u);
  }
  EXPECT_EQ(state_->schemes[5].isAuxiliary, 0u);
  EXPECT_EQ(state_->schemes[6].isAuxiliary, 1u);
  EXPECT_EQ(state_->moreSchemesAdded, 1u);
  EXPECT_EQ(state_->schemeCount, 5u);
}

TEST_F(AddEntriesTest, AuxiliaryAndKeypadSchemesTakeOneEntry) {
  SchemeChoice choice;
  choice.sourcePath = Source(u"mb.txt", test::Utf16File("a\n"));
  choice.kind = ChosenSchemeKind(false, true, true);
  choice.folder = u"辅助. ";  // the system would drop the trailing dot and space
  ASSERT_TRUE(AddScheme(*state_, package_.path(), choice));
  EXPECT_EQ(state_->schemes[0].isAuxiliary, 1u);
  EXPECT_EQ(state_->schemes[0].path, u"输入方案\\辅助");
  EXPECT_TRUE(PathExists(package_.path() + u"输入方案\\辅助\\mb.txt"));

  state_->schemeCount = 1;
  choice.kind = ChosenSchemeKind(false, false, true);
  choice.folder = u"";  // no folder typed: the entry's number names it
  choice.name = std::u16string(100, u'名');
  ASSERT_TRUE(AddScheme(*state_, package_.path(), choice));
  EXPECT_EQ(state_->schemes[1].isKeypad, 1u);
  EXPECT_EQ(state_->schemes[1].isAuxiliary, 0u);
  EXPECT_EQ(state_->schemes[1].path, u"输入方案\\1");
  EXPECT_EQ(state_->schemes[1].name, std::u16string(65, u'名'));
  EXPECT_EQ(state_->moreSchemesAdded, 0u);
}

TEST_F(AddEntriesTest, SchemeRefusalsAddNothing) {
  SchemeChoice choice;
  choice.sourcePath = Source(u"mb.txt", test::Utf16File("a\n"));
  choice.folder = u"new";
  EXPECT_FALSE(AddScheme(*state_, package_.path(), choice));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, kNoSchemeKindMessage);
  EXPECT_EQ(ui_.messages[0].caption, u"青岚输入法平台");
  EXPECT_EQ(ui_.messages[0].style, kMbOk);

  choice.kind = SchemeKind::keypad;
  for (const char16_t* folder : {u"..", u"..\\..\\x", u"a/b", u"C:x", u". ."}) {
    choice.folder = folder;
    EXPECT_FALSE(AddScheme(*state_, package_.path(), choice)) << Utf16ToUtf8(folder);
    EXPECT_EQ(ui_.messages.back().text, kBadFolderNameMessage);
  }
  choice.folder = u"new";
  SchemeChoice noSource = choice;
  noSource.sourcePath.clear();
  EXPECT_FALSE(AddScheme(*state_, package_.path(), noSource));
  EXPECT_EQ(ui_.messages.back().text, kNoSchemeSourceMessage);
  SchemeChoice missing = choice;
  missing.sourcePath = sources_.path() + u"none.txt";
  EXPECT_FALSE(AddScheme(*state_, package_.path(), missing));
  EXPECT_EQ(ui_.messages.back().text, u"不能打开文件：\n" + missing.sourcePath);
  EXPECT_FALSE(PathExists(package_.path() + u"输入方案\\new"));

  // 79 entries leave room for one: not for a standalone scheme and its twin.
  FillSchemes(kMaxSchemes - 1);
  choice.kind = SchemeKind::standalone;
  EXPECT_FALSE(AddScheme(*state_, package_.path(), choice));
  EXPECT_EQ(ui_.messages.back().text, kSchemeListFullMessage);
  EXPECT_EQ(state_->moreSchemesAdded, 0u);
  choice.kind = SchemeKind::keypad;
  EXPECT_TRUE(AddScheme(*state_, package_.path(), choice));
  EXPECT_EQ(state_->schemes[kMaxSchemes - 1].path, u"输入方案\\new");
  state_->schemeCount = kMaxSchemes;
  choice.folder = u"more";
  EXPECT_FALSE(AddScheme(*state_, package_.path(), choice));
  EXPECT_EQ(ui_.messages.back().text, kSchemeListFullMessage);
  EXPECT_FALSE(PathExists(package_.path() + u"输入方案\\more"));
}

TEST_F(AddEntriesTest, DescriptionValuesAreCut) {
  const std::string long120(120 * 3, 'x');
  std::u16string path =
      Source(u"d.txt", test::Utf16File("[Description]\nName=" + long120 + "\nAbout = 说明 \n"));
  SourceDescription description = ReadSourceDescription(path);
  EXPECT_EQ(description.name.size(), kDescriptionValueUnits);
  EXPECT_EQ(description.about, u"说明");
  EXPECT_EQ(ReadSourceDescription(sources_.path() + u"none.txt").name, u"");
}

}  // namespace
}  // namespace ql
