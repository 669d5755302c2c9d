// Every capacity of the builder is a hard bound: lines and phrases past their length are
// skipped, records that would reach the index area and files that would not fit the work block
// end the build with a message, and nothing is written past a bound.
#include <algorithm>

#include "setup/common/bytes.h"
#include "setup/common/text.h"
#include "setup/model/setup_state.h"
#include "tests/compiler/phrase_table_test_support.h"

namespace ql::test {
namespace {

std::u16string Text(std::u16string_view chunk, size_t times) {
  std::u16string text;
  for (size_t i = 0; i < times; ++i)
    text += chunk;
  return text;
}

TEST(PhraseTableBounds, RecordsStopBelowTheIndexArea) {
  RecordingUi ui;
  ScopedUi scope(ui);
  // Room for four 8-byte character records and the end mark below 10280.
  std::vector<uint8_t> block(20000, 0);
  NoOutputs outputs;
  PhraseTableBuilder builder(block.data(), block.size(), 10280, outputs, u"青岚");
  EXPECT_FALSE(builder.AddCharacterList(u"\uFEFF一\r\n二\r\n三\r\n四\r\n五\r\n六\r\n", u"zk"));
  EXPECT_EQ(builder.recordCount(), 4u);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, kRecordsFullText);
  EXPECT_EQ(ui.messages[0].caption, u"青岚");
  EXPECT_TRUE(std::all_of(block.begin() + 10272, block.end(), [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(ui.steps, 0);

  // A dictionary that overflows stops the build the same way, with one message.
  std::vector<uint8_t> block2(20000, 0);
  PhraseTableBuilder second(block2.data(), block2.size(), 10280, outputs, u"青岚");
  ASSERT_TRUE(second.AddCharacterList(u"\uFEFF一\r\n", u"zk"));
  EXPECT_FALSE(second.AddDictionary(u"\uFEFF{词组}\r\n[Text]\r\n甲乙\r\n丙丁\r\n戊己\r\n庚辛\r\n",
                                    false, u"d"));
  EXPECT_EQ(ui.messages.size(), 2u);
  EXPECT_TRUE(std::all_of(block2.begin() + 10280, block2.end(), [](uint8_t b) { return b == 0; }));
}

TEST(PhraseTableBounds, AFileLargerThanTheBlockIsNotLaidOut) {
  RecordingUi ui;
  ScopedUi scope(ui);
  std::vector<uint8_t> block(215000, 0);
  NoOutputs outputs;
  PhraseTableBuilder builder(block.data(), block.size(), 20000, outputs);
  ASSERT_TRUE(builder.AddCharacterList(u"\uFEFF一\r\n", u"zk"));
  // 10248 + 102400 + 4 + 102400 = 215052 bytes.
  EXPECT_FALSE(builder.FinishMainData());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, kFileTooLargeText);
  EXPECT_EQ(LoadU32(block.data() + kTotalSizeOffset), 0u);
}

TEST_F(PhraseTableTest, FieldsAndPhrasesPastTheirLengthAreSkipped) {
  folder.Write(u"输入方案\\五笔\\mb.txt", {});
  // A second field of 265 units in the character list is skipped; 264 is read.
  WriteCharacterList("一 " + std::string(264, '1') + "\n二 " + std::string(265, '1') + "\n");
  std::string longest = Utf16ToUtf8(Text(u"长", 254));
  AddDictionary(u"a.txt", "{词组}\n[Text]\n" + longest + " 9\n" + longest + "长 9\n" +
                              "{自定义编码}\n[五笔]\n" + std::string(264, 'a') + " 工\n" +
                              std::string(265, 'b') + " 了\nc " + std::string(265, 'x') + "\n");
  Build();
  std::vector<Record> records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].text, u"一");
  EXPECT_EQ(records[0].frequency, 0xFF);  // saturated at the 32-bit limit, low byte
  EXPECT_EQ(records[1].text, Text(u"长", 254));
  std::optional<std::vector<uint8_t>> codes = Read(u"输入方案\\五笔\\codeword.txt");
  ASSERT_TRUE(codes);
  EXPECT_EQ(TextOf(*codes), Text(u"a", 264) + u"=工\r\n");
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(
      ui.messages[0].text,
      folder.path() +
          u"文本词库\\zk.txt\n1行超出长度限制（字段最多264个字符，词组最多254个字符），已跳过。");
  EXPECT_EQ(
      ui.messages[1].text,
      folder.path() +
          u"文本词库\\a.txt\n3行超出长度限制（字段最多264个字符，词组最多254个字符），已跳过。");
}

}  // namespace
}  // namespace ql::test
