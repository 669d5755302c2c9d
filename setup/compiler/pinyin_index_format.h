// The binary layout of the pinyin index files qinglan.idx and User.idx, read by the input-method
// module, and the layout of the pinyin index builder's work buffer. Little-endian, unaligned
// 32-bit fields; offsets count from the start of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "setup/compiler/reading_table.h"

namespace ql {

// Header fields.
constexpr size_t kIdxFileLengthField = 0;
static_assert(kReadingTableOffsetField == 4 && kReadingTableLengthField == 8,
              "the reading table's fields are the index header's");
constexpr size_t kIdxReservedField = 12;  // 8 zero bytes
constexpr size_t kKeyAreaOffsetField = 20;
constexpr size_t kKeyAreaLengthField = 24;
constexpr size_t kEntryIndexOffsetField = 28;
constexpr size_t kEntryIndexLengthField = 32;
constexpr size_t kThirdAreaOffsetField = 36;
constexpr size_t kThirdAreaLengthField = 40;
constexpr size_t kIdxNameOffset = 44;
constexpr size_t kIdxNameBytes = 48;
constexpr std::u16string_view kIdxName = u"拼音";
// Header text lines from zg.txt: 30 slots of 40 units.
constexpr size_t kHeaderTextOffset = 92;
constexpr size_t kHeaderTextSlots = 30;
constexpr size_t kHeaderTextSlotUnits = 40;
constexpr size_t kHeaderTextSlotBytes = 2 * kHeaderTextSlotUnits;
constexpr size_t kHeaderZeroOffset = 2492;
constexpr size_t kIdxHeaderSize = kReadingTableOffset;

static_assert(kIdxReservedField + 8 == kKeyAreaOffsetField, "8 zero bytes before the key area");
static_assert(kThirdAreaLengthField + 4 == kIdxNameOffset, "the name follows the fields");
static_assert(kIdxNameOffset + kIdxNameBytes == kHeaderTextOffset, "header text follows the name");
static_assert(kHeaderTextOffset + kHeaderTextSlots * kHeaderTextSlotBytes == kHeaderZeroOffset,
              "30 slots of 80 bytes");
static_assert(kHeaderZeroOffset + 442 == kIdxHeaderSize, "442 zero bytes end the header");
static_assert(2 * (kIdxName.size() + 1) <= kIdxNameBytes, "the name fits its field");

// qinglan.idx ends in zero room for the third area, which the input-method module owns.
constexpr uint32_t kThirdAreaRoom = 10240;

// User.idx: the header and fixed empty rooms.
constexpr uint32_t kUserIdxKeyRoom = 204800;
constexpr uint32_t kUserIdxIndexRoom = 102400;
constexpr uint32_t kUserIdxThirdRoom = 153600;
constexpr uint32_t kUserIdxEntryIndexOffset = 207734;
constexpr uint32_t kUserIdxThirdAreaOffset = 310134;
constexpr uint32_t kUserIdxLength = 463734;
static_assert(kIdxHeaderSize + kUserIdxKeyRoom == kUserIdxEntryIndexOffset, "key room");
static_assert(kUserIdxEntryIndexOffset + kUserIdxIndexRoom == kUserIdxThirdAreaOffset,
              "index room");
static_assert(kUserIdxThirdAreaOffset + kUserIdxThirdRoom == kUserIdxLength, "third room");

// Entry index values: bit 31 set = offset of a key record in this file; clear = entry offset in
// the main data file whose default key is not stored. Key records carry the combined-reading flag
// in bit 31 of their entry reference.
constexpr uint32_t kInFileFlag = 0x80000000u;
constexpr uint32_t kCombinedReadingFlag = 0x80000000u;
constexpr uint32_t kEntryReferenceMask = 0x7FFFFFFFu;
// A key record: 4-byte entry reference, 2 bytes per code, a zero byte.
constexpr size_t kKeyRecordFixedSize = 5;

// Work buffer ("builpyidx"). With T the reading table length and S the main data file's size:
// key records that reach the file from 2,934 + T, room 3,145,728 + S; the default keys (sorted,
// never written) from 2,934 + T + 3,145,728 + S; the index array from T + S + 36,700,160.
constexpr size_t kKeyAreaRoomBase = 3145728;
constexpr size_t kIndexArrayBase = 36700160;
static_assert(kIdxHeaderSize + kKeyAreaRoomBase < kIndexArrayBase, "default keys have room");

// Variant expansion and dycz.txt limits.
constexpr size_t kMaxVariants = 1024;
constexpr size_t kMaxKeyCodes = 127;
constexpr size_t kVariantSlots = 128;
constexpr size_t kMaxStatedVariants = 100;
constexpr size_t kMaxDyczTextUnits = 127;
constexpr size_t kMaxBracketReadings = 10;
constexpr size_t kMaxReadingLetters = 11;
// Ten readings of eleven letters and a tone digit with single spaces, and some slack for doubled
// spaces, which carry no reading.
constexpr size_t kMaxBracketUnits = 160;
// zg.txt is read in pieces of at most this many units (a longer line counts as several).
constexpr size_t kZgLineUnits = 264;

}  // namespace ql
