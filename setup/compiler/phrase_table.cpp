#include "setup/compiler/phrase_table.h"

#include <algorithm>
#include <cstring>

#include "setup/common/text.h"
#include "setup/common/ui.h"
#include "setup/flow/setup_state.h"

namespace ql {
namespace {

constexpr std::u16string_view kNoFindCaption = u"No Find";
constexpr std::u16string_view kSettingsFile = u"option.txt";
constexpr std::u16string_view kDoublePinyinFile = u"sp.ini";
constexpr std::u16string_view kSchemeFolders = u"输入方案\\";
constexpr std::u16string_view kCustomCodeFile = u"\\codeword.txt";

void AppendUnits(std::vector<uint8_t>& bytes, std::u16string_view text) {
  for (char16_t c : text) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
}

// A text file of the system: UTF-16LE with byte-order mark.
std::vector<uint8_t> TextFileBytes(std::u16string_view text) {
  std::vector<uint8_t> bytes;
  bytes.reserve(2 + text.size() * 2);
  AppendUnits(bytes, u"\uFEFF");
  AppendUnits(bytes, text);
  return bytes;
}

}  // namespace

PhraseTableBuilder::PhraseTableBuilder(uint8_t* block,
                                       size_t blockSize,
                                       size_t indexArea,
                                       TextOutputs& outputs)
    : block_(block),
      blockSize_(blockSize),
      indexArea_(indexArea),
      outputs_(outputs),
      writePos_(kPhraseHeaderSize),
      indexedEnd_(kPhraseHeaderSize) {}

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
      TheUi().ShowMessage(kRecordsFullText, State().displayName.view(), kMbOk);
    full_ = true;
    return false;
  }
  uint8_t* at = block_ + writePos_;
  at[0] = static_cast<uint8_t>(units);
  at[1] = flags;
  at[2] = frequency;
  at[3] = 0;
  for (size_t i = 0; i < text.size(); ++i)
    PutUnit(at + kRecordFixedSize + 2 * i, text[i]);
  PutUnit(at + kRecordFixedSize + 2 * text.size(), 0);
  writePos_ += size;
  ++unindexedRecords_;
  return true;
}

bool PhraseTableBuilder::AddCharacterList(std::u16string_view text, std::u16string_view path) {
  size_t overlong = ReadCharacterList(text, [this](char16_t character, int32_t frequency) {
    uint8_t flags = frequency == 0 ? kFlagZeroFrequencyCharacter : 0;
    if (!AppendRecord(std::u16string_view(&character, 1), flags,
                      static_cast<uint8_t>(frequency & 0xFF)))
      return false;
    ++characterCount_;
    return true;
  });
  if (full_)
    return false;
  ReportNotes(path, overlong, 0);
  TheUi().StepProgress();
  PutU32(block_ + kCharacterCountOffset, characterCount_);
  return true;
}

bool PhraseTableBuilder::AddDictionary(std::u16string_view text,
                                       bool allPhrasesByShapeCode,
                                       std::u16string_view path) {
  allPhrasesByShapeCode_ = allPhrasesByShapeCode;
  cutValues_ = 0;
  DictionaryReadResult result = ReadTextDictionary(text, part_, *this);
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
  if (overlong == 0 && refusedFolders == 0 && cutValues_ == 0)
    return;
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
  TheUi().ShowMessage(text, State().displayName.view(), kMbOk);
}

bool PhraseTableBuilder::Phrase(std::u16string_view phrase, std::optional<int32_t> frequency) {
  if (!index_.empty()) {
    if (std::optional<size_t> found = Find(phrase)) {
      uint8_t& stored = block_[index_[*found] + 2];
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

void PhraseTableBuilder::Description(std::u16string_view key, std::u16string_view value) {
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
    return;  // "filename" and unknown keys store nothing
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
    PutUnit(block_ + offset + 2 * i, value[i]);
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
  customPath_ = std::u16string(kSchemeFolders);
  customPath_->append(*folder);
  customPath_->append(kCustomCodeFile);
  customText_.clear();
}

void PhraseTableBuilder::CustomCode(std::u16string_view code, std::u16string_view text) {
  if (!customPath_)
    return;
  customText_.append(code);
  customText_ += u'=';
  customText_.append(text);
  customText_ += u"\r\n";
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
    char16_t c = GetUnit(at + 2 * i);
    if (c != text[i])
      return c < text[i] ? -1 : 1;
  }
  return units < text.size() ? -1 : (units > text.size() ? 1 : 0);
}

bool PhraseTableBuilder::LessRecord(uint32_t a, uint32_t b) const {
  const uint8_t* ra = block_ + a;
  const uint8_t* rb = block_ + b;
  size_t ua = ra[0] - 1u;
  size_t ub = rb[0] - 1u;
  size_t common = std::min(ua, ub);
  for (size_t i = 0; i < common; ++i) {
    char16_t ca = GetUnit(ra + kRecordFixedSize + 2 * i);
    char16_t cb = GetUnit(rb + kRecordFixedSize + 2 * i);
    if (ca != cb)
      return ca < cb;
  }
  return ua < ub;
}

std::optional<size_t> PhraseTableBuilder::Find(std::u16string_view text) const {
  auto begin = index_.begin();
  auto end = index_.begin() + static_cast<std::ptrdiff_t>(sortedCount_);
  auto it = std::lower_bound(begin, end, text, [this](uint32_t offset, std::u16string_view t) {
    return CompareRecord(offset, t) < 0;
  });
  if (it == end || CompareRecord(*it, text) != 0)
    return std::nullopt;
  return static_cast<size_t>(it - begin);
}

void PhraseTableBuilder::ExtendIndex() {
  // Every record from the first one not yet indexed up to the end mark.
  size_t pos = indexedEnd_;
  while (pos < writePos_ && block_[pos] != 0) {
    index_.push_back(static_cast<uint32_t>(pos));
    pos += kRecordFixedSize + 2u * block_[pos];
  }
  indexedEnd_ = pos;
  unindexedRecords_ = 0;
}

void PhraseTableBuilder::SortIndex() {
  // The indexed part is already in order: sort the new entries and merge them in.
  auto less = [this](uint32_t a, uint32_t b) { return LessRecord(a, b); };
  auto middle = index_.begin() + static_cast<std::ptrdiff_t>(sortedCount_);
  std::sort(middle, index_.end(), less);
  std::inplace_merge(index_.begin(), middle, index_.end(), less);
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
    TheUi().ShowMessage(kFileTooLargeText, State().displayName.view(), kMbOk);
    return std::nullopt;
  }
  PutU32(block_ + kTotalSizeOffset, static_cast<uint32_t>(totalSize));
  PutU32(block_ + kRecordShiftOffset, 0);
  PutU32(block_ + kRecordsEndOffset, static_cast<uint32_t>(recordsEnd));
  PutU32(block_ + kIndexOffsetOffset, static_cast<uint32_t>(indexOffset));
  PutU32(block_ + kIndexSizeOffset, static_cast<uint32_t>(indexSize));
  for (size_t i = 0; i < index_.size(); ++i)
    PutU32(block_ + indexOffset + 4 * i, index_[i]);
  return static_cast<uint32_t>(totalSize);
}

void LayOutUserData(uint8_t* out) {
  std::memset(out, 0, kUserDataSize);
  PutU32(out + kTotalSizeOffset, kUserDataSize);
  PutU32(out + kRecordShiftOffset, kUserRecordShift);
  PutU32(out + kRecordsEndOffset, 0);
  PutU32(out + kIndexOffsetOffset, kUserIndexOffset);
  PutU32(out + kIndexSizeOffset, 0);
}

}  // namespace ql
