#include "setup/common/profile_file.h"

#include <gtest/gtest.h>

#include "setup/common/text.h"
#include "tests/support/test_support.h"

namespace ql {
namespace {

ProfileFile Parse(std::string_view utf8) {
  std::vector<uint8_t> bytes = test::Utf16File(utf8);
  return ProfileFile::Parse(bytes.data(), bytes.size());
}

struct Case {
  const char* file;
  const char16_t* section;
  const char16_t* key;
  size_t capacity;
  const char16_t* expected;
};

class ProfileRules : public ::testing::TestWithParam<Case> {};

TEST_P(ProfileRules, GivesWhatTheSystemGives) {
  const Case& c = GetParam();
  EXPECT_EQ(Parse(c.file).Get(c.section, c.key, u"DEF", c.capacity), c.expected)
      << "file: " << c.file;
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    ProfileRules,
    ::testing::Values(Case{"[soft]\nName=甲\n", u"soft", u"Name", 40, u"甲"},
                      Case{"[SOFT]\nNAME=甲\n", u"soft", u"name", 40, u"甲"},
                      Case{"  [ soft ]  \n  Name  =   甲 乙  \n", u"soft", u"Name", 40, u"甲 乙"},
                      Case{"[soft]\nName=\n", u"soft", u"Name", 40, u""},
                      Case{"[soft]\nName\n", u"soft", u"Name", 40, u"DEF"},
                      Case{"[soft]\nOther=1\n", u"soft", u"Name", 40, u"DEF"},
                      Case{"[soft]\nName=abcdef\n", u"soft", u"Name", 4, u"abc"},
                      Case{"[soft]\nName=\"quoted\"\n", u"soft", u"Name", 40, u"quoted"},
                      Case{"[soft]\nName='q'\n", u"soft", u"Name", 40, u"q"},
                      Case{"[soft]\nName=\"open\n", u"soft", u"Name", 40, u"\"open"},
                      Case{"[soft]\nName=\"\"\n", u"soft", u"Name", 40, u""},
                      Case{"[soft]\nName=\"abcdef\"\n", u"soft", u"Name", 4, u"abc"},
                      Case{"[soft]\nName=a=b\n", u"soft", u"Name", 40, u"a=b"},
                      Case{"[soft]\nName=1\nName=2\n", u"soft", u"Name", 40, u"1"},
                      Case{"[soft]\nA=1\n[soft]\nName=2\n", u"soft", u"Name", 40, u"DEF"},
                      Case{"[soft]\n[词库1]\nname=x\n", u"词库1", u"NAME", 40, u"x"},
                      Case{"[Ä]\nk=1\n", u"ä", u"k", 40, u"DEF"},
                      Case{"k=top\n[s]\n", u"", u"k", 40, u"top"},
                      Case{"[soft\nName=1\n", u"soft", u"Name", 40, u"DEF"},
                      Case{"[soft]\n;Name=1\n", u"soft", u";Name", 40, u"1"},
                      Case{"[soft]\nName=\u3000宽\u3000\n", u"soft", u"Name", 40,
                           u"\u3000宽\u3000"},
                      Case{"[soft]\nName=\x1A\v宽\f\t\n", u"soft", u"Name", 40, u"宽"},
                      Case{"[soft]\rName=cr\r", u"soft", u"Name", 40, u"cr"},
                      Case{"[soft]\nName=last", u"soft", u"Name", 40, u"last"}));

TEST(ProfileFile, DefaultLosesTrailingSpacesOnly) {
  ProfileFile empty;
  EXPECT_EQ(empty.Get(u"s", u"k", u" d  ", 40), u" d");
}

TEST(ProfileFile, EncodingsByByteOrderMark) {
  const uint8_t utf8[] = {0xEF, 0xBB, 0xBF, '[', 's', ']', '\n', 'k', '=', 0xE7, 0x94, 0xB2};
  ProfileFile a = ProfileFile::Parse(utf8, sizeof utf8);
  EXPECT_EQ(a.encoding(), ProfileFile::Encoding::kUtf8);
  EXPECT_EQ(a.Get(u"s", u"k", u"", 10), u"甲");

  const uint8_t be[] = {0xFE, 0xFF, 0, '[', 0, 's', 0, ']', 0, '\n', 0, 'k', 0, '=', 0x75, 0x32};
  ProfileFile b = ProfileFile::Parse(be, sizeof be);
  EXPECT_EQ(b.encoding(), ProfileFile::Encoding::kUtf16Be);
  EXPECT_EQ(b.Get(u"s", u"k", u"", 10), u"甲");

  // Without a mark the bytes are ANSI text: UTF-16 without BOM hides every name behind NULs.
  const uint8_t bare[] = {'[', 0, 's', 0, ']', 0, '\n', 0, 'k', 0, '=', 0, 'v', 0};
  ProfileFile c = ProfileFile::Parse(bare, sizeof bare);
  EXPECT_EQ(c.encoding(), ProfileFile::Encoding::kAnsi);
  EXPECT_EQ(c.Get(u"s", u"k", u"D", 10), u"D");
}

TEST(ProfileFile, ZeroCapacityWritesNothing) {
  ProfileFile file = Parse("[s]\nk=v\n");
  char16_t unit = u'x';
  EXPECT_EQ(file.GetString(u"s", u"k", u"", &unit, 0), 0u);
  EXPECT_EQ(unit, u'x');
}

}  // namespace
}  // namespace ql
