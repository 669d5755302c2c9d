// The checks of the custom-input fuzzers: an index built from arbitrary bytes into a work buffer
// of room for a few entries (so the bound is reached too) holds exactly the first entries of the
// text, each at a line start inside the text, in the order of the plain comparison.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "setup/common/bytes.h"
#include "setup/compiler/custom_input.h"
#include "setup/compiler/phrase_table_format.h"

namespace ql::fuzz {

inline void CheckCustomInputIndex(CustomInputList list, const uint8_t* data, size_t size) {
  constexpr size_t kRoom = 64;
  // Exactly the room: a write past it is caught by AddressSanitizer.
  std::vector<uint8_t> work(4 * kRoom);
  const CustomInputIndexResult result =
      BuildCustomInputIndexInBuffer(list, data, size, work.data(), work.size());
  size_t found = 0;
  std::vector<uint32_t> entries = CollectCustomInputEntries(list, data, size, kRoom, &found);
  if (result.entryCount != entries.size() || result.entryCount + result.entriesLeftOut != found)
    __builtin_trap();

  std::vector<uint32_t> index(result.entryCount);
  for (size_t i = 0; i < index.size(); ++i)
    index[i] = LoadU32(work.data() + 4 * i);
  for (size_t i = 0; i < index.size(); ++i) {
    const uint32_t at = index[i];
    const bool lineStart =
        at == 0 || (at >= 2 && at <= size / 2 && LoadU16(data + 2 * at - 4) == u'\r' &&
                    LoadU16(data + 2 * at - 2) == u'\n');
    if (at >= size / 2 || !lineStart)
      __builtin_trap();
    if (i > 0) {
      const int order = CompareCustomInputTexts(data, size, index[i - 1], at);
      if (order > 0 || (order == 0 && index[i - 1] > at))
        __builtin_trap();
    }
  }
  std::sort(index.begin(), index.end());
  if (index != entries)
    __builtin_trap();
}

}  // namespace ql::fuzz
