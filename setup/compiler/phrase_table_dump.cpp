#include "setup/compiler/phrase_table_dump.h"
#include "setup/compiler/dump_difference.h"

#include <sstream>
#include <string_view>

#include "setup/common/bytes.h"
#include "setup/common/text.h"
#include "setup/compiler/phrase_table_format.h"

namespace ql {
namespace {

// A zero-terminated text field of `units` units at `offset`.
std::string FieldText(const uint8_t* bytes, size_t offset, size_t units) {
  std::u16string text;
  for (size_t i = 0; i < units; ++i) {
    char16_t c = LoadU16(bytes + offset + 2 * i);
    if (c == 0)
      break;
    text.push_back(c);
  }
  return Utf16ToUtf8(text);
}

}  // namespace

std::string DumpPhraseTable(const uint8_t* bytes, size_t size) {
  std::ostringstream out;
  if (size < kPhraseHeaderSize) {
    out << "file of " << size << " bytes: shorter than the 10240-byte header\n";
    return out.str();
  }
  uint32_t totalSize = LoadU32(bytes + kTotalSizeOffset);
  uint32_t recordShift = LoadU32(bytes + kRecordShiftOffset);
  uint32_t recordsEnd = LoadU32(bytes + kRecordsEndOffset);
  uint32_t indexOffset = LoadU32(bytes + kIndexOffsetOffset);
  uint32_t indexSize = LoadU32(bytes + kIndexSizeOffset);
  out << "file size " << size << "\n";
  out << "TotalSize " << totalSize << "\n";
  out << "RecordShift " << recordShift << "\n";
  out << "RecordsEnd " << recordsEnd << "\n";
  out << "IndexOffset " << indexOffset << "\n";
  out << "IndexSize " << indexSize << "\n";
  static const char* const kSlotNames[kSchemeSlotCount] = {
      "PinyinSchemeFolder", "MainSchemeFolder1", "MainSchemeFolder2",
      "KeypadSchemeFolder", "AuxSchemeFolder1",  "AuxSchemeFolder2"};
  for (size_t s = 0; s < kSchemeSlotCount; ++s) {
    out << kSlotNames[s] << " \""
        << FieldText(bytes, kSchemeSlotOffset + s * kSchemeSlotUnits * 2, kSchemeSlotUnits)
        << "\"\n";
  }
  out << "CharacterCount " << LoadU32(bytes + kCharacterCountOffset) << "\n";
  out << "AuthorText \"" << FieldText(bytes, kAuthorTextOffset, kAuthorTextUnits) << "\"\n";
  out << "EmailText \"" << FieldText(bytes, kEmailTextOffset, kEmailTextUnits) << "\"\n";
  out << "WebText \"" << FieldText(bytes, kWebTextOffset, kWebTextUnits) << "\"\n";
  out << "NameText \"" << FieldText(bytes, kNameTextOffset, kNameTextUnits) << "\"\n";
  // Bytes of the header that are not fields and not zero.
  for (size_t i = 0; i < kPhraseHeaderSize; ++i) {
    bool field = i < kTotalSizeOffset + 20 || (i >= kSchemeSlotOffset && i < kHeaderTextEnd);
    if (!field && bytes[i] != 0)
      out << "header byte " << i << " = " << static_cast<int>(bytes[i]) << "\n";
  }

  size_t first = size_t{recordShift} + kPhraseHeaderSize;
  size_t records = 0;
  size_t pos = first;
  while (pos < size && bytes[pos] != 0) {
    size_t units = bytes[pos];
    if (pos + kRecordFixedSize + 2 * units > size) {
      out << "record at " << pos << ": runs past the end of the file\n";
      break;
    }
    std::u16string text;
    for (size_t i = 0; i + 1 < units; ++i)
      text.push_back(LoadU16(bytes + pos + kRecordFixedSize + 2 * i));
    char16_t terminator = LoadU16(bytes + pos + kRecordFixedSize + 2 * (units - 1));
    out << "record " << pos << " units " << units << " flags " << static_cast<int>(bytes[pos + 1])
        << " freq " << static_cast<int>(bytes[pos + 2]) << " mark "
        << static_cast<int>(bytes[pos + 3]) << " \"" << Utf16ToUtf8(text) << "\""
        << (terminator == 0 ? "" : " (not terminated)") << "\n";
    pos += kRecordFixedSize + 2 * units;
    ++records;
  }
  out << "records " << records << ", end at " << pos << "\n";

  if (indexSize % 4 != 0 || indexOffset > size || indexSize > size - indexOffset) {
    out << "index outside the file\n";
  } else {
    for (size_t i = 0; i < indexSize / 4; ++i)
      out << "index " << i << " -> " << LoadU32(bytes + indexOffset + 4 * i) << "\n";
  }
  for (size_t i = kPhraseHeaderSize; i < size; ++i) {
    bool inRecords = i >= first && i < pos;
    bool inIndex = i >= indexOffset && i < size_t{indexOffset} + indexSize;
    if (!inRecords && !inIndex && bytes[i] != 0) {
      out << "stray byte " << i << " = " << static_cast<int>(bytes[i]) << "\n";
      break;
    }
  }
  return out.str();
}

std::string DescribePhraseTableDifference(const std::vector<uint8_t>& expected,
                                          const std::vector<uint8_t>& actual,
                                          size_t maxLines) {
  return DescribeDumpDifference(expected, actual, DumpPhraseTable(expected.data(), expected.size()),
                                DumpPhraseTable(actual.data(), actual.size()), maxLines);
}

}  // namespace ql
