// BuildCustomInputIndexes: the two texts of the installed folder's "自定义输入\",
// each through the read-only mapping "lznMyDefCodeins" and the "builzdysort" work area.
#include <string>

#include "setup/common/files.h"
#include "setup/common/read_only_mapping.h"
#include "setup/common/scratch_mapping.h"
#include "setup/common/ui.h"
#include "setup/compiler/custom_input.h"

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

// One list from its text to its index file; false when the operation must end.
bool BuildOneIndex(const std::u16string& folder, const ListFiles& files) {
  ReadOnlyMapping text;
  switch (text.Map(folder + std::u16string(files.text), kTextMappingName)) {
    case ReadOnlyMapStatus::kMapped:
      break;
    case ReadOnlyMapStatus::kNotOpened:
      TheUi().ShowMessage(kCustomInputNotOpenedText, kCustomInputNotOpenedCaption, kMbOk);
      return false;
    case ReadOnlyMapStatus::kNoMapping:
      TheUi().ShowMessage(kCustomInputNoMappingText, kCustomInputNoMappingCaption, kMbOk);
      return false;
    case ReadOnlyMapStatus::kNoView:
      TheUi().ShowMessage(kCustomInputNoViewText, kCustomInputNoViewCaption, kMbOk);
      return false;
  }

  ScratchMapping work(kSortBlockName, kCustomInputScratchSize);
  if (!work.ok())
    return false;
  const CustomInputIndexResult result =
      BuildCustomInputIndexInBuffer(files.list, text.data(), text.size(), work.data(), work.size());
  if (result.entriesLeftOut != 0)
    TheUi().ShowMessage(kTooManyCustomInputEntriesText, files.text, kMbOk);

  // An index that cannot be created after a few attempts is left out without a word; the other
  // list is still indexed.
  const std::u16string indexPath = folder + std::u16string(files.index);
  for (int attempt = 0; attempt < kIndexCreateAttempts; ++attempt) {
    if (WriteFileBytes(indexPath, work.data(), 4 * size_t{result.entryCount}))
      break;
  }
  return true;
}

}  // namespace

void BuildCustomInputIndexes(std::u16string_view installFolder) {
  const std::u16string folder = std::u16string(installFolder) + std::u16string(kCustomInputFolder);
  for (const ListFiles& files : kLists) {
    if (!BuildOneIndex(folder, files))
      return;
  }
}

}  // namespace ql
