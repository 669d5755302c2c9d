#include "setup/compiler/reading_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "setup/common/bytes.h"
#include "setup/common/text.h"
#include "setup/common/ui.h"
#include "tests/support/test_support.h"

namespace ql {
namespace {

// Layout numbers written out by hand, so a slip in the builder's constants shows here.
constexpr size_t kTable = 2934;
size_t CharacterAt(char16_t c) {
  return kTable + 5 * (c - 0x3000);
}
size_t ExtraAt(size_t number) {
  return kTable + 143360 + 12 * number;
}
constexpr uint32_t kEmptyLength = 143372;
constexpr size_t kWorkSize = kTable + 204800;

// The expected work buffer: zero, with the header fields and the bytes each test sets.
struct ExpectedBuffer {
  explicit ExpectedBuffer(uint32_t length, size_t size = kWorkSize) : bytes(size, 0) {
    Put(4, {0x76, 0x0B, 0, 0});  // 2,934
    for (int i = 0; i < 4; ++i)
      bytes[8 + i] = static_cast<uint8_t>(length >> (8 * i));
  }
  void Put(size_t at, std::initializer_list<uint8_t> values) {
    for (uint8_t v : values)
      bytes[at++] = v;
  }
  std::vector<uint8_t> bytes;
};

class ReadingTableTest : public ::testing::Test {
 protected:
  ReadingTableSummary Build(std::string_view utf8Lines) {
    return BuildRaw(test::Utf16File(utf8Lines));
  }
  ReadingTableSummary BuildRaw(const std::optional<std::vector<uint8_t>>& source) {
    return BuildReadingTableFromSource(source, buffer.data(), buffer.size());
  }

  // Compares the whole buffer and reports the first differing offsets, not 200 KB of bytes.
  void ExpectBuffer(const ExpectedBuffer& expected) {
    ASSERT_EQ(buffer.size(), expected.bytes.size());
    int shown = 0;
    for (size_t i = 0; i < buffer.size() && shown < 8; ++i) {
      if (buffer[i] != expected.bytes[i]) {
        ADD_FAILURE() << "offset " << i << ": got " << int{buffer[i]} << ", expected "
                      << int{expected.bytes[i]};
        ++shown;
      }
    }
  }

  std::vector<uint8_t> buffer = std::vector<uint8_t>(kWorkSize, 0);
  test::RecordingUi ui;
  ScopedUi scopedUi{ui};
};

TEST_F(ReadingTableTest, PolyphonicCharacterGetsFirstReadingAndExtraRecord) {
  // 行 = U+884C: xing = x(0x36) + ing(0x19); hang = h(0x11) + ang(0x04); heng = h + eng(0x0D).
  ReadingTableSummary summary = Build("行 xing2 hang2 heng4 hang4\n");
  ExpectedBuffer expected(kEmptyLength + 12);
  expected.Put(CharacterAt(u'行'), {0x36, 0x19, 2, 1, 0});
  expected.Put(ExtraAt(1), {0x11, 0x04, 2, 0x11, 0x0D, 4, 0x11, 0x04, 4, 0, 0, 0});
  ExpectBuffer(expected);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(summary.sourceRead);
  EXPECT_EQ(summary.length, kEmptyLength + 12);
  EXPECT_EQ(summary.extraRecords, 1u);
}

TEST_F(ReadingTableTest, ToneDigitIsCutAndReadingsWithoutDigitHaveToneZero) {
  // 阿 a (no digit: "a", not "an"), 啊 a1, 安 an1, 〇 ling0; 　(U+3000) is the first record.
  Build("阿 a\n啊 a1\n安 an1\n〇 ling0\n\u3000 ba5\n");
  ExpectedBuffer expected(kEmptyLength);
  expected.Put(CharacterAt(u'阿'), {0x21, 0x01, 0, 0, 0});
  expected.Put(CharacterAt(u'啊'), {0x21, 0x01, 1, 0, 0});
  expected.Put(CharacterAt(u'安'), {0x21, 0x03, 1, 0, 0});
  expected.Put(CharacterAt(u'〇'), {0x1E, 0x19, 0, 0, 0});
  expected.Put(CharacterAt(u'\u3000'), {0x06, 0x01, 5, 0, 0});
  ExpectBuffer(expected);
}

TEST_F(ReadingTableTest, LastCharacterOfTheRangeAndUeAgainstVe) {
  // U+9FFF is the last record; lue = l(0x1E) + ue(0x2F), lve = l + ve(0x34), xv codes as xu.
  Build("\u9FFF lue4 lve4 xv xu1\n");
  ExpectedBuffer expected(kEmptyLength + 12);
  expected.Put(CharacterAt(u'\u9FFF'), {0x1E, 0x2F, 4, 1, 0});
  expected.Put(ExtraAt(1), {0x1E, 0x34, 4, 0x36, 0x2A, 0, 0x36, 0x2A, 1, 0, 0, 0});
  ExpectBuffer(expected);
}

TEST_F(ReadingTableTest, FailedExtraRecordIsClearedAndReused) {
  // 中's third reading is not a syllable: it keeps its first reading, gets no record, and the
  // record goes to 长 with only 长's own readings. No message for readings after the first.
  Build("行 xing2 hang2\n中 zhong1 zhong4 lü4 zhong3\n长 chang2 zhang3\n");
  ExpectedBuffer expected(kEmptyLength + 24);
  expected.Put(CharacterAt(u'行'), {0x36, 0x19, 2, 1, 0});
  expected.Put(ExtraAt(1), {0x11, 0x04, 2});
  expected.Put(CharacterAt(u'中'), {0x39, 0x22, 1, 0, 0});
  expected.Put(CharacterAt(u'长'), {0x08, 0x04, 2, 2, 0});
  expected.Put(ExtraAt(2), {0x39, 0x04, 3});
  ExpectBuffer(expected);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ReadingTableTest, FailedLastRecordLeavesNoBytesPastTheBlock) {
  // The index file's next area starts right after the block, where the failed record was filled.
  Build("中 zhong1 zhong4 lü4\n");
  ExpectedBuffer expected(kEmptyLength);
  expected.Put(CharacterAt(u'中'), {0x39, 0x22, 1, 0, 0});
  ExpectBuffer(expected);
}

TEST_F(ReadingTableTest, ReadingsAfterTheFifthAreIgnored) {
  // 了: le5 liao3 le1 liao4 lve4, then two more (not even syllables) that are never looked at.
  Build("了 le5 liao3 le1 liao4 lve4 xxx le2\n");
  ExpectedBuffer expected(kEmptyLength + 12);
  expected.Put(CharacterAt(u'了'), {0x1E, 0x0A, 5, 1, 0});
  expected.Put(ExtraAt(1), {0x1E, 0x16, 3, 0x1E, 0x0A, 1, 0x1E, 0x16, 4, 0x1E, 0x34, 4});
  ExpectBuffer(expected);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ReadingTableTest, EmptyFieldsCarryNoReading) {
  Build("中  zhong1  zhong4 \n行 \n");
  ExpectedBuffer expected(kEmptyLength + 12);
  expected.Put(CharacterAt(u'中'), {0x39, 0x22, 1, 1, 0});
  expected.Put(ExtraAt(1), {0x39, 0x22, 4});
  ExpectBuffer(expected);
}

TEST_F(ReadingTableTest, LinesOutsideTheCharacterRangeAreIgnored) {
  ReadingTableSummary summary = Build(
      "[Description]\n"
      "Name=拼音\n"
      "\n"
      " 行 xing2\n"       // starts with a space
      "a a1\n"            // Latin
      "\u2FFF ba1\n"      // just below the range
      "\U00020000 ba1\n"  // a surrogate pair
      "\uFF41 ba1\n"      // above the range
      "行\n"              // a character without reading
      "中 zhong1");       // no final LF
  ExpectBuffer(ExpectedBuffer(kEmptyLength));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(summary.charactersSet, 0u);
}

TEST_F(ReadingTableTest, UnknownFirstReadingShowsTheCharacterField) {
  Build(
      "中 zhong1\n"
      "中 Zhong zhong4\n"  // capital letter: not found; the earlier reading stays
      "行 xin2g\n"         // the digit is not last
      "国家 gwo2\n"        // the message shows the whole first field
      "阿 a12\n");         // one digit only: "a1" is not a syllable
  ExpectedBuffer expected(kEmptyLength + 12);
  expected.Put(CharacterAt(u'中'), {0x39, 0x22, 1, 1, 0});
  expected.Put(ExtraAt(1), {0x39, 0x22, 4});
  ExpectBuffer(expected);
  ASSERT_EQ(ui.messages.size(), 4u);
  EXPECT_EQ(ui.messages[0].text, u"中");
  EXPECT_EQ(ui.messages[1].text, u"行");
  EXPECT_EQ(ui.messages[2].text, u"国家");
  EXPECT_EQ(ui.messages[3].text, u"阿");
  for (const auto& message : ui.messages) {
    EXPECT_EQ(message.caption, u"没有拼音！");
    EXPECT_EQ(message.style, kMbOk);
  }
}

TEST_F(ReadingTableTest, LaterLineForTheSameCharacterSetsItAgain) {
  // The second line takes a new record (the first stays assigned and counted); the third sets
  // only the first reading and keeps the record number.
  Build("行 xing2 hang2\n行 hang2 xing2\n行 heng4\n");
  ExpectedBuffer expected(kEmptyLength + 24);
  expected.Put(CharacterAt(u'行'), {0x11, 0x0D, 4, 2, 0});
  expected.Put(ExtraAt(1), {0x11, 0x04, 2});
  expected.Put(ExtraAt(2), {0x36, 0x19, 2});
  ExpectBuffer(expected);
}

TEST_F(ReadingTableTest, LengthCountsEveryAssignedRecord) {
  std::string lines;
  for (int i = 0; i < 1000; ++i)
    lines += "行 xing2 hang2\n";
  ReadingTableSummary summary = Build(lines);
  EXPECT_EQ(LoadU32(&buffer[8]), 155372u);
  EXPECT_EQ(summary.extraRecords, 1000u);
  EXPECT_EQ(LoadU16(&buffer[CharacterAt(u'行') + 3]), 1000);
}

TEST_F(ReadingTableTest, OnlyLineWithoutLineFeedGivesAnEmptyTable) {
  Build("行 xing2 hang2");
  ExpectBuffer(ExpectedBuffer(kEmptyLength));
}

TEST_F(ReadingTableTest, MissingSourceLeavesLengthZero) {
  buffer[8] = 0x55;  // whatever was there, the length reads 0 afterwards
  ReadingTableSummary summary = BuildRaw(std::nullopt);
  EXPECT_EQ(LoadU32(&buffer[4]), 2934u);
  EXPECT_EQ(LoadU32(&buffer[8]), 0u);
  EXPECT_FALSE(summary.sourceRead);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ReadingTableTest, StaleBytesInTheTableAreaAreCleared) {
  std::fill(buffer.begin(), buffer.end(), 0xAA);
  Build("行 xing2 hang2\n");
  for (size_t i = kTable; i < kWorkSize; ++i) {
    if (i >= CharacterAt(u'行') && i < CharacterAt(u'行') + 5)
      continue;
    if (i >= ExtraAt(1) && i < ExtraAt(1) + 3)
      continue;
    ASSERT_EQ(buffer[i], 0) << "offset " << i;
  }
}

TEST_F(ReadingTableTest, FilesOutsideTheLineConventionLoseNoCharacter) {
  // Without byte-order mark the first line still counts; with bare LF ends the tone digit stays.
  BuildRaw(test::RawUtf16(u"行 xing2\n中 zhong1\r\n"));
  ExpectedBuffer expected(kEmptyLength);
  expected.Put(CharacterAt(u'行'), {0x36, 0x19, 2, 0, 0});
  expected.Put(CharacterAt(u'中'), {0x39, 0x22, 1, 0, 0});
  ExpectBuffer(expected);
}

TEST(ReadingTableBounds, BufferTooSmallForTheTable) {
  const std::vector<uint8_t> source = test::Utf16File("行 xing2 hang2\n");
  for (size_t size : {size_t{0}, size_t{8}, size_t{11}, size_t{12}, size_t{146305}}) {
    test::RecordingUi ui;
    ScopedUi scoped(ui);
    std::vector<uint8_t> buffer(size, 0x11);
    uint8_t* data = size == 0 ? nullptr : buffer.data();
    ReadingTableSummary summary = BuildReadingTableFromSource(source, data, size);
    EXPECT_TRUE(summary.bufferTooSmall);
    EXPECT_EQ(summary.length, 0u);
    ASSERT_EQ(ui.messages.size(), 1u) << size;
    EXPECT_EQ(ui.messages[0].caption, u"拼音安装");
    if (size >= 12) {
      EXPECT_EQ(LoadU32(&buffer[4]), 2934u);
      EXPECT_EQ(LoadU32(&buffer[8]), 0u);
      if (size > 12) {
        EXPECT_EQ(buffer[12], 0x11);  // nothing written past the header fields
      }
    }
  }
}

TEST(ReadingTableBounds, ExtraRecordsStopAtTheBufferEnd) {
  // Room for the character records and record 0, plus one record: the second polyphonic line
  // keeps its first reading, gets no record, and one message tells that the records are full.
  const size_t size = 146306 + 12;
  std::vector<uint8_t> buffer(size, 0);
  test::RecordingUi ui;
  ScopedUi scoped(ui);
  ReadingTableSummary summary = BuildReadingTableFromSource(
      test::Utf16File("行 xing2 hang2\n中 zhong1 zhong4\n长 chang2 zhang3\n"), buffer.data(), size);
  EXPECT_TRUE(summary.extraReadingsFull);
  EXPECT_EQ(LoadU32(&buffer[8]), kEmptyLength + 12);
  EXPECT_EQ(buffer[CharacterAt(u'行') + 3], 1);
  EXPECT_EQ(buffer[CharacterAt(u'中')], 0x39);
  EXPECT_EQ(buffer[CharacterAt(u'中') + 3], 0);
  EXPECT_EQ(buffer[CharacterAt(u'长')], 0x08);
  EXPECT_EQ(buffer[CharacterAt(u'长') + 3], 0);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].caption, u"拼音安装");
  EXPECT_EQ(ui.messages[0].text, std::u16string(kExtraReadingsFullText));
}

TEST(ReadingTableBounds, RecordsBeyondTheClearedAreaAreClearedWhenAssigned) {
  // 5,200 records reach past the 204,800 bytes cleared at the start; the buffer there is stale.
  const size_t records = 5200;
  std::vector<uint8_t> buffer(ExtraAt(records + 1), 0xAA);
  std::string lines;
  for (size_t i = 0; i < records; ++i)
    lines += "行 xing2 hang2\n";
  test::RecordingUi ui;
  ScopedUi scoped(ui);
  BuildReadingTableFromSource(test::Utf16File(lines), buffer.data(), buffer.size());
  EXPECT_EQ(LoadU32(&buffer[8]), kEmptyLength + 12 * records);
  const std::vector<uint8_t> last(buffer.begin() + ExtraAt(records),
                                  buffer.begin() + ExtraAt(records) + 12);
  EXPECT_EQ(last, (std::vector<uint8_t>{0x11, 0x04, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(ui.messages.empty());
}

TEST(ReadingTableBounds, RecordNumbersStopAt65535) {
  std::string lines;
  for (int i = 0; i < 65536; ++i)
    lines += "行 xing2 hang2\n";
  lines += "中 zhong1 zhong4\n";
  std::vector<uint8_t> buffer(3 * 1024 * 1024, 0);
  test::RecordingUi ui;
  ScopedUi scoped(ui);
  ReadingTableSummary summary =
      BuildReadingTableFromSource(test::Utf16File(lines), buffer.data(), buffer.size());
  EXPECT_EQ(summary.extraRecords, 65535u);
  EXPECT_EQ(LoadU32(&buffer[8]), 929792u);  // 143,372 + 12 × 65,535
  // The 65,536th line of 行 and the line of 中 found no record; neither wraps to a used number.
  EXPECT_EQ(LoadU16(&buffer[CharacterAt(u'行') + 3]), 0);
  EXPECT_EQ(LoadU16(&buffer[CharacterAt(u'中') + 3]), 0);
  EXPECT_EQ(buffer[CharacterAt(u'中')], 0x39);
  EXPECT_EQ(ui.messages.size(), 1u);
}

TEST(ReadingTableView, ReadsOnlyInsideTheBlock) {
  std::vector<uint8_t> buffer(kWorkSize, 0);
  test::RecordingUi ui;
  ScopedUi scoped(ui);
  ReadingTableSummary summary = BuildReadingTableFromSource(
      test::Utf16File("行 xing2 hang2 heng4\n中 zhong1\n"), buffer.data(), buffer.size());
  const uint8_t* block = buffer.data() + kTable;

  ReadingTableView view(block, summary.length);
  EXPECT_EQ(view.FirstReading(u'行').code, 0x1936);
  EXPECT_EQ(view.FirstReading(u'行').tone, 2);
  EXPECT_TRUE(view.FirstReading(u'中').present());
  EXPECT_FALSE(view.FirstReading(u'国').present());
  EXPECT_FALSE(view.FirstReading(u'a').present());
  EXPECT_FALSE(view.FirstReading(u'\uA000').present());
  Reading extra[4];
  ASSERT_EQ(view.ExtraReadings(u'行', extra), 2u);
  EXPECT_EQ(extra[0].code, 0x0411);
  EXPECT_EQ(extra[1].code, 0x0D11);
  EXPECT_EQ(extra[1].tone, 4);
  EXPECT_EQ(view.ExtraReadings(u'中', extra), 0u);

  // A block cut short: the extra record and the characters past the cut read as absent.
  ReadingTableView cut(block, 143360);
  EXPECT_EQ(cut.ExtraNumber(u'行'), 1);
  EXPECT_EQ(cut.ExtraReadings(u'行', extra), 0u);
  ReadingTableView empty(block, 0);
  EXPECT_FALSE(empty.FirstReading(u'行').present());
  EXPECT_FALSE(empty.FirstReading(u'\u3000').present());
}

}  // namespace
}  // namespace ql
