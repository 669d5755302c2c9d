#include "setup/compiler/punctuation.h"

#include <optional>
#include <string>
#include <vector>

#include "setup/common/bytes.h"
#include "setup/common/files.h"
#include "setup/common/line_reader.h"
#include "setup/common/registry.h"
#include "setup/common/ui.h"
#include "setup/model/install_record.h"

namespace ql {

PunctuationTables BuildPunctuationTables(std::u16string_view fileText,
                                         const FileDiagnostics& diagnostics) {
  PunctuationTables tables;
  Utf16LineReader reader(fileText);
  std::u16string_view line;
  while (reader.Next(line)) {
    const size_t number = reader.lineNumber();
    size_t firstSpace = line.find(u' ');
    if (firstSpace == std::u16string_view::npos || firstSpace == 0) {
      if (!line.empty()) {
        diagnostics.Warning(number, "not-an-entry",
                            firstSpace == 0 ? "the line begins with a space: it is no entry"
                                            : "the line has no space: it is no entry");
      }
      continue;
    }
    // Every space restarts the output field, so it is the text after the last one.
    std::u16string_view output = line.substr(line.rfind(u' ') + 1);
    if (output.empty())
      diagnostics.Warning(number, "empty-output", "the line ends in a space: its output is empty");
    if (output.size() > kMaxPunctuationOutputUnits) {
      diagnostics.Warning(
          number, "output-cut",
          "the output is cut to " + std::to_string(kMaxPunctuationOutputUnits) + " units");
      output = output.substr(0, kMaxPunctuationOutputUnits);
    }
    if (tables.entryCount == kPunctuationEntries) {
      ++tables.entriesLeftOut;
      diagnostics.Error(
          number, "too-many-symbols",
          "more than " + std::to_string(kPunctuationEntries) + " entries: this one is left out");
      continue;
    }
    const uint8_t key = static_cast<uint8_t>(line[0] & 0xFF);
    // An ASCII output is the key itself; only a mark of U+0080 and above is stored as such.
    const char16_t mark = !output.empty() && output[0] >= 0x80 ? output[0] : key;
    const size_t at = 2 * tables.entryCount;
    tables.keySymbols[at] = key;
    tables.keySymbols[at + 1] = static_cast<uint8_t>(output.size() & 0xFF);
    StoreU16(tables.outputPunctuation.data() + at, mark);
    ++tables.entryCount;
  }
  if (reader.unendedLine()) {
    diagnostics.Warning(reader.lineNumber() + 1, "no-line-end",
                        "the last line has no line end and is not read");
  }
  return tables;
}

void BuildPunctuationTable(std::u16string_view installFolder,
                           std::u16string_view displayName,
                           Diagnostics* diagnostics) {
  const std::u16string path = std::u16string(installFolder) + std::u16string(kPunctuationFile);
  const FileDiagnostics fileDiagnostics(diagnostics, path);
  std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(path);
  if (!bytes) {
    if (!fileDiagnostics.Error(0, "missing-file",
                               "cannot be opened: no punctuation values are written"))
      TheUi().ShowMessage(path, kPunctuationNotFoundCaption, kMbOk);
    return;
  }

  // Without the current-version key there is no parent to create the settings key in: the user
  // is told once, and the file is still read.
  RegKey currentVersion;
  RegKey settings;
  if (OpenCurrentVersionKey(kHkeyCurrentUser, &currentVersion) != kErrorSuccess ||
      CreateNamedSubkey(currentVersion.get(), displayName, &settings) != kErrorSuccess) {
    settings.Reset();
    TheUi().ShowMessage(kPunctuationSettingsFailedText, displayName, kMbOk);
  }

  const PunctuationTables tables =
      BuildPunctuationTables(DecodeUtf16Le(bytes->data(), bytes->size()), fileDiagnostics);
  if (tables.entriesLeftOut != 0 && !fileDiagnostics.active())
    TheUi().ShowMessage(kTooManyPunctuationEntriesText, displayName, kMbOk);
  if (!settings)
    return;
  Registry& registry = TheRegistry();
  registry.SetValue(settings.get(), kKeySymbolsValue, kRegBinary, tables.keySymbols.data(),
                    tables.keySymbols.size());
  registry.SetValue(settings.get(), kOutputPunctuationValue, kRegBinary,
                    tables.outputPunctuation.data(), tables.outputPunctuation.size());
}

}  // namespace ql
