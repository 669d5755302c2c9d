// The pinyin index on small inputs whose bytes are composed by hand: keys and variants, dycz.txt,
// the order of equal keys, header text lines, User.idx, what the main data file keeps, and the
// run's messages, progress and old files.
#include <cstring>

#include "setup/common/bytes.h"
#include "setup/common/files.h"
#include "setup/compiler/phrase_table_format.h"
#include "setup/model/setup_state.h"
#include "tests/compiler/pinyin_index_test_support.h"

namespace ql::test {
namespace {

constexpr std::string_view kMb =
    "[Description]\nName=拼音\n"
    "行 xing2 hang2 heng4 hang4\n银 yin2\n好 hao3 hao4\n中 zhong1\n国 guo2\n"
    "航 hang2\n杭 hang2\n吭 hang2\n";

class PinyinIndexBuild : public PinyinIndexTest {
 protected:
  PinyinIndexBuild() { WriteSchemeFile(u"mb.txt", kMb); }
};

TEST_F(PinyinIndexBuild, KeysOfEveryReadingInKeyOrder) {
  SetEntries({{u"银", 10}, {u"行", 5}, {u"好", 3}, {u"银行", 9}, {u"中国", 7}, {u"Q行", 1}});
  std::vector<uint8_t> before = main.bytes;
  Build();

  // 行 has the distinct further readings hang and heng (hang4 repeats hang): two key records with
  // the flag clear; 银行 the same two with the combined-reading flag; 好's readings differ only in
  // tone; "Q行" starts outside the characters and gets no key.
  ExpectedIndex expected(ReadingTableOf(kMb));
  uint32_t hang = expected.Key(Entry(1), {"hang"});
  uint32_t heng = expected.Key(Entry(1), {"heng"});
  uint32_t yinHang = expected.Key(Entry(3) | 0x80000000u, {"yin", "hang"});
  uint32_t yinHeng = expected.Key(Entry(3) | 0x80000000u, {"yin", "heng"});
  // hang < hao < heng < xing < yin < yin'hang < yin'heng < yin'xing < zhong'guo
  for (uint32_t value : {hang | 0x80000000u, Entry(2), heng | 0x80000000u, Entry(1), Entry(0),
                         yinHang | 0x80000000u, yinHeng | 0x80000000u, Entry(3), Entry(4)})
    expected.Value(value);
  EXPECT_TRUE(SameIndex(expected.Bytes(), Index()));
  EXPECT_TRUE(SameIndex(expected.UserBytes(), UserIndex()));
  EXPECT_EQ(ui.steps, 4);
  EXPECT_TRUE(ui.messages.empty());

  // The main data file keeps only the scheme's path in its pinyin slot; the marks are 0.
  for (size_t i = 0; i < kPinyinSchemePath.size(); ++i)
    StoreU16(&before[kSchemeSlotOffset + 2 * i], kPinyinSchemePath[i]);
  EXPECT_EQ(main.bytes, before);
}

TEST_F(PinyinIndexBuild, LettersAfterTheFirstCharacterAreLeftOutOfTheKey) {
  SetEntries({{u"中Q国", 7}});
  Build();
  ExpectedIndex expected(ReadingTableOf(kMb));
  expected.Value(Entry(0));  // its default key zhong'guo is not stored
  EXPECT_TRUE(SameIndex(expected.Bytes(), Index()));
}

TEST_F(PinyinIndexBuild, EqualKeysMostFrequentFirstEqualFrequenciesInEntryOrder) {
  SetEntries({{u"航", 5}, {u"杭", 9}, {u"吭", 9}});
  Build();
  ExpectedIndex expected(ReadingTableOf(kMb));
  for (uint32_t value : {Entry(1), Entry(2), Entry(0)})
    expected.Value(value);
  EXPECT_TRUE(SameIndex(expected.Bytes(), Index()));
}

TEST_F(PinyinIndexBuild, TenThousandEntriesOfOneKeyOrderByFrequency) {
  std::vector<std::pair<std::u16string, int>> entries;
  for (int i = 0; i < 10000; ++i)
    entries.push_back({u"航", (i * 37) % 256});
  SetEntries(entries);
  Build();
  std::optional<std::vector<uint8_t>> index = Index();
  ASSERT_TRUE(index);
  const uint8_t* b = index->data();
  ASSERT_EQ(LoadU32(b + 32), 40000u);
  const uint32_t at = LoadU32(b + 28);
  for (size_t i = 1; i < 10000; ++i) {
    uint32_t previous = LoadU32(b + at + 4 * (i - 1));
    uint32_t value = LoadU32(b + at + 4 * i);
    uint8_t fp = main.bytes[previous + 2], fv = main.bytes[value + 2];
    ASSERT_TRUE(fp > fv || (fp == fv && previous < value)) << "at " << i;
  }
}

TEST_F(PinyinIndexBuild, EmptyMainDataFileGivesAnEmptyIndex) {
  SetEntries({});
  Build();
  ExpectedIndex expected(ReadingTableOf(kMb));
  EXPECT_TRUE(SameIndex(expected.Bytes(), Index()));
  EXPECT_EQ(Index()->size(), 2934 + ReadingTableOf(kMb).size() + 10240);
  EXPECT_EQ(UserIndex()->size(), 463734u);
}

TEST_F(PinyinIndexBuild, PolyphonicPhrases) {
  SetEntries({{u"行", 5}, {u"银行", 9}, {u"好", 3}});
  // A stated reading; a line whose text is no entry; an unknown reading (the character keeps its
  // first reading); a line with a character without reading.
  WriteSchemeFile(u"dycz.txt", "银行(hang2)\n中行(hang2)\n好(hoa3)\n猫行(hang2)\n");
  Build();

  ExpectedIndex expected(ReadingTableOf(kMb));
  uint32_t stated = expected.Key(Entry(1), {"yin", "hang"});
  uint32_t xing = expected.Key(Entry(1) | 0x80000000u, {"yin", "xing"});
  uint32_t heng = expected.Key(Entry(1) | 0x80000000u, {"yin", "heng"});
  uint32_t hao = expected.Key(Entry(2), {"hao"});
  uint32_t hang = expected.Key(Entry(0), {"hang"});
  uint32_t hengAlone = expected.Key(Entry(0), {"heng"});
  // 银行 and 好 get no default value from the main pass.
  for (uint32_t value : {hang, hao, hengAlone})
    expected.Value(value | 0x80000000u);
  expected.Value(Entry(0));
  for (uint32_t value : {stated, heng, xing})
    expected.Value(value | 0x80000000u);
  EXPECT_TRUE(SameIndex(expected.Bytes(), Index()));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"好");
  EXPECT_EQ(ui.messages[0].caption, u"没有拼音1！");
  EXPECT_EQ(ui.steps, 4);
}

TEST_F(PinyinIndexBuild, StatedVariantsMultiply) {
  SetEntries({{u"行行", 4}});
  // Two readings for the first character, the second character's first reading by default: the
  // stated variants are hang'xing and xing'xing; every other expansion gets the flag.
  WriteSchemeFile(u"dycz.txt", "行(hang2 xing2)行\n");
  Build();
  ExpectedIndex expected(ReadingTableOf(kMb));
  std::vector<uint32_t> keys;
  keys.push_back(expected.Key(Entry(0), {"hang", "xing"}));
  keys.push_back(expected.Key(Entry(0), {"xing", "xing"}));
  const char* r[] = {"xing", "hang", "heng"};
  // Expansion order: variants of the first character, then for each further reading of the
  // second character copies of them.
  for (const char* second : r)
    for (const char* first : r) {
      if ((std::string(second) == "xing") && (std::string(first) != "heng"))
        continue;
      keys.push_back(expected.Key(Entry(0) | 0x80000000u, {first, second}));
    }
  // Sorted: hang'hang hang'heng hang'xing heng'hang heng'heng heng'xing xing'hang xing'heng
  // xing'xing. Creation order: [0]=hang'xing [1]=xing'xing [2]=heng'xing [3]=xing'hang
  // [4]=hang'hang [5]=heng'hang [6]=xing'heng [7]=hang'heng [8]=heng'heng.
  for (size_t i : {4, 7, 0, 5, 8, 2, 3, 6, 1})
    expected.Value(keys[i] | 0x80000000u);
  EXPECT_TRUE(SameIndex(expected.Bytes(), Index()));
}

TEST_F(PinyinIndexBuild, SingleCharactersOnly) {
  state.pinyinSingleCharsOnly = 1;
  SetEntries({{u"行", 5}, {u"银行", 9}});
  WriteSchemeFile(u"dycz.txt", "银行(hang2)\n");
  Build();
  ExpectedIndex expected(ReadingTableOf(kMb));
  uint32_t hang = expected.Key(Entry(0), {"hang"});
  uint32_t heng = expected.Key(Entry(0), {"heng"});
  for (uint32_t value : {hang | 0x80000000u, heng | 0x80000000u, Entry(0)})
    expected.Value(value);
  EXPECT_TRUE(SameIndex(expected.Bytes(), Index()));
}

TEST_F(PinyinIndexBuild, HeaderTextLinesFromZg) {
  SetEntries({});
  std::string zg = "abc\n" + std::string(300, 'x') + "\nend\n";
  WriteSchemeFile(u"zg.txt", zg);
  Build();
  ExpectedIndex expected(ReadingTableOf(kMb));
  // The byte-order mark stays; a line of 302 units is read as 264 units and 38; a line of 40 units
  // or more has no terminator; the final CR LF makes no empty slot.
  expected.HeaderLine(0, std::u16string(u"\xFEFF"
                                        u"abc\r\n") +
                             u'\0');
  expected.HeaderLine(1, std::u16string(40, u'x'));
  expected.HeaderLine(2, std::u16string(36, u'x') + u"\r\n" + u'\0');
  expected.HeaderLine(3, std::u16string(u"end\r\n") + u'\0');
  EXPECT_TRUE(SameIndex(expected.Bytes(), Index()));
  EXPECT_TRUE(SameIndex(expected.UserBytes(), UserIndex()));
}

TEST_F(PinyinIndexBuild, OnlyThirtyHeaderLines) {
  SetEntries({});
  std::string zg;
  for (int i = 0; i < 35; ++i)
    zg += "L" + std::to_string(i) + "\n";
  WriteSchemeFile(u"zg.txt", zg);
  Build();
  std::optional<std::vector<uint8_t>> index = Index();
  ASSERT_TRUE(index);
  EXPECT_EQ(LoadU16(&(*index)[92 + 80 * 29]), u'L');
  EXPECT_EQ(LoadU16(&(*index)[92 + 80 * 29 + 2]), u'2');
  EXPECT_EQ(LoadU16(&(*index)[92 + 80 * 29 + 4]), u'9');
  for (size_t i = 92 + 80 * 30; i < 2934; ++i)
    ASSERT_EQ((*index)[i], 0) << i;
}

TEST_F(PinyinIndexTest, MissingCodeTableLeavesEveryCharacterWithoutReading) {
  // Without mb.txt the key area starts at 2,934, where the character records would be: a key
  // record stated in dycz.txt lands there and is never read back as a reading.
  SetEntries({{u"行", 5}, {u"银行", 9}});
  WriteSchemeFile(u"dycz.txt", "行(hang2)\n");
  Build();
  ExpectedIndex expected({});
  uint32_t hang = expected.Key(Entry(0), {"hang"});
  expected.Value(hang | 0x80000000u);
  EXPECT_TRUE(SameIndex(expected.Bytes(), Index()));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ui.steps, 4);
}

TEST_F(PinyinIndexTest, UnknownFirstReadingIsReported) {
  WriteSchemeFile(u"mb.txt", "行 hxng2\n");
  SetEntries({{u"行", 5}});
  Build();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"行");
  EXPECT_EQ(ui.messages[0].caption, u"没有拼音！");
  ExpectedIndex expected(ReadingTableOf("行 hxng2\n"));
  EXPECT_TRUE(SameIndex(expected.Bytes(), Index()));
}

TEST_F(PinyinIndexTest, SchemeNotSelectedDeletesTheOldFilesOnly) {
  state.schemes[0].selected = 0;
  folder.Write(u"拼音\\qinglan.idx", {1, 2, 3});
  folder.Write(u"拼音\\User.idx", {1, 2, 3});
  folder.Write(u"拼音\\keep.txt", {1});
  SetEntries({{u"行", 5}});
  std::vector<uint8_t> before = main.bytes;
  Build();
  EXPECT_FALSE(Read(u"拼音\\qinglan.idx"));
  EXPECT_FALSE(Read(u"拼音\\User.idx"));
  EXPECT_TRUE(Read(u"拼音\\keep.txt"));
  EXPECT_FALSE(Index());
  EXPECT_FALSE(UserIndex());
  EXPECT_EQ(ui.steps, 0);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(main.bytes, before);
}

TEST_F(PinyinIndexBuild, ExistingFilesAreReplacedWhole) {
  folder.Write(std::u16string(kPinyinSchemePath) + u"\\qinglan.idx",
               std::vector<uint8_t>(500000, 0xEE));
  folder.Write(u"输入方案\\拼音\\User.idx", std::vector<uint8_t>(500000, 0xEE));
  SetEntries({{u"银", 1}});
  Build();
  ExpectedIndex expected(ReadingTableOf(kMb));
  expected.Value(Entry(0));
  EXPECT_TRUE(SameIndex(expected.Bytes(), Index()));
  EXPECT_TRUE(SameIndex(expected.UserBytes(), UserIndex()));
}

// An index file that cannot be written is named and the step fails; the earlier file stays.
TEST_F(PinyinIndexBuild, AnIndexFileThatCannotBeWrittenIsNamed) {
  const std::u16string index = std::u16string(kPinyinSchemePath) + u"\\qinglan.idx";
  folder.Write(index, std::vector<uint8_t>(40, 0xEE));
  folder.Write(index + u".ql-new\\blocker", {1});
  SetEntries({{u"银", 1}});
  EXPECT_FALSE(BuildPinyinIndex(state, main.bytes.data(), main.bytes.size()));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, folder.path() + index);
  EXPECT_EQ(ui.messages[0].caption, u"file not open1");
  EXPECT_EQ(Index(), std::vector<uint8_t>(40, 0xEE));
}

}  // namespace
}  // namespace ql::test
