#include "setup/compiler/pinyin_index_dump.h"
#include "setup/compiler/dump_difference.h"

#include <sstream>
#include <string_view>

#include "setup/common/byte_reader.h"
#include "setup/common/text.h"
#include "setup/compiler/phrase_table_format.h"
#include "setup/compiler/pinyin_index_format.h"
#include "setup/compiler/syllables.h"

namespace ql {
namespace {

std::string Spell(uint16_t code) {
  std::string_view spelling = SpellSyllable(code);
  if (!spelling.empty())
    return std::string(spelling);
  std::ostringstream out;
  out << "?" << std::hex << code;
  return out.str();
}

// Codes from `at` up to a zero byte or `end`, spelled and joined with apostrophes.
std::string SpellKey(const uint8_t* at, const uint8_t* end, size_t* length) {
  std::string key;
  const uint8_t* p = at;
  while (p < end && *p != 0) {
    uint16_t code = p + 1 < end ? LoadU16(p) : p[0];
    if (!key.empty())
      key += "'";
    key += Spell(code);
    p += 2;
  }
  if (p >= end)
    key += " (no end)";
  *length = static_cast<size_t>(p - at);
  return key;
}

std::string Escaped(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) {
    if (c == u'\r')
      out += "\\r";
    else if (c == u'\n')
      out += "\\n";
    else if (c == 0xFEFF)
      out += "<BOM>";
    else
      out += Utf16ToUtf8(std::u16string_view(&c, 1));
  }
  return out;
}

void DumpReadingTable(std::ostream& out, const uint8_t* table, size_t length) {
  if (length < kCharacterRecordsSize)
    return;
  for (size_t i = 0; i < kCharacterRecordCount; ++i) {
    const uint8_t* record = table + kCharacterRecordSize * i;
    uint16_t code = LoadU16(record);
    uint16_t extra = LoadU16(record + 3);
    if (code == 0 && extra == 0)
      continue;
    char16_t c = static_cast<char16_t>(kFirstReadingCharacter + i);
    out << "reading " << Utf16ToUtf8(std::u16string_view(&c, 1)) << " " << Spell(code)
        << int{record[2]};
    size_t at = kCharacterRecordsSize + kExtraReadingsRecordSize * size_t{extra};
    if (extra != 0 && at + kExtraReadingsRecordSize <= length) {
      out << " extra#" << extra << ":";
      for (size_t s = 0; s < kExtraReadingsSlots && table[at + 3 * s] != 0; ++s)
        out << " " << Spell(LoadU16(table + at + 3 * s)) << int{table[at + 3 * s + 2]};
    } else if (extra != 0) {
      out << " extra#" << extra << " (outside the table)";
    }
    out << "\n";
  }
}

}  // namespace

std::string DumpPinyinIndex(const uint8_t* bytes, size_t size) {
  std::ostringstream out;
  out << "size " << size << "\n";
  if (size < kIdxHeaderSize) {
    out << "(shorter than the header)\n";
    return out.str();
  }
  static constexpr std::pair<size_t, const char*> kFields[] = {
      {kIdxFileLengthField, "FileLength"},
      {kReadingTableOffsetField, "ReadingTableOffset"},
      {kReadingTableLengthField, "ReadingTableLength"},
      {kIdxReservedField, "Reserved12"},
      {kIdxReservedField + 4, "Reserved16"},
      {kKeyAreaOffsetField, "KeyAreaOffset"},
      {kKeyAreaLengthField, "KeyAreaLength"},
      {kEntryIndexOffsetField, "EntryIndexOffset"},
      {kEntryIndexLengthField, "EntryIndexLength"},
      {kThirdAreaOffsetField, "ThirdAreaOffset"},
      {kThirdAreaLengthField, "ThirdAreaLength"}};
  const ByteReader file(bytes, size);
  for (const auto& field : kFields)
    out << field.second << " " << ByteReader(file).Seek(field.first).U32() << "\n";
  out << "Name \"" << Utf16ToUtf8(ByteReader(file).Seek(kIdxNameOffset).Text(kIdxNameBytes / 2))
      << "\"\n";
  for (size_t slot = 0; slot < kHeaderTextSlots; ++slot) {
    std::u16string text = ByteReader(file)
                              .Seek(kHeaderTextOffset + kHeaderTextSlotBytes * slot)
                              .Text(kHeaderTextSlotUnits);
    if (!text.empty())
      out << "HeaderText[" << slot << "] \"" << Escaped(text) << "\"\n";
  }
  for (size_t i = kHeaderZeroOffset; i < kIdxHeaderSize; ++i) {
    if (bytes[i] != 0) {
      out << "header byte " << i << " not zero\n";
      break;
    }
  }

  // The area whose offset and length lie in the header at `field`; nullptr when outside the file.
  auto area = [&](size_t field, size_t* length) {
    ByteReader header(file);
    const size_t offset = header.Seek(field).U32();
    *length = header.U32();
    return ByteReader(file).Seek(offset).Bytes(*length);
  };
  size_t readingLength = 0;
  if (const uint8_t* table = area(kReadingTableOffsetField, &readingLength))
    DumpReadingTable(out, table, readingLength);
  else
    out << "reading table outside the file\n";

  size_t keyLength = 0;
  if (const uint8_t* keys = area(kKeyAreaOffsetField, &keyLength)) {
    const size_t keyAt = static_cast<size_t>(keys - bytes);
    for (size_t at = 0; at < keyLength;) {
      if (keyLength - at < kKeyRecordFixedSize) {
        out << "key record @" << keyAt + at << " cut short\n";
        break;
      }
      uint32_t reference = LoadU32(keys + at);
      size_t length = 0;
      std::string key = SpellKey(keys + at + 4, keys + keyLength, &length);
      out << "key record @" << keyAt + at << " entry " << (reference & kEntryReferenceMask)
          << ((reference & kCombinedReadingFlag) ? " combined" : "") << " " << key << "\n";
      at += 4 + length + 1;
    }
  } else {
    out << "key area outside the file\n";
  }

  size_t indexLength = 0;
  if (const uint8_t* index = area(kEntryIndexOffsetField, &indexLength)) {
    for (size_t i = 0; i < indexLength / 4; ++i) {
      uint32_t value = LoadU32(index + 4 * i);
      out << "index[" << i << "] ";
      if (value & kInFileFlag) {
        size_t record = value & ~kInFileFlag;
        out << "key record @" << record;
        if (record + kKeyRecordFixedSize <= size) {
          size_t length = 0;
          out << " " << SpellKey(bytes + record + 4, bytes + size, &length);
        }
      } else {
        out << "entry " << value << " (default key)";
      }
      out << "\n";
    }
  } else {
    out << "entry index outside the file\n";
  }
  const size_t thirdAt = LoadU32(bytes + kThirdAreaOffsetField);
  for (size_t i = thirdAt; i < size; ++i) {
    if (bytes[i] != 0) {
      out << "byte " << i << " after the third area's start not zero\n";
      break;
    }
  }
  return out.str();
}

std::string DescribePinyinIndexDifference(const std::vector<uint8_t>& expected,
                                          const std::vector<uint8_t>& actual,
                                          size_t maxLines) {
  return DescribeDumpDifference(expected, actual, DumpPinyinIndex(expected.data(), expected.size()),
                                DumpPinyinIndex(actual.data(), actual.size()), maxLines);
}

}  // namespace ql
