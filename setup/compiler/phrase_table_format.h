// The binary layout of the phrase table: the main data file cz.dat and the user data file
// User.dat, read by the input-method module, the tool library and the pinyin index builder.
// Little-endian, unaligned fields; text is UTF-16LE, zero-terminated within its field.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ql {

// Header, the first 10240 bytes.
constexpr size_t kPhraseHeaderSize = 10240;
constexpr size_t kTotalSizeOffset = 0;
constexpr size_t kRecordShiftOffset = 4;
constexpr size_t kRecordsEndOffset = 8;
constexpr size_t kIndexOffsetOffset = 12;
constexpr size_t kIndexSizeOffset = 16;
// Six scheme folder slots of 30 units: pinyin, two main-keyboard, keypad, two auxiliary.
constexpr size_t kSchemeSlotOffset = 86;
constexpr size_t kSchemeSlotUnits = 30;
constexpr size_t kSchemeSlotCount = 6;
constexpr size_t kCharacterCountOffset = 446;
constexpr size_t kAuthorTextOffset = 450;
constexpr size_t kAuthorTextUnits = 20;
constexpr size_t kEmailTextOffset = 490;
constexpr size_t kEmailTextUnits = 60;
constexpr size_t kWebTextOffset = 610;
constexpr size_t kWebTextUnits = 80;
constexpr size_t kNameTextOffset = 770;
constexpr size_t kNameTextUnits = 615;
constexpr size_t kHeaderTextEnd = 2000;
// Settings bytes of the installation worker, counted from RecordShift.
constexpr size_t kFuzzyPairOffset = 4000;
constexpr size_t kFuzzyPairStride = 17;
constexpr size_t kFuzzyPairCountOffset = 4500;

static_assert(kIndexSizeOffset + 4 + 66 == kSchemeSlotOffset, "66 zero bytes before the slots");
static_assert(kSchemeSlotOffset + kSchemeSlotCount * kSchemeSlotUnits * 2 == kCharacterCountOffset,
              "the slots end where the character count starts");
static_assert(kCharacterCountOffset + 4 == kAuthorTextOffset, "author follows the count");
static_assert(kAuthorTextOffset + kAuthorTextUnits * 2 == kEmailTextOffset, "email follows");
static_assert(kEmailTextOffset + kEmailTextUnits * 2 == kWebTextOffset, "web follows");
static_assert(kWebTextOffset + kWebTextUnits * 2 == kNameTextOffset, "name follows");
static_assert(kNameTextOffset + kNameTextUnits * 2 == kHeaderTextEnd, "name ends at 2000");
static_assert(kFuzzyPairOffset + 8 * kFuzzyPairStride < kFuzzyPairCountOffset &&
                  kFuzzyPairCountOffset < kPhraseHeaderSize,
              "settings bytes inside the header");

// A record: unit count (text units + terminator), flags, frequency low byte, mark, text.
constexpr size_t kRecordFixedSize = 4;
constexpr uint8_t kFlagZeroFrequencyCharacter = 0x20;
constexpr size_t kMaxRecordUnits = 255;
// The frequency given to a phrase without one, and the threshold below which a phrase is typed
// by pinyin only.
constexpr uint8_t kDefaultPhraseFrequency = 11;
constexpr uint8_t kShapeCodeFrequencyThreshold = 10;

// Main data file: header, records, gap, index, gap.
constexpr size_t kIndexGap = 102400;

// User data file: empty, fixed size.
constexpr size_t kUserDataSize = 512000;
constexpr uint32_t kUserRecordShift = 1024;
constexpr uint32_t kUserIndexOffset = 307200;

// The work block in which the main data file is laid out: records below kMainIndexArea, the
// finished file within kMainBlockSize.
constexpr size_t kMainBlockSize = 104857600;
constexpr size_t kMainIndexArea = 62914560;
static_assert(kMainIndexArea < kMainBlockSize && kUserDataSize < kMainBlockSize, "block layout");

}  // namespace ql
