// Arbitrary bytes as two text dictionaries (the input split at its middle) compiled after a small
// character list: every section is exercised; the files written stay inside the install folder
// (option.txt, sp.ini, or codeword.txt in one scheme folder), records stay below the index area,
// and the index is sorted and names only records. The same build with a diagnostics sink gives the
// same bytes (reporting changes nothing) and names only lines the file has.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "setup/common/bytes.h"
#include "setup/common/diagnostics.h"
#include "setup/common/line_reader.h"
#include "setup/common/ui.h"
#include "setup/compiler/phrase_table.h"
#include "tests/fuzz/silent_ui.h"

namespace {

class CheckedOutputs : public ql::TextOutputs {
 public:
  std::u16string FullPath(std::u16string_view relative) const override {
    return std::u16string(relative);
  }
  bool Write(std::u16string_view relative, const std::vector<uint8_t>& bytes) override {
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE)
      __builtin_trap();
    if (relative == u"option.txt" || relative == u"sp.ini")
      return true;
    constexpr std::u16string_view kPrefix = u"输入方案\\";
    constexpr std::u16string_view kSuffix = u"\\codeword.txt";
    if (relative.size() <= kPrefix.size() + kSuffix.size() ||
        relative.substr(0, kPrefix.size()) != kPrefix ||
        relative.substr(relative.size() - kSuffix.size()) != kSuffix)
      __builtin_trap();
    std::u16string_view folder =
        relative.substr(kPrefix.size(), relative.size() - kPrefix.size() - kSuffix.size());
    if (folder.find_first_of(u"\\/:") != std::u16string_view::npos ||
        folder.find_first_not_of(u". ") == std::u16string_view::npos)
      __builtin_trap();
    return true;
  }
};

constexpr size_t kBlockSize = 400000;
constexpr size_t kIndexArea = 60000;

// Traps on a report of a line beyond the last line of its file.
class LineCheckingSink : public ql::Diagnostics {
 public:
  LineCheckingSink(std::u16string_view first, std::u16string_view second)
      : lines_{Lines(first), Lines(second)} {}
  void Report(ql::Severity,
              std::u16string_view file,
              size_t line,
              std::string_view,
              std::string_view) override {
    const size_t last = file == u"a.txt" ? lines_[0] : file == u"b.txt" ? lines_[1] : 3;
    if (line > last)
      __builtin_trap();
  }

 private:
  static size_t Lines(std::u16string_view text) {
    size_t count = 1;
    for (char16_t c : text)
      count += c == u'\n' ? 1 : 0;
    return count;
  }
  size_t lines_[2];
};

// The build of the two dictionaries after a small character list; the size of the main data
// file, or nullopt when the build ended early.
std::optional<uint32_t> Build(std::vector<uint8_t>& block,
                              std::u16string_view first,
                              std::u16string_view second,
                              bool byShapeCode,
                              ql::Diagnostics* diagnostics) {
  CheckedOutputs outputs;
  ql::PhraseTableBuilder builder(block.data(), block.size(), kIndexArea, outputs, u"", diagnostics);
  if (!builder.AddCharacterList(u"\uFEFF你 3\r\n好\r\n", u"zk.txt"))
    __builtin_trap();
  if (!builder.AddDictionary(first, byShapeCode, u"a.txt") ||
      !builder.AddDictionary(second, false, u"b.txt"))
    return std::nullopt;
  builder.CloseCustomCodes();
  std::optional<uint32_t> total = builder.FinishMainData();
  if (total && ql::LoadU32(block.data() + ql::kIndexSizeOffset) != 4 * builder.recordCount())
    __builtin_trap();
  return total;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ql::fuzz::SilentUi ui;
  ql::ScopedUi scope(ui);
  size_t half = size / 4 * 2;
  std::u16string first = ql::DecodeUtf16Le(data, half);
  std::u16string second = ql::DecodeUtf16Le(data + half, size - half);
  std::vector<uint8_t> block(kBlockSize, 0);
  std::optional<uint32_t> total = Build(block, first, second, (size & 1) != 0, nullptr);
  std::vector<uint8_t> reported(kBlockSize, 0);
  LineCheckingSink sink(first, second);
  if (Build(reported, first, second, (size & 1) != 0, &sink) != total || reported != block)
    __builtin_trap();
  if (!total)
    return 0;
  uint32_t recordsEnd = ql::LoadU32(block.data() + ql::kRecordsEndOffset);
  uint32_t indexOffset = ql::LoadU32(block.data() + ql::kIndexOffsetOffset);
  uint32_t indexSize = ql::LoadU32(block.data() + ql::kIndexSizeOffset);
  if (recordsEnd >= kIndexArea || *total > kBlockSize)
    __builtin_trap();
  std::u16string previous;
  for (uint32_t i = 0; i < indexSize / 4; ++i) {
    uint32_t offset = ql::LoadU32(block.data() + indexOffset + 4 * i);
    if (offset < ql::kPhraseHeaderSize || offset >= recordsEnd)
      __builtin_trap();
    size_t units = block[offset];
    if (units < 2 || offset + 4 + 2 * units > recordsEnd)
      __builtin_trap();
    std::u16string text;
    for (size_t u = 0; u + 1 < units; ++u)
      text.push_back(ql::LoadU16(block.data() + offset + 4 + 2 * u));
    if (text.find(u'\0') != std::u16string::npos ||
        ql::LoadU16(block.data() + offset + 2 + 2 * units) != 0)
      __builtin_trap();
    if (i > 0 && text < previous)
      __builtin_trap();
    previous = text;
  }
  return 0;
}
