// The pinyin index builder at its bounds: variants, key length, dycz.txt line limits, the rooms of
// the work buffer, and main data files whose fields point outside them.
#include <cstring>

#include "setup/common/bytes.h"
#include "setup/common/scratch_mapping.h"
#include "setup/compiler/phrase_table_format.h"
#include "setup/model/setup_state.h"
#include "tests/compiler/pinyin_index_test_support.h"

namespace ql::test {
namespace {

constexpr std::string_view kMb = "行 xing2 hang2 heng4 hen2 hao2\n银 yin2\n好 hao3\n";

class PinyinIndexBounds : public PinyinIndexTest {
 protected:
  PinyinIndexBounds() { WriteSchemeFile(u"mb.txt", kMb); }

  uint32_t IndexCount() const {
    std::optional<std::vector<uint8_t>> index = Index();
    return index && index->size() >= 36 ? LoadU32(&(*index)[32]) / 4 : 0xFFFFFFFFu;
  }
  bool MarksClear() const {
    for (uint32_t offset : main.offsets)
      if (main.bytes[offset + 3] != 0)
        return false;
    return true;
  }
};

TEST_F(PinyinIndexBounds, VariantsStopAt1024AndKeysAt127Codes) {
  // Five characters of five distinct readings would need 3,125 variants: the fifth character's
  // further readings do not fit and are left out (625 keys). 128 characters have no 127-code key;
  // 127 characters and a letter do.
  SetEntries({{u"行行行行行", 1},
              {std::u16string(128, u'银'), 1},
              {std::u16string(127, u'银') + u"a", 1},
              {u"好", 1}});
  Build();
  EXPECT_EQ(IndexCount(), 625u + 1 + 1);
  std::vector<std::u16string> texts;
  for (const RecordingUi::Message& message : ui.messages) {
    texts.push_back(message.text);
    EXPECT_EQ(message.caption, u"拼音安装");
  }
  EXPECT_EQ(texts, (std::vector<std::u16string>{std::u16string(kKeyTooLongText),
                                                std::u16string(kTooManyVariantsText)}));
}

TEST_F(PinyinIndexBounds, VariantsExactlyAtTheCapAreAllKeptWithoutAMessage) {
  // Five characters of four readings: 4^5 = 1,024 keys, the cap itself.
  WriteSchemeFile(u"mb.txt", "乐 le4 yue4 yao4 lao4\n");
  SetEntries({{u"乐乐乐乐乐", 1}});
  Build();
  EXPECT_EQ(IndexCount(), 1024u);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PinyinIndexBounds, DyczLinesOverALimitAreSkippedAndReported) {
  SetEntries({{u"银行", 9}, {u"好", 1}});
  std::string dycz = std::string("好(hao3)\n") +  // line 1: ok
                     "银(yin2 yin2 yin2 yin2 yin2 yin2 yin2 yin2 yin2 yin2 yin2)行\n" +  // 11
                     "银行(hangxxxxxxxx2)\n" +  // 12 letters
                     "银行(hang\n" +            // no ")"
                     "行(xing hang heng hen hao)行(xing hang heng hen hao)" +
                     "行(xing hang heng hen hao)\n";  // 125 stated variants
  for (int i = 0; i < 128; ++i)
    dycz += "银";
  dycz += "\n银行(hang2)\n";
  WriteSchemeFile(u"dycz.txt", dycz);
  Build();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, std::u16string(kDyczLinesSkippedText) + u"2");
  EXPECT_EQ(ui.messages[0].caption, u"拼音安装");
  // The good lines still count: 好 stated, 银行 stated (yin'hang) and its four other expansions.
  EXPECT_EQ(IndexCount(), 1u + 5u);
  EXPECT_TRUE(MarksClear());
}

TEST_F(PinyinIndexBounds, FullRoomWritesNoIndexAndRemovesTheOldOne) {
  // Each entry makes 624 key records of 15 bytes; 400 of them overflow the key area's 3 MiB plus
  // the main data file's size.
  std::vector<std::pair<std::u16string, int>> entries(400, {u"行行行行行", 1});
  SetEntries(entries);
  folder.Write(std::u16string(kPinyinSchemePath) + u"\\qinglan.idx", {1, 2, 3});
  folder.Write(u"输入方案\\拼音\\User.idx", {1, 2, 3});
  std::vector<uint8_t> before = main.bytes;
  Build();
  EXPECT_FALSE(Index());
  EXPECT_FALSE(UserIndex());
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_EQ(ui.messages.back().text, kIndexTooLargeText);
  EXPECT_EQ(ui.messages.back().caption, u"拼音安装");
  EXPECT_EQ(ui.steps, 4);
  EXPECT_EQ(main.bytes, before);  // no scheme path, no marks
}

TEST_F(PinyinIndexBounds, IndexArrayRoomIsABound) {
  // A work buffer whose index array has room for 3 values: the fourth entry stops the build.
  SetEntries({{u"银", 1}, {u"好", 1}, {u"银好", 1}, {u"好好", 1}});
  const uint32_t t = static_cast<uint32_t>(ReadingTableOf(kMb).size());
  std::vector<uint8_t> work(t + main.bytes.size() + kIndexArrayBase + 12, 0);
  PinyinIndexSources sources;
  sources.mb = Utf16File(kMb);
  PinyinIndexResult result = BuildPinyinIndexInBuffer(work.data(), work.size(), main.bytes.data(),
                                                      main.bytes.size(), sources, false);
  EXPECT_FALSE(result.built);
  EXPECT_TRUE(result.tooLarge);
  // Three fit.
  SetEntries({{u"银", 1}, {u"好", 1}, {u"银好", 1}});
  std::vector<uint8_t> work2(t + main.bytes.size() + kIndexArrayBase + 12, 0);
  result = BuildPinyinIndexInBuffer(work2.data(), work2.size(), main.bytes.data(),
                                    main.bytes.size(), sources, false);
  EXPECT_TRUE(result.built);
  EXPECT_EQ(result.entryCount, 3u);
}

TEST_F(PinyinIndexBounds, RecordPastTheEndEndsTheMainPassWithItsText) {
  SetEntries({{u"银", 3}, {u"好", 1}});
  // The second record claims 200 units: it runs past the end of a file cut after its text.
  main.bytes[main.offsets[1]] = 200;
  main.bytes.resize(main.offsets[1] + 8);
  StoreU32(&main.bytes[kIndexOffsetOffset], 0);
  StoreU32(&main.bytes[kIndexSizeOffset], 0);
  Build();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"好");
  EXPECT_EQ(ui.messages[0].caption, u"拼音安装");
  ExpectedIndex expected(ReadingTableOf(kMb));
  expected.Value(main.offsets[0]);
  EXPECT_TRUE(SameIndex(expected.Bytes(), Index()));
}

TEST_F(PinyinIndexBounds, RecordShiftOutsideTheFile) {
  SetEntries({{u"银", 3}});
  StoreU32(&main.bytes[kRecordShiftOffset], 0xFFFFF000u);
  Build();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, kBadMainDataText);
  EXPECT_EQ(ui.messages[0].caption, u"拼音安装");
  EXPECT_EQ(IndexCount(), 0u);
}

TEST_F(PinyinIndexBounds, IndexPointingOutsideTheFileIsNotFollowed) {
  SetEntries({{u"银行", 3}, {u"银", 1}});
  WriteSchemeFile(u"dycz.txt", "银行(hang2)\n");
  const uint32_t indexOffset = LoadU32(&main.bytes[kIndexOffsetOffset]);
  StoreU32(&main.bytes[indexOffset], 0x7FFFFFF0u);
  Build();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"银行");
  EXPECT_EQ(ui.messages[0].caption, u"拼音安装");
  EXPECT_TRUE(MarksClear());
  bool fault = false;
  StoreU32(&main.bytes[kIndexOffsetOffset], 0xFFFFFFF0u);
  EXPECT_EQ(FindEntry(main.bytes.data(), main.bytes.size(), u"银", &fault), -1);
  EXPECT_TRUE(fault);
}

TEST_F(PinyinIndexBounds, FindEntrySearchesTheIndex) {
  SetEntries({{u"银行", 3}, {u"银", 1}, {u"好", 1}, {u"中国", 1}});
  bool fault = true;
  EXPECT_EQ(FindEntry(main.bytes.data(), main.bytes.size(), u"银", &fault), 2);
  EXPECT_FALSE(fault);
  EXPECT_EQ(FindEntry(main.bytes.data(), main.bytes.size(), u"中国", &fault), 0);
  EXPECT_EQ(FindEntry(main.bytes.data(), main.bytes.size(), u"银行", &fault), 3);
  EXPECT_EQ(FindEntry(main.bytes.data(), main.bytes.size(), u"银行行", &fault), -1);
  SetEntries({});
  EXPECT_EQ(FindEntry(main.bytes.data(), main.bytes.size(), u"银", &fault), -1);
  EXPECT_FALSE(fault);
}

TEST_F(PinyinIndexBounds, FileWithoutHeaderWritesNothing) {
  main.bytes.assign(100, 0);
  Build();
  EXPECT_FALSE(Index());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, kBadMainDataText);
}

TEST_F(PinyinIndexBounds, SchemePathLongerThanItsSlot) {
  std::u16string path = u"输入方案\\" + std::u16string(30, u'拼');
  state.schemes[0].path.Assign(path);
  folder.Write(path + u"\\mb.txt", Utf16File(kMb));
  SetEntries({{u"银", 3}});
  Build();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, kSchemePathTooLongText);
  for (size_t i = 0; i < 60; ++i)
    ASSERT_EQ(main.bytes[kSchemeSlotOffset + i], 0);
  EXPECT_TRUE(Read(path + u"\\qinglan.idx"));
}

TEST_F(PinyinIndexBounds, NoWorkBufferNoFiles) {
  ScratchMapping other(u"other", 4096);
  SetEntries({{u"银", 3}});
  folder.Write(std::u16string(kPinyinSchemePath) + u"\\qinglan.idx", {1, 2, 3});
  Build();
  EXPECT_EQ(Index(), (std::vector<uint8_t>{1, 2, 3}));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"can not create filemappinga");
  EXPECT_EQ(ui.messages[0].caption, u"builpyidx");
  EXPECT_EQ(ui.steps, 0);
}

}  // namespace
}  // namespace ql::test
