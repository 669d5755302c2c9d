// The reading table: for every character U+3000..U+9FFF its first reading (syllable code and
// tone) and the number of a record with up to four further readings, compiled from the pinyin
// scheme's mb.txt into the pinyin index work buffer and stored unchanged in the pinyin index file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "setup/common/diagnostics.h"
#include "setup/compiler/syllable_table.h"

namespace ql {

// Where the table lives in the work buffer (and in the index file), and the two header fields
// that describe it.
constexpr size_t kReadingTableOffsetField = 4;
constexpr size_t kReadingTableLengthField = 8;
constexpr uint32_t kReadingTableOffset = 2934;

// Character records: 5 bytes per UTF-16 unit U+3000..U+9FFF (first code, tone, extra number).
constexpr char16_t kFirstReadingCharacter = 0x3000;
constexpr char16_t kLastReadingCharacter = 0x9FFF;
constexpr size_t kCharacterRecordSize = 5;
constexpr size_t kCharacterRecordCount = kLastReadingCharacter - kFirstReadingCharacter + 1;
constexpr size_t kCharacterRecordsSize = kCharacterRecordSize * kCharacterRecordCount;
static_assert(kCharacterRecordsSize == 143360, "28,672 records of 5 bytes");

// Extra-readings records follow the character records: 12 bytes each, four slots of a code and a
// tone byte; record 0 is never assigned, so the smallest table is one record longer than the
// character records.
constexpr size_t kExtraReadingsRecordSize = 12;
constexpr size_t kExtraReadingsSlots = 4;
constexpr size_t kReadingSlotSize = 3;
constexpr size_t kEmptyReadingTableLength = kCharacterRecordsSize + kExtraReadingsRecordSize;
static_assert(kEmptyReadingTableLength == 143372, "character records and record 0");

// The area cleared before a build; records beyond it are cleared as they are assigned.
constexpr size_t kReadingTableClearedSize = 204800;
// Record numbers are 16-bit.
constexpr uint32_t kMaxExtraReadingsRecords = 65535;

// The smallest work buffer that holds the header fields and an empty table.
constexpr size_t kMinReadingWorkBufferSize = kReadingTableOffset + kEmptyReadingTableLength;

// Messages.
constexpr std::u16string_view kNoPinyinCaption = u"没有拼音！";
constexpr std::u16string_view kPinyinInstallCaption = u"拼音安装";
constexpr std::u16string_view kReadingBufferTooSmallText = u"工作区太小，无法建立拼音读音表。";
constexpr std::u16string_view kExtraReadingsFullText =
    u"多音字读音记录已满，其后的多音字只保留第一个读音。";

struct ReadingTableSummary {
  bool sourceRead = false;         // mb.txt was there and the table was built
  bool bufferTooSmall = false;     // nothing was built: the buffer cannot hold the table
  bool extraReadingsFull = false;  // later polyphonic characters kept only their first reading
  uint32_t length = 0;             // the block length, as stored at offset 8
  uint32_t charactersSet = 0;      // lines whose first reading was found
  uint32_t extraRecords = 0;       // records assigned
  uint32_t unknownFirstReadings = 0;
};

// Builds the table from the bytes of mb.txt (UTF-16LE with byte-order mark), or from nullopt when
// the file could not be read: then only offset 4 is set and the length at offset 8 is 0. Every
// write stays inside `buffer`..`buffer + size`; `size` is normally the whole 100 MiB work buffer.
// Lines passed over and readings dropped or not found go to `diagnostics`; an unknown first
// reading is reported there instead of the message "没有拼音！" when it has a sink.
ReadingTableSummary BuildReadingTableFromSource(
    const std::optional<std::vector<uint8_t>>& source,
    uint8_t* buffer,
    size_t size,
    const FileDiagnostics& diagnostics = FileDiagnostics());

// One reading: a syllable code (initial byte never 0 when present) and its tone 0..9.
struct Reading {
  SyllableCode code = 0;
  uint8_t tone = 0;
  bool present() const { return (code & 0xFF) != 0; }
};

// A line of mb.txt gives its character at most this many readings: the first and the further
// ones of an extra-readings record.
constexpr size_t kMaxReadingsPerLine = 1 + kExtraReadingsSlots;

// One line of mb.txt as the table takes it: the character field, then reading fields split at
// single spaces; an empty field (two spaces in a row, a trailing space) carries nothing. The
// views point into the line.
struct CodeTableLine {
  // The line's first unit is a character of the table; the table passes every other line over.
  bool inRange = false;
  std::u16string_view character;
  // The reading fields the table keeps and their parse; a reading is absent when its field is
  // not a syllable with at most one tone digit.
  std::u16string_view fields[kMaxReadingsPerLine];
  Reading readings[kMaxReadingsPerLine];
  size_t readingCount = 0;
  // What follows the last kept field when the line has more readings than the table keeps.
  std::u16string_view dropped;

  // The further readings are stored only when every one of them is a syllable.
  bool FurtherReadingsValid() const;
};

CodeTableLine ParseCodeTableLine(std::u16string_view line);

// Calls `visit` with each line of mb.txt (decoded, byte-order mark included) that the table
// reads, and its number. A last line without line end, which is not read, goes to `diagnostics`.
void ReadCodeTableLines(std::u16string_view text,
                        const std::function<void(const CodeTableLine&, size_t)>& visit,
                        const FileDiagnostics& diagnostics = FileDiagnostics());

// Bounds-checked access to a finished table of `length` bytes (the block at offset 2,934).
// Anything outside the block or the character range reads as absent.
class ReadingTableView {
 public:
  ReadingTableView(const uint8_t* block, size_t length) : block_(block), length_(length) {}

  Reading FirstReading(char16_t c) const;
  uint16_t ExtraNumber(char16_t c) const;
  // The slots in use of the character's extra-readings record, in order; returns how many (0..4).
  size_t ExtraReadings(char16_t c, Reading out[kExtraReadingsSlots]) const;

 private:
  const uint8_t* Record(char16_t c) const;

  const uint8_t* block_;
  size_t length_;
};

}  // namespace ql
