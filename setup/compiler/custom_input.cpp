#include "setup/compiler/custom_input.h"

#include "setup/common/bytes.h"
#include "setup/compiler/custom_input_internal.h"

namespace ql {

using custom_input::ScanLines;
using custom_input::Units;

std::vector<uint32_t> CollectCustomInputEntries(CustomInputList list,
                                                const uint8_t* text,
                                                size_t textSize,
                                                size_t maxEntries,
                                                size_t* found) {
  const Units units(text, textSize);
  std::vector<uint32_t> offsets;
  size_t entries = 0;
  auto add = [&](size_t offset) {
    ++entries;
    // An offset must fit the index's u32.
    if (offsets.size() < maxEntries && offset <= UINT32_MAX)
      offsets.push_back(static_cast<uint32_t>(offset));
  };
  if (list == CustomInputList::kCodes) {
    size_t lineStart = 0;
    bool taken = false;
    ScanLines(
        units,
        [&](char16_t c) {
          if (c == u'=' && !taken) {
            add(lineStart);
            taken = true;
          }
        },
        [&](size_t next) {
          lineStart = next;
          taken = false;
        });
  } else {
    size_t dollars = 0;
    ScanLines(
        units, [&](char16_t c) { dollars += c == u'$' ? 1 : 0; },
        [&](size_t next) {
          if (dollars >= kSeparatorDollars && next < units.size())
            add(next);
          dollars = 0;
        });
  }
  if (found != nullptr)
    *found = entries;
  return offsets;
}

int CompareCustomInputTexts(const uint8_t* text, size_t textSize, uint32_t a, uint32_t b) {
  const Units units(text, textSize);
  for (size_t i = a, j = b;; ++i, ++j) {
    const char16_t x = units.At(i);
    const char16_t y = units.At(j);
    if (x != y)
      return x < y ? -1 : 1;
    if (x == u'\0')
      return 0;
  }
}

CustomInputIndexResult BuildCustomInputIndexInBuffer(CustomInputList list,
                                                     const uint8_t* text,
                                                     size_t textSize,
                                                     uint8_t* work,
                                                     size_t workSize) {
  size_t found = 0;
  std::vector<uint32_t> offsets =
      CollectCustomInputEntries(list, text, textSize, workSize / 4, &found);
  SortCustomInputEntries(text, textSize, &offsets);
  for (size_t i = 0; i < offsets.size(); ++i)
    StoreU32(work + 4 * i, offsets[i]);
  CustomInputIndexResult result;
  result.entryCount = static_cast<uint32_t>(offsets.size());
  result.entriesLeftOut = static_cast<uint32_t>(found - offsets.size());
  return result;
}

}  // namespace ql
