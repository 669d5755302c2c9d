#include <gtest/gtest.h>

#include <set>
#include <string>

#include "setup/compiler/syllable_table.h"
#include "setup/compiler/syllables.h"

namespace ql {
namespace {

// Codes worked out by hand from the element list and the initial rule; not read from the table.
struct Coded {
  const char* spelling;
  SyllableCode code;
};

TEST(SyllableCode, SpellingsCodeByTheRule) {
  const Coded cases[] = {
      // No initial: the initial byte is that of "o" (33 = 0x21).
      {"a", 0x0121},
      {"an", 0x0321},
      {"o", 0x2121},
      {"e", 0x0A21},
      {"eng", 0x0D21},
      {"er", 0x0E21},
      {"ou", 0x2321},
      // Single-letter and two-letter initials, longest match first.
      {"ba", 0x0106},
      {"bai", 0x0206},
      {"ci", 0x1207},
      {"chi", 0x1208},
      {"shi", 0x1228},
      {"zhi", 0x1239},
      {"ri", 0x1226},
      {"zuo", 0x3238},
      {"zhuang", 0x2E39},
      {"kei", 0x0B1D},
      {"fiao", 0x160F},
      {"jiong", 0x1A1C},
      {"xing", 0x1936},
      // y and w are initials of their own.
      {"yu", 0x2A37},
      {"yong", 0x2237},
      {"yo", 0x2137},
      {"wu", 0x2A35},
      // The v spellings, and ue against ve.
      {"lv", 0x331E},
      {"nv", 0x3320},
      {"lve", 0x341E},
      {"nve", 0x3420},
      {"lue", 0x2F1E},
      {"nue", 0x2F20},
      {"jue", 0x2F1C},
      {"yue", 0x2F37},
      // "xv" is coded like "xu", not x + v.
      {"xu", 0x2A36},
      {"xv", 0x2A36},
  };
  for (const Coded& c : cases) {
    int entry = FindSyllable(std::string_view(c.spelling));
    ASSERT_GE(entry, 0) << c.spelling;
    EXPECT_EQ(kSyllableTable[entry].code(), c.code) << c.spelling;
    EXPECT_EQ(kSyllableTable[entry].initialCode, c.code & 0xFF) << c.spelling;
    EXPECT_EQ(kSyllableTable[entry].finalCode, c.code >> 8) << c.spelling;
  }
}

TEST(SyllableCode, UnicodeLookupGivesTheSameCodes) {
  EXPECT_EQ(FindSyllableCode(u"a"), 0x0121);
  EXPECT_EQ(FindSyllableCode(u"zhuang"), 0x2E39);
  EXPECT_EQ(FindSyllableCode(u"lve"), 0x341E);
  EXPECT_EQ(FindSyllableCode(u"xv"), 0x2A36);
  EXPECT_EQ(FindSyllableCode(u"nope"), 0);
}

TEST(FindSyllable, FirstAndLastEntries) {
  EXPECT_EQ(FindSyllable(std::string_view("a")), 0);
  EXPECT_EQ(FindSyllable(std::string_view("zuo")), 412);
  EXPECT_EQ(FindSyllable(u"a"), 0);
  EXPECT_EQ(FindSyllable(u"zuo"), 412);
}

TEST(FindSyllable, Rejects) {
  const char16_t* rejected[] = {
      u"",          // empty never matches
      u"b",         // an initial alone
      u"zh",        //
      u"m",         // syllables outside the table
      u"ng",        //
      u"v",         //
      u"bia",       // a prefix of bian/biao only
      u"Ba",        // case-sensitive
      u"BA",        //
      u"xIng",      //
      u"ba1",       // callers cut the tone digit; with it the spelling is not found
      u"l\u00FC",   // ü in any form
      u"l\u01D6",   //
      u"n\u00FCe",  //
      u"b\u0161",   // a unit whose low byte is 'a' is not the letter a
      u"\u0161",    //
      u"ba ",       // a trailing space is part of the letters
  };
  for (const char16_t* spelling : rejected)
    EXPECT_EQ(FindSyllable(std::u16string_view(spelling)), -1)
        << std::string(std::u16string_view(spelling).begin(), std::u16string_view(spelling).end());
}

TEST(FindSyllable, ShortSpellingsMatchOnlyExactly) {
  // "ba" must not match "bai" or "ban": the end of the letters takes part as a zero byte.
  int ba = FindSyllable(std::string_view("ba"));
  ASSERT_GE(ba, 0);
  EXPECT_EQ(kSyllableTable[ba].letters(), "ba");
  EXPECT_EQ(kSyllableTable[FindSyllable(std::string_view("a"))].letters(), "a");
  EXPECT_EQ(kSyllableTable[FindSyllable(std::string_view("zhua"))].letters(), "zhua");
}

TEST(FindSyllable, OnlySixLettersTakePart) {
  const char* longer[] = {"zhuangx", "zhuangzhuang", "zhuang1"};
  for (const char* spelling : longer)
    EXPECT_EQ(FindSyllable(std::string_view(spelling)), FindSyllable(std::string_view("zhuang")))
        << spelling;
  // Beyond the sixth unit nothing is looked at, not even a non-ASCII unit.
  EXPECT_EQ(FindSyllableCode(u"shuang\u00FC"), 0x2E28);
  EXPECT_EQ(FindSyllable(std::string_view("zhuan")), FindSyllable(u"zhuan"));
  EXPECT_NE(FindSyllable(std::string_view("zhuan")), FindSyllable(std::string_view("zhuang")));
}

TEST(SyllableTable, EntriesAreDistinctSearchableAndSpellBack) {
  std::set<SyllableCode> codes;
  std::set<std::string_view> sixLetters;
  for (size_t i = 0; i < kSyllableCount; ++i) {
    const SyllableEntry& entry = kSyllableTable[i];
    std::string_view letters = entry.letters();
    EXPECT_EQ(FindSyllable(letters), static_cast<int>(i)) << letters;
    EXPECT_NE(entry.initialCode, 0) << letters;
    EXPECT_NE(entry.finalCode, 0) << letters;
    // Stored as bytes, a code holds no zero byte, so a key of codes has none either.
    codes.insert(entry.code());
    if (letters.size() == 6)
      sixLetters.insert(letters);
    for (size_t k = letters.size(); k < 6; ++k) {
      EXPECT_EQ(entry.spelling[k], 0) << letters;
    }
    if (letters != "xv") {
      EXPECT_EQ(SpellSyllable(entry.code()), letters);
    }
  }
  // Only "xu" and "xv" share a code.
  EXPECT_EQ(codes.size(), kSyllableCount - 1);
  EXPECT_EQ(sixLetters, (std::set<std::string_view>{"chuang", "shuang", "zhuang"}));
}

TEST(SpellSyllable, SharedAndUnknownCodes) {
  EXPECT_EQ(SpellSyllable(0x2A36), "xu");
  EXPECT_EQ(SpellSyllable(0x3336), "");  // x + v: no entry has it
  EXPECT_EQ(SpellSyllable(0x0121), "a");
  EXPECT_EQ(SpellSyllable(0), "");
  EXPECT_EQ(SpellSyllable(0xFFFF), "");
}

TEST(SpellElement, Bounds) {
  EXPECT_EQ(SpellElement(0), "");
  EXPECT_EQ(SpellElement(1), "a");
  EXPECT_EQ(SpellElement(6), "b");
  EXPECT_EQ(SpellElement(33), "o");
  EXPECT_EQ(SpellElement(42), "u");
  EXPECT_EQ(SpellElement(47), "ue");
  EXPECT_EQ(SpellElement(51), "v");
  EXPECT_EQ(SpellElement(52), "ve");
  EXPECT_EQ(SpellElement(57), "zh");
  EXPECT_EQ(SpellElement(58), "");
  EXPECT_EQ(SpellElement(255), "");
}

}  // namespace
}  // namespace ql
