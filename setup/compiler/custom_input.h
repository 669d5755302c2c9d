// The custom-input indexes: for the custom-code list zdybm.TXT (one entry per line holding "=")
// and the custom-text list zdydw.TXT (one entry per block after a line of ten or more "$"), an
// index file of the entries' code-unit offsets, sorted by the text from each offset to the end of
// the file. The texts themselves are read in place and never changed.
//
// BuildCustomInputIndexInBuffer does the work over the text's bytes; BuildCustomInputIndexes is
// the step on the run's state: both files of installFolder's "自定义输入\", through read-only
// mappings and the "builzdysort" work area.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "setup/common/diagnostics.h"
#include "setup/common/scratch_mapping.h"

namespace ql {

enum class CustomInputList {
  kCodes,  // zdybm.TXT: entries start at the lines holding "="
  kTexts,  // zdydw.TXT: entries start after the separator lines of ten or more "$"
};

// Entries the "builzdysort" work area holds: one u32 each.
constexpr size_t kMaxCustomInputEntries = kCustomInputScratchSize / 4;  // 262,144
constexpr size_t kSeparatorDollars = 10;

constexpr std::u16string_view kCustomInputFolder = u"自定义输入\\";
constexpr std::u16string_view kCustomCodeListFile = u"zdybm.TXT";
constexpr std::u16string_view kCustomCodeIndexFile = u"zdybm.idx";
constexpr std::u16string_view kCustomTextListFile = u"zdydw.TXT";
constexpr std::u16string_view kCustomTextIndexFile = u"zdydw.idx";
constexpr std::u16string_view kTextMappingName = u"lznMyDefCodeins";
constexpr std::u16string_view kSortBlockName = u"builzdysort";
constexpr int kIndexCreateAttempts = 6;

// Messages (text / caption).
constexpr std::u16string_view kCustomInputNotOpenedText = u"file not open qinglan's map file";
constexpr std::u16string_view kCustomInputNotOpenedCaption = u"zdydw.zmb";
constexpr std::u16string_view kCustomInputNoMappingText = u"sort can not create filemappinga";
constexpr std::u16string_view kCustomInputNoMappingCaption = u"Init";
constexpr std::u16string_view kCustomInputNoViewText = u"can not create filemappingb";
constexpr std::u16string_view kCustomInputNoViewCaption = u"init";
// With the text file's name as caption.
constexpr std::u16string_view kTooManyCustomInputEntriesText =
    u"自定义输入的条目超过262144条，只收入了前262144条。";

struct CustomInputIndexResult {
  uint32_t entryCount = 0;      // offsets laid out at the start of the work buffer
  uint32_t entriesLeftOut = 0;  // entries found after the buffer was full
};

// The entries' offsets in order of appearance, at most `maxEntries`; *found (when given) counts
// every entry, also those past the limit. `text` is UTF-16LE bytes; an odd last byte is ignored
// and a byte-order mark belongs to the first line.
std::vector<uint32_t> CollectCustomInputEntries(CustomInputList list,
                                                const uint8_t* text,
                                                size_t textSize,
                                                size_t maxEntries,
                                                size_t* found = nullptr);

// The order the index is sorted by: the texts from code-unit offsets `a` and `b` to the end of
// the file compared unit by unit, the end acting as a terminating zero. <0, 0 or >0. Plain and
// slow (it may run to the end of the file): the reference the sort is checked against.
int CompareCustomInputTexts(const uint8_t* text, size_t textSize, uint32_t a, uint32_t b);

// Sorts offsets of entries (line starts, as collected above) ascending by
// CompareCustomInputTexts; offsets whose texts compare equal keep their order. Takes time about
// proportional to the size of the text times a logarithm, also when thousands of entries share
// the same text up to the end of the file.
void SortCustomInputEntries(const uint8_t* text, size_t textSize, std::vector<uint32_t>* offsets);

// Collects, sorts and lays out the index at the start of `work`: entryCount little-endian u32,
// at most workSize / 4 of them; the rest of `work` is left as it was.
CustomInputIndexResult BuildCustomInputIndexInBuffer(CustomInputList list,
                                                     const uint8_t* text,
                                                     size_t textSize,
                                                     uint8_t* work,
                                                     size_t workSize);

// The installation's step: zdybm.TXT into zdybm.idx, then zdydw.TXT into zdydw.idx, in
// `installFolder` + "自定义输入\".
// False when an index file could not be written: the user has been told which, and the
// installation cannot be complete. With a `diagnostics` sink a text that cannot be opened is
// reported there, with its name, instead of shown.
bool BuildCustomInputIndexes(std::u16string_view installFolder, Diagnostics* diagnostics = nullptr);

}  // namespace ql
