// Dictionaries and input schemes of the user's own, added to the package before installing: the
// files written into the package folder (the folder that holds the running setup program, whose
// contents the installation worker moves into the target folder) and the entries written into
// SetupState. The add dialogs collect the user's choices and call AddDictionary / AddScheme on
// "确定"; the install dialog then counts the entries and shows them in its tree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace ql {

struct SetupState;

// Texts the system's open-file dialog returns at most (its buffers hold one unit more).
constexpr size_t kSourcePathUnits = 531;
constexpr size_t kSourceTitleUnits = 99;
// Values read from a source file's section "Description".
constexpr size_t kDescriptionValueUnits = 98;
// The name fields are read at most this long; the entries keep what fits.
constexpr size_t kNameFieldUnits = 259;
// The add-scheme dialog's folder field.
constexpr size_t kFolderFieldUnits = 49;
// The rewrite goes through the source in pieces of at most this many units, a line end included.
constexpr size_t kSourceLineUnits = 439;

// Messages of the add dialogs (caption: displayName).
extern const char16_t kNoSchemeKindMessage[];
extern const char16_t kDictionaryListFullMessage[];
extern const char16_t kSchemeListFullMessage[];
extern const char16_t kNoDictionarySourceMessage[];
extern const char16_t kNoSchemeSourceMessage[];
extern const char16_t kBadFolderNameMessage[];

// Keys "Name" and "About" of section "Description" of a source file, read as the system's
// profile functions read it (empty when missing), each at most kDescriptionValueUnits.
struct SourceDescription {
  std::u16string name;
  std::u16string about;
};
SourceDescription ReadSourceDescription(std::u16string_view path);

using NameTaken = std::function<bool(std::u16string_view name)>;

// The file name under which a dictionary titled `title` is stored in "文本词库\", as entry
// `index`: the title itself when free, else the title up to its last "." followed by the decimal
// of `index` and ".txt", the decimal repeated until the name is free. Every name is cut to fit a
// DictionaryEntry's fileName (29 units) by shortening the part before the suffix. Empty when no
// name of that form is free.
std::u16string DictionaryFileName(std::u16string_view title,
                                  uint32_t index,
                                  const NameTaken& taken);

// The folder under "输入方案\" for a scheme added as entry `index`: `folder` itself when free,
// else `folder` followed by the decimal of `index` as often as needed ("%s%d"), each cut so that
// "输入方案\" and the folder fit an InputScheme's path (65 units). Empty when none is free.
std::u16string SchemeFolderName(std::u16string_view folder, uint32_t index, const NameTaken& taken);

// The dictionary text written for a source (its UTF-16 units, a leading byte-order mark
// allowed): a byte-order mark, then for a source without description name the header
// "{词组}", "[Description]", "Name=" + name, "[Text]" and the source; for one with a description
// name, the source with "{词组}" put before its "[description]" line when no phrase tag came
// first and its "[text]" line rewritten as "[Text]".
struct DictionaryRewrite {
  std::u16string text;
  // A "{基本词组}" line was met: the source is a backup of the platform's basic phrases.
  bool basicPhraseBackup = false;
};
DictionaryRewrite RewriteDictionarySource(std::u16string_view source,
                                          bool hasDescription,
                                          std::u16string_view name);

// What the add-dictionary dialog holds when "确定" is pressed.
struct DictionaryChoice {
  std::u16string sourcePath;  // empty while no file was chosen
  std::u16string sourceTitle;
  bool hasDescription = false;  // the source's description name was not empty
  std::u16string name;          // the name field
  bool allPhrasesByShapeCode = false;
};

// Writes the dictionary into packageFolder + "文本词库\" and entry dictionaryCount of `state`
// (the count is the caller's to raise). A full list, no source, a source that cannot be read, no
// free file name or a file that cannot be written is told to the user and adds nothing. True
// when the entry was written.
bool AddDictionary(SetupState& state,
                   std::u16string_view packageFolder,
                   const DictionaryChoice& choice);

// The kind boxes of the add-scheme dialog; the first checked in this order decides.
enum class SchemeKind { none, standalone, auxiliary, keypad };
SchemeKind ChosenSchemeKind(bool standalone, bool auxiliary, bool keypad);

// What the add-scheme dialog holds when "确定" is pressed.
struct SchemeChoice {
  std::u16string sourcePath;  // empty while no file was chosen
  SchemeKind kind = SchemeKind::none;
  std::u16string name;    // the name field
  std::u16string folder;  // the target folder field
};

// Copies the code table into a new folder under packageFolder + "输入方案\" as "mb.txt" and
// writes entry schemeCount of `state`, and for a standalone scheme also entry schemeCount + 1 as
// its auxiliary twin with moreSchemesAdded set (the count is the caller's to raise). No kind, a
// list without room, no source, a folder name that would leave "输入方案", a source that cannot
// be read, or a folder or file that cannot be made is told to the user and adds nothing. True
// when the entries were written.
bool AddScheme(SetupState& state, std::u16string_view packageFolder, const SchemeChoice& choice);

}  // namespace ql
