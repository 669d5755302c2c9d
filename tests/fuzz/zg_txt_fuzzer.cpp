// Arbitrary bytes as zg.txt: the header text lines stay inside their 30 slots.
#include <cstring>
#include <vector>

#include "setup/compiler/pinyin_index_internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> header(ql::kIdxHeaderSize, 0xA5);
  ql::pinyin_index::CopyHeaderTextLines(std::vector<uint8_t>(data, data + size), header.data());
  for (size_t i = 0; i < header.size(); ++i) {
    bool inSlots = i >= ql::kHeaderTextOffset && i < ql::kHeaderZeroOffset;
    if (!inSlots && header[i] != 0xA5)
      __builtin_trap();
  }
  return 0;
}
