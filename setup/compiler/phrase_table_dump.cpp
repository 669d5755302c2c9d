#include "setup/compiler/phrase_table_dump.h"
#include "setup/compiler/dump_difference.h"

#include <sstream>
#include <string_view>

#include "setup/common/byte_reader.h"
#include "setup/common/text.h"
#include "setup/compiler/phrase_table_format.h"

namespace ql {
namespace {

// A zero-terminated text field of `units` units at `offset`.
std::string FieldText(ByteReader file, size_t offset, size_t units) {
  return Utf16ToUtf8(file.Seek(offset).Text(units));
}

}  // namespace

std::string DumpPhraseTable(const uint8_t* bytes, size_t size) {
  std::ostringstream out;
  if (size < kPhraseHeaderSize) {
    out << "file of " << size << " bytes: shorter than the 10240-byte header\n";
    return out.str();
  }
  const ByteReader file(bytes, size);
  auto u32 = [&](size_t offset) { return ByteReader(file).Seek(offset).U32(); };
  uint32_t totalSize = u32(kTotalSizeOffset);
  uint32_t recordShift = u32(kRecordShiftOffset);
  uint32_t recordsEnd = u32(kRecordsEndOffset);
  uint32_t indexOffset = u32(kIndexOffsetOffset);
  uint32_t indexSize = u32(kIndexSizeOffset);
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
        << FieldText(file, kSchemeSlotOffset + s * kSchemeSlotUnits * 2, kSchemeSlotUnits)
        << "\"\n";
  }
  out << "CharacterCount " << u32(kCharacterCountOffset) << "\n";
  out << "AuthorText \"" << FieldText(file, kAuthorTextOffset, kAuthorTextUnits) << "\"\n";
  out << "EmailText \"" << FieldText(file, kEmailTextOffset, kEmailTextUnits) << "\"\n";
  out << "WebText \"" << FieldText(file, kWebTextOffset, kWebTextUnits) << "\"\n";
  out << "NameText \"" << FieldText(file, kNameTextOffset, kNameTextUnits) << "\"\n";
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
    ByteReader record(file);
    const size_t units = record.Seek(pos).U8();
    const int flags = record.U8();
    const int frequency = record.U8();
    const int mark = record.U8();
    const uint8_t* text = record.Bytes(2 * units);
    if (!record.ok()) {
      out << "record at " << pos << ": runs past the end of the file\n";
      break;
    }
    const uint16_t terminator = LoadU16(text + 2 * (units - 1));
    out << "record " << pos << " units " << units << " flags " << flags << " freq " << frequency
        << " mark " << mark << " \"" << Utf16ToUtf8(DecodeUtf16Le(text, 2 * (units - 1))) << "\""
        << (terminator == 0 ? "" : " (not terminated)") << "\n";
    pos = record.position();
    ++records;
  }
  out << "records " << records << ", end at " << pos << "\n";

  const uint8_t* index = ByteReader(file).Seek(indexOffset).Bytes(indexSize);
  if (indexSize % 4 != 0 || index == nullptr) {
    out << "index outside the file\n";
  } else {
    for (size_t i = 0; i < indexSize / 4; ++i)
      out << "index " << i << " -> " << LoadU32(index + 4 * i) << "\n";
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
