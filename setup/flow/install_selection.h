// The install dialog's choices without the dialog: the check marks of its tree as plain lists, the
// display name and folder proposal composed from them, the install record lookup and the progress
// range. The dialog (install_dialog_win.cpp) reads and writes its controls; everything it decides
// is here, so it is tested on the host.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ql {

struct SetupState;

// One scheme or dictionary item of the tree: its record's index and its check mark.
struct TreeItemMark {
  uint32_t index = 0;
  bool checked = false;
};

// The tree's marks in tree order, per category.
struct TreeMarks {
  bool pinyin = false;
  std::vector<TreeItemMark> independent;
  std::vector<TreeItemMark> auxiliary;
  std::vector<TreeItemMark> keypad;
  std::vector<TreeItemMark> dictionaries;
};

// The category root a scheme's item goes under.
enum class SchemeCategory { kIndependent, kAuxiliary, kKeypad };
SchemeCategory CategoryOf(const SetupState& state, uint32_t scheme);

// The initial marks of the tree from the records: pinyin, main-keyboard and keypad schemes by
// `selected`, auxiliary schemes by `auxSelected`, dictionaries by `selected`.
TreeMarks InitialMarks(const SetupState& state);

// The item texts: "name -about" for the pinyin item (always), "name -about" for the others only
// when the about text is not empty, and "name - about" for a dictionary added by the user.
std::u16string PinyinItemText(const SetupState& state);
std::u16string SchemeItemText(const SetupState& state, uint32_t scheme);
std::u16string DictionaryItemText(const SetupState& state, uint32_t dictionary);
std::u16string AddedDictionaryItemText(const SetupState& state, uint32_t dictionary);

// The refresh's name: mainName + " - " + the chosen pinyin scheme, the first two checked
// independent schemes and the first checked keypad scheme, joined without separator. Records the
// examined marks in `selected`, sets `pathSuffix` and returns the name text (not yet cut to the
// display name's capacity: the caller puts it into the name field).
std::u16string ComposeDisplayName(SetupState& state, const TreeMarks& marks);

// The refresh's folder text after the name has been set: the recorded folder before Vista when
// the new name has an install record, otherwise proposedFolder (the program-files folder, or the
// system drive from Vista on, unless the user browsed) followed by `pathSuffix`.
std::u16string ProposeFolder(SetupState& state,
                             const std::function<std::u16string()>& programFilesFolder);

// What the worker's first step records from the tree: every mark, and the single-characters
// option; returns the progress bar's range (5 per chosen scheme, 2 per chosen dictionary).
uint32_t CollectMarks(SetupState& state, const TreeMarks& marks, bool pinyinSingleCharsOnly);
uint32_t ProgressRange(const SetupState& state);

}  // namespace ql
