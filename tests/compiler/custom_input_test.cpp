// The custom-input indexes over memory, on hand-computed offsets: which lines are entries under
// the line rules, the order of texts that run on to the end of the file, the bound of the work
// area, and the sort checked against the plain comparison on many small texts.
#include "setup/compiler/custom_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "setup/compiler/first_install_dump.h"
#include "tests/support/test_support.h"

namespace ql::test {
namespace {

using namespace std::string_view_literals;

std::vector<uint32_t> Collect(CustomInputList list, std::u16string_view units) {
  std::vector<uint8_t> bytes = RawUtf16(units);
  return CollectCustomInputEntries(list, bytes.data(), bytes.size(), kMaxCustomInputEntries);
}

std::vector<uint32_t> Sorted(CustomInputList list, std::u16string_view units) {
  std::vector<uint8_t> bytes = RawUtf16(units);
  std::vector<uint32_t> offsets =
      CollectCustomInputEntries(list, bytes.data(), bytes.size(), kMaxCustomInputEntries);
  SortCustomInputEntries(bytes.data(), bytes.size(), &offsets);
  return offsets;
}

using Offsets = std::vector<uint32_t>;

TEST(CustomInputEntries, CodeListLinesWithAnEqualsSign) {
  // 0: "\xFEFF" "a=1" CR LF (the mark belongs to the first line)   6: "x==y" CR LF (one entry)
  // 12: "no" CR LF   16: "p" CR "=q" CR LF (the "=" after a lone CR is passed over)
  // 22: "r" CR "x=" CR LF (the "x" is passed over, the "=" counts)
  // 28: "s" CR CR LF "t=" CR LF (the second CR is passed over, so the LF ends nothing: one line)
  // 36: "=" (last line, no line end)
  const std::u16string_view text =
      u"\xFEFF"
      u"a=1\r\nx==y\r\nno\r\np\r=q\r\nr\rx=\r\ns\r\r\nt=\r\n=";
  EXPECT_EQ(Collect(CustomInputList::kCodes, text), (Offsets{0, 6, 22, 28, 36}));
}

TEST(CustomInputEntries, TextListBlocksAfterTenDollars) {
  // 0: "head"   6: nine "$" (separates nothing)   17: "not"   22: "$$$$$ $$$$$x" (ten in all)
  // 36: "A"   39: "B"   42: ten "$" at the very end of the text (starts nothing)
  const std::u16string_view text =
      u"head\r\n$$$$$$$$$\r\nnot\r\n$$$$$ $$$$$x\r\nA\r\nB\r\n$$$$$$$$$$\r\n";
  EXPECT_EQ(Collect(CustomInputList::kTexts, text), (Offsets{36}));
  // A lone CR passes over the CR after it, so the LF after that ends nothing: the separator
  // line runs on to the CR LF after "A" (16); the second separator starts "B" (28).
  EXPECT_EQ(Collect(CustomInputList::kTexts, u"$$$$$$$$$$\r\r\nA\r\n$$$$$$$$$$\r\nB"),
            (Offsets{16, 28}));
  EXPECT_EQ(Collect(CustomInputList::kTexts, u"no separator\r\n"), Offsets{});
}

TEST(CustomInputSort, TextsRunOnToTheEndOfTheFile) {
  // 0 "b=2 ...", 5 "a=1 ab=3 a=1", 10 "ab=3 a=1", 16 "a=1" and the end: the end acts as a zero,
  // so 16 comes before 5; "a=1 a" before "ab" since "=" (3D) < "b" (62).
  EXPECT_EQ(Sorted(CustomInputList::kCodes, u"b=2\r\na=1\r\nab=3\r\na=1\r\n"),
            (Offsets{16, 5, 10, 0}));
}

TEST(CustomInputSort, OrdinalOrderOfCodeUnits) {
  // 0 "！" (FF01), 5 "😀" (D83D DE00), 11 "a" (61), 16 "Z" (5A): by units, not code points.
  EXPECT_EQ(Sorted(CustomInputList::kCodes, u"！=1\r\n😀=2\r\na=3\r\nZ=4\r\n"),
            (Offsets{16, 11, 5, 0}));
}

TEST(CustomInputSort, ThousandsOfIdenticalLinesShortestTextFirst) {
  std::u16string text;
  for (int i = 0; i < 3000; ++i)
    text += u"ql=青岚\r\n";
  // Each text is the one after it with one more line in front: the last line sorts first.
  Offsets expected;
  for (uint32_t i = 3000; i-- > 0;)
    expected.push_back(7 * i);
  EXPECT_EQ(Sorted(CustomInputList::kCodes, text), expected);
}

TEST(CustomInputSort, TextsEqualUpToAZeroKeepTheirOrder) {
  // 0 "a=" NUL "x" and 6 "a=" NUL "b" compare equal: the zero ends the comparison.
  EXPECT_EQ(Sorted(CustomInputList::kCodes, u"a=\0x\r\na=\0b\r\n"sv), (Offsets{0, 6}));
  // 0 "a=" NUL and 5 "a=" then the end of the text: equal too, the end acting as a zero.
  EXPECT_EQ(Sorted(CustomInputList::kCodes, u"a=\0\r\na="sv), (Offsets{0, 5}));
  // But 0 "a=" CR LF NUL is longer than 7 "a=" then the end.
  EXPECT_EQ(Sorted(CustomInputList::kCodes, u"a=\r\n\0\r\na="sv), (Offsets{7, 0}));
}

// Small random texts of few distinct units, so lines repeat and texts share long stretches: the
// sort must give exactly the order of the plain comparison, equal texts in their file order.
TEST(CustomInputSort, AgreesWithThePlainComparison) {
  std::mt19937 random(20081018);
  const std::u16string_view alphabet[] = {
      u"a",       u"b",     u"=", u"$", u"\r\n", u"\r", u"\n", u"\0", u"$$$$$$$$$$\r\n",
      u"a=b\r\n", u"ab\r\n"};
  for (int round = 0; round < 3000; ++round) {
    std::u16string text;
    const size_t pieces = random() % 40;
    for (size_t i = 0; i < pieces; ++i) {
      std::u16string_view piece = alphabet[random() % std::size(alphabet)];
      text.append(piece.data(), piece.size());
    }
    const std::vector<uint8_t> bytes = RawUtf16(text);
    for (CustomInputList list : {CustomInputList::kCodes, CustomInputList::kTexts}) {
      Offsets offsets =
          CollectCustomInputEntries(list, bytes.data(), bytes.size(), kMaxCustomInputEntries);
      Offsets expected = offsets;
      std::stable_sort(expected.begin(), expected.end(), [&](uint32_t a, uint32_t b) {
        return CompareCustomInputTexts(bytes.data(), bytes.size(), a, b) < 0;
      });
      SortCustomInputEntries(bytes.data(), bytes.size(), &offsets);
      ASSERT_EQ(offsets, expected) << "round " << round;
    }
  }
}

TEST(CustomInputIndex, LaidOutLittleEndianAndBoundedByTheBuffer) {
  // Three entries, room for two: the first two in file order are sorted; the guard stays.
  const std::vector<uint8_t> text = RawUtf16(u"b=\r\na=\r\nc=\r\n");
  std::vector<uint8_t> work(8 + 4, 0xA5);
  CustomInputIndexResult result = BuildCustomInputIndexInBuffer(
      CustomInputList::kCodes, text.data(), text.size(), work.data(), 8);
  EXPECT_EQ(result.entryCount, 2u);
  EXPECT_EQ(result.entriesLeftOut, 1u);
  EXPECT_EQ(work, (std::vector<uint8_t>{4, 0, 0, 0, 0, 0, 0, 0, 0xA5, 0xA5, 0xA5, 0xA5}));
}

TEST(CustomInputIndex, OddLastByteIsIgnored) {
  std::vector<uint8_t> text = RawUtf16(u"a=\r\nb=");
  text.push_back('=');
  std::vector<uint8_t> work(16, 0);
  EXPECT_EQ(BuildCustomInputIndexInBuffer(CustomInputList::kCodes, text.data(), text.size(),
                                          work.data(), work.size())
                .entryCount,
            2u);
}

TEST(CustomInputIndex, DumpTellsASortedIndexFromAWrongOne) {
  const std::vector<uint8_t> text = RawUtf16(u"b=2\r\na=1\r\n");
  std::vector<uint8_t> index = {5, 0, 0, 0, 0, 0, 0, 0};
  std::string dump = DumpCustomInputIndex(CustomInputList::kCodes, index.data(), index.size(),
                                          text.data(), text.size());
  EXPECT_NE(dump.find("     0  offset 5  a=1\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find("order: sorted, every entry of the text"), std::string::npos) << dump;
  std::swap_ranges(index.begin(), index.begin() + 4, index.begin() + 4);
  dump = DumpCustomInputIndex(CustomInputList::kCodes, index.data(), index.size(), text.data(),
                              text.size());
  EXPECT_NE(dump.find("error: entry 0 should be offset 5  a=1"), std::string::npos) << dump;
}

}  // namespace
}  // namespace ql::test
