// The compiler's parse of one line of mb.txt and of dycz.txt, which the builders use and `qlc
// check` reports from: what is kept, what is unknown, what is dropped, and the limits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "setup/compiler/dycz_line.h"
#include "setup/compiler/pinyin_index_format.h"
#include "setup/compiler/reading_table.h"
#include "setup/compiler/syllables.h"

namespace ql {
namespace {

SyllableCode Code(std::u16string_view syllable) {
  return FindSyllableCode(syllable);
}

TEST(SourceLines, CodeTableLine) {
  struct Case {
    std::u16string line;
    bool inRange;
    std::vector<std::u16string> fields;
    std::vector<bool> present;
    std::u16string dropped;
    bool furtherValid;
  };
  const Case cases[] = {
      {u"的 de5 di2 di4", true, {u"de5", u"di2", u"di4"}, {true, true, true}, u"", true},
      {u"好  hao3 ", true, {u"hao3"}, {true}, u"", true},
      {u"好 xyz4", true, {u"xyz4"}, {false}, u"", true},
      {u"中 zhong1 xx zhong4",
       true,
       {u"zhong1", u"xx", u"zhong4"},
       {true, false, true},
       u"",
       false},
      // A sixth reading and whatever follows it find no room.
      {u"们 men5 men2 men1 men3 men4 mei2  mo4 ",
       true,
       {u"men5", u"men2", u"men1", u"men3", u"men4"},
       {true, true, true, true, true},
       u"mei2  mo4",
       true},
      {u"们 men5 men2 men1 men3 men4 ",
       true,
       {u"men5", u"men2", u"men1", u"men3", u"men4"},
       {true, true, true, true, true},
       u"",
       true},
      {u"生", true, {}, {}, u"", true},
      {u"[Text]", false, {}, {}, u"", true},
      {u"\U00020000 a1", false, {}, {}, u"", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.line.begin(), c.line.end()));
    const CodeTableLine line = ParseCodeTableLine(c.line);
    EXPECT_EQ(line.inRange, c.inRange);
    ASSERT_EQ(line.readingCount, c.fields.size());
    for (size_t i = 0; i < c.fields.size(); ++i) {
      EXPECT_EQ(line.fields[i], c.fields[i]);
      EXPECT_EQ(line.readings[i].present(), c.present[i]);
    }
    EXPECT_EQ(line.dropped, c.dropped);
    EXPECT_EQ(line.FurtherReadingsValid(), c.furtherValid);
  }
  const CodeTableLine tone = ParseCodeTableLine(u"好 hao3");
  EXPECT_EQ(tone.character, u"好");
  EXPECT_EQ(tone.readings[0].code, Code(u"hao"));
  EXPECT_EQ(tone.readings[0].tone, 3);
}

TEST(SourceLines, DyczLine) {
  const std::u16string f5 = u"(hang2 xing2 heng4 hen2 hao2)";
  std::u16string wide(kMaxBracketUnits + 1, u' ');
  wide[0] = u'a';
  struct Case {
    std::u16string line;
    bool ended;
    DyczFault fault;
    std::u16string phrase;
    size_t brackets;
  };
  const Case cases[] = {
      {u"银行(hang2)\r", true, DyczFault::kNone, u"银行", 1},
      {u"行(hang2 xing2)长", true, DyczFault::kNone, u"行长", 1},
      {u"(中)国", true, DyczFault::kBracketFirst, u"", 0},
      {u"中(zhong1", true, DyczFault::kUnclosedBracket, u"中", 1},
      // A last line without LF is read but never finished: its open bracket is no fault.
      {u"中(zhong1", false, DyczFault::kNone, u"中", 0},
      {std::u16string(kMaxDyczTextUnits, u'行') + u"\r", true, DyczFault::kNone,
       std::u16string(kMaxDyczTextUnits, u'行'), 0},
      {std::u16string(kMaxDyczTextUnits + 1, u'行') + u"\r", true, DyczFault::kTextTooLong,
       std::u16string(kMaxDyczTextUnits + 1, u'行'), 0},
      {std::u16string(kMaxDyczTextUnits + 1, u'行') + u"(hang2)", true, DyczFault::kTextTooLong,
       std::u16string(kMaxDyczTextUnits + 1, u'行'), 0},
      {u"中(a b c d e f g h i j k)国", true, DyczFault::kTooManyReadings, u"中", 1},
      {u"中(abcdefghijkl)国", true, DyczFault::kReadingTooLong, u"中", 1},
      {u"中(" + wide + u")国", true, DyczFault::kBracketTooLong, u"中", 1},
      {u"长" + f5 + u"行" + f5 + u"行" + f5, true, DyczFault::kTooManyVariants, u"长行行", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.line.begin(), c.line.end()));
    const DyczLine line = ParseDyczLine(c.line, c.ended);
    EXPECT_EQ(line.fault, c.fault);
    EXPECT_EQ(line.phrase(), c.phrase);
    EXPECT_EQ(line.brackets.size(), c.brackets);
  }

  // Stated readings found and unknown, and which characters take mb.txt's first reading.
  const DyczLine line = ParseDyczLine(u"行(hang2 xing2)长(xx zhang3)银(yy)", true);
  ASSERT_EQ(line.brackets.size(), 3u);
  EXPECT_EQ(line.brackets[0].position, 0u);
  EXPECT_EQ(line.brackets[0].codes, (std::vector<SyllableCode>{Code(u"hang"), Code(u"xing")}));
  EXPECT_EQ(line.brackets[1].codes, std::vector<SyllableCode>{Code(u"zhang")});
  EXPECT_EQ(line.brackets[1].unknown, std::vector<std::u16string_view>{u"xx"});
  EXPECT_TRUE(line.brackets[2].codes.empty());
  EXPECT_FALSE(line.TakesFirstReading(0));
  EXPECT_FALSE(line.TakesFirstReading(1));
  EXPECT_TRUE(line.TakesFirstReading(2));  // no syllable stated
}

TEST(SourceLines, DyczLinesAreSplitAtLfAfterTheByteOrderMark) {
  std::vector<std::u16string> phrases;
  std::vector<size_t> numbers;
  std::vector<bool> ended;
  ReadDyczLines(u"\uFEFF银行(hang2)\r\n\n长(zhang3)", [&](const DyczLine& line, size_t number) {
    phrases.emplace_back(line.phrase());
    numbers.push_back(number);
    ended.push_back(line.ended);
    return true;
  });
  EXPECT_EQ(phrases, (std::vector<std::u16string>{u"银行", u"", u"长"}));
  EXPECT_EQ(numbers, (std::vector<size_t>{1, 2, 3}));
  EXPECT_EQ(ended, (std::vector<bool>{true, true, false}));

  size_t visited = 0;
  ReadDyczLines(u"\uFEFF甲\r\n乙\r\n", [&](const DyczLine&, size_t) { return ++visited < 1; });
  EXPECT_EQ(visited, 1u);
}

}  // namespace
}  // namespace ql
