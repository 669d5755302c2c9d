#include "setup/compiler/reading_table.h"

#include <cstring>

#include "setup/common/bytes.h"
#include "setup/common/files.h"
#include "setup/common/line_reader.h"
#include "setup/common/text.h"
#include "setup/common/ui.h"
#include "setup/compiler/syllables.h"
#include "setup/model/package.h"

namespace ql {
namespace {

bool InReadingRange(char16_t c) {
  return c >= kFirstReadingCharacter && c <= kLastReadingCharacter;
}

// A reading field: syllable letters with at most one trailing tone digit.
Reading ParseReading(std::u16string_view field) {
  Reading reading;
  if (!field.empty() && field.back() >= u'0' && field.back() <= u'9') {
    reading.tone = static_cast<uint8_t>(field.back() - u'0');
    field.remove_suffix(1);
  }
  reading.code = FindSyllableCode(field);
  return reading;
}

void StoreReading(uint8_t* at, Reading reading) {
  StoreU16(at, reading.code);
  at[2] = reading.tone;
}

std::u16string_view TrimSpaces(std::u16string_view text) {
  size_t first = text.find_first_not_of(u' ');
  if (first == std::u16string_view::npos)
    return std::u16string_view();
  return text.substr(first, text.find_last_not_of(u' ') + 1 - first);
}

std::string U8(std::u16string_view text) {
  return Utf16ToUtf8(text);
}

// What the table passes over or drops of a line.
void NoteLine(const FileDiagnostics& diagnostics, const CodeTableLine& line, size_t number) {
  if (!diagnostics.active())
    return;
  if (!line.inRange) {
    // Section and key lines are ASCII; another character is one the table has no room for.
    if (!line.character.empty() && line.character[0] >= 0x80) {
      diagnostics.Warning(
          number, "outside-reading-range",
          U8(line.character) + " is outside U+3000..U+9FFF: the line is passed over");
    }
    return;
  }
  const std::string character = U8(line.character.substr(0, 1));
  if (line.readingCount == 0) {
    diagnostics.Warning(number, "no-reading",
                        character + " has no reading: the line is passed over");
    return;
  }
  if (!line.FurtherReadingsValid()) {
    for (size_t i = 1; i < line.readingCount; ++i) {
      if (!line.readings[i].present()) {
        diagnostics.Warning(number, "unknown-reading",
                            "reading \"" + U8(line.fields[i]) + "\" of " + character +
                                " is not a pinyin syllable: none of its readings after the first "
                                "is kept");
      }
    }
  }
  if (!line.dropped.empty()) {
    diagnostics.Warning(number, "reading-dropped",
                        "readings of " + character + " after the first " +
                            std::to_string(kMaxReadingsPerLine) + " are dropped: \"" +
                            U8(line.dropped) + "\"");
  }
}

class ReadingTableBuilder {
 public:
  ReadingTableBuilder(uint8_t* table, size_t room) : table_(table), room_(room) {}

  void AddLine(const CodeTableLine& line,
               size_t number,
               ReadingTableSummary& summary,
               const FileDiagnostics& diagnostics) {
    NoteLine(diagnostics, line, number);
    if (!line.inRange || line.readingCount == 0)
      return;
    uint8_t* record = table_ + kCharacterRecordSize * (line.character[0] - kFirstReadingCharacter);

    const Reading first = line.readings[0];
    if (first.present()) {
      StoreReading(record, first);
      ++summary.charactersSet;
    } else {
      ++summary.unknownFirstReadings;
      if (!diagnostics.Error(number, "unknown-first-reading",
                             "reading \"" + U8(line.fields[0]) + "\" of " +
                                 U8(line.character.substr(0, 1)) +
                                 " is not a pinyin syllable: the character has no reading"))
        TheUi().ShowMessage(line.character, kNoPinyinCaption, kMbOk);
    }

    if (line.readingCount >= 2)
      StoreU16(record + 3, AddExtraReadings(line, summary));
  }

  uint32_t recordsAssigned() const { return nextNumber_ - 1; }

 private:
  // Fills the next extra-readings record with readings two to five; returns its number, or 0 when
  // one of them is not a syllable (the record is then left clear for the next character) or no
  // record is left.
  uint16_t AddExtraReadings(const CodeTableLine& line, ReadingTableSummary& summary) {
    size_t offset = kCharacterRecordsSize + kExtraReadingsRecordSize * size_t{nextNumber_};
    if (nextNumber_ > kMaxExtraReadingsRecords || offset + kExtraReadingsRecordSize > room_) {
      if (!summary.extraReadingsFull) {
        summary.extraReadingsFull = true;
        TheUi().ShowMessage(kExtraReadingsFullText, kPinyinInstallCaption, kMbOk);
      }
      return 0;
    }
    uint8_t* slots = table_ + offset;
    // Records past the area cleared at the start are cleared here.
    std::memset(slots, 0, kExtraReadingsRecordSize);
    if (!line.FurtherReadingsValid())
      return 0;
    for (size_t i = 1; i < line.readingCount; ++i)
      StoreReading(slots + kReadingSlotSize * (i - 1), line.readings[i]);
    return static_cast<uint16_t>(nextNumber_++);
  }

  uint8_t* table_;
  size_t room_;
  uint32_t nextNumber_ = 1;
};

}  // namespace

ReadingTableSummary BuildReadingTableFromSource(const std::optional<std::vector<uint8_t>>& source,
                                                uint8_t* buffer,
                                                size_t size,
                                                const FileDiagnostics& diagnostics) {
  ReadingTableSummary summary;
  if (size < kMinReadingWorkBufferSize) {
    summary.bufferTooSmall = true;
    if (size >= kReadingTableLengthField + 4) {
      StoreU32(buffer + kReadingTableOffsetField, kReadingTableOffset);
      StoreU32(buffer + kReadingTableLengthField, 0);
    }
    TheUi().ShowMessage(kReadingBufferTooSmallText, kPinyinInstallCaption, kMbOk);
    return summary;
  }
  StoreU32(buffer + kReadingTableOffsetField, kReadingTableOffset);
  StoreU32(buffer + kReadingTableLengthField, 0);
  if (!source)
    return summary;

  uint8_t* table = buffer + kReadingTableOffset;
  const size_t room = size - kReadingTableOffset;
  std::memset(table, 0, room < kReadingTableClearedSize ? room : kReadingTableClearedSize);

  std::u16string text = DecodeUtf16Le(source->data(), source->size());
  ReadingTableBuilder builder(table, room);
  ReadCodeTableLines(
      text,
      [&](const CodeTableLine& line, size_t number) {
        builder.AddLine(line, number, summary, diagnostics);
      },
      diagnostics);

  summary.sourceRead = true;
  summary.extraRecords = builder.recordsAssigned();
  summary.length = static_cast<uint32_t>(kEmptyReadingTableLength +
                                         kExtraReadingsRecordSize * summary.extraRecords);
  StoreU32(buffer + kReadingTableLengthField, summary.length);
  return summary;
}

bool CodeTableLine::FurtherReadingsValid() const {
  for (size_t i = 1; i < readingCount; ++i) {
    if (!readings[i].present())
      return false;
  }
  return true;
}

CodeTableLine ParseCodeTableLine(std::u16string_view line) {
  CodeTableLine parsed;
  size_t space = line.find(u' ');
  parsed.character = line.substr(0, space);
  parsed.inRange = !line.empty() && InReadingRange(line[0]);
  if (!parsed.inRange)
    return parsed;
  while (space != std::u16string_view::npos && parsed.readingCount < kMaxReadingsPerLine) {
    size_t start = space + 1;
    space = line.find(u' ', start);
    std::u16string_view field = line.substr(
        start, space == std::u16string_view::npos ? std::u16string_view::npos : space - start);
    if (!field.empty()) {
      parsed.fields[parsed.readingCount] = field;
      parsed.readings[parsed.readingCount++] = ParseReading(field);
    }
  }
  if (space != std::u16string_view::npos)
    parsed.dropped = TrimSpaces(line.substr(space + 1));
  return parsed;
}

void ReadCodeTableLines(std::u16string_view text,
                        const std::function<void(const CodeTableLine&, size_t)>& visit,
                        const FileDiagnostics& diagnostics) {
  Utf16LineReader reader(text);
  for (std::u16string_view line; reader.Next(line);)
    visit(ParseCodeTableLine(line), reader.lineNumber());
  if (reader.unendedLine()) {
    diagnostics.Warning(reader.lineNumber() + 1, "no-line-end",
                        "the last line has no line end and is not read");
  }
}

const uint8_t* ReadingTableView::Record(char16_t c) const {
  if (!InReadingRange(c))
    return nullptr;
  size_t offset = kCharacterRecordSize * (c - kFirstReadingCharacter);
  return offset + kCharacterRecordSize <= length_ ? block_ + offset : nullptr;
}

Reading ReadingTableView::FirstReading(char16_t c) const {
  Reading reading;
  if (const uint8_t* record = Record(c)) {
    reading.code = LoadU16(record);
    reading.tone = record[2];
  }
  return reading;
}

uint16_t ReadingTableView::ExtraNumber(char16_t c) const {
  const uint8_t* record = Record(c);
  return record ? LoadU16(record + 3) : 0;
}

size_t ReadingTableView::ExtraReadings(char16_t c, Reading out[kExtraReadingsSlots]) const {
  uint16_t number = ExtraNumber(c);
  if (number == 0)
    return 0;
  size_t offset = kCharacterRecordsSize + kExtraReadingsRecordSize * size_t{number};
  if (offset + kExtraReadingsRecordSize > length_)
    return 0;
  size_t count = 0;
  for (; count < kExtraReadingsSlots; ++count) {
    const uint8_t* slot = block_ + offset + kReadingSlotSize * count;
    if (slot[0] == 0)
      break;
    out[count].code = LoadU16(slot);
    out[count].tone = slot[2];
  }
  return count;
}

}  // namespace ql
