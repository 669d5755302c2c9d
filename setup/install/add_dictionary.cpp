// The add-dictionary step: a UTF-16 text file of the user's becomes a text dictionary of the
// package and a selected entry of the dictionary list.
#include <algorithm>
#include <optional>
#include <vector>

#include "setup/common/bytes.h"
#include "setup/common/files.h"
#include "setup/common/line_reader.h"
#include "setup/common/path_names.h"
#include "setup/compiler/text_dictionary.h"
#include "setup/install/add_entries_internal.h"

namespace ql {
namespace {

constexpr std::u16string_view kDefaultName = u"用户添加的词库";
constexpr std::u16string_view kBackupAbout = u"备份文件";

// Whether `line` contains `lowerNeedle` (ASCII lower case) in any letter case.
bool ContainsIgnoringCase(std::u16string_view line, std::u16string_view lowerNeedle) {
  for (size_t at = 0; at + lowerNeedle.size() <= line.size(); ++at) {
    size_t k = 0;
    while (k < lowerNeedle.size() && AsciiLower(line[at + k]) == lowerNeedle[k])
      ++k;
    if (k == lowerNeedle.size())
      return true;
  }
  return false;
}

// The piece of `source` from `pos` on: through its LF, but at most kSourceLineUnits units.
std::u16string_view NextPiece(std::u16string_view source, size_t pos) {
  std::u16string_view rest = source.substr(pos, kSourceLineUnits);
  size_t lf = rest.find(u'\n');
  return lf == std::u16string_view::npos ? rest : rest.substr(0, lf + 1);
}

}  // namespace

DictionaryRewrite RewriteDictionarySource(std::u16string_view source,
                                          bool hasDescription,
                                          std::u16string_view name) {
  DictionaryRewrite out;
  out.text.reserve(source.size() + 64);
  out.text.push_back(u'\uFEFF');
  if (!source.empty() && source[0] == u'\uFEFF')
    source.remove_prefix(1);

  size_t pos = 0;
  if (!hasDescription) {
    // A plain word list gets the header that makes its lines phrases.
    out.text += kPhrasesTag;
    out.text += u"\r\n[Description]\r\nName=";
    out.text += name;
    out.text += u"\r\n[Text]\r\n";
  } else {
    bool tagSeen = false;
    while (pos < source.size()) {
      std::u16string_view piece = NextPiece(source, pos);
      pos += piece.size();
      if (piece.find(kPhrasesTag) != std::u16string_view::npos) {
        tagSeen = true;
      } else if (piece.find(kBasicPhrasesTag) != std::u16string_view::npos) {
        tagSeen = true;
        out.basicPhraseBackup = true;
      } else if (ContainsIgnoringCase(piece, u"[description]")) {
        if (!tagSeen) {
          out.text += kPhrasesTag;
          out.text += u"\r\n";
        }
      } else if (ContainsIgnoringCase(piece, u"[text]")) {
        // The reader of dictionaries takes only this exact spelling.
        out.text += u"[Text]\r\n";
        break;
      }
      out.text += piece;
    }
  }
  out.text += source.substr(pos);
  return out;
}

bool AddDictionary(SetupState& state,
                   std::u16string_view packageFolder,
                   const DictionaryChoice& choice) {
  const uint32_t index = state.dictionaryCount;
  if (index >= kMaxDictionaries) {
    TellUser(state, kDictionaryListFullMessage);
    return false;
  }
  if (choice.sourcePath.empty()) {
    TellUser(state, kNoDictionarySourceMessage);
    return false;
  }
  if (!IsPlainName(choice.sourceTitle)) {
    TellUser(state, u"不能使用这个文件名：\n" + choice.sourceTitle);
    return false;
  }
  std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(choice.sourcePath);
  if (!bytes) {
    TellUser(state, u"不能打开文件：\n" + choice.sourcePath);
    return false;
  }

  std::u16string folder = std::u16string(packageFolder) + std::u16string(kDictionariesFolder);
  EnsureFolder(folder);
  folder += u'\\';
  std::u16string name = FieldText(choice.name, kNameFieldUnits);
  if (name.empty())
    name = kDefaultName;
  DictionaryRewrite rewrite = RewriteDictionarySource(DecodeUtf16Le(bytes->data(), bytes->size()),
                                                      choice.hasDescription, name);
  std::vector<uint8_t> target = EncodeUtf16Le(rewrite.text);
  // Each name is tried by creating the file under it: a name that is taken, also in the moment
  // between a test and the writing, is never overwritten.
  bool failed = false;
  std::u16string fileName =
      DictionaryFileName(choice.sourceTitle, index, [&](std::u16string_view candidate) {
        NewEntry made =
            WriteNewFileBytes(folder + std::u16string(candidate), target.data(), target.size());
        failed = made == NewEntry::kFailed;
        return made == NewEntry::kExists;
      });
  if (failed) {
    TellUser(state, u"不能写入文件：\n" + folder + fileName);
    return false;
  }
  if (fileName.empty()) {
    TellUser(state, u"“文本词库”中找不到可用的文件名：\n" + choice.sourceTitle);
    return false;
  }

  DictionaryEntry& entry = state.dictionaries[index];
  entry = DictionaryEntry();
  entry.name.Assign(name);
  entry.fileName.Assign(fileName);
  entry.selected = 1;
  entry.allPhrasesByShapeCode = choice.allPhrasesByShapeCode ? 1 : 0;
  if (rewrite.basicPhraseBackup) {
    // A backup of the basic phrases replaces what the dictionaries before it would give.
    for (uint32_t i = 0; i < index; ++i)
      state.dictionaries[i].selected = 0;
    entry.about.Assign(kBackupAbout);
  }
  return true;
}

}  // namespace ql
