#include "setup/common/bytes.h"

#include <gtest/gtest.h>

#include <vector>

#include "setup/common/byte_reader.h"

namespace ql {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kPair[] = {0x34, 0x12};
static_assert(LoadU16(kPair) == 0x1234, "the codec works in constant expressions");

TEST(Bytes, IntegersAreLittleEndianAndUnaligned) {
  uint8_t block[7] = {};
  StoreU32(block + 1, 0x12345678u);
  StoreU16(block + 5, 0xABCD);
  EXPECT_EQ(Bytes(block, block + 7), (Bytes{0, 0x78, 0x56, 0x34, 0x12, 0xCD, 0xAB}));
  EXPECT_EQ(LoadU32(block + 1), 0x12345678u);
  EXPECT_EQ(LoadU16(block + 5), 0xABCD);
  EXPECT_EQ(LoadU32(block + 2), 0xCD123456u);

  Bytes out;
  AppendU16(out, 0xFFFE);
  AppendU32(out, 0x80000001u);
  EXPECT_EQ(out, (Bytes{0xFE, 0xFF, 0x01, 0, 0, 0x80}));
}

TEST(Bytes, Utf16LeRoundTripsInEveryFrame) {
  const std::u16string text = u"a\u7532\U0001F600";  // ASCII, CJK, a surrogate pair
  const Bytes units{'a', 0, 0x32, 0x75, 0x3D, 0xD8, 0x00, 0xDE};
  const struct {
    Utf16Frame frame;
    Bytes before, after;
  } cases[] = {{Utf16Frame::kBare, {}, {}},
               {Utf16Frame::kByteOrderMark, {0xFF, 0xFE}, {}},
               {Utf16Frame::kTerminator, {}, {0, 0}}};
  for (const auto& c : cases) {
    Bytes expected = c.before;
    expected.insert(expected.end(), units.begin(), units.end());
    expected.insert(expected.end(), c.after.begin(), c.after.end());
    Bytes bytes = EncodeUtf16Le(text, c.frame);
    EXPECT_EQ(bytes, expected) << static_cast<int>(c.frame);
    std::u16string decoded = DecodeUtf16Le(bytes.data(), bytes.size());
    EXPECT_EQ(decoded, (c.frame == Utf16Frame::kByteOrderMark ? u"\uFEFF" : u"") + text +
                           (c.frame == Utf16Frame::kTerminator ? std::u16string(1, 0) : u""));
  }
  EXPECT_EQ(EncodeUtf16Le(u""), Bytes{});
}

TEST(Bytes, DecodingDropsAnOddLastByte) {
  const uint8_t bytes[] = {0xFF, 0xFE, 'a', 0, 'b'};
  const std::u16string expected[] = {u"", u"", u"\uFEFF", u"\uFEFF", u"\uFEFFa", u"\uFEFFa"};
  for (size_t size = 0; size <= sizeof bytes; ++size)
    EXPECT_EQ(DecodeUtf16Le(bytes, size), expected[size]) << size;
}

TEST(ByteReader, ReadsInOrderAndFailsForGoodAtTheFirstShortRead) {
  const uint8_t data[] = {1, 2, 3, 4, 5, 6, 7, 'x', 0, 0, 0};
  ByteReader r(data, sizeof data);
  EXPECT_EQ(r.U8(), 1);
  EXPECT_EQ(r.U16(), 0x0302);
  EXPECT_EQ(r.U32(), 0x07060504u);
  EXPECT_EQ(r.Text(2), u"x");
  EXPECT_EQ(r.position(), 11u);
  EXPECT_EQ(r.remaining(), 0u);
  EXPECT_NE(r.Bytes(0), nullptr);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.U8(), 0);
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.Seek(0).U8(), 0);  // sticky: not even a seek back reads again
  EXPECT_EQ(r.remaining(), 0u);
}

TEST(ByteReader, EveryReadIsBoundedAtAndPastTheEndWithoutOverflow) {
  const uint8_t data[8] = {};
  const struct {
    size_t seek;
    size_t take;  // bytes asked for after the seek
    bool fits;
  } cases[] = {
      {8, 0, true},
      {0, 8, true},
      {4, 4, true},
      {5, 4, false},
      {8, 1, false},
      {9, 0, false},
      {7, 2, false},
      {1, SIZE_MAX, false},
      {SIZE_MAX, 0, false},
      {SIZE_MAX, 4, false},
      {UINT32_MAX, 4, false},
      {4, SIZE_MAX - 3, false},
      {0, SIZE_MAX / 2 + 1, false},
  };
  for (const auto& c : cases) {
    ByteReader bytes(data, sizeof data);
    bytes.Seek(c.seek).Bytes(c.take);
    EXPECT_EQ(bytes.ok(), c.fits) << c.seek << "+" << c.take;
    ByteReader skip(data, sizeof data);
    skip.Seek(c.seek).Skip(c.take);
    EXPECT_EQ(skip.ok(), c.fits) << c.seek << "+" << c.take;
    if (c.take % 2 == 0 || c.take == SIZE_MAX) {
      ByteReader text(data, sizeof data);
      text.Seek(c.seek).Text(c.take == SIZE_MAX ? SIZE_MAX : c.take / 2);
      EXPECT_EQ(text.ok(), c.fits) << c.seek << "+" << c.take << " as text";
    }
  }
  for (size_t at = 0; at <= 8; ++at) {
    ByteReader r(data, sizeof data);
    r.Seek(at).U32();
    EXPECT_EQ(r.ok(), at <= 4) << at;
    r = ByteReader(data, sizeof data);
    r.Seek(at).U16();
    EXPECT_EQ(r.ok(), at <= 6) << at;
  }
  ByteReader none(nullptr, 100);
  EXPECT_EQ(none.size(), 0u);
  EXPECT_EQ(none.U8(), 0);
  EXPECT_FALSE(none.ok());
}

}  // namespace
}  // namespace ql
