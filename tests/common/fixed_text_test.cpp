#include "setup/common/fixed_text.h"

#include <gtest/gtest.h>

namespace ql {
namespace {

TEST(FixedText, CutsToCapacityAndStaysTerminated) {
  FixedText<5> field;
  field.Assign(u"abcdefgh");
  EXPECT_EQ(field.view(), u"abcd");
  EXPECT_EQ(field.units[4], 0);
  field.Append(u"xyz");
  EXPECT_EQ(field.view(), u"abcd");
  field.Assign(u"ab");
  field.Append(u"cdef");
  EXPECT_EQ(field.view(), u"abcd");
  field.Clear();
  EXPECT_TRUE(field.empty());
}

TEST(FixedText, NeverKeepsHalfASurrogatePairAtTheCut) {
  FixedText<4> field;
  field.Assign(u"ab\U00020000");  // the pair would need units 2 and 3
  EXPECT_EQ(field.view(), u"ab");
  field.Assign(u"a\U00020000");  // fits exactly
  EXPECT_EQ(field.view(), u"a\U00020000");
}

TEST(FixedText, UnitCopyCutsLikeTheSystem) {
  char16_t buffer[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(CopyTruncatedUnits(buffer, 4, u"ab\U00020000"), 3u);
  EXPECT_EQ(buffer[3], 0);
  EXPECT_EQ(CopyTruncatedUnits(buffer, 0, u"ab"), 0u);
  EXPECT_EQ(buffer[0], u'a');  // a capacity of 0 writes nothing
}

TEST(FixedText, ReadsAnUnterminatedBufferOnlyUpToItsCapacity) {
  FixedText<3> field;
  field.buffer()[0] = u'a';
  field.buffer()[1] = u'b';
  field.buffer()[2] = u'c';  // a writer outside our control left no terminator
  EXPECT_EQ(field.size(), 3u);
  field.Terminate();
  EXPECT_EQ(field.view(), u"ab");
}

}  // namespace
}  // namespace ql
