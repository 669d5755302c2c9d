// SetupState: the record of a run of setup. The program's entry point owns one (State()) and the
// dialogs work on it; everything below them (the worker, the compilers, the module's calls) is
// given the record, or the fields it needs, as a parameter. Text fields are fixed arrays with the
// capacities the system's files and the input-method module rely on; every writer goes through
// FixedText, which cuts to the capacity.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "setup/common/fixed_text.h"

namespace ql {

constexpr size_t kMaxSchemes = 80;
constexpr size_t kMaxDictionaries = 50;

struct InputScheme {
  FixedText<66> name;
  FixedText<66> path;  // "输入方案\" + the manifest's "Path", relative to the package
  FixedText<166> about;
  uint32_t selected = 0;     // pinyin, main-keyboard and keypad schemes
  uint32_t auxSelected = 0;  // pinyin auxiliary schemes
  uint32_t isAuxiliary = 0;
  uint32_t isKeypad = 0;
};

struct DictionaryEntry {
  FixedText<40> name;
  FixedText<30> fileName;  // inside "文本词库\"
  FixedText<100> about;
  uint32_t selected = 0;
  uint32_t allPhrasesByShapeCode = 0;
};

// Opaque system handles: the portable core only stores and compares them.
using InstanceHandle = void*;
using ModuleHandle = void*;
using WindowHandle = void*;

struct SetupState {
  // Run and names.
  InstanceHandle instance = nullptr;
  // The folder of the running setup program, which holds the package (with a trailing '\').
  FixedText<300> packageFolder;
  // The installed folder, once the worker has moved the package there (with a trailing '\').
  FixedText<300> installFolder;
  FixedText<50> mainName;
  FixedText<50> displayName;
  FixedText<50> moduleSuppliedName;
  uint32_t namesFromModule = 0;
  FixedText<12> version;
  FixedText<22> releaseDate;
  FixedText<20> imeFileName;
  FixedText<20> imeBaseName;
  FixedText<80> layoutText;
  FixedText<512> setupText;
  uint32_t osMajorVersion = 0;

  // Flow.
  uint32_t upgradeInstall = 0;
  uint32_t installCompleted = 0;
  WindowHandle installDialog = nullptr;

  // Schemes and dictionaries.
  uint32_t schemeCount = 0;
  InputScheme schemes[kMaxSchemes];
  uint32_t dictionaryCount = 0;
  DictionaryEntry dictionaries[kMaxDictionaries];

  // Install dialog: the proposed folder is proposedFolder + pathSuffix; proposedFolder is the
  // program-files folder (the system drive from Vista on) or the folder the user browsed to.
  FixedText<300> proposedFolder;
  FixedText<266> pathSuffix;
  uint32_t folderBrowsed = 0;
  FixedText<130> previousPath;
  FixedText<24> previousDataFile;
  uint32_t pinyinSingleCharsOnly = 0;
  uint32_t moreSchemesAdded = 0;

  // Worker and compilers.
  uint32_t settingsKept = 0;
  uint8_t fuzzyPairs[9] = {};  // an-ang, c-ch, en-eng, f-h, in-ing, l-n, r-l, s-sh, z-zh
  FixedText<366> mainDataPath;
  uint32_t mainDataEntryCount = 0;

  // Appends a scheme record and returns it, or nullptr when all 80 places are taken.
  InputScheme* AddScheme();
  // Appends a dictionary record and returns it, or nullptr when all 50 places are taken.
  DictionaryEntry* AddDictionary();
};

// Sets the display name from the name field's text, cut to the record's 49 units but never inside
// a character, and the keyboard layout's text, which follows from it.
void SetDisplayName(SetupState& state, std::u16string_view name);

// Whether `name` can be a display name: it names a registry key below CurrentVersion and the
// program group's folder in the Programs folder, so it must be one plain name (no separator,
// reserved or control character, not "." or "..") without trailing dots or spaces, which the
// system would drop from the folder but not from the key, and not one of the Programs folder's
// own subfolders.
bool IsUsableDisplayName(std::u16string_view name);

// The record of this run of setup.exe, zero-filled at start: read by the program's entry point and
// its dialogs only.
SetupState& State();

}  // namespace ql
