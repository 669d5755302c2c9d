#include "setup/install/scheme_slots.h"

#include <cstring>
#include <sstream>

#include "setup/common/byte_reader.h"
#include "setup/common/bytes.h"
#include "setup/common/text.h"
#include "setup/model/setup_state.h"

namespace ql {

const char* const kFuzzyPairNames[kFuzzyPairCount] = {"an-ang", "c-ch", "en-eng", "f-h", "in-ing",
                                                      "l-n",    "r-l",  "s-sh",   "z-zh"};

namespace {

constexpr int32_t kSlotCount = static_cast<int32_t>(kSchemeSlotCount);
static_assert(kSlotCount == kAuxSlot2 + 1, "slot numbers cover the header's slots");

// Byte offset of a slot inside the view, or nullopt when the slot does not lie wholly inside it.
std::optional<size_t> SlotOffset(size_t size, int32_t slot) {
  if (slot < 0 || slot >= kSlotCount)
    return std::nullopt;
  size_t offset = kSchemeSlotOffset + static_cast<size_t>(slot) * kSchemeSlotBytes;
  if (size < offset + kSchemeSlotBytes)
    return std::nullopt;
  return offset;
}

bool SlotIsFree(const uint8_t* view, size_t size, int32_t slot) {
  std::optional<size_t> offset = SlotOffset(size, slot);
  return offset && LoadU16(view + *offset) == 0;
}

uint32_t SchemeLimit(const SetupState& state) {
  return state.schemeCount < kMaxSchemes ? state.schemeCount : static_cast<uint32_t>(kMaxSchemes);
}

}  // namespace

std::optional<std::u16string> ReadSchemeSlot(const uint8_t* view, size_t size, int32_t slot) {
  std::optional<size_t> offset = SlotOffset(size, slot);
  if (!offset)
    return std::nullopt;
  return ByteReader(view, size).Seek(*offset).Text(kSchemeSlotUnits);
}

bool WriteSchemeSlot(uint8_t* view, size_t size, int32_t slot, std::u16string_view path) {
  std::optional<size_t> offset = SlotOffset(size, slot);
  if (!offset || path.size() > kSchemeSlotMaxPathUnits)
    return false;
  std::memset(view + *offset, 0, kSchemeSlotBytes);
  for (size_t i = 0; i < path.size(); ++i)
    StoreU16(view + *offset + 2 * i, path[i]);
  return true;
}

bool ClearSchemeSlot(uint8_t* view, size_t size, int32_t slot) {
  std::optional<size_t> offset = SlotOffset(size, slot);
  if (!offset)
    return false;
  std::memset(view + *offset, 0, kSchemeSlotBytes);
  return true;
}

// The first of the two slots that is free; when both are taken the pass ends.
static int32_t ChooseSlot(const uint8_t* view,
                          size_t size,
                          int32_t first,
                          int32_t second,
                          bool* passEnded) {
  if (SlotIsFree(view, size, first))
    return first;
  if (SlotIsFree(view, size, second))
    return second;
  *passEnded = true;
  return -1;
}

// One pass over the schemes after pinyin: each one `chosen` takes the first free slot of the two,
// and `placed` decides what becomes of a scheme whose path is in its slot. Once both slots are
// taken the pass ends: the remaining chosen schemes get no slot.
template <typename Chosen, typename Placed>
static std::vector<SlotOutcome> FillSlotPair(const SetupState& state,
                                             uint8_t* view,
                                             size_t size,
                                             int32_t first,
                                             int32_t second,
                                             Chosen&& chosen,
                                             Placed&& placed) {
  std::vector<SlotOutcome> outcomes;
  bool passEnded = false;
  for (uint32_t i = 1; i < SchemeLimit(state); ++i) {
    const InputScheme& scheme = state.schemes[i];
    if (!chosen(scheme))
      continue;
    SlotOutcome outcome;
    outcome.scheme = i;
    if (!passEnded)
      outcome.slot = ChooseSlot(view, size, first, second, &passEnded);
    if (passEnded) {
      outcome.slot = -1;
      outcome.kind = SlotOutcome::Kind::kNoSlot;
    } else if (!WriteSchemeSlot(view, size, outcome.slot, scheme.path.view())) {
      outcome.kind = SlotOutcome::Kind::kTooLong;
    } else {
      outcome.kind = placed(outcome.slot);
    }
    outcomes.push_back(outcome);
  }
  return outcomes;
}

std::vector<SlotOutcome> FillMainSchemeSlots(const SetupState& state,
                                             uint8_t* view,
                                             size_t size,
                                             const SchemeIndexCall& buildIndex) {
  return FillSlotPair(
      state, view, size, kMainSlot1, kMainSlot2,
      [](const InputScheme& scheme) { return scheme.selected != 0; },
      [&](int32_t slot) {
        std::optional<int32_t> result = buildIndex ? buildIndex(slot) : std::nullopt;
        if (!result)
          return SlotOutcome::Kind::kNoLibrary;
        if (*result == 0) {
          ClearSchemeSlot(view, size, slot);
          return SlotOutcome::Kind::kRefused;
        }
        return SlotOutcome::Kind::kIndexed;
      });
}

std::vector<SlotOutcome> FillAuxiliarySchemeSlots(const SetupState& state,
                                                  uint8_t* view,
                                                  size_t size) {
  return FillSlotPair(
      state, view, size, kAuxSlot1, kAuxSlot2,
      [](const InputScheme& scheme) { return scheme.auxSelected && !scheme.isKeypad; },
      // Auxiliary schemes use the main scheme's index of the same folder; none is built here.
      [](int32_t) { return SlotOutcome::Kind::kNoLibrary; });
}

void TurnOnDefaultFuzzyPairs(uint8_t (&pairs)[kFuzzyPairCount]) {
  pairs[kFuzzyCPair] = 1;
  pairs[kFuzzySPair] = 1;
  pairs[kFuzzyZPair] = 1;
}

std::optional<size_t> FuzzyPairBase(const uint8_t* view, size_t size) {
  // RecordShift comes from the file: a damaged value must not send the writes past the view.
  ByteReader file(view, size);
  const size_t base = file.Seek(kRecordShiftOffset).U32();
  file.Seek(base).Skip(kFuzzyPairCountOffset + 1);
  if (!file.ok())
    return std::nullopt;
  return base;
}

bool WriteFuzzyPairs(const uint8_t (&pairs)[kFuzzyPairCount], uint8_t* view, size_t size) {
  std::optional<size_t> base = FuzzyPairBase(view, size);
  if (!base)
    return false;
  uint8_t count = 0;
  for (size_t k = 0; k < kFuzzyPairCount; ++k) {
    view[*base + kFuzzyPairOffset + kFuzzyPairStride * k] = pairs[k];
    if (pairs[k] == 1)
      ++count;
  }
  view[*base + kFuzzyPairCountOffset] = count;
  return true;
}

std::optional<FuzzyPairBytes> ReadFuzzyPairs(const uint8_t* view, size_t size) {
  std::optional<size_t> base = FuzzyPairBase(view, size);
  if (!base)
    return std::nullopt;
  FuzzyPairBytes bytes;
  for (size_t k = 0; k < kFuzzyPairCount; ++k)
    bytes.pairs[k] = view[*base + kFuzzyPairOffset + kFuzzyPairStride * k];
  bytes.count = view[*base + kFuzzyPairCountOffset];
  return bytes;
}

std::string DescribeSchemeSlotsAndFuzzyPairs(const uint8_t* view, size_t size) {
  static const char* const kSlotNames[kSchemeSlotCount] = {"pinyin", "main 1", "main 2",
                                                           "keypad", "aux 1",  "aux 2"};
  std::ostringstream out;
  for (int32_t s = 0; s < kSlotCount; ++s) {
    std::optional<std::u16string> text = ReadSchemeSlot(view, size, s);
    out << "slot " << s << " (" << kSlotNames[s] << "): ";
    if (!text)
      out << "outside the file\n";
    else if (text->empty())
      out << "free\n";
    else
      out << "\"" << Utf16ToUtf8(*text) << "\"\n";
  }
  std::optional<size_t> base = FuzzyPairBase(view, size);
  std::optional<FuzzyPairBytes> fuzzy = ReadFuzzyPairs(view, size);
  if (!base || !fuzzy) {
    out << "fuzzy pairs: outside the file\n";
    return out.str();
  }
  out << "fuzzy pairs at " << (*base + kFuzzyPairOffset) << ":";
  for (size_t k = 0; k < kFuzzyPairCount; ++k) {
    out << " " << kFuzzyPairNames[k] << "=" << static_cast<int>(fuzzy->pairs[k]);
  }
  out << "\nfuzzy pairs on: " << static_cast<int>(fuzzy->count) << "\n";
  return out.str();
}

}  // namespace ql
