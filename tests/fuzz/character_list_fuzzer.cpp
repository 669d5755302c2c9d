// Arbitrary bytes as zk.txt, compiled into a small work block: records stay below the index
// area, and the finished file's index names every record once, in text order.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "setup/common/bytes.h"
#include "setup/common/line_reader.h"
#include "setup/common/ui.h"
#include "setup/compiler/phrase_table.h"
#include "tests/fuzz/silent_ui.h"

namespace {

class NoOutputs : public ql::TextOutputs {
 public:
  std::u16string FullPath(std::u16string_view relative) const override {
    return std::u16string(relative);
  }
  bool Write(std::u16string_view, const std::vector<uint8_t>&) override { return true; }
};

constexpr size_t kBlockSize = 400000;
constexpr size_t kIndexArea = 60000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ql::fuzz::SilentUi ui;
  ql::ScopedUi scope(ui);
  std::u16string text = ql::DecodeUtf16Le(data, size);
  std::vector<uint8_t> block(kBlockSize, 0);
  NoOutputs outputs;
  ql::PhraseTableBuilder builder(block.data(), block.size(), kIndexArea, outputs);
  if (!builder.AddCharacterList(text, u"zk.txt"))
    return 0;
  std::optional<uint32_t> total = builder.FinishMainData();
  if (!total)
    return 0;
  uint32_t recordsEnd = ql::LoadU32(block.data() + ql::kRecordsEndOffset);
  uint32_t indexOffset = ql::LoadU32(block.data() + ql::kIndexOffsetOffset);
  uint32_t indexSize = ql::LoadU32(block.data() + ql::kIndexSizeOffset);
  if (recordsEnd >= kIndexArea || *total > kBlockSize || indexSize != 4 * builder.recordCount() ||
      builder.characterCount() != builder.recordCount())
    __builtin_trap();
  uint32_t previous = 0;
  for (uint32_t i = 0; i < indexSize / 4; ++i) {
    uint32_t offset = ql::LoadU32(block.data() + indexOffset + 4 * i);
    if (offset < ql::kPhraseHeaderSize || offset + 8 > recordsEnd || block[offset] != 2)
      __builtin_trap();
    uint32_t unit = ql::LoadU16(block.data() + offset + 4);
    if (i > 0 && unit < previous)
      __builtin_trap();
    previous = unit;
  }
  return 0;
}
