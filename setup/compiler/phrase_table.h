// The phrase-table builder: compiles the character list and the selected text dictionaries into
// the main data file cz.dat and writes the empty user data file User.dat. While it reads the
// dictionaries it also writes their settings (option.txt), double-pinyin layout (sp.ini) and
// custom codes (codeword.txt in a scheme folder).
//
// PhraseTableBuilder does the work over memory; BuildPhraseTable is the driver that reads and
// writes the files of the run's installFolder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "setup/common/diagnostics.h"
#include "setup/common/files.h"
#include "setup/compiler/phrase_table_format.h"
#include "setup/compiler/text_dictionary.h"

namespace ql {

struct SetupState;

// Where the builder's text files go: paths are relative to installFolder, with '\' separators.
class TextOutputs {
 public:
  virtual ~TextOutputs() = default;
  // The full path, as shown in a message.
  virtual std::u16string FullPath(std::u16string_view relative) const = 0;
  // Creates or replaces the file with exactly `bytes`; false when it cannot be created.
  virtual bool Write(std::u16string_view relative, const std::vector<uint8_t>& bytes) = 0;
};

// Messages of the builder's own bounds (caption: the run's displayName).
constexpr std::u16string_view kRecordsFullText =
    u"词组太多：词组记录超出了60MB的工作区，词库文件没有生成。";
// The caption of a data file that cannot be written, or opened and mapped by the worker; the text
// is its path.
constexpr std::u16string_view kDataFileCaption = u"file not open1";
constexpr std::u16string_view kFileTooLargeText =
    u"词库太大：词库文件超出了100MB的工作区，没有生成。";

class PhraseTableBuilder : private TextDictionaryHandler {
 public:
  // `block` is zero-filled; records must end below `indexArea` and the finished main data file
  // must fit in `blockSize` bytes. `caption` heads the builder's messages (the display name).
  // With a `diagnostics` sink the lines the readers skip, cut or change are reported there, each
  // with its file and line, instead of one message per file.
  PhraseTableBuilder(uint8_t* block,
                     size_t blockSize,
                     size_t indexArea,
                     TextOutputs& outputs,
                     std::u16string_view caption = std::u16string_view(),
                     Diagnostics* diagnostics = nullptr);
  ~PhraseTableBuilder() override;
  PhraseTableBuilder(const PhraseTableBuilder&) = delete;
  PhraseTableBuilder& operator=(const PhraseTableBuilder&) = delete;

  // Appends a record per character and stores CharacterCount; one progress step. False when the
  // build must end (the records would not fit; the user has been told).
  bool AddCharacterList(std::u16string_view text, std::u16string_view path);
  // Reads one dictionary: merges its phrases, stores its description values, writes its
  // sections; then extends and sorts the index, with a progress step after reading, after the
  // extension and after the sort. `path` names the file in messages. False when the build must
  // end (option.txt could not be created, or the records would not fit).
  bool AddDictionary(std::u16string_view text,
                     bool allPhrasesByShapeCode,
                     std::u16string_view path);
  // Closes the open custom-code file, writing it out.
  void CloseCustomCodes();
  // Lays out the main data file in the block (indexing any records not yet indexed) and returns
  // its size; nullopt when it does not fit in the block (the user has been told).
  std::optional<uint32_t> FinishMainData();

  uint32_t recordCount() const { return static_cast<uint32_t>(index_.size() + Unindexed()); }
  uint32_t characterCount() const { return characterCount_; }
  // Position in the sorted index of a record with this text, or nullopt.
  std::optional<size_t> Find(std::u16string_view text) const;

 private:
  bool Phrase(std::u16string_view phrase, std::optional<int32_t> frequency) override;
  size_t Description(std::u16string_view key, std::u16string_view value) override;
  bool Settings(std::u16string_view tagField, std::u16string_view content) override;
  bool DoublePinyin(std::u16string_view content) override;
  void CustomCodeFolder(std::optional<std::u16string_view> folder) override;
  bool CustomCode(std::u16string_view code, std::u16string_view text) override;
  void CustomCodeEnd() override;

  bool AppendRecord(std::u16string_view text, uint8_t flags, uint8_t frequency);
  size_t Unindexed() const { return unindexedRecords_; }
  void ExtendIndex();
  void SortIndex();
  // Orders two records by text (ordinal order of UTF-16 units, a prefix first).
  int CompareRecords(uint32_t a, uint32_t b) const;
  void ReportNotes(std::u16string_view path, size_t overlong, size_t refusedFolders);
  int CompareRecord(uint32_t offset, std::u16string_view text) const;

  uint8_t* block_;
  size_t blockSize_;
  size_t indexArea_;
  TextOutputs& outputs_;
  size_t writePos_;
  // The index: each record's offset with its first two text units (the first one in the high
  // half, 0 past the end of the text), which decide most comparisons without reading the record.
  struct IndexEntry {
    uint32_t head;
    uint32_t offset;
  };
  uint32_t HeadOf(uint32_t offset) const;
  bool LessEntry(const IndexEntry& a, const IndexEntry& b) const;
  std::vector<IndexEntry> index_;
  size_t indexedEnd_;  // offset of the first record not yet indexed
  size_t unindexedRecords_ = 0;
  size_t sortedCount_ = 0;  // leading entries of index_ already in order
  uint32_t characterCount_ = 0;
  bool full_ = false;
  bool allPhrasesByShapeCode_ = false;
  size_t cutValues_ = 0;
  std::u16string caption_;
  Diagnostics* diagnostics_;
  DictionaryPart part_ = DictionaryPart::none;
  // The open custom-code file: its path and the text written so far.
  std::optional<std::u16string> customPath_;
  std::u16string customText_;
};

// Writes the user data file's 512,000 bytes to `out`.
void LayOutUserData(uint8_t* out);

// The scheme step's access to the installed module: the system folder, and mapping a file as an
// image only, released when the returned owner goes. The defaults are the file seam's.
struct ModuleImageSeam {
  std::function<std::u16string()> systemFolder;
  std::function<ModuleImage(std::u16string_view path)> map;
};
ModuleImageSeam DefaultModuleImageSeam();

// The installation's build on `state`: the character list and the selected dictionaries of the
// installed folder into cz.dat (then mainDataPath and mainDataEntryCount are set) and User.dat,
// with the platform's module image seam or the one given. With a `diagnostics` sink every line
// lost or changed, and a dictionary that cannot be read, is reported there.
void BuildPhraseTable(SetupState& state);
void BuildPhraseTable(SetupState& state,
                      const ModuleImageSeam& moduleImage,
                      Diagnostics* diagnostics = nullptr);

// The scheme step alone: maps and releases the installed module, and steps the progress bar once
// per scheme whose code table the tool library compiles.
void RunSchemeStep(const SetupState& state, const ModuleImageSeam& moduleImage);

}  // namespace ql
