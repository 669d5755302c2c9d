#include "setup/compiler/compiled_file_check.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "setup/common/bytes.h"
#include "setup/compiler/custom_input.h"
#include "setup/compiler/phrase_table_format.h"
#include "setup/compiler/pinyin_index_format.h"
#include "setup/compiler/pinyin_query.h"
#include "setup/compiler/punctuation.h"
#include "setup/compiler/reading_table.h"

namespace ql {
namespace {

uint32_t U32At(const std::vector<uint8_t>& b, size_t offset) {
  return offset + 4 <= b.size() ? LoadU32(b.data() + offset) : 0;
}

bool LooksLikePinyinIndex(const std::vector<uint8_t>& b) {
  if (b.size() < kIdxHeaderSize || U32At(b, kReadingTableOffsetField) != kReadingTableOffset)
    return false;
  for (size_t i = 0; i <= kIdxName.size(); ++i) {
    const char16_t expected = i < kIdxName.size() ? kIdxName[i] : u'\0';
    if (LoadU16(b.data() + kIdxNameOffset + 2 * i) != expected)
      return false;
  }
  return true;
}

bool LooksLikePhraseTable(const std::vector<uint8_t>& b) {
  if (b.size() < kPhraseHeaderSize)
    return false;
  const uint32_t shift = U32At(b, kRecordShiftOffset);
  return (shift == 0 || shift == kUserRecordShift) &&
         U32At(b, kTotalSizeOffset) >= kPhraseHeaderSize &&
         U32At(b, kIndexOffsetOffset) >= kPhraseHeaderSize;
}

// A punctuation value: 30 entries of 16 bits, those in use first, then zeros; no unit of text
// (a byte-order mark, a line end).
bool LooksLikePunctuation(const std::vector<uint8_t>& b) {
  if (b.size() != kPunctuationTableSize)
    return false;
  bool ended = false;
  for (size_t i = 0; i < b.size(); i += 2) {
    const uint16_t unit = LoadU16(b.data() + i);
    if ((ended && unit != 0) || unit == 0xFEFF || unit == u'\r' || unit == u'\n')
      return false;
    ended = ended || unit == 0;
  }
  return true;
}

// The key-symbol value: pairs of a printable ASCII key and a length of at least 1, then zeros.
bool LooksLikeKeySymbols(const std::vector<uint8_t>& b) {
  for (size_t i = 0; i < b.size(); i += 2) {
    const bool empty = b[i] == 0 && b[i + 1] == 0;
    if (!empty && (b[i] < 0x20 || b[i] > 0x7E || b[i + 1] == 0))
      return false;
  }
  return true;
}

// Compares the texts of two records at `a` and `b` as the index orders them.
int CompareRecordTexts(const std::vector<uint8_t>& bytes, size_t a, size_t b) {
  const size_t ua = bytes[a] - 1u;
  const size_t ub = bytes[b] - 1u;
  for (size_t i = 0; i < std::min(ua, ub); ++i) {
    const uint16_t ca = LoadU16(bytes.data() + a + kRecordFixedSize + 2 * i);
    const uint16_t cb = LoadU16(bytes.data() + b + kRecordFixedSize + 2 * i);
    if (ca != cb)
      return ca < cb ? -1 : 1;
  }
  return ua < ub ? -1 : (ua > ub ? 1 : 0);
}

void VerifyPhraseTable(const std::vector<uint8_t>& b, std::vector<std::string>& problems) {
  const size_t size = b.size();
  const uint32_t total = U32At(b, kTotalSizeOffset);
  if (total != size) {
    problems.push_back("TotalSize says " + std::to_string(total) + " bytes, the file has " +
                       std::to_string(size) + (total > size ? ": cut short" : ""));
  }
  const uint32_t indexOffset = U32At(b, kIndexOffsetOffset);
  const uint32_t indexSize = U32At(b, kIndexSizeOffset);
  const bool indexInFile = uint64_t{indexOffset} + indexSize <= size && indexSize % 4 == 0;
  if (!indexInFile)
    problems.push_back("the index (offset " + std::to_string(indexOffset) + ", " +
                       std::to_string(indexSize) + " bytes) lies outside the file");
  // The records, from the first to the end mark.
  std::set<size_t> starts;
  size_t pos = kPhraseHeaderSize + U32At(b, kRecordShiftOffset);
  while (pos < size && b[pos] != 0) {
    const size_t end = pos + kRecordFixedSize + 2 * size_t{b[pos]};
    if (end > size || (indexInFile && indexSize != 0 && end > indexOffset)) {
      problems.push_back("the record at " + std::to_string(pos) + " runs past " +
                         (end > size ? "the end of the file" : "the start of the index"));
      return;
    }
    starts.insert(pos);
    pos = end;
  }
  if (pos >= size && starts.size() != 0)
    problems.push_back("the records have no end mark");
  // RecordsEnd counts from RecordShift, which is not 0 in the user data file.
  const uint32_t recordsEnd = U32At(b, kRecordsEndOffset);
  if (recordsEnd != 0 && recordsEnd != pos - U32At(b, kRecordShiftOffset)) {
    problems.push_back("RecordsEnd says " + std::to_string(recordsEnd) + ", the records end at " +
                       std::to_string(pos - U32At(b, kRecordShiftOffset)));
  }
  const uint32_t characters = U32At(b, kCharacterCountOffset);
  if (characters > starts.size()) {
    problems.push_back("CharacterCount says " + std::to_string(characters) + ", the file holds " +
                       std::to_string(starts.size()) + " records");
  }
  if (!indexInFile)
    return;
  const size_t entries = indexSize / 4;
  if (entries != starts.size()) {
    problems.push_back("the index has " + std::to_string(entries) + " entries for " +
                       std::to_string(starts.size()) + " records");
  }
  size_t previous = 0;
  for (size_t i = 0; i < entries; ++i) {
    const uint32_t value = U32At(b, indexOffset + 4 * i);
    if (starts.count(value) == 0) {
      problems.push_back("index entry " + std::to_string(i) + " (" + std::to_string(value) +
                         ") is not the start of a record");
      return;
    }
    if (i != 0 && CompareRecordTexts(b, previous, value) > 0) {
      problems.push_back("index entries " + std::to_string(i - 1) + " and " + std::to_string(i) +
                         " are out of order");
      return;
    }
    previous = value;
  }
}

// The key bytes of the key record at `at`, up to its zero byte; false when the record runs past
// `end`.
bool KeyAt(const std::vector<uint8_t>& b, size_t at, size_t end, std::string* key) {
  key->clear();
  for (size_t p = at + 4; p < end; ++p) {
    if (b[p] == 0)
      return true;
    key->push_back(static_cast<char>(b[p]));
  }
  return false;
}

void VerifyPinyinIndex(const std::vector<uint8_t>& b, std::vector<std::string>& problems) {
  const size_t size = b.size();
  const uint32_t length = U32At(b, kIdxFileLengthField);
  if (length != size) {
    problems.push_back("FileLength says " + std::to_string(length) + " bytes, the file has " +
                       std::to_string(size) + (length > size ? ": cut short" : ""));
  }
  struct Area {
    const char* name;
    size_t field;
  };
  const Area areas[] = {{"the reading table", kReadingTableOffsetField},
                        {"the key area", kKeyAreaOffsetField},
                        {"the entry index", kEntryIndexOffsetField},
                        {"the third area", kThirdAreaOffsetField}};
  bool inFile = true;
  for (const Area& area : areas) {
    const uint64_t offset = U32At(b, area.field);
    const uint64_t bytes = U32At(b, area.field + 4);
    if (offset + bytes > size) {
      problems.push_back(std::string(area.name) + " (offset " + std::to_string(offset) + ", " +
                         std::to_string(bytes) + " bytes) lies outside the file");
      inFile = false;
    }
  }
  if (!inFile)
    return;
  const size_t keyStart = U32At(b, kKeyAreaOffsetField);
  const size_t keyEnd = keyStart + U32At(b, kKeyAreaLengthField);
  size_t keyRecords = 0;
  for (size_t at = keyStart; at < keyEnd; ++keyRecords) {
    std::string key;
    if (!KeyAt(b, at, keyEnd, &key)) {
      problems.push_back("the key record at " + std::to_string(at) + " runs past the key area");
      return;
    }
    at += kKeyRecordFixedSize + key.size();
  }
  const size_t indexOffset = U32At(b, kEntryIndexOffsetField);
  const size_t indexBytes = U32At(b, kEntryIndexLengthField);
  if (indexBytes % 4 != 0)
    problems.push_back("the entry index is " + std::to_string(indexBytes) +
                       " bytes, not a whole number of entries");
  size_t inFileValues = 0;
  std::string previous;
  size_t previousAt = 0;
  for (size_t i = 0; i < indexBytes / 4; ++i) {
    const uint32_t value = U32At(b, indexOffset + 4 * i);
    if ((value & kInFileFlag) == 0)
      continue;
    ++inFileValues;
    const size_t at = value & ~kInFileFlag;
    std::string key;
    if (at < keyStart || at + kKeyRecordFixedSize > keyEnd || !KeyAt(b, at, keyEnd, &key)) {
      problems.push_back("index entry " + std::to_string(i) + " points at " + std::to_string(at) +
                         ", outside the key area");
      return;
    }
    // Keys stored in the file are a part of the whole order, so they are in order themselves.
    if (inFileValues > 1 && key < previous) {
      problems.push_back("index entries " + std::to_string(previousAt) + " and " +
                         std::to_string(i) + " are out of key order");
      return;
    }
    previous = key;
    previousAt = i;
  }
  if (inFileValues != keyRecords) {
    problems.push_back("the key area holds " + std::to_string(keyRecords) +
                       " key records, the index points at " + std::to_string(inFileValues));
  }
}

// Every value of a pinyin index against its main data file: each names an entry, and the keys
// come in the order the input method's search takes for granted.
void VerifyPinyinIndexOrder(const std::vector<uint8_t>& index,
                            const std::vector<uint8_t>& mainData,
                            std::vector<std::string>& problems) {
  const QueryResult all = ListPinyinIndex(index, mainData);
  if (!all.ok) {
    problems.push_back(all.problem + " (against its cz.dat)");
    return;
  }
  for (size_t i = 1; i < all.candidates.size(); ++i) {
    const QueryCandidate& before = all.candidates[i - 1];
    const QueryCandidate& after = all.candidates[i];
    const int order = CompareIndexKeys(before.key, after.key);
    if (order > 0 || (order == 0 && before.frequency < after.frequency)) {
      problems.push_back(
          "index entries " + std::to_string(i - 1) + " and " + std::to_string(i) +
          (order > 0 ? " are out of key order" : " of one key are not the most frequent first") +
          " (against its cz.dat)");
      return;
    }
  }
}

void VerifyCustomInputIndex(CustomInputList list,
                            const std::vector<uint8_t>& index,
                            const std::vector<uint8_t>& text,
                            std::vector<std::string>& problems) {
  std::vector<uint32_t> expected =
      CollectCustomInputEntries(list, text.data(), text.size(), kMaxCustomInputEntries);
  SortCustomInputEntries(text.data(), text.size(), &expected);
  const size_t count = index.size() / 4;
  if (count != expected.size()) {
    problems.push_back("the index has " + std::to_string(count) + " entries, the text " +
                       std::to_string(expected.size()));
  }
  std::vector<uint32_t> values;
  for (size_t i = 0; i < count; ++i)
    values.push_back(LoadU32(index.data() + 4 * i));
  const size_t units = text.size() / 2;
  for (size_t i = 0; i < count; ++i) {
    if (values[i] >= units) {
      problems.push_back("index entry " + std::to_string(i) + " (" + std::to_string(values[i]) +
                         ") lies outside the text");
      return;
    }
  }
  std::vector<uint32_t> sorted = values;
  std::sort(sorted.begin(), sorted.end());
  std::vector<uint32_t> expectedSorted = expected;
  std::sort(expectedSorted.begin(), expectedSorted.end());
  if (sorted != expectedSorted) {
    problems.push_back("the index does not hold exactly the entries of the text");
    return;
  }
  for (size_t i = 1; i < count; ++i) {
    if (CompareCustomInputTexts(text.data(), text.size(), values[i - 1], values[i]) > 0) {
      problems.push_back("index entries " + std::to_string(i - 1) + " and " + std::to_string(i) +
                         " are out of order");
      return;
    }
  }
}

}  // namespace

CompiledFileFormat RecogniseCompiledFile(const std::vector<uint8_t>& bytes,
                                         bool namedAsCustomInputIndex) {
  if (LooksLikePinyinIndex(bytes))
    return CompiledFileFormat::kPinyinIndex;
  if (LooksLikePhraseTable(bytes))
    return CompiledFileFormat::kPhraseTable;
  if (LooksLikePunctuation(bytes))
    return LooksLikeKeySymbols(bytes) ? CompiledFileFormat::kKeySymbols
                                      : CompiledFileFormat::kOutputPunctuation;
  // A headerless array of offsets: only its name and its text say what it is.
  if (namedAsCustomInputIndex && bytes.size() % 4 == 0)
    return CompiledFileFormat::kCustomInputIndex;
  return CompiledFileFormat::kUnknown;
}

std::vector<std::string> VerifyCompiledFile(CompiledFileFormat format,
                                            const std::vector<uint8_t>& bytes,
                                            const std::vector<uint8_t>* companion,
                                            bool customCodes) {
  std::vector<std::string> problems;
  switch (format) {
    case CompiledFileFormat::kPhraseTable:
      VerifyPhraseTable(bytes, problems);
      break;
    case CompiledFileFormat::kPinyinIndex:
      VerifyPinyinIndex(bytes, problems);
      if (problems.empty() && companion != nullptr)
        VerifyPinyinIndexOrder(bytes, *companion, problems);
      break;
    case CompiledFileFormat::kCustomInputIndex:
      if (companion != nullptr) {
        VerifyCustomInputIndex(customCodes ? CustomInputList::kCodes : CustomInputList::kTexts,
                               bytes, *companion, problems);
      }
      break;
    case CompiledFileFormat::kKeySymbols:
    case CompiledFileFormat::kOutputPunctuation:
    case CompiledFileFormat::kUnknown:
      break;
  }
  return problems;
}

}  // namespace ql
