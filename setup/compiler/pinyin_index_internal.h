// Pieces of the pinyin index builder shared by its source files: bounds-checked access to the
// main data file, and the key store in the work buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "setup/common/byte_reader.h"
#include "setup/compiler/pinyin_index.h"
#include "setup/compiler/reading_table.h"

namespace ql::pinyin_index {

// The main data file as mapped. Every access checks the offset against the size.
class MainData {
 public:
  MainData(uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool HasHeader() const;
  // Offset of the first record (RecordShift + 10,240), or SIZE_MAX when outside the file.
  size_t FirstRecord() const;
  // The unit count L of the record at `offset`, or -1 when its fixed bytes or its text do not
  // lie wholly inside the file.
  int RecordUnits(size_t offset) const;
  // The record's text: its L - 1 units up to the first zero. Only for offsets RecordUnits accepts.
  std::u16string_view Text(size_t offset, std::u16string& scratch) const;
  // As much of the record's text as lies inside the file, for a message about a bad record.
  std::u16string_view ReadableText(size_t offset, std::u16string& scratch) const;
  uint8_t Frequency(size_t offset) const { return Reader(offset).Skip(2).U8(); }
  uint8_t Mark(size_t offset) const { return Reader(offset).Skip(3).U8(); }
  void SetMark(size_t offset, uint8_t mark) {
    if (Reader(offset).Skip(4).ok())
      data_[offset + 3] = mark;
  }
  // Clears the mark byte of every record from the first to the end marker or the first record
  // that does not fit.
  void ClearMarks();

  // A guess of the index values a run makes: half as many again as the file has entries (a
  // polyphonic character or phrase adds some), 0 when the index does not lie inside the file.
  size_t ExpectedKeyCount() const;

  int32_t Find(std::u16string_view text, bool* fault) const;
  // The index value (entry offset) at a position Find returned.
  uint32_t IndexValue(int32_t position) const;

 private:
  ByteReader Reader(size_t offset) const { return ByteReader(data_, size_).Seek(offset); }
  // The index of the file and its size in bytes; nullptr when the header or the index does not
  // lie inside the file.
  const uint8_t* Index(size_t* size) const;

  uint8_t* data_;
  size_t size_;
};

// An index value in the making: the key record's offset with the first 8 bytes of its key (0 from
// the key's end on), byte 0 the most significant; two halves keep it at 12 bytes.
struct IndexItem {
  uint32_t prefixHigh;  // key bytes 0-3
  uint32_t prefixLow;   // key bytes 4-7
  uint32_t offset;
};

// Variant store: up to `capacity` keys of up to kMaxKeyCodes codes. The index build takes
// kMaxVariants (256 KiB); a reader that needs only the first variant, the default key, takes one.
struct Variants {
  explicit Variants(size_t room = kMaxVariants) : capacity(room), codes(room * kVariantSlots) {}
  uint16_t* at(size_t variant) { return codes.data() + variant * kVariantSlots; }
  const uint16_t* at(size_t variant) const { return codes.data() + variant * kVariantSlots; }
  size_t capacity;
  std::vector<uint16_t> codes;
  size_t count = 0;
  size_t length = 0;  // codes per variant
  bool cut = false;   // some readings were left out to stay within the capacity
};

enum class ExpandResult { ok, noKey, tooLong };

// Variant expansion of an entry text. Main mode leaves out characters without a reading after the
// first; strict mode fails on them.
ExpandResult Expand(std::u16string_view text,
                    bool strict,
                    const ReadingTableView& readings,
                    Variants& out);

// The key records and index values of a run, in the work buffer's rooms.
class KeyStore {
 public:
  // `expectedValues` is a guess of the values the run will make, for the array's first room.
  KeyStore(uint8_t* work,
           size_t workSize,
           uint32_t readingTableLength,
           size_t mainSize,
           size_t expectedValues = 0);

  bool fits() const { return fits_; }  // the rooms exist at all
  bool full() const { return full_; }  // a room overflowed; the run must not write files
  // Appends a key record to the file's key area (inFile) or the default-key area, and its offset
  // to the index array. False (and full()) when a room is exhausted.
  bool Add(bool inFile, uint32_t reference, const uint16_t* codes, size_t count);

  size_t keyAreaStart() const { return keyStart_; }
  size_t keyCursor() const { return keyCursor_; }
  // The index array in order of creation.
  std::vector<IndexItem>& values() { return values_; }
  const uint8_t* work() const { return work_; }

 private:
  uint8_t* work_;
  size_t keyStart_ = 0, keyCursor_ = 0, keyEnd_ = 0;
  size_t primaryCursor_ = 0, primaryEnd_ = 0;
  size_t maxValues_ = 0;
  std::vector<IndexItem> values_;
  bool fits_ = false;
  bool full_ = false;
};

struct DyczSummary {
  uint32_t written = 0;
  uint32_t skipped = 0;
  size_t firstSkippedLine = 0;  // 1-based, counting the file's lines
};

// Step 7: the polyphonic phrases of dycz.txt (decoded text, byte-order mark included).
DyczSummary AddPolyphonicPhrases(std::u16string_view text,
                                 const ReadingTableView& readings,
                                 MainData& main,
                                 KeyStore& keys,
                                 Variants& scratch,
                                 const FileDiagnostics& diagnostics);

// Step 3: the header text lines of zg.txt into the 30 slots of `header`.
// Lines cut and lines left out go to `diagnostics`.
void CopyHeaderTextLines(const std::vector<uint8_t>& zg,
                         uint8_t* header,
                         const FileDiagnostics& diagnostics = FileDiagnostics());

}  // namespace ql::pinyin_index
