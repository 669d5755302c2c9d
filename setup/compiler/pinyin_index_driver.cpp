// BuildPinyinIndex on the run's state: the pinyin scheme's text files, the "builpyidx" block, and
// the two index files.
#include <string>

#include "setup/common/files.h"
#include "setup/common/scratch_mapping.h"
#include "setup/common/ui.h"
#include "setup/compiler/pinyin_index.h"
#include "setup/flow/setup_state.h"

namespace ql {
namespace {

constexpr std::u16string_view kBlockName = u"builpyidx";
// Where the old files are deleted when the pinyin scheme is not chosen, and where User.idx is
// written: fixed names, whatever the scheme's path.
constexpr std::u16string_view kOldIndexFile = u"拼音\\qinglan.idx";
constexpr std::u16string_view kOldUserIndexFile = u"拼音\\User.idx";
constexpr std::u16string_view kUserIndexFile = u"输入方案\\拼音\\User.idx";

}  // namespace

void BuildPinyinIndex(uint8_t* mainData, size_t mainSize) {
  const SetupState& state = State();
  const std::u16string folder = state.installFolder.str();
  const InputScheme& scheme = state.schemes[0];
  if (!scheme.selected) {
    RemoveFile(folder + std::u16string(kOldIndexFile));
    RemoveFile(folder + std::u16string(kOldUserIndexFile));
    return;
  }

  ScratchMapping block(kBlockName, kPinyinIndexScratchSize);
  if (!block.ok())
    return;

  const std::u16string schemeFolder = folder + scheme.path.str();
  PinyinIndexSources sources;
  sources.zg = ReadFileBytes(schemeFolder + u"\\zg.txt");
  sources.mb = ReadFileBytes(schemeFolder + u"\\mb.txt");
  if (!state.pinyinSingleCharsOnly)
    sources.dycz = ReadFileBytes(schemeFolder + u"\\dycz.txt");

  PinyinIndexResult result = BuildPinyinIndexInBuffer(
      block.data(), block.size(), mainData, mainSize, sources, state.pinyinSingleCharsOnly != 0);
  if (!result.built) {
    // The old index files point into the old main data file: they must not stay beside the new
    // one (the user has been told the index was not built).
    if (result.tooLarge) {
      RemoveFile(schemeFolder + u"\\qinglan.idx");
      RemoveFile(folder + std::u16string(kUserIndexFile));
    }
    return;
  }

  if (!StorePinyinSchemeFolder(mainData, mainSize, scheme.path.view()))
    TheUi().ShowMessage(kSchemePathTooLongText, kPinyinInstallCaption, kMbOk);

  WriteFileBytes(schemeFolder + u"\\qinglan.idx", block.data(), result.fileLength);
  std::vector<uint8_t> user = LayOutUserIndex(block.data());
  WriteFileBytes(folder + std::u16string(kUserIndexFile), user.data(), user.size());
}

}  // namespace ql
