#include "tests/compiler/pinyin_index_test_support.h"

#include <algorithm>
#include <cstring>

#include "setup/common/bytes.h"
#include "setup/common/files.h"
#include "setup/compiler/phrase_table_format.h"
#include "setup/compiler/pinyin_index_dump.h"
#include "setup/compiler/reading_table.h"
#include "setup/compiler/syllables.h"
#include "setup/model/setup_state.h"

namespace ql::test {

MainDataImage MakeMainData(const std::vector<std::pair<std::u16string, int>>& entries) {
  MainDataImage image;
  std::vector<uint8_t>& b = image.bytes;
  b.assign(kPhraseHeaderSize, 0);
  for (const auto& [text, frequency] : entries) {
    image.offsets.push_back(static_cast<uint32_t>(b.size()));
    b.push_back(static_cast<uint8_t>(text.size() + 1));
    b.push_back(0);
    b.push_back(static_cast<uint8_t>(frequency));
    b.push_back(0);
    AppendUtf16Le(b, text);
    AppendU16(b, 0);
  }
  const uint32_t recordsEnd = static_cast<uint32_t>(b.size());
  std::vector<size_t> order(entries.size());
  for (size_t i = 0; i < order.size(); ++i)
    order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t x, size_t y) { return entries[x].first < entries[y].first; });
  b.resize(recordsEnd + kIndexGap, 0);
  const uint32_t indexOffset = static_cast<uint32_t>(b.size());
  for (size_t i : order) {
    b.resize(b.size() + 4);
    StoreU32(&b[b.size() - 4], image.offsets[i]);
  }
  const uint32_t indexSize = static_cast<uint32_t>(4 * order.size());
  b.resize(b.size() + kIndexGap, 0);
  StoreU32(&b[kTotalSizeOffset], static_cast<uint32_t>(b.size()));
  StoreU32(&b[kRecordsEndOffset], recordsEnd);
  StoreU32(&b[kIndexOffsetOffset], indexOffset);
  StoreU32(&b[kIndexSizeOffset], indexSize);
  return image;
}

std::vector<uint8_t> ReadingTableOf(std::string_view mbUtf8) {
  std::vector<uint8_t> work(kMinReadingWorkBufferSize + 12 * 64, 0);
  BuildReadingTableFromSource(Utf16File(mbUtf8), work.data(), work.size());
  uint32_t length = LoadU32(&work[kReadingTableLengthField]);
  return std::vector<uint8_t>(work.begin() + kReadingTableOffset,
                              work.begin() + kReadingTableOffset + length);
}

ExpectedIndex::ExpectedIndex(std::vector<uint8_t> readingTable)
    : header_(kIdxHeaderSize, 0), readingTable_(std::move(readingTable)) {}

uint32_t ExpectedIndex::Key(uint32_t reference, std::initializer_list<const char*> spellings) {
  uint32_t at = static_cast<uint32_t>(kIdxHeaderSize + readingTable_.size() + keys_.size());
  AppendU32(keys_, reference);
  for (const char* spelling : spellings)
    AppendU16(keys_, kSyllableTable[FindSyllable(std::string_view(spelling))].code());
  keys_.push_back(0);
  return at;
}

void ExpectedIndex::HeaderLine(size_t slot, std::u16string_view units) {
  for (size_t i = 0; i < units.size(); ++i)
    StoreU16(&header_[kHeaderTextOffset + kHeaderTextSlotBytes * slot + 2 * i], units[i]);
}

std::vector<uint8_t> ExpectedIndex::Bytes() const {
  std::vector<uint8_t> b = header_;
  const uint32_t t = static_cast<uint32_t>(readingTable_.size());
  const uint32_t k = static_cast<uint32_t>(keys_.size());
  const uint32_t e = static_cast<uint32_t>(index_.size());
  StoreU32(&b[0], 2934 + t + k + 4 * e + 10240);
  StoreU32(&b[4], 2934);
  StoreU32(&b[8], t);
  StoreU32(&b[20], 2934 + t);
  StoreU32(&b[24], k);
  StoreU32(&b[28], 2934 + t + k);
  StoreU32(&b[32], 4 * e);
  StoreU32(&b[36], 2934 + t + k + 4 * e);
  StoreU32(&b[40], 0);
  StoreU16(&b[44], u'拼');
  StoreU16(&b[46], u'音');
  b.insert(b.end(), readingTable_.begin(), readingTable_.end());
  b.insert(b.end(), keys_.begin(), keys_.end());
  for (uint32_t value : index_) {
    b.resize(b.size() + 4);
    StoreU32(&b[b.size() - 4], value);
  }
  b.resize(b.size() + 10240, 0);
  return b;
}

std::vector<uint8_t> ExpectedIndex::UserBytes() const {
  std::vector<uint8_t> b = Bytes();
  b.resize(463734);
  std::fill(b.begin() + 2934, b.end(), 0);
  StoreU32(&b[0], 463734);
  StoreU32(&b[8], 0);
  StoreU32(&b[20], 2934);
  StoreU32(&b[24], 0);
  StoreU32(&b[28], 207734);
  StoreU32(&b[32], 0);
  StoreU32(&b[36], 310134);
  return b;
}

PinyinIndexTest::PinyinIndexTest() {
  state.installFolder.Assign(folder.path());
  InputScheme* scheme = state.AddScheme();
  scheme->path.Assign(kPinyinSchemePath);
  scheme->selected = 1;
}

void PinyinIndexTest::WriteSchemeFile(std::u16string_view name, std::string_view utf8) {
  folder.Write(std::u16string(kPinyinSchemePath) + u"\\" + std::u16string(name), Utf16File(utf8));
}

void PinyinIndexTest::SetEntries(const std::vector<std::pair<std::u16string, int>>& entries) {
  main = MakeMainData(entries);
}

void PinyinIndexTest::Build() {
  BuildPinyinIndex(state, main.bytes.data(), main.bytes.size());
}

std::optional<std::vector<uint8_t>> PinyinIndexTest::Read(std::u16string_view relative) const {
  return ReadFileBytes(folder.path() + std::u16string(relative));
}

std::optional<std::vector<uint8_t>> PinyinIndexTest::Index() const {
  return Read(std::u16string(kPinyinSchemePath) + u"\\qinglan.idx");
}

std::optional<std::vector<uint8_t>> PinyinIndexTest::UserIndex() const {
  return Read(u"输入方案\\拼音\\User.idx");
}

std::vector<std::u16string> PinyinIndexTest::Captions() const {
  std::vector<std::u16string> captions;
  for (const RecordingUi::Message& message : ui.messages)
    captions.push_back(message.caption);
  return captions;
}

::testing::AssertionResult SameIndex(const std::vector<uint8_t>& expected,
                                     const std::optional<std::vector<uint8_t>>& actual) {
  if (!actual)
    return ::testing::AssertionFailure() << "no file";
  if (expected == *actual)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << DescribePinyinIndexDifference(expected, *actual);
}

}  // namespace ql::test
