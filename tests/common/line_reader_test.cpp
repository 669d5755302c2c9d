#include "setup/common/line_reader.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/test_support.h"

namespace ql {
namespace {

std::vector<std::u16string> Lines(std::u16string_view text) {
  Utf16LineReader reader(text);
  std::vector<std::u16string> lines;
  std::u16string_view line;
  while (reader.Next(line))
    lines.emplace_back(line);
  return lines;
}

TEST(LineReader, DropsMarkAndCrAndSkipsUnterminatedLastLine) {
  std::vector<uint8_t> bytes = test::Utf16File("第一 1\n\nsecond\nlast without LF");
  std::u16string text = DecodeUtf16Le(bytes.data(), bytes.size());
  EXPECT_EQ(Lines(text), (std::vector<std::u16string>{u"第一 1", u"", u"second"}));
}

TEST(LineReader, BareLfLinesKeepTheirLastCharacter) {
  EXPECT_EQ(Lines(u"\uFEFFab\ncd\r\n"), (std::vector<std::u16string>{u"ab", u"cd"}));
}

TEST(LineReader, FileWithoutMarkKeepsItsFirstCharacter) {
  EXPECT_EQ(Lines(u"ab\r\n"), (std::vector<std::u16string>{u"ab"}));
  // An empty first line: nothing before the LF may be looked at for a CR.
  EXPECT_EQ(Lines(u"\nab\n"), (std::vector<std::u16string>{u"", u"ab"}));
  EXPECT_EQ(Lines(u"\uFEFF\n\n"), (std::vector<std::u16string>{u"", u""}));
}

TEST(LineReader, OddByteCountIgnoresTheLastByte) {
  const uint8_t bytes[] = {0xFF, 0xFE, 'a', 0, '\n', 0, 'b'};
  EXPECT_EQ(DecodeUtf16Le(bytes, sizeof bytes), u"\uFEFFa\n");
}

TEST(LineReader, EmptyInput) {
  EXPECT_TRUE(Lines(u"").empty());
  EXPECT_TRUE(Lines(u"\uFEFF").empty());
}

}  // namespace
}  // namespace ql
