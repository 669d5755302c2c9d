// BuildPhraseTable on the run's state: the files of installFolder, the work block, the scheme step.
#include <string>

#include "setup/common/files.h"
#include "setup/common/line_reader.h"
#include "setup/common/scratch_mapping.h"
#include "setup/common/text.h"
#include "setup/common/ui.h"
#include "setup/compiler/phrase_table.h"
#include "setup/model/package.h"
#include "setup/model/setup_state.h"

namespace ql {
namespace {

constexpr std::u16string_view kBlockName = u"SecondMapinsck";
constexpr size_t kMaxSystemFolderUnits = 199;

class InstallFolderOutputs : public TextOutputs {
 public:
  explicit InstallFolderOutputs(std::u16string folder) : folder_(std::move(folder)) {}
  std::u16string FullPath(std::u16string_view relative) const override {
    return folder_ + std::u16string(relative);
  }
  bool Write(std::u16string_view relative, const std::vector<uint8_t>& bytes) override {
    return WriteFileBytes(FullPath(relative), bytes.data(), bytes.size());
  }

 private:
  std::u16string folder_;
};

std::optional<std::u16string> ReadText(const std::u16string& path) {
  std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(path);
  if (!bytes)
    return std::nullopt;
  return DecodeUtf16Le(bytes->data(), bytes->size());
}

}  // namespace

ModuleImageSeam DefaultModuleImageSeam() {
  return ModuleImageSeam{SystemFolder, MapModuleImage};
}

void RunSchemeStep(const SetupState& state, const ModuleImageSeam& moduleImage) {
  // Held through the steps, released when the step ends.
  ModuleImage image;
  std::u16string systemFolder = moduleImage.systemFolder ? moduleImage.systemFolder() : u"";
  if (systemFolder.size() > kMaxSystemFolderUnits)
    systemFolder.resize(kMaxSystemFolderUnits);
  // Where there is no system folder (the host) there is no installed module to map.
  if (!systemFolder.empty() && moduleImage.map) {
    if (systemFolder.back() != u'\\')
      systemFolder += u'\\';
    image = moduleImage.map(systemFolder + state.imeFileName.str());
  }
  // One step per scheme whose code table the tool library compiles; the pinyin scheme (index 0)
  // is the pinyin index builder's.
  uint32_t count = state.schemeCount < kMaxSchemes ? state.schemeCount : kMaxSchemes;
  for (uint32_t k = 1; k < count; ++k) {
    const InputScheme& scheme = state.schemes[k];
    if (scheme.selected) {
      TheUi().StepProgress();
    } else if (scheme.auxSelected) {
      bool sharesPath = false;
      for (uint32_t j = 0; j < k && !sharesPath; ++j)
        sharesPath =
            state.schemes[j].auxSelected == 0 && state.schemes[j].path == scheme.path.view();
      if (!sharesPath)
        TheUi().StepProgress();
    }
  }
}

void BuildPhraseTable(SetupState& state) {
  BuildPhraseTable(state, DefaultModuleImageSeam());
}

void BuildPhraseTable(SetupState& state,
                      const ModuleImageSeam& moduleImage,
                      Diagnostics* diagnostics) {
  const std::u16string folder = state.installFolder.str();

  // The block is zero-filled: a fresh one by the system, one that already existed by
  // ScratchMapping.
  ScratchMapping block(kBlockName, kMainBlockSize, u"Init", u"init");
  if (!block.ok())
    return;

  const std::u16string characterListPath =
      folder + std::u16string(kTextDictionaryFolder) + std::u16string(kCharacterListFile);
  std::optional<std::u16string> characterList = ReadText(characterListPath);
  if (!characterList) {
    if (!FileDiagnostics(diagnostics, characterListPath)
             .Error(0, "missing-file", "cannot be opened: no main data file is built"))
      TheUi().ShowMessage(u"不能打开字库文件！", state.displayName.view(), kMbOk);
    return;
  }
  InstallFolderOutputs outputs(folder);
  PhraseTableBuilder builder(block.data(), block.size(), kMainIndexArea, outputs,
                             state.displayName.view(), diagnostics);
  if (!builder.AddCharacterList(*characterList, characterListPath))
    return;
  characterList.reset();

  uint32_t dictionaryCount =
      state.dictionaryCount < kMaxDictionaries ? state.dictionaryCount : kMaxDictionaries;
  for (uint32_t i = 0; i < dictionaryCount; ++i) {
    const DictionaryEntry& dictionary = state.dictionaries[i];
    if (!dictionary.selected)
      continue;
    const std::u16string path =
        folder + std::u16string(kTextDictionaryFolder) + dictionary.fileName.str();
    std::optional<std::u16string> text = ReadText(path);
    if (!text) {
      if (!FileDiagnostics(diagnostics, path)
               .Error(0, "missing-file",
                      "cannot be opened: the chosen dictionary \"" +
                          Utf16ToUtf8(dictionary.name.view()) + "\" is left out"))
        TheUi().ShowMessage(path, u"不能打开文件！", kMbOk);
      continue;
    }
    if (!builder.AddDictionary(*text, dictionary.allPhrasesByShapeCode != 0, path))
      return;
  }
  builder.CloseCustomCodes();

  RunSchemeStep(state, moduleImage);

  std::optional<uint32_t> totalSize = builder.FinishMainData();
  if (!totalSize)
    return;
  state.mainDataEntryCount = builder.recordCount();
  TheUi().SetStatusText(
      DecimalText(static_cast<int64_t>(builder.recordCount()) - builder.characterCount()) +
      u"条词组");
  // The package does not always hold the folder of the main data file.
  EnsureFolder(folder + std::u16string(kMainDataFolder));
  const std::u16string mainDataPath = folder + std::u16string(kMainDataFile);
  // Only two complete files are announced (mainDataPath); a file that cannot be written is
  // named to the user, and the worker, finding no main data file, stops.
  if (mainDataPath.size() >= decltype(state.mainDataPath)::kCapacity ||
      !WriteFileBytes(mainDataPath, block.data(), *totalSize)) {
    TheUi().ShowMessage(mainDataPath, kDataFileCaption, kMbOk);
    return;
  }
  TheUi().StepProgress();

  LayOutUserData(block.data());
  const std::u16string userDataPath = folder + std::u16string(kUserDataFile);
  if (!WriteFileBytes(userDataPath, block.data(), kUserDataSize)) {
    TheUi().ShowMessage(userDataPath, kDataFileCaption, kMbOk);
    return;
  }
  block.Release();
  state.mainDataPath.Assign(mainDataPath);
}

}  // namespace ql
