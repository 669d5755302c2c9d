#include "setup/common/text.h"

#include <gtest/gtest.h>

namespace ql {
namespace {

TEST(Text, Utf8RoundTripKeepsChineseAndSupplementaryCharacters) {
  std::string utf8 = "青岚输入法平台 \xF0\xA0\x80\x80 abc";
  std::u16string utf16 = Utf8ToUtf16(utf8);
  EXPECT_EQ(utf16, u"青岚输入法平台 \U00020000 abc");
  EXPECT_EQ(Utf16ToUtf8(utf16), utf8);
}

TEST(Text, IllFormedInputBecomesReplacementCharacters) {
  EXPECT_EQ(Utf8ToUtf16("a\xC0\xAF"
                        "b"),
            u"a\uFFFD\uFFFDb");                                   // overlong
  EXPECT_EQ(Utf8ToUtf16("\xE4\xB8"), u"\uFFFD\uFFFD");            // cut short
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Text, DecimalTextAsPercentD) {
  EXPECT_EQ(DecimalText(0), u"0");
  EXPECT_EQ(DecimalText(80), u"80");
  EXPECT_EQ(DecimalText(-7), u"-7");
  EXPECT_EQ(DecimalText(INT64_MIN), u"-9223372036854775808");
}

TEST(Text, CaseFoldingIsAsciiOnly) {
  EXPECT_TRUE(EqualsAsciiNoCase(u"SoFt", u"soft"));
  EXPECT_FALSE(EqualsAsciiNoCase(u"Ä", u"ä"));
  EXPECT_FALSE(EqualsAsciiNoCase(u"soft", u"sof"));
}

TEST(Text, Windows1252HighRange) {
  const uint8_t bytes[] = {0x80, 0x81, 0x9F, 0xA0, 0xE9};
  EXPECT_EQ(DecodeWindows1252(bytes, sizeof bytes), u"\u20AC\u0081\u0178\u00A0\u00E9");
}

}  // namespace
}  // namespace ql
