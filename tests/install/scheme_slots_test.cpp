#include "setup/install/scheme_slots.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "setup/common/bytes.h"
#include "setup/common/text.h"
#include "setup/model/setup_state.h"

namespace ql {
namespace {

using Kind = SlotOutcome::Kind;

constexpr size_t kViewSize = kPhraseHeaderSize + 64;

// Puts `path` where slot `slot` lies in an expected image: its units, then zeros.
void ExpectSlot(std::vector<uint8_t>& image, int32_t slot, std::u16string_view path) {
  size_t offset = kSchemeSlotOffset + static_cast<size_t>(slot) * kSchemeSlotBytes;
  for (size_t i = 0; i < kSchemeSlotUnits; ++i)
    StoreU16(image.data() + offset + 2 * i, i < path.size() ? path[i] : u'\0');
}

std::string FirstDifference(const std::vector<uint8_t>& expected,
                            const std::vector<uint8_t>& actual) {
  if (expected.size() != actual.size())
    return "sizes differ";
  for (size_t i = 0; i < expected.size(); ++i) {
    if (expected[i] != actual[i]) {
      return "byte " + std::to_string(i) + ": expected " + std::to_string(expected[i]) + ", got " +
             std::to_string(actual[i]);
    }
  }
  return "";
}

class SchemeSlotsTest : public ::testing::Test {
 protected:
  SchemeSlotsTest() : state_(std::make_unique<SetupState>()), view_(kViewSize, 0) {
    Add(u"青岚拼音", u"输入方案\\拼音", false, false);  // scheme 0: the pinyin scheme
  }

  InputScheme& Add(std::u16string_view name,
                   std::u16string_view path,
                   bool auxiliary,
                   bool keypad) {
    InputScheme* scheme = state_->AddScheme();
    scheme->name.Assign(name);
    scheme->path.Assign(path);
    scheme->isAuxiliary = auxiliary;
    scheme->isKeypad = keypad;
    return *scheme;
  }
  InputScheme& AddMain(std::u16string_view path, bool selected) {
    InputScheme& scheme = Add(u"形码", path, false, false);
    scheme.selected = selected;
    return scheme;
  }

  // A tool library that answers from `answers` in turn and records the slots it was given.
  SchemeIndexCall Library(std::vector<std::optional<int32_t>> answers) {
    return [this, answers](int32_t slot) -> std::optional<int32_t> {
      size_t call = calls_.size();
      calls_.push_back(slot);
      return call < answers.size() ? answers[call] : std::optional<int32_t>(1);
    };
  }

  std::unique_ptr<SetupState> state_;
  std::vector<uint8_t> view_;
  std::vector<int32_t> calls_;
};

TEST_F(SchemeSlotsTest, ThreeMainSchemesFillTwoSlotsAndARefusalPassesItsSlotOn) {
  AddMain(u"输入方案\\甲", true);
  AddMain(u"输入方案\\乙", false);
  AddMain(u"输入方案\\丙", true);
  AddMain(u"输入方案\\丁", true);

  // Accepted: the first two chosen take slots 1 and 2, the third is left out.
  std::vector<SlotOutcome> outcomes =
      FillMainSchemeSlots(*state_, view_.data(), view_.size(), Library({}));
  std::vector<uint8_t> expected(kViewSize, 0);
  ExpectSlot(expected, kMainSlot1, u"输入方案\\甲");
  ExpectSlot(expected, kMainSlot2, u"输入方案\\丙");
  EXPECT_EQ(FirstDifference(expected, view_), "");
  EXPECT_EQ(calls_, (std::vector<int32_t>{1, 2}));
  ASSERT_EQ(outcomes.size(), 3u);
  EXPECT_EQ(outcomes[0].kind, Kind::kIndexed);
  EXPECT_EQ(outcomes[1].scheme, 3u);
  EXPECT_EQ(outcomes[2].scheme, 4u);
  EXPECT_EQ(outcomes[2].kind, Kind::kNoSlot);

  // The first refused: its slot is freed at once, so the second and third take slots 1 and 2.
  std::fill(view_.begin(), view_.end(), 0);
  calls_.clear();
  outcomes = FillMainSchemeSlots(*state_, view_.data(), view_.size(), Library({0}));
  expected.assign(kViewSize, 0);
  ExpectSlot(expected, kMainSlot1, u"输入方案\\丙");
  ExpectSlot(expected, kMainSlot2, u"输入方案\\丁");
  EXPECT_EQ(FirstDifference(expected, view_), "");
  EXPECT_EQ(calls_, (std::vector<int32_t>{1, 1, 2}));
  ASSERT_EQ(outcomes.size(), 3u);
  EXPECT_EQ(outcomes[0].kind, Kind::kRefused);
  EXPECT_EQ(outcomes[2].kind, Kind::kIndexed);

  // No tool library: the paths stay in their slots.
  std::fill(view_.begin(), view_.end(), 0);
  calls_.clear();
  outcomes = FillMainSchemeSlots(*state_, view_.data(), view_.size(),
                                 Library({std::nullopt, std::nullopt}));
  expected.assign(kViewSize, 0);
  ExpectSlot(expected, kMainSlot1, u"输入方案\\甲");
  ExpectSlot(expected, kMainSlot2, u"输入方案\\丙");
  EXPECT_EQ(FirstDifference(expected, view_), "");
  EXPECT_EQ(outcomes[0].kind, Kind::kNoLibrary);
}

TEST_F(SchemeSlotsTest, KeypadTakesAMainSlotAndSlotThreeAndThePinyinSlotStayFree) {
  state_->schemes[0].selected = 1;  // the pinyin scheme's slot is the index builder's
  Add(u"数字码", u"输入方案\\小键盘", false, true).selected = 1;
  AddMain(u"输入方案\\形码", true);
  FillMainSchemeSlots(*state_, view_.data(), view_.size(), Library({}));
  std::vector<uint8_t> expected(kViewSize, 0);
  ExpectSlot(expected, kMainSlot1, u"输入方案\\小键盘");
  ExpectSlot(expected, kMainSlot2, u"输入方案\\形码");
  EXPECT_EQ(FirstDifference(expected, view_), "");
  EXPECT_EQ(ReadSchemeSlot(view_.data(), view_.size(), kKeypadSlot), u"");
}

TEST_F(SchemeSlotsTest, AuxiliarySlotsTakeChosenAuxiliarySchemesWithoutIndexCalls) {
  AddMain(u"输入方案\\形码", true);  // chosen as a main scheme only: not auxiliary
  Add(u"辅一", u"输入方案\\辅一", true, false).auxSelected = 1;
  Add(u"辅二", u"输入方案\\辅二", true, false).auxSelected = 0;
  Add(u"键盘", u"输入方案\\小键盘", false, true).auxSelected = 1;  // keypad: never auxiliary
  Add(u"辅三", u"输入方案\\辅三", true, false).auxSelected = 1;
  Add(u"辅四", u"输入方案\\辅四", true, false).auxSelected = 1;
  std::vector<SlotOutcome> outcomes = FillAuxiliarySchemeSlots(*state_, view_.data(), view_.size());
  std::vector<uint8_t> expected(kViewSize, 0);
  ExpectSlot(expected, kAuxSlot1, u"输入方案\\辅一");
  ExpectSlot(expected, kAuxSlot2, u"输入方案\\辅三");
  EXPECT_EQ(FirstDifference(expected, view_), "");
  ASSERT_EQ(outcomes.size(), 3u);
  EXPECT_EQ(outcomes[2].scheme, 6u);
  EXPECT_EQ(outcomes[2].kind, Kind::kNoSlot);
}

TEST_F(SchemeSlotsTest, PathsOfTwentyNineUnitsFitAndLongerOnesAreLeftOutWhole) {
  const std::u16string fits = u"输入方案\\" + std::u16string(24, u'长');     // 29 units
  const std::u16string tooLong = u"输入方案\\" + std::u16string(25, u'长');  // 30 units
  ASSERT_EQ(fits.size(), kSchemeSlotMaxPathUnits);
  AddMain(tooLong, true);
  AddMain(fits, true);
  std::vector<SlotOutcome> outcomes =
      FillMainSchemeSlots(*state_, view_.data(), view_.size(), Library({}));
  // A cut path would name a folder that is not the scheme's: the scheme is left out, the slot
  // stays free for the next one, and the tool library is not asked.
  std::vector<uint8_t> expected(kViewSize, 0);
  ExpectSlot(expected, kMainSlot1, fits);
  EXPECT_EQ(FirstDifference(expected, view_), "");
  EXPECT_EQ(expected[kSchemeSlotOffset + kSchemeSlotBytes + 2 * 29], 0);  // the terminator
  EXPECT_EQ(calls_, (std::vector<int32_t>{1}));
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_EQ(outcomes[0].kind, Kind::kTooLong);
  EXPECT_EQ(outcomes[1].slot, kMainSlot1);

  // The same for an auxiliary slot.
  std::fill(view_.begin(), view_.end(), 0);
  Add(u"辅", tooLong, true, false).auxSelected = 1;
  outcomes = FillAuxiliarySchemeSlots(*state_, view_.data(), view_.size());
  EXPECT_EQ(FirstDifference(std::vector<uint8_t>(kViewSize, 0), view_), "");
  ASSERT_EQ(outcomes.size(), 1u);
  EXPECT_EQ(outcomes[0].kind, Kind::kTooLong);
}

TEST_F(SchemeSlotsTest, ViewsTooShortForASlotAreNotWritten) {
  AddMain(u"输入方案\\形码", true);
  // The view ends inside slot 1: nothing is written and no index is asked for.
  std::vector<uint8_t> shortView(kSchemeSlotOffset + kSchemeSlotBytes + 10, 0);
  FillMainSchemeSlots(*state_, shortView.data(), shortView.size(), Library({}));
  EXPECT_EQ(FirstDifference(std::vector<uint8_t>(shortView.size(), 0), shortView), "");
  EXPECT_TRUE(calls_.empty());
  EXPECT_FALSE(WriteSchemeSlot(view_.data(), view_.size(), 6, u"x"));
  EXPECT_FALSE(WriteSchemeSlot(view_.data(), view_.size(), -1, u"x"));
  EXPECT_FALSE(ReadSchemeSlot(view_.data(), view_.size(), 6).has_value());
}

TEST(FuzzyPairsTest, DefaultsGoToTheirBytesFromRecordShiftWithTheirCount) {
  uint8_t pairs[kFuzzyPairCount] = {};
  pairs[0] = 1;  // an-ang, turned on in the settings dialog: the defaults leave it on
  TurnOnDefaultFuzzyPairs(pairs);
  for (uint32_t shift : {0u, 1024u}) {
    std::vector<uint8_t> view(kPhraseHeaderSize + shift, 0);
    StoreU32(view.data() + kRecordShiftOffset, shift);
    ASSERT_TRUE(WriteFuzzyPairs(pairs, view.data(), view.size()));
    std::vector<uint8_t> expected(view.size(), 0);
    StoreU32(expected.data() + kRecordShiftOffset, shift);
    expected[shift + 4000] = 1;  // an-ang
    expected[shift + 4017] = 1;  // c-ch
    expected[shift + 4119] = 1;  // s-sh
    expected[shift + 4136] = 1;  // z-zh
    expected[shift + 4500] = 4;  // pairs on
    EXPECT_EQ(FirstDifference(expected, view), "") << "RecordShift " << shift;
    std::optional<FuzzyPairBytes> read = ReadFuzzyPairs(view.data(), view.size());
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->count, 4);
    EXPECT_EQ(read->pairs[kFuzzyZPair], 1);
  }
}

TEST(FuzzyPairsTest, OnlyBytesOfOneCountAndADamagedRecordShiftWritesNothing) {
  uint8_t pairs[kFuzzyPairCount] = {0, 1, 2, 0, 0, 0, 0, 0, 1};
  std::vector<uint8_t> view(kPhraseHeaderSize, 0);
  ASSERT_TRUE(WriteFuzzyPairs(pairs, view.data(), view.size()));
  EXPECT_EQ(view[4034], 2);
  EXPECT_EQ(view[4500], 2);

  // RecordShift from a damaged file: the bytes would lie past the view, so none is written.
  for (uint32_t shift : {5740u, 0xFFFFFFFFu, 0x80000000u}) {
    std::vector<uint8_t> damaged(kPhraseHeaderSize, 0);
    StoreU32(damaged.data() + kRecordShiftOffset, shift);
    std::vector<uint8_t> before = damaged;
    EXPECT_FALSE(WriteFuzzyPairs(pairs, damaged.data(), damaged.size())) << shift;
    EXPECT_EQ(damaged, before);
    EXPECT_FALSE(ReadFuzzyPairs(damaged.data(), damaged.size()).has_value());
  }
  // The last byte just fits.
  std::vector<uint8_t> tight(5739 + 4501, 0);
  StoreU32(tight.data() + kRecordShiftOffset, 5739);
  EXPECT_TRUE(WriteFuzzyPairs(pairs, tight.data(), tight.size()));
  EXPECT_EQ(tight.back(), 2);
  // Too short even for RecordShift.
  std::vector<uint8_t> tiny(6, 0);
  EXPECT_FALSE(WriteFuzzyPairs(pairs, tiny.data(), tiny.size()));
}

TEST(FuzzyPairsTest, DescriptionNamesTheSlotsAndPairs) {
  std::vector<uint8_t> view(kPhraseHeaderSize, 0);
  ASSERT_TRUE(WriteSchemeSlot(view.data(), view.size(), kMainSlot2, u"输入方案\\形码"));
  uint8_t pairs[kFuzzyPairCount] = {};
  TurnOnDefaultFuzzyPairs(pairs);
  ASSERT_TRUE(WriteFuzzyPairs(pairs, view.data(), view.size()));
  std::string text = DescribeSchemeSlotsAndFuzzyPairs(view.data(), view.size());
  EXPECT_NE(text.find("slot 2 (main 2): \"输入方案\\形码\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("slot 1 (main 1): free\n"), std::string::npos) << text;
  EXPECT_NE(text.find("an-ang=0 c-ch=1 en-eng=0 f-h=0 in-ing=0 l-n=0 r-l=0 s-sh=1 z-zh=1"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("fuzzy pairs on: 3\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace ql
