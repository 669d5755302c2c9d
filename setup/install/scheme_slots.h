// The scheme slots and the fuzzy-pinyin bytes of the main data file: after the phrase table is
// written, the installation worker records the chosen shape-code schemes in the header slots
// (letting the tool library build each main scheme's index) and the fuzzy-pinyin pairs in the
// settings bytes. Portable: the worker and `qlc compile` both use it on a view of cz.dat.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "setup/compiler/phrase_table_format.h"

namespace ql {

struct SetupState;

// Slot numbers, in header order.
constexpr int32_t kPinyinSlot = 0;
constexpr int32_t kMainSlot1 = 1;
constexpr int32_t kMainSlot2 = 2;
constexpr int32_t kKeypadSlot = 3;  // reserved: nothing fills it
constexpr int32_t kAuxSlot1 = 4;
constexpr int32_t kAuxSlot2 = 5;
// A slot holds a path of at most 29 units and its terminator.
constexpr size_t kSchemeSlotMaxPathUnits = kSchemeSlotUnits - 1;
constexpr size_t kSchemeSlotBytes = kSchemeSlotUnits * 2;
static_assert(kSchemeSlotOffset + (kAuxSlot2 + 1) * kSchemeSlotBytes == kCharacterCountOffset,
              "six slots");

// The fuzzy pairs, in the order of SetupState::fuzzyPairs.
constexpr size_t kFuzzyPairCount = 9;
constexpr size_t kFuzzyCPair = 1;  // c-ch
constexpr size_t kFuzzySPair = 7;  // s-sh
constexpr size_t kFuzzyZPair = 8;  // z-zh
extern const char* const kFuzzyPairNames[kFuzzyPairCount];

// The tool library's "CreateXMIdxDll" for one slot: nullopt when the library or its export is
// missing (the path stays in the slot), 0 when it refuses the scheme (the slot is freed again),
// anything else when it built the index.
using SchemeIndexCall = std::function<std::optional<int32_t>(int32_t slot)>;

// What became of one chosen scheme.
struct SlotOutcome {
  enum class Kind {
    kIndexed,    // in its slot, index built
    kNoLibrary,  // in its slot, the tool library was not there to build an index
    kRefused,    // the tool library refused it; the slot was freed
    kTooLong,    // its path does not fit a slot; left out, the slot stays free
    kNoSlot,     // both slots were taken
  };
  uint32_t scheme = 0;
  int32_t slot = -1;
  Kind kind = Kind::kNoSlot;
};

// Reads slot `slot`'s text; nullopt when the slot lies outside the view.
std::optional<std::u16string> ReadSchemeSlot(const uint8_t* view, size_t size, int32_t slot);
// Writes `path` into the slot, the rest of the slot zero. False, with nothing written, when the
// slot lies outside the view or the path is longer than 29 units: a cut path would name another
// folder.
bool WriteSchemeSlot(uint8_t* view, size_t size, int32_t slot, std::u16string_view path);
// Zeroes the slot; false when it lies outside the view.
bool ClearSchemeSlot(uint8_t* view, size_t size, int32_t slot);

// Main slots 1 and 2: every chosen main-keyboard or keypad scheme after the pinyin scheme, in
// index order, takes the first free one and has its index built by `buildIndex`.
std::vector<SlotOutcome> FillMainSchemeSlots(const SetupState& state,
                                             uint8_t* view,
                                             size_t size,
                                             const SchemeIndexCall& buildIndex);
// Auxiliary slots 4 and 5: every chosen auxiliary scheme that is not a keypad scheme, in index
// order. No index is built for them.
std::vector<SlotOutcome> FillAuxiliarySchemeSlots(const SetupState& state,
                                                  uint8_t* view,
                                                  size_t size);

// The pairs the settings dialog turns on by default, and a kept installation's settings get:
// c-ch, s-sh and z-zh. Sets bytes to 1 only; the others stay as they are.
void TurnOnDefaultFuzzyPairs(uint8_t (&pairs)[kFuzzyPairCount]);

// Where the fuzzy bytes lie, from RecordShift at offset 4; nullopt when the view is too short
// for the header field or for the bytes.
std::optional<size_t> FuzzyPairBase(const uint8_t* view, size_t size);
// Writes the nine pair bytes and the count of pairs that are on. False, with nothing written,
// when the bytes would lie outside the view.
bool WriteFuzzyPairs(const uint8_t (&pairs)[kFuzzyPairCount], uint8_t* view, size_t size);

struct FuzzyPairBytes {
  uint8_t pairs[kFuzzyPairCount] = {};
  uint8_t count = 0;
};
std::optional<FuzzyPairBytes> ReadFuzzyPairs(const uint8_t* view, size_t size);

// The slots and fuzzy bytes as readable lines, for dumps.
std::string DescribeSchemeSlotsAndFuzzyPairs(const uint8_t* view, size_t size);

}  // namespace ql
