// What a dictionary holds besides phrases: settings, double-pinyin layout, custom codes and the
// description values of the main data file's header.
#include "setup/model/setup_state.h"
#include "tests/compiler/phrase_table_test_support.h"

namespace ql::test {
namespace {

class SectionsTest : public PhraseTableTest {
 protected:
  SectionsTest() { WriteCharacterList("字 1\n"); }
  std::u16string FileText(std::u16string_view relative) const {
    std::optional<std::vector<uint8_t>> bytes = Read(relative);
    return bytes ? TextOf(*bytes) : u"(missing)";
  }
};

TEST_F(SectionsTest, SettingsAndDoublePinyinAreCopiedVerbatim) {
  // Up to the next "{", which starts the next tag line even inside a line.
  AddDictionary(u"a.txt",
                "{参数设置}\nkey=value\n{结束}\n{自定义双拼}\nq=iu\nw=ei\n{词组}\n[Text]\n你好 5\n"
                "{参数设置} 旧\nold=1{词组}\n再见 3\n");
  // Met again in a later file: the last one wins; at the end of the file, up to the end.
  AddDictionary(u"b.txt", "{参数设置}\nnew=2\n");
  Build();
  EXPECT_EQ(FileText(u"option.txt"), u"\r\n{参数设置}\r\nnew=2\r\n");
  EXPECT_EQ(FileText(u"sp.ini"), u"q=iu\r\nw=ei\r\n");
  EXPECT_EQ(Records(), (std::vector<Record>{{u"字", 0, 1}, {u"你好", 0, 5}, {u"再见", 0, 3}}));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SectionsTest, SettingsEndingTheFirstFileAtATagLine) {
  AddDictionary(u"a.txt", "{参数设置}\nkey=value\n{结束}\n");
  Build();
  EXPECT_EQ(FileText(u"option.txt"), u"\r\n{参数设置}\r\nkey=value\r\n");
}

TEST_F(SectionsTest, SettingsThatCannotBeWrittenEndTheBuild) {
  folder.Write(u"option.txt\\blocker", {});  // a folder where the file would go
  AddDictionary(u"a.txt", "{词组}\n[Text]\n你好 5\n{参数设置}\nk=v\n");
  AddDictionary(u"b.txt", "{词组}\n再见 3\n");
  Build();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, folder.path() + u"option.txt");
  EXPECT_EQ(ui.messages[0].caption, u"No Find");
  EXPECT_FALSE(Exists(u"词库\\cz.dat"));
  EXPECT_FALSE(Exists(u"User.dat"));
  EXPECT_TRUE(state.mainDataPath.empty());
  EXPECT_EQ(ui.steps, 1);
}

TEST_F(SectionsTest, DoublePinyinThatCannotBeWrittenIsReadAsLines) {
  folder.Write(u"sp.ini\\blocker", {});
  AddDictionary(u"a.txt", "{词组}\n[Text]\n{自定义双拼}\n双拼 7\n");
  Build();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, folder.path() + u"sp.ini");
  EXPECT_EQ(ui.messages[0].caption, u"No Find");
  EXPECT_EQ(Records(), (std::vector<Record>{{u"字", 0, 1}, {u"双拼", 0, 7}}));
}

TEST_F(SectionsTest, CustomCodesRoundTripInUtf16) {
  folder.Write(u"输入方案\\五笔\\mb.txt", {});
  folder.Write(u"输入方案\\郑码\\mb.txt", {});
  // The code is the first field, the text what follows the last space; after "{结束}" nothing is
  // written; "{" alone opens custom codes, and a file stays open into the next dictionary.
  AddDictionary(
      u"a.txt",
      "{自定义编码}\n[五笔]\naaaa 工\nbbbb 中文 词𠀀\n{结束}\ncccc 了\n{\n[郑码]\nxx 好\n");
  AddDictionary(u"b.txt", "{自定义编码}\nyy 的\n[没有]\nzz 不\n");
  Build();
  EXPECT_EQ(FileText(u"输入方案\\五笔\\codeword.txt"), u"aaaa=工\r\nbbbb=词\U00020000\r\n");
  EXPECT_EQ(FileText(u"输入方案\\郑码\\codeword.txt"), u"xx=好\r\nyy=的\r\n");
  // A scheme folder that does not exist gets no file, and no message.
  EXPECT_FALSE(Exists(u"输入方案\\没有\\codeword.txt"));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(Records(), (std::vector<Record>{{u"字", 0, 1}}));
}

TEST_F(SectionsTest, CommentLinesInsideCustomCodesAreSkippedWhateverTheirLength) {
  folder.Write(u"输入方案\\五笔\\mb.txt", {});
  // A line that begins with a space is a comment, even past the 264 units of a field.
  AddDictionary(u"a.txt",
                "{自定义编码}\n[五笔]\n aaaa 工\n " + std::string(300, 'x') + " 长\nbbbb 中\n");
  Build();
  EXPECT_EQ(FileText(u"输入方案\\五笔\\codeword.txt"), u"bbbb=中\r\n");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SectionsTest, CustomCodeFoldersOutsideTheSchemeFoldersAreRefused) {
  folder.Write(u"输入方案\\五笔\\mb.txt", {});
  folder.Write(u"evil\\mb.txt", {});
  AddDictionary(u"a.txt",
                "{自定义编码}\n[五笔]\nok 1\n[..]\na 1\n[..\\evil]\nb 2\n[C:]\nc 3\n[]\nd 4\n"
                "[/x]\ne 5\n[ab\nf 6\n[. .]\ng 7\n[..\\..\\x]\nh 8\n");
  Build();
  EXPECT_EQ(FileText(u"输入方案\\五笔\\codeword.txt"), u"ok=1\r\n");
  EXPECT_FALSE(Exists(u"codeword.txt"));
  EXPECT_FALSE(Exists(u"输入方案\\codeword.txt"));
  EXPECT_FALSE(Exists(u"evil\\codeword.txt"));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text,
            folder.path() +
                u"文本词库\\a."
                u"txt\n8个自定义编码的方案目录名无效（不能为空，不能含路径），其编码已跳过。");
  EXPECT_EQ(ui.messages[0].caption, u"青岚测试");
}

TEST_F(SectionsTest, DescriptionValuesReplaceEarlierOnesWhole) {
  AddDictionary(u"a.txt",
                "{词组}\n[Description]\nAuthor = 张三\nemail=x@y\nname = 一个相当长的词库名字\n"
                "filename = a.txt\nweb = http://a\n");
  AddDictionary(u"b.txt", "{词组}\n[Description]\nNAME = 短\n");
  Build();
  EXPECT_EQ(HeaderText(kAuthorTextOffset, kAuthorTextUnits), u"张三");
  EXPECT_EQ(HeaderText(kEmailTextOffset, kEmailTextUnits), u"");
  EXPECT_EQ(HeaderText(kWebTextOffset, kWebTextUnits), u"http://a");
  EXPECT_EQ(HeaderText(kNameTextOffset, kNameTextUnits), u"短");
  std::optional<std::vector<uint8_t>> file = Read(u"词库\\cz.dat");
  ASSERT_TRUE(file);
  for (size_t i = kNameTextOffset + 2; i < kHeaderTextEnd; ++i)
    ASSERT_EQ((*file)[i], 0) << "stale byte at " << i;
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SectionsTest, DescriptionValuesLongerThanTheirFieldAreCut) {
  // 18 units and a surrogate pair: the pair does not fit in 19 units and is dropped whole.
  AddDictionary(u"a.txt", "{词组}\n[Description]\nauthor = aaaaaaaaaaaaaaaaaa𠀀\nweb = " +
                              std::string(100, 'w') + "\n");
  Build();
  EXPECT_EQ(HeaderText(kAuthorTextOffset, kAuthorTextUnits), std::u16string(18, u'a'));
  EXPECT_EQ(HeaderText(kWebTextOffset, kWebTextUnits), std::u16string(79, u'w'));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text,
            folder.path() + u"文本词库\\a.txt\n2个说明值超出其字段的长度，已截短。");
}

}  // namespace
}  // namespace ql::test
