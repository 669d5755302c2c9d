#include "setup/flow/settings_values.h"

#include <vector>

#include "setup/common/bytes.h"
#include "setup/common/registry.h"
#include "setup/common/text.h"
#include "setup/install/scheme_slots.h"
#include "setup/model/install_record.h"
#include "setup/model/setup_state.h"

namespace ql {

const SelectionKeyItem kSelectionKeyItems[kSelectionKeyItemCount] = {
    {u"无", 0x00},          {u"空格键", 0x20},      {u"左Shift", 0xA0},   {u"右Shift", 0xA1},
    {u";（分号）", 0x3B},   {u"'（单引号）", 0x27}, {u",（逗号）", 0x2C}, {u".（句号）", 0x2E},
    {u"[（左括号）", 0x5B}, {u"]（右括号）", 0x5D},
};

const int kSelectionKeyBoxIds[kSelectionKeyBoxCount] = {
    IDC_SELECTION_KEY_1, IDC_SELECTION_KEY_2, IDC_SELECTION_KEY_3,
    IDC_SELECTION_KEY_4, IDC_SELECTION_KEY_5,
};

// Space, left Shift, right Shift, none, none.
const size_t kDefaultSelectionKeyItems[kSelectionKeyBoxCount] = {1, 2, 3, 0, 0};

const int kSettingsButtonIds[kSettingsButtonCount] = {
    IDC_FUZZY_C_CH,
    IDC_FUZZY_S_SH,
    IDC_FUZZY_Z_ZH,
    IDC_FUZZY_AN_ANG,
    IDC_FUZZY_EN_ENG,
    IDC_FUZZY_IN_ING,
    IDC_FUZZY_R_L,
    IDC_FUZZY_F_H,
    IDC_FUZZY_L_N,
    IDC_DOUBLE_PINYIN,
    IDC_ABBREVIATED_PINYIN,
    IDC_SWITCH_LEFT_SHIFT,
    IDC_SWITCH_RIGHT_SHIFT,
    IDC_SWITCH_LEFT_CTRL,
    IDC_SWITCH_RIGHT_CTRL,
    IDC_SWITCH_CLICK_MODE,
    IDC_PAGE_MINUS_EQUAL,
    IDC_PAGE_BRACKETS,
    IDC_PAGE_COMMA_PERIOD,
    IDC_PAGE_TAB,
    IDC_WINDOW_MULTI_SEPARATE,
    IDC_WINDOW_MULTI_MERGED,
    IDC_WINDOW_TWO_LINES,
    IDC_WINDOW_ONE_LINE,
    IDC_POSITION_FOLLOW_CARET,
    IDC_POSITION_TOP,
    IDC_POSITION_BOTTOM,
    IDC_POSITION_USER,
    IDC_SAVE_ON_COMMIT,
    IDC_SAVE_ON_ENTER,
    IDC_SAVE_ON_CTRL_ENTER,
    IDC_INPUT_MODE_MIXED,
    IDC_INPUT_MODE_SHAPE_CODE,
    IDC_INPUT_MODE_PINYIN,
};

namespace {

constexpr char16_t kBrandWord[] = u"朔禾拼音";

// Attempts of each stage of opening the settings key.
constexpr int kCurrentVersionAttempts = 11;
constexpr int kSettingsKeyAttempts = 11;
constexpr int kSettingsKeyCreateAttempts = 11;

// A check box, or a radio button of a group, and the bit it adds to its value.
struct ButtonBit {
  int id;
  uint32_t bit;
};

// Places of the other pairs in SetupState::fuzzyPairs (an-ang, c-ch, en-eng, f-h, in-ing, l-n,
// r-l, s-sh, z-zh); c-ch, s-sh and z-zh are named with the main data file's bytes.
constexpr size_t kFuzzyAnPair = 0;
constexpr size_t kFuzzyEnPair = 2;
constexpr size_t kFuzzyFPair = 3;
constexpr size_t kFuzzyInPair = 4;
constexpr size_t kFuzzyLPair = 5;
constexpr size_t kFuzzyRPair = 6;

// A fuzzy-pair box: its bit of "模糊音" and its place in SetupState::fuzzyPairs.
struct FuzzyBox {
  int id;
  uint32_t bit;
  size_t pair;
};
constexpr FuzzyBox kFuzzyBoxes[] = {
    {IDC_FUZZY_C_CH, 0x001, kFuzzyCPair},    {IDC_FUZZY_S_SH, 0x002, kFuzzySPair},
    {IDC_FUZZY_Z_ZH, 0x004, kFuzzyZPair},    {IDC_FUZZY_R_L, 0x008, kFuzzyRPair},
    {IDC_FUZZY_L_N, 0x010, kFuzzyLPair},     {IDC_FUZZY_F_H, 0x020, kFuzzyFPair},
    {IDC_FUZZY_AN_ANG, 0x040, kFuzzyAnPair}, {IDC_FUZZY_EN_ENG, 0x080, kFuzzyEnPair},
    {IDC_FUZZY_IN_ING, 0x100, kFuzzyInPair},
};

constexpr uint32_t kGeneralBase = 0x17C01404;
constexpr ButtonBit kGeneralBits[] = {
    {IDC_PAGE_MINUS_EQUAL, 0x00000080},   {IDC_PAGE_BRACKETS, 0x00000100},
    {IDC_PAGE_COMMA_PERIOD, 0x00000200},  {IDC_SWITCH_LEFT_SHIFT, 0x00040000},
    {IDC_SWITCH_RIGHT_SHIFT, 0x00080000}, {IDC_SWITCH_RIGHT_CTRL, 0x00100000},
    {IDC_SWITCH_LEFT_CTRL, 0x00200000},
};
constexpr uint32_t kGeneralWithoutBrand = 0x80000000;

// 0x092009AB with bit 0x00800000 always set.
constexpr uint32_t kGeneral1Base = 0x09A009AB;
constexpr ButtonBit kGeneral1Bits[] = {
    {IDC_ABBREVIATED_PINYIN, 0x00000040},
    {IDC_SAVE_ON_ENTER, 0x00004000},
    {IDC_SWITCH_CLICK_MODE, 0x20000000},
    {IDC_PAGE_TAB, 0x40000000},
};

constexpr uint32_t kGeneral2Base = 0x00002370;
constexpr uint32_t kGeneral2SaveOnCommit = 0x1;

// Window type and position are stored as the checked radio button's id plus this.
constexpr uint32_t kRadioValueOffset = 117;
// Tested in id order, which is not the order on screen ("双行" 1054 lies above "单行" 1053).
constexpr int kWindowTypeIds[] = {IDC_WINDOW_MULTI_SEPARATE, IDC_WINDOW_MULTI_MERGED,
                                  IDC_WINDOW_ONE_LINE, IDC_WINDOW_TWO_LINES};
constexpr int kWindowPositionIds[] = {IDC_POSITION_FOLLOW_CARET, IDC_POSITION_TOP,
                                      IDC_POSITION_BOTTOM, IDC_POSITION_USER};

constexpr int kDefaultCheckedIds[] = {
    IDC_SAVE_ON_CTRL_ENTER, IDC_FUZZY_C_CH,         IDC_FUZZY_S_SH,
    IDC_FUZZY_Z_ZH,         IDC_ABBREVIATED_PINYIN, IDC_SWITCH_LEFT_CTRL,
    IDC_PAGE_MINUS_EQUAL,   IDC_WINDOW_TWO_LINES,   IDC_POSITION_FOLLOW_CARET,
};

template <size_t N>
uint32_t BitsOf(const SettingsChoice& choice, const ButtonBit (&bits)[N]) {
  uint32_t value = 0;
  for (const ButtonBit& b : bits) {
    if (choice.IsChecked(b.id))
      value |= b.bit;
  }
  return value;
}

// The first checked radio button of `ids` plus 117. The buttons mark themselves and the dialog
// opens with one of each group marked, so one always is; should none be, the group's mark on
// opening stands.
template <size_t N>
uint32_t RadioValue(const SettingsChoice& choice, const int (&ids)[N], int openingId) {
  for (int id : ids) {
    if (choice.IsChecked(id))
      return static_cast<uint32_t>(id) + kRadioValueOffset;
  }
  return static_cast<uint32_t>(openingId) + kRadioValueOffset;
}

// The current-version key under HKEY_CURRENT_USER and the settings key in it, both closed when
// this goes out of scope.
struct SettingsKey {
  RegKey currentVersion;
  RegKey settings;
};

// Opens the current-version key (11 attempts, then one creation), then the settings key in it
// (11 attempts, then 11 more creating it with full access). Failures are silent: the key then
// stays closed and nothing is written. Without a current-version key there is nothing to create
// the settings key in, so that is not tried.
void OpenSettingsKey(std::u16string_view displayName, SettingsKey* key) {
  Registry& registry = TheRegistry();
  if (Attempt(kCurrentVersionAttempts, [&] {
        return OpenCurrentVersionKey(kHkeyCurrentUser, &key->currentVersion);
      }) != kErrorSuccess) {
    registry.CreateKey(kHkeyCurrentUser, kCurrentVersionPath, kKeyAllAccess,
                       key->currentVersion.Receive());
  }
  if (!key->currentVersion)
    return;
  RegHandle parent = key->currentVersion.get();
  if (Attempt(kSettingsKeyAttempts, [&] {
        return CreateNamedSubkey(parent, displayName, &key->settings);
      }) == kErrorSuccess)
    return;
  Attempt(kSettingsKeyCreateAttempts, [&] {
    return registry.CreateKey(parent, displayName, kKeyAllAccess, key->settings.Receive());
  });
}

void WriteDword(RegHandle key, std::u16string_view name, uint32_t value) {
  uint8_t bytes[4];
  StoreU32(bytes, value);
  TheRegistry().SetValue(key, name, kRegDword, bytes, sizeof bytes);
}

void WriteSelectionKeys(RegHandle key, const uint16_t (&keys)[kSelectionKeyEntries]) {
  uint8_t bytes[kSelectionKeyEntries * 2];
  for (size_t i = 0; i < kSelectionKeyEntries; ++i)
    StoreU16(bytes + 2 * i, keys[i]);
  TheRegistry().SetValue(key, u"候选键", kRegBinary, bytes, sizeof bytes);
}

}  // namespace

void SettingsChoice::SetChecked(int id, bool on) {
  if (on)
    checked.insert(id);
  else
    checked.erase(id);
}

bool HasBrandWord(std::u16string_view displayName) {
  return displayName.find(kBrandWord) != std::u16string_view::npos;
}

std::u16string SettingsCaption(std::u16string_view displayName) {
  return std::u16string(displayName) + u" 常用参数设置";
}

size_t ShapeCodeSchemeIndex(const SetupState& state) {
  for (size_t i = 1; i < state.schemeCount && i < kMaxSchemes; ++i) {
    if (state.schemes[i].selected && !state.schemes[i].isKeypad)
      return i;
  }
  return 1;
}

std::u16string MixedModeText(std::u16string_view schemeName) {
  return u"拼音、形码(" + std::u16string(schemeName) + u")混合输入";
}

std::u16string ShapeCodeModeText(std::u16string_view schemeName) {
  return u"形码(" + std::u16string(schemeName) + u")";
}

SettingsChoice DefaultSettingsChoice(std::u16string_view displayName) {
  SettingsChoice choice;
  choice.SetChecked(HasBrandWord(displayName) ? IDC_INPUT_MODE_PINYIN : IDC_INPUT_MODE_MIXED, true);
  for (int id : kDefaultCheckedIds)
    choice.SetChecked(id, true);
  for (size_t box = 0; box < kSelectionKeyBoxCount; ++box)
    choice.selectionKeys[box] = kSelectionKeyItems[kDefaultSelectionKeyItems[box]].value;
  return choice;
}

uint16_t TypedSelectionKey(std::u16string_view text) {
  if (text.empty())
    return 0;
  for (const SelectionKeyItem& item : kSelectionKeyItems) {
    if (EqualsAsciiNoCase(text, item.text))
      return item.value;
  }
  return text[0] <= 0xFF ? text[0] : 0;
}

SettingsValues SettingsValuesOf(const SettingsChoice& choice, std::u16string_view displayName) {
  SettingsValues values;
  for (size_t box = 0; box < kSelectionKeyBoxCount; ++box)
    values.selectionKeys[box] = choice.selectionKeys[box];
  for (const FuzzyBox& box : kFuzzyBoxes) {
    if (choice.IsChecked(box.id))
      values.fuzzyMask |= box.bit;
  }
  values.windowType = RadioValue(choice, kWindowTypeIds, IDC_WINDOW_TWO_LINES);
  values.windowPosition = RadioValue(choice, kWindowPositionIds, IDC_POSITION_FOLLOW_CARET);
  values.doublePinyin = choice.IsChecked(IDC_DOUBLE_PINYIN) ? 1 : 0;
  values.general = kGeneralBase | BitsOf(choice, kGeneralBits);
  if (!HasBrandWord(displayName))
    values.general |= kGeneralWithoutBrand;
  values.general1 = kGeneral1Base | BitsOf(choice, kGeneral1Bits);
  values.general2 = kGeneral2Base;
  if (choice.IsChecked(IDC_SAVE_ON_COMMIT))
    values.general2 |= kGeneral2SaveOnCommit;
  values.imeIndex = choice.IsChecked(IDC_INPUT_MODE_MIXED)        ? 3
                    : choice.IsChecked(IDC_INPUT_MODE_SHAPE_CODE) ? 2
                                                                  : 1;
  return values;
}

void SaveSettings(SetupState& state, const SettingsChoice& choice) {
  for (const FuzzyBox& box : kFuzzyBoxes) {
    if (choice.IsChecked(box.id))
      state.fuzzyPairs[box.pair] = 1;
  }
  const SettingsValues values = SettingsValuesOf(choice, state.displayName.view());
  SettingsKey key;
  OpenSettingsKey(state.displayName.view(), &key);
  if (!key.settings)
    return;
  const RegHandle settings = key.settings.get();
  WriteSelectionKeys(settings, values.selectionKeys);
  WriteDword(settings, u"模糊音", values.fuzzyMask);
  WriteDword(settings, u"窗口类型", values.windowType);
  WriteDword(settings, u"窗口位置", values.windowPosition);
  WriteDword(settings, u"使用双拼", values.doublePinyin);
  WriteDword(settings, u"综合设置", values.general);
  WriteDword(settings, u"综合设置1", values.general1);
  WriteDword(settings, u"综合设置2", values.general2);
  WriteDword(settings, u"IMEIndex", values.imeIndex);
}

void SaveCancelledSettings(const SetupState& state) {
  SettingsKey key;
  OpenSettingsKey(state.displayName.view(), &key);
  if (key.settings)
    WriteDword(key.settings.get(), u"IMEIndex", kCancelledImeIndex);
}

}  // namespace ql
