#include "setup/compiler/pinyin_index_dump.h"
#include "setup/compiler/dump_difference.h"

#include <sstream>
#include <string_view>

#include "setup/common/bytes.h"
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
  for (const auto& field : kFields)
    out << field.second << " " << LoadU32(bytes + field.first) << "\n";
  std::u16string name;
  for (size_t i = 0; i < kIdxNameBytes / 2 && LoadU16(bytes + kIdxNameOffset + 2 * i); ++i)
    name.push_back(LoadU16(bytes + kIdxNameOffset + 2 * i));
  out << "Name \"" << Utf16ToUtf8(name) << "\"\n";
  for (size_t slot = 0; slot < kHeaderTextSlots; ++slot) {
    const uint8_t* at = bytes + kHeaderTextOffset + kHeaderTextSlotBytes * slot;
    std::u16string text;
    for (size_t i = 0; i < kHeaderTextSlotUnits && LoadU16(at + 2 * i); ++i)
      text.push_back(LoadU16(at + 2 * i));
    if (!text.empty())
      out << "HeaderText[" << slot << "] \"" << Escaped(text) << "\"\n";
  }
  for (size_t i = kHeaderZeroOffset; i < kIdxHeaderSize; ++i) {
    if (bytes[i] != 0) {
      out << "header byte " << i << " not zero\n";
      break;
    }
  }

  const size_t readingAt = LoadU32(bytes + kReadingTableOffsetField);
  const size_t readingLength = LoadU32(bytes + kReadingTableLengthField);
  if (readingAt <= size && readingLength <= size - readingAt)
    DumpReadingTable(out, bytes + readingAt, readingLength);
  else
    out << "reading table outside the file\n";

  const size_t keyAt = LoadU32(bytes + kKeyAreaOffsetField);
  const size_t keyLength = LoadU32(bytes + kKeyAreaLengthField);
  if (keyAt <= size && keyLength <= size - keyAt) {
    const uint8_t* end = bytes + keyAt + keyLength;
    for (size_t at = keyAt; at < keyAt + keyLength;) {
      if (keyAt + keyLength - at < kKeyRecordFixedSize) {
        out << "key record @" << at << " cut short\n";
        break;
      }
      uint32_t reference = LoadU32(bytes + at);
      size_t length = 0;
      std::string key = SpellKey(bytes + at + 4, end, &length);
      out << "key record @" << at << " entry " << (reference & kEntryReferenceMask)
          << ((reference & kCombinedReadingFlag) ? " combined" : "") << " " << key << "\n";
      at += 4 + length + 1;
    }
  } else {
    out << "key area outside the file\n";
  }

  const size_t indexAt = LoadU32(bytes + kEntryIndexOffsetField);
  const size_t indexLength = LoadU32(bytes + kEntryIndexLengthField);
  if (indexAt <= size && indexLength <= size - indexAt) {
    for (size_t i = 0; i < indexLength / 4; ++i) {
      uint32_t value = LoadU32(bytes + indexAt + 4 * i);
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
