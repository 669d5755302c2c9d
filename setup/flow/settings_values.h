// The settings dialog's decisions, apart from its window: what it shows on opening, the values
// its OK and Cancel write under the settings key, and how that key is opened. The dialog
// (settings_dialog_win.cpp) only moves control states in and out of a SettingsChoice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "setup/resources/settings_ids.h"

namespace ql {

struct SetupState;

// One item of a selection-key box: its text and its item value, a virtual-key code.
struct SelectionKeyItem {
  const char16_t* text;
  uint16_t value;
};
constexpr size_t kSelectionKeyItemCount = 10;
extern const SelectionKeyItem kSelectionKeyItems[kSelectionKeyItemCount];

// The five selection-key boxes (candidates 1 to 5) and the item each selects on opening.
constexpr size_t kSelectionKeyBoxCount = 5;
extern const int kSelectionKeyBoxIds[kSelectionKeyBoxCount];
extern const size_t kDefaultSelectionKeyItems[kSelectionKeyBoxCount];

// Every check box and radio button of the dialog, in template order.
constexpr size_t kSettingsButtonCount = 34;
extern const int kSettingsButtonIds[kSettingsButtonCount];

// What the user chose: the marked check boxes and radio buttons, and the five selection keys.
struct SettingsChoice {
  std::set<int> checked;
  uint16_t selectionKeys[kSelectionKeyBoxCount] = {};

  bool IsChecked(int id) const { return checked.count(id) != 0; }
  void SetChecked(int id, bool on);
};

// The brand word: a display name holding it opens in pinyin-alone mode and leaves out the
// top bit of "综合设置".
bool HasBrandWord(std::u16string_view displayName);

// The dialog's caption: "%s 常用参数设置" with the display name.
std::u16string SettingsCaption(std::u16string_view displayName);
// The shape-code scheme the mode texts name: the first selected scheme after the pinyin scheme
// that is not a keypad scheme, else scheme 1.
size_t ShapeCodeSchemeIndex(const SetupState& state);
// Texts of the radio buttons for pinyin mixed with that scheme, and for the scheme alone.
std::u16string MixedModeText(std::u16string_view schemeName);
std::u16string ShapeCodeModeText(std::u16string_view schemeName);

// The controls' states on opening.
SettingsChoice DefaultSettingsChoice(std::u16string_view displayName);

// The key of a selection-key box whose text is not one of its list items. The box has turned
// letters to upper case, so a typed letter's code is its virtual-key code. An empty box is no
// key. Text that spells an item (ASCII case aside) is that item's key. Only a character below
// U+0100 can be a key code: anything else would be cut to the code of an unrelated key, so it
// counts as no key.
uint16_t TypedSelectionKey(std::u16string_view text);

// The values OK writes, in the order it writes them.
constexpr size_t kSelectionKeyEntries = 8;  // "候选键": the five boxes, then three zeros
struct SettingsValues {
  uint16_t selectionKeys[kSelectionKeyEntries] = {};
  uint32_t fuzzyMask = 0;       // "模糊音"
  uint32_t windowType = 0;      // "窗口类型"
  uint32_t windowPosition = 0;  // "窗口位置"
  uint32_t doublePinyin = 0;    // "使用双拼"
  uint32_t general = 0;         // "综合设置"
  uint32_t general1 = 0;        // "综合设置1"
  uint32_t general2 = 0;        // "综合设置2"
  uint32_t imeIndex = 0;        // "IMEIndex"
};
SettingsValues SettingsValuesOf(const SettingsChoice& choice, std::u16string_view displayName);

// "IMEIndex" as Cancel writes it.
constexpr uint32_t kCancelledImeIndex = 3;

// OK: turns on the chosen fuzzy pairs in state.fuzzyPairs (never off) and writes every value
// under the settings key named by state.displayName.
void SaveSettings(SetupState& state, const SettingsChoice& choice);
// Cancel: writes "IMEIndex" = 3 and nothing else; the fuzzy pairs stay as they are.
void SaveCancelledSettings(const SetupState& state);

}  // namespace ql
