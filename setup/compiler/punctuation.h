// The punctuation table: symbol.txt of installFolder turned into the two 60-byte binary values
// of the settings key that tell the input-method module, for each keyboard symbol, which mark to
// output and how many units long the output is.
//
// BuildPunctuationTables does the work over the decoded text; BuildPunctuationTable is the step
// on the run's state: it reads the file and writes the values through the registry seam.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "setup/common/diagnostics.h"

namespace ql {

constexpr size_t kPunctuationEntries = 30;
constexpr size_t kPunctuationTableSize = 2 * kPunctuationEntries;  // bytes of each value
// Longest output field kept; its length byte is that of the field cut to this.
constexpr size_t kMaxPunctuationOutputUnits = 264;

constexpr std::u16string_view kPunctuationFile = u"symbol.txt";
constexpr std::u16string_view kKeySymbolsValue = u"键位符号";
constexpr std::u16string_view kOutputPunctuationValue = u"输出标点";

// Messages: the file's full path with kPunctuationNotFoundCaption; the others with the display
// name as caption.
constexpr std::u16string_view kPunctuationNotFoundCaption = u"No Find";
constexpr std::u16string_view kPunctuationSettingsFailedText = u"符号参数设置失败！";
constexpr std::u16string_view kTooManyPunctuationEntriesText =
    u"symbol.txt 中的符号超过30个，只收入了前30个。";

struct PunctuationTables {
  // Per entry m: byte 2m the key's low 8 bits, byte 2m + 1 the output length's low 8 bits.
  std::array<uint8_t, kPunctuationTableSize> keySymbols{};
  // Per entry m: u16 little-endian, the output mark, or the key itself for an ASCII output.
  std::array<uint8_t, kPunctuationTableSize> outputPunctuation{};
  uint32_t entryCount = 0;      // entries stored, at most kPunctuationEntries
  uint32_t entriesLeftOut = 0;  // entries after the 30th, which the values cannot hold
};

// Both tables from the decoded symbol.txt (byte-order mark included), read by the shared line
// rules: a line "KEY ... OUTPUT" is an entry unless it has no space or begins with one. Lines that
// are no entry, outputs cut and entries left out go to `diagnostics`.
PunctuationTables BuildPunctuationTables(std::u16string_view fileText,
                                         const FileDiagnostics& diagnostics = FileDiagnostics());

// The installation's step: `installFolder` + "symbol.txt" into the values kKeySymbolsValue and
// kOutputPunctuationValue (REG_BINARY, 60 bytes each) of the settings key named `displayName`,
// which also captions its messages. With a `diagnostics` sink a missing symbol.txt and entries
// left out are reported there instead of shown.
void BuildPunctuationTable(std::u16string_view installFolder,
                           std::u16string_view displayName,
                           Diagnostics* diagnostics = nullptr);

}  // namespace ql
