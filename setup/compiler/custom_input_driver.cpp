// BuildCustomInputIndexes: the two texts of the installed folder's "自定义输入\",
// each through the read-only mapping "lznMyDefCodeins" and the "builzdysort" work area.
#include <string>

#include "setup/common/files.h"
#include "setup/common/read_only_mapping.h"
#include "setup/common/scratch_mapping.h"
#include "setup/common/ui.h"
#include "setup/compiler/custom_input.h"
#include "setup/compiler/phrase_table.h"

namespace ql {
namespace {

struct ListFiles {
  CustomInputList list;
  std::u16string_view text;
  std::u16string_view index;
};

constexpr ListFiles kLists[] = {
    {CustomInputList::kCodes, kCustomCodeListFile, kCustomCodeIndexFile},
    {CustomInputList::kTexts, kCustomTextListFile, kCustomTextIndexFile},
};

enum class Outcome { kGoOn, kEnd, kNotWritten };

// One list from its text to its index file: go on with the next list, end the step (the user has
// been told), or an index file that could not be written (the user has been told which).
Outcome BuildOneIndex(const std::u16string& folder,
                      const ListFiles& files,
                      Diagnostics* diagnostics) {
  ReadOnlyMapping text;
  const std::u16string textPath = folder + std::u16string(files.text);
  switch (text.Map(textPath, kTextMappingName)) {
    case ReadOnlyMapStatus::kMapped:
      break;
    case ReadOnlyMapStatus::kNotOpened:
      // The step ends here: a missing first list leaves the second one unindexed too.
      if (!FileDiagnostics(diagnostics, textPath)
               .Error(0, "missing-file",
                      "cannot be opened: no custom-input index is built from here on"))
        TheUi().ShowMessage(kCustomInputNotOpenedText, kCustomInputNotOpenedCaption, kMbOk);
      return Outcome::kEnd;
    case ReadOnlyMapStatus::kNoMapping:
      TheUi().ShowMessage(kCustomInputNoMappingText, kCustomInputNoMappingCaption, kMbOk);
      return Outcome::kEnd;
    case ReadOnlyMapStatus::kNoView:
      TheUi().ShowMessage(kCustomInputNoViewText, kCustomInputNoViewCaption, kMbOk);
      return Outcome::kEnd;
  }

  ScratchMapping work(kSortBlockName, kCustomInputScratchSize);
  if (!work.ok())
    return Outcome::kEnd;
  const CustomInputIndexResult result =
      BuildCustomInputIndexInBuffer(files.list, text.data(), text.size(), work.data(), work.size());
  if (result.entriesLeftOut != 0)
    TheUi().ShowMessage(kTooManyCustomInputEntriesText, files.text, kMbOk);

  // An index that cannot be written after a few attempts is named to the user; the other list
  // is still indexed.
  const std::u16string indexPath = folder + std::u16string(files.index);
  for (int attempt = 0; attempt < kIndexCreateAttempts; ++attempt) {
    if (WriteFileBytes(indexPath, work.data(), 4 * size_t{result.entryCount}))
      return Outcome::kGoOn;
  }
  TheUi().ShowMessage(indexPath, kDataFileCaption, kMbOk);
  return Outcome::kNotWritten;
}

}  // namespace

bool BuildCustomInputIndexes(std::u16string_view installFolder, Diagnostics* diagnostics) {
  const std::u16string folder = std::u16string(installFolder) + std::u16string(kCustomInputFolder);
  bool written = true;
  for (const ListFiles& files : kLists) {
    const Outcome outcome = BuildOneIndex(folder, files, diagnostics);
    if (outcome == Outcome::kEnd)
      break;
    written = written && outcome == Outcome::kGoOn;
  }
  return written;
}

}  // namespace ql
