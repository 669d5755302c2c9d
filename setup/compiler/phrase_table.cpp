#include "setup/compiler/phrase_table.h"

#include <algorithm>
#include <cstring>

#include "setup/common/bytes.h"
#include "setup/common/text.h"
#include "setup/common/ui.h"
#include "setup/model/package.h"

namespace ql {
namespace {

constexpr std::u16string_view kNoFindCaption = u"No Find";
// Entries that come in at most this many ascending runs are merged rather than sorted.
constexpr size_t kMaxMergedRuns = 16;

// A radix sort from the most significant byte: entries are spread into buckets by their leading
// bytes, one byte per level, and what is left in a small bucket, or after the last byte, is sorted
// by comparison. O(n log n) in all, also when every key is equal.
//
// Sorts [first, last) by `less`, a strict weak order led by the bytes `digit(item, level)` for
// level 0 .. levels - 1 (at most 8): of two items, the one whose digit is smaller at the first
// level where their digits differ must be less. Equal items may end in any order.
template <class Item, class Digit, class Less>
void SortByLeadingBytes(Item* first,
                        Item* last,
                        size_t level,
                        size_t levels,
                        Digit digit,
                        Less less) {
  constexpr std::ptrdiff_t kComparisonSortSize = 48;
  if (last - first <= kComparisonSortSize || level >= levels || level >= 8) {
    std::sort(first, last, less);
    return;
  }
  size_t next[257] = {};
  for (Item* it = first; it != last; ++it)
    ++next[digit(*it, level) + 1];
  for (size_t b = 1; b <= 256; ++b)
    next[b] += next[b - 1];
  size_t end[256];
  std::copy(next + 1, next + 257, end);
  // Each item is moved into the part of its bucket still to be filled, in place.
  for (size_t b = 0; b < 256; ++b) {
    while (next[b] < end[b]) {
      Item& item = first[next[b]];
      const size_t target = digit(item, level);
      if (target == b)
        ++next[b];
      else
        std::swap(item, first[next[target]++]);
    }
  }
  size_t begin = 0;
  for (size_t b = 0; b < 256; ++b) {
    if (end[b] - begin > 1)
      SortByLeadingBytes(first + begin, first + end[b], level + 1, levels, digit, less);
    begin = end[b];
  }
}

// A text file of the system: UTF-16LE with byte-order mark.
std::vector<uint8_t> TextFileBytes(std::u16string_view text) {
  return EncodeUtf16Le(text, Utf16Frame::kByteOrderMark);
}

}  // namespace

PhraseTableBuilder::PhraseTableBuilder(uint8_t* block,
                                       size_t blockSize,
                                       size_t indexArea,
                                       TextOutputs& outputs,
                                       std::u16string_view caption,
                                       Diagnostics* diagnostics)
    : block_(block),
      blockSize_(blockSize),
      indexArea_(indexArea),
      outputs_(outputs),
      writePos_(kPhraseHeaderSize),
      indexedEnd_(kPhraseHeaderSize),
      caption_(caption),
      diagnostics_(diagnostics) {}

PhraseTableBuilder::~PhraseTableBuilder() {
  CloseCustomCodes();
}

bool PhraseTableBuilder::AppendRecord(std::u16string_view text, uint8_t flags, uint8_t frequency) {
  size_t units = text.size() + 1;
  size_t size = kRecordFixedSize + 2 * units;
  size_t records = index_.size() + unindexedRecords_ + 1;
  // The byte after the last record (0, the end mark) must also lie below the index area, and the
  // index must fit in the rest of the block.
  if (full_ || units > kMaxRecordUnits || writePos_ + size >= indexArea_ ||
      records > (blockSize_ - indexArea_) / 4) {
    if (!full_)
      TheUi().ShowMessage(kRecordsFullText, caption_, kMbOk);
    full_ = true;
    return false;
  }
  uint8_t* at = block_ + writePos_;
  at[0] = static_cast<uint8_t>(units);
  at[1] = flags;
  at[2] = frequency;
  at[3] = 0;
  for (size_t i = 0; i < text.size(); ++i)
    StoreU16(at + kRecordFixedSize + 2 * i, text[i]);
  StoreU16(at + kRecordFixedSize + 2 * text.size(), 0);
  writePos_ += size;
  ++unindexedRecords_;
  return true;
}

bool PhraseTableBuilder::AddCharacterList(std::u16string_view text, std::u16string_view path) {
  const FileDiagnostics diagnostics(diagnostics_, std::u16string(path));
  size_t overlong = ReadCharacterList(
      text,
      [this](char16_t character, int32_t frequency) {
        uint8_t flags = frequency == 0 ? kFlagZeroFrequencyCharacter : 0;
        if (!AppendRecord(std::u16string_view(&character, 1), flags,
                          static_cast<uint8_t>(frequency & 0xFF)))
          return false;
        ++characterCount_;
        return true;
      },
      diagnostics);
  if (full_)
    return false;
  ReportNotes(path, overlong, 0);
  TheUi().StepProgress();
  StoreU32(block_ + kCharacterCountOffset, characterCount_);
  return true;
}

bool PhraseTableBuilder::AddDictionary(std::u16string_view text,
                                       bool allPhrasesByShapeCode,
                                       std::u16string_view path) {
  allPhrasesByShapeCode_ = allPhrasesByShapeCode;
  cutValues_ = 0;
  const FileDiagnostics diagnostics(diagnostics_, std::u16string(path));
  DictionaryReadResult result = ReadTextDictionary(text, part_, *this, diagnostics);
  if (result.stopped)
    return false;
  ReportNotes(path, result.overlongLines, result.refusedFolders);
  TheUi().StepProgress();
  ExtendIndex();
  TheUi().StepProgress();
  SortIndex();
  TheUi().StepProgress();
  return true;
}

void PhraseTableBuilder::ReportNotes(std::u16string_view path,
                                     size_t overlong,
                                     size_t refusedFolders) {
  // With a sink every such line has been reported where it stands.
  if (diagnostics_ != nullptr || (overlong == 0 && refusedFolders == 0 && cutValues_ == 0)) {
    cutValues_ = 0;
    return;
  }
  std::u16string text(path);
  if (overlong != 0) {
    text += u"\n" + DecimalText(static_cast<int64_t>(overlong)) +
            u"行超出长度限制（字段最多264个字符，词组最多254个字符），已跳过。";
  }
  if (cutValues_ != 0) {
    text += u"\n" + DecimalText(static_cast<int64_t>(cutValues_)) +
            u"个说明值超出其字段的长度，已截短。";
  }
  if (refusedFolders != 0) {
    text += u"\n" + DecimalText(static_cast<int64_t>(refusedFolders)) +
            u"个自定义编码的方案目录名无效（不能为空，不能含路径），其编码已跳过。";
  }
  cutValues_ = 0;
  TheUi().ShowMessage(text, caption_, kMbOk);
}

bool PhraseTableBuilder::Phrase(std::u16string_view phrase, std::optional<int32_t> frequency) {
  if (!index_.empty()) {
    if (std::optional<size_t> found = Find(phrase)) {
      uint8_t& stored = block_[index_[*found].offset + 2];
      if (!frequency)
        stored = kDefaultPhraseFrequency;
      else if (stored < *frequency)
        stored = static_cast<uint8_t>(*frequency & 0xFF);
      if (allPhrasesByShapeCode_ && stored < kShapeCodeFrequencyThreshold)
        stored = kDefaultPhraseFrequency;
      return true;
    }
  }
  uint8_t value = frequency ? static_cast<uint8_t>(*frequency & 0xFF) : kDefaultPhraseFrequency;
  if (allPhrasesByShapeCode_)
    value = kDefaultPhraseFrequency;
  return AppendRecord(phrase, 0, value);
}

size_t PhraseTableBuilder::Description(std::u16string_view key, std::u16string_view value) {
  size_t offset = 0;
  size_t units = 0;
  if (key == u"author") {
    offset = kAuthorTextOffset;
    units = kAuthorTextUnits;
  } else if (key == u"email") {
    offset = kEmailTextOffset;
    units = kEmailTextUnits;
  } else if (key == u"web") {
    offset = kWebTextOffset;
    units = kWebTextUnits;
  } else if (key == u"name") {
    offset = kNameTextOffset;
    units = kNameTextUnits;
  } else {
    return value.size();  // "filename" and unknown keys store nothing
  }
  // The whole field is cleared first, so nothing of a longer earlier value stays behind.
  std::memset(block_ + offset, 0, units * 2);
  size_t kept = value.size();
  if (kept > units - 1) {
    ++cutValues_;
    kept = units - 1;
    // Never half a character.
    if (value[kept - 1] >= 0xD800 && value[kept - 1] <= 0xDBFF)
      --kept;
  }
  for (size_t i = 0; i < kept; ++i)
    StoreU16(block_ + offset + 2 * i, value[i]);
  return kept;
}

bool PhraseTableBuilder::Settings(std::u16string_view tagField, std::u16string_view content) {
  std::u16string text = u"\r\n";
  text.append(tagField);
  text += u"\r\n";
  text.append(content);
  if (!outputs_.Write(kSettingsFile, TextFileBytes(text))) {
    TheUi().ShowMessage(outputs_.FullPath(kSettingsFile), kNoFindCaption, kMbOk);
    return false;
  }
  return true;
}

bool PhraseTableBuilder::DoublePinyin(std::u16string_view content) {
  if (!outputs_.Write(kDoublePinyinFile, TextFileBytes(content))) {
    TheUi().ShowMessage(outputs_.FullPath(kDoublePinyinFile), kNoFindCaption, kMbOk);
    return false;
  }
  return true;
}

void PhraseTableBuilder::CustomCodeFolder(std::optional<std::u16string_view> folder) {
  CloseCustomCodes();
  if (!folder)
    return;
  customPath_ = std::u16string(kSchemeFolder);
  customPath_->append(*folder);
  customPath_->append(u"\\");
  customPath_->append(kCustomCodeFile);
  customText_.clear();
}

bool PhraseTableBuilder::CustomCode(std::u16string_view code, std::u16string_view text) {
  if (!customPath_)
    return false;
  customText_.append(code);
  customText_ += u'=';
  customText_.append(text);
  customText_ += u"\r\n";
  return true;
}

void PhraseTableBuilder::CustomCodeEnd() {
  CloseCustomCodes();
}

void PhraseTableBuilder::CloseCustomCodes() {
  if (!customPath_)
    return;
  // A file that cannot be created loses its lines silently, as the format has it.
  outputs_.Write(*customPath_, TextFileBytes(customText_));
  customPath_.reset();
  customText_.clear();
}

int PhraseTableBuilder::CompareRecord(uint32_t offset, std::u16string_view text) const {
  const uint8_t* record = block_ + offset;
  size_t units = record[0] == 0 ? 0 : record[0] - 1u;
  const uint8_t* at = record + kRecordFixedSize;
  size_t common = std::min(units, text.size());
  for (size_t i = 0; i < common; ++i) {
    char16_t c = LoadU16(at + 2 * i);
    if (c != text[i])
      return c < text[i] ? -1 : 1;
  }
  return units < text.size() ? -1 : (units > text.size() ? 1 : 0);
}

int PhraseTableBuilder::CompareRecords(uint32_t a, uint32_t b) const {
  const uint8_t* ra = block_ + a;
  const uint8_t* rb = block_ + b;
  size_t ua = ra[0] - 1u;
  size_t ub = rb[0] - 1u;
  size_t common = std::min(ua, ub);
  for (size_t i = 0; i < common; ++i) {
    char16_t ca = LoadU16(ra + kRecordFixedSize + 2 * i);
    char16_t cb = LoadU16(rb + kRecordFixedSize + 2 * i);
    if (ca != cb)
      return ca < cb ? -1 : 1;
  }
  return ua < ub ? -1 : (ua > ub ? 1 : 0);
}

uint32_t PhraseTableBuilder::HeadOf(uint32_t offset) const {
  const uint8_t* record = block_ + offset;
  const size_t units = record[0] - 1u;
  uint32_t head = units >= 1 ? LoadU16(record + kRecordFixedSize) : 0u;
  head = head << 16 | (units >= 2 ? LoadU16(record + kRecordFixedSize + 2) : 0u);
  return head;
}

bool PhraseTableBuilder::LessEntry(const IndexEntry& a, const IndexEntry& b) const {
  // Heads order as the texts do wherever they differ (a text that ends early has 0 there, and
  // sorts first); equal heads leave it to the whole texts. Equal texts keep their records' order.
  if (a.head != b.head)
    return a.head < b.head;
  int order = CompareRecords(a.offset, b.offset);
  return order != 0 ? order < 0 : a.offset < b.offset;
}

std::optional<size_t> PhraseTableBuilder::Find(std::u16string_view text) const {
  const uint32_t head = (text.size() >= 1 ? uint32_t{text[0]} << 16 : 0u) |
                        (text.size() >= 2 ? uint32_t{text[1]} : 0u);
  auto begin = index_.begin();
  auto end = index_.begin() + static_cast<std::ptrdiff_t>(sortedCount_);
  auto before = [this, head](const IndexEntry& entry, std::u16string_view t) {
    return entry.head != head ? entry.head < head : CompareRecord(entry.offset, t) < 0;
  };
  auto it = std::lower_bound(begin, end, text, before);
  if (it == end || it->head != head || CompareRecord(it->offset, text) != 0)
    return std::nullopt;
  return static_cast<size_t>(it - begin);
}

void PhraseTableBuilder::ExtendIndex() {
  // Every record from the first one not yet indexed up to the end mark.
  index_.reserve(index_.size() + unindexedRecords_);
  size_t pos = indexedEnd_;
  while (pos < writePos_ && block_[pos] != 0) {
    const uint32_t offset = static_cast<uint32_t>(pos);
    index_.push_back(IndexEntry{HeadOf(offset), offset});
    pos += kRecordFixedSize + 2u * block_[pos];
  }
  indexedEnd_ = pos;
  unindexedRecords_ = 0;
}

void PhraseTableBuilder::SortIndex() {
  // The indexed part is already in order; the new entries are put in order and merged in. Equal
  // texts end in the order of their records, the older ones first.
  if (sortedCount_ == index_.size())
    return;
  auto less = [this](const IndexEntry& a, const IndexEntry& b) { return LessEntry(a, b); };
  // Dictionaries are mostly kept in order, and so is the character list: where the new entries
  // are a few ascending runs, merging them costs a pass per halving of the runs instead of a sort.
  std::vector<size_t> runStarts;
  if (sortedCount_ != 0)
    runStarts.push_back(0);
  runStarts.push_back(sortedCount_);
  for (size_t i = sortedCount_ + 1; i < index_.size() && runStarts.size() <= kMaxMergedRuns; ++i) {
    if (less(index_[i], index_[i - 1]))
      runStarts.push_back(i);
  }
  if (runStarts.size() > kMaxMergedRuns) {
    auto digit = [](const IndexEntry& entry, size_t level) {
      return static_cast<size_t>(entry.head >> (24 - 8 * level) & 0xFF);
    };
    SortByLeadingBytes(index_.data() + sortedCount_, index_.data() + index_.size(), 0, 4, digit,
                       less);
    runStarts.resize(sortedCount_ != 0 ? 2 : 1);
  }
  runStarts.push_back(index_.size());
  auto at = [this](size_t position) {
    return index_.begin() + static_cast<std::ptrdiff_t>(position);
  };
  while (runStarts.size() > 2) {
    const size_t runs = runStarts.size() - 1;
    std::vector<size_t> merged;
    for (size_t r = 0; r < runs; r += 2) {
      merged.push_back(runStarts[r]);
      if (r + 1 < runs)
        std::inplace_merge(at(runStarts[r]), at(runStarts[r + 1]), at(runStarts[r + 2]), less);
    }
    merged.push_back(index_.size());
    runStarts.swap(merged);
  }
  sortedCount_ = index_.size();
}

std::optional<uint32_t> PhraseTableBuilder::FinishMainData() {
  // With no dictionary read the character records were never indexed: index them now, so the
  // file is complete either way.
  ExtendIndex();
  SortIndex();
  size_t recordsEnd = writePos_;
  size_t indexOffset = recordsEnd + kIndexGap;
  size_t indexSize = 4 * index_.size();
  size_t totalSize = indexOffset + indexSize + kIndexGap;
  if (totalSize > blockSize_) {
    TheUi().ShowMessage(kFileTooLargeText, caption_, kMbOk);
    return std::nullopt;
  }
  StoreU32(block_ + kTotalSizeOffset, static_cast<uint32_t>(totalSize));
  StoreU32(block_ + kRecordShiftOffset, 0);
  StoreU32(block_ + kRecordsEndOffset, static_cast<uint32_t>(recordsEnd));
  StoreU32(block_ + kIndexOffsetOffset, static_cast<uint32_t>(indexOffset));
  StoreU32(block_ + kIndexSizeOffset, static_cast<uint32_t>(indexSize));
  for (size_t i = 0; i < index_.size(); ++i)
    StoreU32(block_ + indexOffset + 4 * i, index_[i].offset);
  return static_cast<uint32_t>(totalSize);
}

void LayOutUserData(uint8_t* out) {
  std::memset(out, 0, kUserDataSize);
  StoreU32(out + kTotalSizeOffset, kUserDataSize);
  StoreU32(out + kRecordShiftOffset, kUserRecordShift);
  StoreU32(out + kRecordsEndOffset, 0);
  StoreU32(out + kIndexOffsetOffset, kUserIndexOffset);
  StoreU32(out + kIndexSizeOffset, 0);
}

}  // namespace ql
