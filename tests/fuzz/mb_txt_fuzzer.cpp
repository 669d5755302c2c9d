// Arbitrary bytes as the pinyin scheme's mb.txt: the build stays inside its work buffer, stores a
// length that matches the records it assigned, and leaves only valid codes in the table. With a
// diagnostics sink it builds the very same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "setup/common/bytes.h"
#include "setup/common/ui.h"
#include "setup/compiler/reading_table.h"
#include "setup/compiler/syllables.h"
#include "tests/fuzz/silent_ui.h"

namespace {

// A code in the table is 0 or the code of a table entry.
void CheckCode(uint16_t code) {
  if (code != 0 && ql::SpellSyllable(code).empty())
    __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A buffer just large enough for the table and 64 records, so the "records full" path is
  // reachable; exact size, so AddressSanitizer sees any write past it.
  static std::vector<uint8_t> buffer(ql::kMinReadingWorkBufferSize + 64 * 12);
  std::memset(buffer.data(), 0xA5, buffer.size());
  ql::fuzz::SilentUi silent;
  ql::ScopedUi scoped(silent);
  std::optional<std::vector<uint8_t>> source(std::vector<uint8_t>(data, data + size));
  ql::ReadingTableSummary summary =
      ql::BuildReadingTableFromSource(source, buffer.data(), buffer.size());

  // Every unit could end a line; a last line without one is reported one past them.
  ql::fuzz::SilentDiagnostics diagnostics(size / 2 + 1);
  static std::vector<uint8_t> reported(buffer.size());
  std::memset(reported.data(), 0xA5, reported.size());
  ql::BuildReadingTableFromSource(source, reported.data(), reported.size(),
                                  ql::FileDiagnostics(&diagnostics, u"mb.txt"));
  if (reported != buffer)
    __builtin_trap();

  uint32_t length = ql::LoadU32(&buffer[ql::kReadingTableLengthField]);
  if (length != summary.length ||
      length != ql::kEmptyReadingTableLength + 12 * summary.extraRecords)
    __builtin_trap();
  if (ql::kReadingTableOffset + length > buffer.size())
    __builtin_trap();
  const uint8_t* table = buffer.data() + ql::kReadingTableOffset;
  for (size_t c = 0; c < ql::kCharacterRecordCount; ++c) {
    const uint8_t* record = table + 5 * c;
    CheckCode(ql::LoadU16(record));
    if (record[2] > 9 || ql::LoadU16(record + 3) > summary.extraRecords)
      __builtin_trap();
  }
  for (size_t k = 0; k <= summary.extraRecords; ++k) {
    const uint8_t* slots = table + ql::kCharacterRecordsSize + 12 * k;
    for (size_t s = 0; s < 4; ++s) {
      CheckCode(ql::LoadU16(slots + 3 * s));
      if (slots[3 * s + 2] > 9)
        __builtin_trap();
    }
  }
  return 0;
}
