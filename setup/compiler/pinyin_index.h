// The pinyin index builder: derives the pinyin keys of every entry of the main data file (first
// readings, further readings of polyphonic characters, the readings dycz.txt states for
// polyphonic phrases), sorts them and lays out qinglan.idx and User.idx.
//
// BuildPinyinIndexInBuffer does the work over memory; BuildPinyinIndex is the driver that reads
// the scheme's text files and writes the index files of the run's installFolder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "setup/common/diagnostics.h"
#include "setup/compiler/pinyin_index_format.h"

namespace ql {

struct SetupState;

// Messages (besides the reading table's "没有拼音！").
constexpr std::u16string_view kUnknownStatedReadingCaption = u"没有拼音1！";
// Caption of every other message of the builder (kPinyinInstallCaption, "拼音安装").
constexpr std::u16string_view kIndexTooLargeText =
    u"拼音索引太大，超出了100MB的工作区，拼音索引没有生成。";
constexpr std::u16string_view kBadMainDataText = u"词库文件无效，拼音索引没有生成。";
constexpr std::u16string_view kTooManyVariantsText =
    u"有词条的拼音组合超过1024种，只收入了前1024种。";
constexpr std::u16string_view kKeyTooLongText = u"有词条超过127个字，没有收入拼音索引。";
constexpr std::u16string_view kDyczLinesSkippedText =
    u"dycz.txt 中有超出限制或格式不对的行，没有收入拼音索引。第一行：";
constexpr std::u16string_view kSchemePathTooLongText =
    u"拼音方案的路径超过29个字符，词库文件中没有记下拼音方案。";

struct PinyinIndexSources {
  std::optional<std::vector<uint8_t>> zg;    // zg.txt, or nullopt when it did not open
  std::optional<std::vector<uint8_t>> mb;    // mb.txt
  std::optional<std::vector<uint8_t>> dycz;  // dycz.txt
  // Where the lines of zg.txt, mb.txt and dycz.txt that are cut or passed over, and the readings
  // dropped or not found, are reported; without a sink the builder's messages say it.
  FileDiagnostics zgDiagnostics;
  FileDiagnostics mbDiagnostics;
  FileDiagnostics dyczDiagnostics;
};

struct PinyinIndexResult {
  bool built = false;          // the work buffer's first `fileLength` bytes are qinglan.idx
  bool tooLarge = false;       // a room of the work buffer was full: nothing may be written
  bool badMainData = false;    // the main data file has no valid header
  bool mainPassFault = false;  // a record lay outside the file; the index holds the keys before it
  uint32_t fileLength = 0;
  uint32_t readingTableLength = 0;
  uint32_t keyAreaLength = 0;
  uint32_t entryCount = 0;
  uint32_t dyczLinesWritten = 0;
  uint32_t dyczLinesSkipped = 0;  // over a limit or malformed (not those without an entry)
  uint32_t entriesTooLong = 0;
  uint32_t entriesVariantsCut = 0;
};

// Builds qinglan.idx at the start of `work` (zero-filled, normally kPinyinIndexScratchSize
// bytes) from the main data file `mainData` of `mainSize` bytes, whose mark bytes it uses and
// leaves 0. Messages and the four progress steps go through TheUi(). Every read of the main data
// file and every write to `work` is bounds-checked.
PinyinIndexResult BuildPinyinIndexInBuffer(uint8_t* work,
                                           size_t workSize,
                                           uint8_t* mainData,
                                           size_t mainSize,
                                           const PinyinIndexSources& sources,
                                           bool singleCharsOnly);

// User.idx from the header of a built qinglan.idx: the header with the user file's fields, then
// zero rooms; kUserIdxLength bytes.
std::vector<uint8_t> LayOutUserIndex(const uint8_t* builtHeader);

// Stores the pinyin scheme's path, zero-terminated, in the main data file's pinyin slot; false
// (slot left empty) when it does not fit in 29 units or the file has no header.
bool StorePinyinSchemeFolder(uint8_t* mainData, size_t mainSize, std::u16string_view path);

// The position of `text` in the main data file's index, or -1; *fault is set when an index value
// or the index itself lies outside the file (the search then gives -1).
int32_t FindEntry(const uint8_t* mainData, size_t mainSize, std::u16string_view text, bool* fault);

// The installation's step on `state`'s installed folder and pinyin scheme (scheme 0): deletes the
// old files when the pinyin scheme is not selected, otherwise builds into the "builpyidx" block
// and writes both index files. False when an index file could not be written: the user has been
// told which, and the installation cannot be complete. With a `diagnostics` sink, what the
// scheme's text files lose is reported there, and a missing mb.txt is an error.
bool BuildPinyinIndex(const SetupState& state,
                      uint8_t* mainData,
                      size_t mainSize,
                      Diagnostics* diagnostics = nullptr);

}  // namespace ql
