// `qlc dump`: any binary file the system writes, readably.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "setup/common/files.h"
#include "setup/common/text.h"
#include "setup/compiler/compiled_file_check.h"
#include "setup/compiler/first_install_dump.h"
#include "setup/compiler/phrase_table_dump.h"
#include "setup/compiler/pinyin_index_dump.h"
#include "setup/compiler/punctuation.h"
#include "setup/install/scheme_slots.h"
#include "setup/model/package.h"
#include "tools/qlc/qlc.h"

namespace qlc {
namespace {

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
  if (text.size() < suffix.size())
    return false;
  return ql::EqualsAsciiNoCase(ql::Utf8ToUtf16(text.substr(text.size() - suffix.size())),
                               ql::Utf8ToUtf16(suffix));
}

// The file beside `name` (a UTF-8 path) called `sibling`, when it can be read.
std::optional<std::vector<uint8_t>> ReadSibling(const std::string& name,
                                                std::u16string_view sibling) {
  std::filesystem::path path = ToPath(ql::Utf8ToUtf16(name)).parent_path() / ToPath(sibling);
  return ql::ReadFileBytes(FromPath(path));
}

// The main data file of the tree a pinyin index lies in (TREE\输入方案\SCHEME\qinglan.idx), when
// it can be read.
std::optional<std::vector<uint8_t>> ReadMainDataOfTree(const std::string& indexName) {
  std::error_code error;
  const std::filesystem::path tree =
      std::filesystem::absolute(ToPath(ql::Utf8ToUtf16(indexName)), error)
          .parent_path()
          .parent_path()
          .parent_path();
  return ql::ReadFileBytes(FromPath(tree / ToPath(Shown(ql::kMainDataFile))));
}

const uint8_t* DataOrNull(const std::optional<std::vector<uint8_t>>& bytes) {
  return bytes ? bytes->data() : nullptr;
}

size_t SizeOrZero(const std::optional<std::vector<uint8_t>>& bytes) {
  return bytes ? bytes->size() : 0;
}

// A punctuation value file of `qlc compile`, read together with the other one beside it.
void DumpPunctuation(const std::string& name,
                     const std::optional<std::vector<uint8_t>>& bytes,
                     bool isKeys) {
  std::u16string other(isKeys ? ql::kOutputPunctuationValue : ql::kKeySymbolsValue);
  std::optional<std::vector<uint8_t>> otherBytes = ReadSibling(name, other + u".bin");
  const std::optional<std::vector<uint8_t>>& keys = isKeys ? bytes : otherBytes;
  const std::optional<std::vector<uint8_t>>& outputs = isKeys ? otherBytes : bytes;
  std::fputs(ql::DumpPunctuationTables(DataOrNull(keys), SizeOrZero(keys), DataOrNull(outputs),
                                       SizeOrZero(outputs))
                 .c_str(),
             stdout);
}

// A custom-input index, decoded against its text beside it.
void DumpCustomInput(const std::string& name, const std::vector<uint8_t>& bytes, bool isCodes) {
  std::optional<std::vector<uint8_t>> text =
      ReadSibling(name, isCodes ? ql::kCustomCodeListFile : ql::kCustomTextListFile);
  if (!text)
    std::printf("note: no %s beside the index\n",
                U8(isCodes ? ql::kCustomCodeListFile : ql::kCustomTextListFile).c_str());
  std::fputs(
      ql::DumpCustomInputIndex(isCodes ? ql::CustomInputList::kCodes : ql::CustomInputList::kTexts,
                               bytes.data(), bytes.size(), DataOrNull(text), SizeOrZero(text))
          .c_str(),
      stdout);
}

}  // namespace

int Dump(const std::vector<std::string>& args) {
  if (AsksForHelp(args) || args.size() != 1)
    return PrintUsage(kDumpUsage, AsksForHelp(args));
  const std::string& name = args[0];
  std::optional<std::vector<uint8_t>> bytes = ql::ReadFileBytes(ql::Utf8ToUtf16(name));
  if (!bytes) {
    std::fprintf(stderr, "qlc: error: cannot read %s\n", name.c_str());
    return 1;
  }
  const bool namedCodes = EndsWithNoCase(name, U8(ql::kCustomCodeIndexFile));
  const bool namedTexts = EndsWithNoCase(name, U8(ql::kCustomTextIndexFile));
  const ql::CompiledFileFormat format = ql::RecogniseCompiledFile(*bytes, namedCodes || namedTexts);
  std::optional<std::vector<uint8_t>> text;
  switch (format) {
    case ql::CompiledFileFormat::kUnknown:
      std::fprintf(stderr,
                   "qlc: error: %s is none of the files qlc dumps (cz.dat, User.dat, "
                   "qinglan.idx, User.idx, zdybm.idx, zdydw.idx, punct/*.bin): its %zu bytes "
                   "have no header of theirs\n",
                   name.c_str(), bytes->size());
      return 1;
    case ql::CompiledFileFormat::kKeySymbols:
    case ql::CompiledFileFormat::kOutputPunctuation:
      DumpPunctuation(name, bytes, format == ql::CompiledFileFormat::kKeySymbols);
      break;
    case ql::CompiledFileFormat::kCustomInputIndex:
      text = ReadSibling(name, namedCodes ? ql::kCustomCodeListFile : ql::kCustomTextListFile);
      DumpCustomInput(name, *bytes, namedCodes);
      break;
    case ql::CompiledFileFormat::kPinyinIndex:
      std::fputs(ql::DumpPinyinIndex(bytes->data(), bytes->size()).c_str(), stdout);
      if (EndsWithNoCase(name, U8(ql::kPinyinIndexName))) {
        text = ReadMainDataOfTree(name);
        if (!text)
          std::printf("note: no %s of its tree: only the stored keys' order is checked\n",
                      U8(Shown(ql::kMainDataFile)).c_str());
      }
      break;
    case ql::CompiledFileFormat::kPhraseTable:
      std::fputs(ql::DumpPhraseTable(bytes->data(), bytes->size()).c_str(), stdout);
      std::fputs(ql::DescribeSchemeSlotsAndFuzzyPairs(bytes->data(), bytes->size()).c_str(),
                 stdout);
      break;
  }
  const std::vector<std::string> problems =
      ql::VerifyCompiledFile(format, *bytes, text ? &*text : nullptr, namedCodes);
  for (const std::string& problem : problems)
    std::fprintf(stderr, "%s: error: %s\n", name.c_str(), problem.c_str());
  return problems.empty() ? 0 : 1;
}

}  // namespace qlc
