// BuildPinyinIndex on the run's state: the pinyin scheme's text files, the "builpyidx" block, and
// the two index files.
#include <string>

#include "setup/common/files.h"
#include "setup/common/scratch_mapping.h"
#include "setup/common/ui.h"
#include "setup/compiler/phrase_table.h"
#include "setup/compiler/pinyin_index.h"
#include "setup/model/package.h"
#include "setup/model/setup_state.h"

namespace ql {
namespace {

constexpr std::u16string_view kBlockName = u"builpyidx";
// The old files are deleted when the pinyin scheme is not chosen (kPinyinIndexFile,
// kPinyinUserIndexFile), and User.idx is written (kInstalledUserIndexFile), under fixed names
// whatever the scheme's path.

// A text file of the scheme; nullopt when there is none. One that is there but cannot be read is
// told, and then counts as missing.
std::optional<std::vector<uint8_t>> ReadSchemeFile(const std::u16string& path) {
  std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(path);
  if (!bytes && PathExists(path))
    TheUi().ShowMessage(path, kDataFileCaption, kMbOk);
  return bytes;
}

}  // namespace

bool BuildPinyinIndex(const SetupState& state,
                      uint8_t* mainData,
                      size_t mainSize,
                      Diagnostics* diagnostics) {
  const std::u16string folder = state.installFolder.str();
  const InputScheme& scheme = state.schemes[0];
  if (!scheme.selected) {
    RemoveFile(folder + std::u16string(kPinyinIndexFile));
    RemoveFile(folder + std::u16string(kPinyinUserIndexFile));
    return true;
  }

  ScratchMapping block(kBlockName, kPinyinIndexScratchSize);
  if (!block.ok())
    return true;

  const std::u16string schemeFolder = folder + scheme.path.str();
  PinyinIndexSources sources;
  const std::u16string zgPath = schemeFolder + u"\\" + std::u16string(kHeaderTextFile);
  sources.zg = ReadSchemeFile(zgPath);
  sources.zgDiagnostics = FileDiagnostics(diagnostics, zgPath);
  const std::u16string mbPath = schemeFolder + u"\\" + std::u16string(kCodeTableFile);
  const std::u16string dyczPath = schemeFolder + u"\\" + std::u16string(kPolyphonicPhrasesFile);
  sources.mb = ReadSchemeFile(mbPath);
  sources.mbDiagnostics = FileDiagnostics(diagnostics, mbPath);
  sources.dyczDiagnostics = FileDiagnostics(diagnostics, dyczPath);
  // The installer builds an index without readings, silently; no entry gets a key.
  if (!sources.mb)
    sources.mbDiagnostics.Error(0, "missing-file",
                                "cannot be opened: the pinyin index gets no key at all");
  if (!state.pinyinSingleCharsOnly)
    sources.dycz = ReadSchemeFile(dyczPath);

  PinyinIndexResult result = BuildPinyinIndexInBuffer(
      block.data(), block.size(), mainData, mainSize, sources, state.pinyinSingleCharsOnly != 0);
  if (!result.built) {
    // The old index files point into the old main data file: they must not stay beside the new
    // one (the user has been told the index was not built).
    if (result.tooLarge) {
      RemoveFile(schemeFolder + u"\\" + std::u16string(kPinyinIndexName));
      RemoveFile(folder + std::u16string(kInstalledUserIndexFile));
    }
    return true;
  }

  if (!StorePinyinSchemeFolder(mainData, mainSize, scheme.path.view()))
    TheUi().ShowMessage(kSchemePathTooLongText, kPinyinInstallCaption, kMbOk);

  const std::u16string indexPath = schemeFolder + u"\\" + std::u16string(kPinyinIndexName);
  if (!WriteFileBytes(indexPath, block.data(), result.fileLength)) {
    TheUi().ShowMessage(indexPath, kDataFileCaption, kMbOk);
    return false;
  }
  std::vector<uint8_t> user = LayOutUserIndex(block.data());
  const std::u16string userIndexPath = folder + std::u16string(kInstalledUserIndexFile);
  if (!WriteFileBytes(userIndexPath, user.data(), user.size())) {
    TheUi().ShowMessage(userIndexPath, kDataFileCaption, kMbOk);
    return false;
  }
  return true;
}

}  // namespace ql
