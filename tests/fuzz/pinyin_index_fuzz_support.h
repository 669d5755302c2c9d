// Shared pieces of the pinyin index fuzzers: a small main data file and code table,
// the work buffer, and the checks every build must pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "setup/common/bytes.h"
#include "setup/common/scratch_mapping.h"
#include "setup/common/ui.h"
#include "setup/compiler/phrase_table_format.h"
#include "setup/compiler/pinyin_index.h"
#include "tests/fuzz/silent_ui.h"

namespace ql::fuzz {

inline std::vector<uint8_t> Utf16(std::u16string_view text) {
  std::vector<uint8_t> bytes{0xFF, 0xFE};
  for (char16_t c : text) {
    bytes.push_back(static_cast<uint8_t>(c));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  return bytes;
}

inline std::vector<uint8_t> CodeTable() {
  return Utf16(
      u"行 xing2 hang2 heng4 hen2 hao2\r\n银 yin2\r\n好 hao3 hao4\r\n中 zhong1 zhong4\r\n"
      u"国 guo2\r\n长 chang2 zhang3\r\n");
}

// Header, records in the given order, index by text, as the phrase-table builder writes it.
inline std::vector<uint8_t> MainData() {
  const std::u16string texts[] = {u"中国", u"好", u"行", u"银", u"银行", u"长", u"长行行"};
  std::vector<uint8_t> b(kPhraseHeaderSize, 0);
  std::vector<uint32_t> offsets;
  for (const std::u16string& text : texts) {
    offsets.push_back(static_cast<uint32_t>(b.size()));
    b.push_back(static_cast<uint8_t>(text.size() + 1));
    b.push_back(0);
    b.push_back(static_cast<uint8_t>(offsets.size() * 7));
    b.push_back(0);
    for (char16_t c : text) {
      b.push_back(static_cast<uint8_t>(c));
      b.push_back(static_cast<uint8_t>(c >> 8));
    }
    b.push_back(0);
    b.push_back(0);
  }
  b.resize(b.size() + 16, 0);
  const uint32_t indexOffset = static_cast<uint32_t>(b.size());
  // The texts above are in ascending order already.
  for (uint32_t offset : offsets) {
    b.resize(b.size() + 4);
    StoreU32(&b[b.size() - 4], offset);
  }
  StoreU32(&b[kTotalSizeOffset], static_cast<uint32_t>(b.size()));
  StoreU32(&b[kIndexOffsetOffset], indexOffset);
  StoreU32(&b[kIndexSizeOffset], static_cast<uint32_t>(4 * offsets.size()));
  return b;
}

inline std::vector<uint8_t>& WorkBuffer() {
  static std::vector<uint8_t> work(kPinyinIndexScratchSize);
  return work;
}

// A built index: the fields agree, every in-file value is a key record of the key area, every
// other value an entry of the main data file; the main data file's marks are all 0.
inline void Check(const PinyinIndexResult& result,
                  const uint8_t* work,
                  const std::vector<uint8_t>& main) {
  if (main.size() >= kPhraseHeaderSize) {
    size_t at = LoadU32(&main[kRecordShiftOffset]) + size_t{kPhraseHeaderSize};
    while (at < main.size() && main.size() - at >= 4 && main[at] != 0 &&
           2 * size_t{main[at]} <= main.size() - at - 4) {
      if (main[at + 3] != 0)
        __builtin_trap();
      at += 4 + 2 * size_t{main[at]};
    }
  }
  if (!result.built)
    return;
  const uint32_t keyAt = LoadU32(work + kKeyAreaOffsetField);
  const uint32_t keyLength = LoadU32(work + kKeyAreaLengthField);
  const uint32_t indexAt = LoadU32(work + kEntryIndexOffsetField);
  const uint32_t indexLength = LoadU32(work + kEntryIndexLengthField);
  if (LoadU32(work) != result.fileLength || indexAt != keyAt + keyLength ||
      LoadU32(work + kThirdAreaOffsetField) + kThirdAreaRoom != result.fileLength ||
      indexAt + indexLength + kThirdAreaRoom != result.fileLength)
    __builtin_trap();
  for (uint32_t i = 0; i < indexLength / 4; ++i) {
    uint32_t value = LoadU32(work + indexAt + 4 * i);
    if (value & kInFileFlag) {
      uint32_t record = value & ~kInFileFlag;
      if (record < keyAt || record + kKeyRecordFixedSize > keyAt + keyLength)
        __builtin_trap();
    } else if (value + 4 > main.size()) {
      __builtin_trap();
    }
  }
}

}  // namespace ql::fuzz
