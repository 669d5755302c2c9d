#include "setup/compiler/pinyin_index.h"

#include <algorithm>
#include <cstring>
#include <tuple>

#include "setup/common/byte_reader.h"
#include "setup/common/bytes.h"
#include "setup/common/line_reader.h"
#include "setup/common/text.h"
#include "setup/common/ui.h"
#include "setup/compiler/phrase_table_format.h"
#include "setup/compiler/pinyin_index_internal.h"

namespace ql {
namespace pinyin_index {
namespace {

constexpr uint32_t kMaxEntryOffset = 0x7FFFFFFFu;

bool InReadingRange(char16_t c) {
  return c >= kFirstReadingCharacter && c <= kLastReadingCharacter;
}

void StoreCodes(uint8_t* at, const uint16_t* codes, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    StoreU16(at + 2 * i, codes[i]);
  }
}

// The first room of the index array holds at most this many values (16 MiB); a run that makes
// more lets the array grow.
constexpr size_t kMaxReservedValues = size_t{1} << 20;

// The first 8 bytes of a zero-terminated key, the first one most significant, zero from the
// terminator on: keys that differ there compare as these numbers do.
uint64_t KeyPrefix(const uint8_t* key) {
  uint64_t prefix = 0;
  bool ended = false;
  for (size_t i = 0; i < 8; ++i) {
    const uint8_t byte = ended ? 0 : key[i];
    ended = byte == 0;
    prefix = prefix << 8 | byte;
  }
  return prefix;
}

// Keys compare as zero-terminated byte strings of unsigned bytes.
int CompareKeys(const uint8_t* a, const uint8_t* b) {
  for (;; ++a, ++b) {
    if (*a != *b)
      return *a < *b ? -1 : 1;
    if (*a == 0)
      return 0;
  }
}

}  // namespace

bool MainData::HasHeader() const {
  return data_ != nullptr && size_ >= kPhraseHeaderSize;
}

size_t MainData::FirstRecord() const {
  if (!HasHeader())
    return SIZE_MAX;
  // Compared before adding: on a 32-bit system a shift near 4 GiB would wrap to a small offset
  // inside the header.
  const size_t shift = ByteReader(data_, size_).Seek(kRecordShiftOffset).U32();
  return shift < size_ - kPhraseHeaderSize ? shift + kPhraseHeaderSize : SIZE_MAX;
}

int MainData::RecordUnits(size_t offset) const {
  ByteReader record(data_, size_);
  const size_t units = record.Seek(offset).U8();
  record.Skip(kRecordFixedSize - 1 + 2 * units);
  return record.ok() ? static_cast<int>(units) : -1;
}

std::u16string_view MainData::Text(size_t offset, std::u16string& scratch) const {
  scratch.clear();
  size_t units = data_[offset];
  for (size_t i = 0; i + 1 < units; ++i) {
    char16_t c = LoadU16(data_ + offset + kRecordFixedSize + 2 * i);
    if (c == 0)
      break;
    scratch.push_back(c);
  }
  return scratch;
}

std::u16string_view MainData::ReadableText(size_t offset, std::u16string& scratch) const {
  scratch.clear();
  ByteReader record(data_, size_);
  const size_t units = record.Seek(offset).U8();
  record.Skip(kRecordFixedSize - 1);
  for (size_t i = 0; i + 1 < units; ++i) {
    char16_t c = record.U16();
    if (c == 0 || !record.ok())
      break;
    scratch.push_back(c);
  }
  return scratch;
}

void MainData::ClearMarks() {
  size_t offset = FirstRecord();
  int units;
  while (offset != SIZE_MAX && (units = RecordUnits(offset)) > 0) {
    // Only a set mark is written: a page of the mapped file that holds none stays clean.
    if (data_[offset + 3] != 0)
      data_[offset + 3] = 0;
    offset += kRecordFixedSize + 2 * size_t(units);
  }
}

const uint8_t* MainData::Index(size_t* size) const {
  *size = 0;
  if (!HasHeader())
    return nullptr;
  ByteReader header(data_, size_);
  const size_t offset = header.Seek(kIndexOffsetOffset).U32();
  const size_t length = header.U32();
  const uint8_t* index = ByteReader(data_, size_).Seek(offset).Bytes(length);
  if (index != nullptr)
    *size = length;
  return index;
}

size_t MainData::ExpectedKeyCount() const {
  size_t indexSize;
  return Index(&indexSize) != nullptr ? indexSize / 4 + indexSize / 8 : 0;
}

int32_t MainData::Find(std::u16string_view text, bool* fault) const {
  size_t indexSize;
  const uint8_t* index = Index(&indexSize);
  *fault = index == nullptr;
  if (*fault)
    return -1;
  size_t end = text.find(u'\0');
  if (end != std::u16string_view::npos)
    text = text.substr(0, end);
  int64_t lo = 0, hi = int64_t(indexSize / 4) - 1;
  while (lo <= hi) {
    int64_t mid = (lo + hi) / 2;
    size_t record = LoadU32(index + 4 * size_t(mid));
    int units = RecordUnits(record);
    if (units <= 0) {
      *fault = true;
      return -1;
    }
    // Compare as zero-terminated strings of unsigned units.
    const uint8_t* recordText = data_ + record + kRecordFixedSize;
    int order = 0;
    for (size_t i = 0;; ++i) {
      char16_t a = i < text.size() ? text[i] : 0;
      char16_t b = i + 1 < size_t(units) ? LoadU16(recordText + 2 * i) : 0;
      if (a != b) {
        order = a < b ? -1 : 1;
        break;
      }
      if (a == 0)
        break;
    }
    if (order == 0)
      return static_cast<int32_t>(mid);
    if (order < 0)
      hi = mid - 1;
    else
      lo = mid + 1;
  }
  return -1;
}

uint32_t MainData::IndexValue(int32_t position) const {
  size_t indexSize;
  const uint8_t* index = Index(&indexSize);
  return index != nullptr && size_t(position) < indexSize / 4
             ? LoadU32(index + 4 * size_t(position))
             : 0;
}

ExpandResult Expand(std::u16string_view text,
                    bool strict,
                    const ReadingTableView& readings,
                    Variants& out) {
  out.count = 1;
  out.length = 0;
  out.cut = false;
  size_t q = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    Reading first = readings.FirstReading(c);
    if (!InReadingRange(c) || !first.present()) {
      if (strict || i == 0)
        return ExpandResult::noKey;
      continue;
    }
    if (q == kMaxKeyCodes)
      return ExpandResult::tooLong;
    const size_t m = out.count;
    for (size_t v = 0; v < m; ++v)
      out.at(v)[q] = first.code;
    Reading extra[kExtraReadingsSlots];
    size_t slots = readings.ExtraReadings(c, extra);
    for (size_t s = 0; s < slots; ++s) {
      bool repeated = extra[s].code == first.code;
      for (size_t e = 0; e < s && !repeated; ++e)
        repeated = extra[e].code == extra[s].code;
      if (repeated)
        continue;
      // A reading whose copies would not fit is left out whole, so every variant stays complete.
      if (out.count + m > out.capacity) {
        out.cut = true;
        continue;
      }
      for (size_t v = 0; v < m; ++v) {
        uint16_t* copy = out.at(out.count++);
        std::memcpy(copy, out.at(v), q * sizeof(uint16_t));
        copy[q] = extra[s].code;
      }
    }
    ++q;
  }
  out.length = q;
  return ExpandResult::ok;
}

KeyStore::KeyStore(uint8_t* work,
                   size_t workSize,
                   uint32_t readingTableLength,
                   size_t mainSize,
                   size_t expectedValues)
    : work_(work) {
  keyStart_ = kIdxHeaderSize + size_t{readingTableLength};
  keyCursor_ = keyStart_;
  keyEnd_ = keyStart_ + kKeyAreaRoomBase + mainSize;
  primaryCursor_ = keyEnd_;
  primaryEnd_ = size_t{readingTableLength} + mainSize + kIndexArrayBase;
  fits_ = mainSize <= workSize && primaryEnd_ <= workSize && primaryEnd_ > primaryCursor_;
  if (fits_) {
    maxValues_ = (workSize - primaryEnd_) / 4;
    values_.reserve(std::min({expectedValues, maxValues_, kMaxReservedValues}));
  }
}

bool KeyStore::Add(bool inFile, uint32_t reference, const uint16_t* codes, size_t count) {
  if (full_ || !fits_)
    return false;
  const size_t size = kKeyRecordFixedSize + 2 * count;
  size_t& cursor = inFile ? keyCursor_ : primaryCursor_;
  const size_t end = inFile ? keyEnd_ : primaryEnd_;
  if (end - cursor < size || values_.size() >= maxValues_ || cursor > kMaxEntryOffset) {
    full_ = true;
    return false;
  }
  uint8_t* record = work_ + cursor;
  StoreU32(record, reference);
  StoreCodes(record + 4, codes, count);
  record[4 + 2 * count] = 0;
  const uint64_t prefix = KeyPrefix(record + 4);
  values_.push_back(IndexItem{static_cast<uint32_t>(prefix >> 32), static_cast<uint32_t>(prefix),
                              static_cast<uint32_t>(cursor)});
  cursor += size;
  return true;
}

}  // namespace pinyin_index

using pinyin_index::ExpandResult;
using pinyin_index::IndexItem;
using pinyin_index::KeyStore;
using pinyin_index::MainData;
using pinyin_index::Variants;

namespace {

void ShowIndexMessage(std::u16string_view text) {
  TheUi().ShowMessage(text, kPinyinInstallCaption, kMbOk);
}

// One pass of a radix sort: `from` into `to` ordered by `digit(i)` (0 .. 65535) of the item at
// position i of `from`, keeping the order of items with equal digits. False, nothing moved, when
// every item has the same digit.
template <class Digit>
bool StableDigitPass(const std::vector<IndexItem>& from,
                     std::vector<IndexItem>& to,
                     std::vector<uint32_t>& next,
                     Digit digit) {
  const size_t n = from.size();
  next.assign(size_t{1} << 16, 0);
  for (size_t i = 0; i < n; ++i)
    ++next[digit(i)];
  if (n == 0 || next[digit(0)] == n)
    return false;
  uint32_t start = 0;
  for (uint32_t& count : next) {
    const uint32_t bucket = count;
    count = start;
    start += bucket;
  }
  to.resize(n);
  for (size_t i = 0; i < n; ++i)
    to[next[digit(i)]++] = from[i];
  return true;
}

// The radix passes: the rank, then the key's first 8 bytes two at a time, each pass keeping the
// order of the one before.
void SortByPrefixAndRank(std::vector<IndexItem>& values,
                         const std::vector<uint8_t>& rank,
                         std::vector<IndexItem>& other,
                         std::vector<uint32_t>& next) {
  if (StableDigitPass(values, other, next, [&](size_t i) { return size_t{rank[i]}; }))
    values.swap(other);
  for (int shift = 0; shift < 64; shift += 16) {
    auto digit = [&values, shift](size_t i) {
      const IndexItem& value = values[i];
      const uint64_t prefix = uint64_t{value.prefixHigh} << 32 | value.prefixLow;
      return static_cast<size_t>(prefix >> shift & 0xFFFF);
    };
    if (StableDigitPass(values, other, next, digit))
      values.swap(other);
  }
}

// Values whose first 8 bytes are equal and whose keys go on, in order of the rest of the key,
// keeping the order they have.
void SortSamePrefixByRest(std::vector<IndexItem>& values, const uint8_t* work) {
  auto samePrefix = [](const IndexItem& a, const IndexItem& b) {
    return a.prefixHigh == b.prefixHigh && a.prefixLow == b.prefixLow;
  };
  auto lessRest = [work](const IndexItem& a, const IndexItem& b) {
    return pinyin_index::CompareKeys(work + a.offset + 4 + 8, work + b.offset + 4 + 8) < 0;
  };
  for (size_t i = 0; i < values.size();) {
    size_t j = i + 1;
    while (j < values.size() && samePrefix(values[j], values[i]))
      ++j;
    // Keys that end within their first 8 bytes are equal here.
    if (j - i > 1 && (values[i].prefixLow & 0xFF) != 0)
      std::stable_sort(values.begin() + static_cast<std::ptrdiff_t>(i),
                       values.begin() + static_cast<std::ptrdiff_t>(j), lessRest);
    i = j;
  }
}

// Fewer values than this are sorted by one comparison sort instead of the radix passes.
constexpr size_t kRadixSortMinimum = 4096;

// Sorts the index values by key, the most frequent entry first among equal keys, equal
// frequencies in order of creation (the order they come in). A radix sort from the least
// significant end: the frequency, then the key's first 8 bytes two at a time, each pass keeping
// the order of the one before; values whose first 8 bytes are equal and whose keys go on are then
// put in order of the rest of the key, again keeping the order they have. Five linear passes,
// also when thousands of values share a key; only the rest of long keys is compared.
void SortIndexValues(std::vector<IndexItem>& values, const uint8_t* work, const MainData& main) {
  std::vector<IndexItem> other;
  std::vector<uint32_t> next;
  std::vector<uint8_t> rank(values.size());
  for (size_t i = 0; i < values.size(); ++i)
    rank[i] = static_cast<uint8_t>(
        255 - main.Frequency(LoadU32(work + values[i].offset) & kEntryReferenceMask));
  if (values.size() < kRadixSortMinimum) {
    // A few values: a pass over 65,536 buckets would cost more than the values. One stable sort
    // by the same fields (the first 8 bytes, then the rank) gives the passes' order.
    std::vector<size_t> order(values.size());
    for (size_t i = 0; i < order.size(); ++i)
      order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      return std::tie(values[a].prefixHigh, values[a].prefixLow, rank[a]) <
             std::tie(values[b].prefixHigh, values[b].prefixLow, rank[b]);
    });
    other.resize(values.size());
    for (size_t i = 0; i < order.size(); ++i)
      other[i] = values[order[i]];
    values.swap(other);
  } else {
    SortByPrefixAndRank(values, rank, other, next);
  }
  SortSamePrefixByRest(values, work);
}

// Step 8. Returns false when a record lies outside the file (the user has been told).
bool MainPass(MainData& main,
              const ReadingTableView& readings,
              bool singleCharsOnly,
              KeyStore& keys,
              Variants& variants,
              const FileDiagnostics& said,
              PinyinIndexResult& result) {
  std::u16string scratch;
  size_t offset = main.FirstRecord();
  if (offset == SIZE_MAX) {
    ShowIndexMessage(kBadMainDataText);
    return false;
  }
  while (!keys.full()) {
    int units = main.RecordUnits(offset);
    if (units < 0 || offset > 0x7FFFFFFFu) {
      // What a faulting read would have hit: say which entry, as far as it can be read.
      TheUi().ShowMessage(main.ReadableText(offset, scratch), kPinyinInstallCaption, kMbOk);
      return false;
    }
    if (units == 0)
      break;
    const size_t entry = offset;
    const size_t n = size_t(units) - 1;
    offset += kRecordFixedSize + 2 * size_t(units);
    if (n >= 2 && singleCharsOnly)
      continue;
    if (main.Mark(entry) != 0) {
      main.SetMark(entry, 0);
      continue;
    }
    if (n == 0)
      continue;
    ExpandResult expanded =
        pinyin_index::Expand(main.Text(entry, scratch), false, readings, variants);
    if (expanded == ExpandResult::tooLong)
      ++result.entriesTooLong;
    // The installer passes such an entry over without a word: it cannot be typed by pinyin.
    if (expanded == ExpandResult::noKey && said.active()) {
      said.Warning(0, "no-pinyin-key",
                   "\"" + Utf16ToUtf8(main.Text(entry, scratch)) +
                       "\" gets no pinyin key: its first character has no reading in this file");
    }
    if (expanded != ExpandResult::ok)
      continue;
    if (variants.cut)
      ++result.entriesVariantsCut;
    const uint32_t reference = static_cast<uint32_t>(entry);
    const uint32_t flagged = reference | (n >= 2 ? kCombinedReadingFlag : 0);
    keys.Add(false, reference, variants.at(0), variants.length);
    for (size_t v = 1; v < variants.count; ++v)
      keys.Add(true, flagged, variants.at(v), variants.length);
  }
  return true;
}

}  // namespace

PinyinIndexResult BuildPinyinIndexInBuffer(uint8_t* work,
                                           size_t workSize,
                                           uint8_t* mainData,
                                           size_t mainSize,
                                           const PinyinIndexSources& sources,
                                           bool singleCharsOnly) {
  PinyinIndexResult result;
  MainData main(mainData, mainSize);
  if (!main.HasHeader() || workSize < kMinReadingWorkBufferSize) {
    result.badMainData = true;
    ShowIndexMessage(kBadMainDataText);
    return result;
  }

  if (sources.zg)
    pinyin_index::CopyHeaderTextLines(*sources.zg, work, sources.zgDiagnostics);

  BuildReadingTableFromSource(sources.mb, work, workSize, sources.mbDiagnostics);
  const uint32_t readingLength = LoadU32(work + kReadingTableLengthField);
  result.readingTableLength = readingLength;
  TheUi().StepProgress();
  // The view ends at the table's length, so key records written after it (also when the table is
  // empty and the key area starts at 2,934) are never read as character records.
  ReadingTableView readings(work + kReadingTableOffset, readingLength);

  KeyStore keys(work, workSize, readingLength, mainSize, main.ExpectedKeyCount());
  main.ClearMarks();
  Variants variants;

  if (keys.fits() && !singleCharsOnly && sources.dycz) {
    std::u16string text = DecodeUtf16Le(sources.dycz->data(), sources.dycz->size());
    pinyin_index::DyczSummary dycz = pinyin_index::AddPolyphonicPhrases(
        text, readings, main, keys, variants, sources.dyczDiagnostics);
    result.dyczLinesWritten = dycz.written;
    result.dyczLinesSkipped = dycz.skipped;
    // With a sink each skipped line has been reported where it stands.
    if (dycz.skipped != 0 && !sources.dyczDiagnostics.active()) {
      std::u16string message(kDyczLinesSkippedText);
      for (char c : std::to_string(dycz.firstSkippedLine))
        message.push_back(static_cast<char16_t>(c));
      ShowIndexMessage(message);
    }
  }

  if (keys.fits()) {
    // Without any reading (no mb.txt, or none in it) that has been said once for the whole file.
    const FileDiagnostics none;
    result.mainPassFault = !MainPass(main, readings, singleCharsOnly, keys, variants,
                                     readingLength != 0 ? sources.mbDiagnostics : none, result);
  }
  if (result.entriesTooLong != 0)
    ShowIndexMessage(kKeyTooLongText);
  if (result.entriesVariantsCut != 0)
    ShowIndexMessage(kTooManyVariantsText);
  TheUi().StepProgress();

  if (!keys.fits() || keys.full()) {
    // An index without all its keys must not replace the old one as if complete.
    result.tooLarge = true;
    main.ClearMarks();
    ShowIndexMessage(kIndexTooLargeText);
    TheUi().StepProgress();
    TheUi().StepProgress();
    return result;
  }

  // Sort by key, the most frequent entry first among equal keys; equal frequencies keep the order
  // of creation. One radix sort instead of a selection per run of equal keys.
  std::vector<IndexItem>& values = keys.values();
  SortIndexValues(values, work, main);
  TheUi().StepProgress();

  const size_t keyCursor = keys.keyCursor();
  for (IndexItem& value : values) {
    value.offset =
        value.offset < keyCursor ? value.offset | kInFileFlag : LoadU32(work + value.offset);
  }
  TheUi().StepProgress();

  // Lay out the file. The values come from their own array, so the target cannot overlap them.
  const size_t keyStart = keys.keyAreaStart();
  const size_t keyLength = keyCursor - keyStart;
  const size_t indexAt = keyCursor;
  const size_t indexLength = 4 * values.size();
  const size_t thirdAt = indexAt + indexLength;
  const size_t fileLength = thirdAt + kThirdAreaRoom;
  if (fileLength > workSize || fileLength > UINT32_MAX) {
    result.tooLarge = true;
    main.ClearMarks();
    ShowIndexMessage(kIndexTooLargeText);
    return result;
  }
  for (size_t i = 0; i < values.size(); ++i)
    StoreU32(work + indexAt + 4 * i, values[i].offset);
  std::memset(work + thirdAt, 0, kThirdAreaRoom);
  StoreU32(work + kKeyAreaOffsetField, static_cast<uint32_t>(keyStart));
  StoreU32(work + kKeyAreaLengthField, static_cast<uint32_t>(keyLength));
  StoreU32(work + kEntryIndexOffsetField, static_cast<uint32_t>(indexAt));
  StoreU32(work + kEntryIndexLengthField, static_cast<uint32_t>(indexLength));
  StoreU32(work + kThirdAreaOffsetField, static_cast<uint32_t>(thirdAt));
  StoreU32(work + kThirdAreaLengthField, 0);
  std::memset(work + kIdxNameOffset, 0, kIdxNameBytes);
  for (size_t i = 0; i < kIdxName.size(); ++i)
    StoreU16(work + kIdxNameOffset + 2 * i, kIdxName[i]);
  StoreU32(work + kIdxFileLengthField, static_cast<uint32_t>(fileLength));
  // The main pass leaves marks set when it ended early; none may stay in the file.
  main.ClearMarks();

  result.built = true;
  result.fileLength = static_cast<uint32_t>(fileLength);
  result.keyAreaLength = static_cast<uint32_t>(keyLength);
  result.entryCount = static_cast<uint32_t>(values.size());
  return result;
}

std::vector<uint8_t> LayOutUserIndex(const uint8_t* builtHeader) {
  std::vector<uint8_t> out(kUserIdxLength, 0);
  std::memcpy(out.data(), builtHeader, kIdxHeaderSize);
  uint8_t* h = out.data();
  StoreU32(h + kIdxFileLengthField, kUserIdxLength);
  StoreU32(h + kReadingTableOffsetField, kReadingTableOffset);
  StoreU32(h + kReadingTableLengthField, 0);
  StoreU32(h + kKeyAreaOffsetField, kIdxHeaderSize);
  StoreU32(h + kKeyAreaLengthField, 0);
  StoreU32(h + kEntryIndexOffsetField, kUserIdxEntryIndexOffset);
  StoreU32(h + kEntryIndexLengthField, 0);
  StoreU32(h + kThirdAreaOffsetField, kUserIdxThirdAreaOffset);
  StoreU32(h + kThirdAreaLengthField, 0);
  return out;
}

bool StorePinyinSchemeFolder(uint8_t* mainData, size_t mainSize, std::u16string_view path) {
  if (mainData == nullptr || mainSize < kPhraseHeaderSize)
    return false;
  uint8_t* slot = mainData + kSchemeSlotOffset;
  std::memset(slot, 0, 2 * kSchemeSlotUnits);
  if (path.size() + 1 > kSchemeSlotUnits)
    return false;
  for (size_t i = 0; i < path.size(); ++i)
    StoreU16(slot + 2 * i, path[i]);
  return true;
}

int32_t FindEntry(const uint8_t* mainData, size_t mainSize, std::u16string_view text, bool* fault) {
  MainData main(const_cast<uint8_t*>(mainData), mainSize);
  return main.Find(text, fault);
}

}  // namespace ql
