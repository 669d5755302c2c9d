#include "setup/common/scratch_mapping.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace ql {
namespace {

TEST(ScratchMapping, ZeroFilledAndOneAtATime) {
  test::RecordingUi ui;
  ScopedUi scope(ui);
  {
    ScratchMapping block(u"qltestscratch", 1 << 20);
    ASSERT_TRUE(block.ok());
    EXPECT_TRUE(ScratchMapping::Active());
    for (size_t i = 0; i < block.size(); i += 4096)
      ASSERT_EQ(block.data()[i], 0);
    block.data()[block.size() - 1] = 7;

    ScratchMapping second(u"qltestscratch2", 4096);
    EXPECT_FALSE(second.ok());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, u"can not create filemappinga");
    EXPECT_EQ(ui.messages[0].caption, u"qltestscratch2");
  }
  EXPECT_FALSE(ScratchMapping::Active());
  // The same name again starts from zero, whatever the last user left in it.
  ScratchMapping again(u"qltestscratch", 1 << 20);
  ASSERT_TRUE(again.ok());
  EXPECT_EQ(again.data()[again.size() - 1], 0);
  again.Release();
  EXPECT_FALSE(again.ok());
  EXPECT_FALSE(ScratchMapping::Active());
}

TEST(ScratchMapping, ZeroSizeIsRefused) {
  test::RecordingUi ui;
  ScopedUi scope(ui);
  ScratchMapping block(u"qltestempty", 0);
  EXPECT_FALSE(block.ok());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"can not create filemappinga");
}

}  // namespace
}  // namespace ql
