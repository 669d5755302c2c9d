#include "setup/flow/settings_values.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "setup/common/bytes.h"
#include "setup/model/setup_state.h"
#include "tests/install/layout_test_support.h"

namespace ql {
namespace {

using Call = test::ScriptedRegistry::Call;

constexpr char16_t kPlainName[] = u"青岚输入法平台 五笔";
constexpr char16_t kBrandName[] = u"朔禾拼音 标准版";
constexpr char16_t kCurrentVersion[] = u"Software\\Microsoft\\Windows\\CurrentVersion";

std::u16string SettingsPath(std::u16string_view name) {
  return u"HKCU\\" + std::u16string(kCurrentVersion) + u"\\" + std::u16string(name);
}

std::vector<uint8_t> Dword(uint32_t value) {
  std::vector<uint8_t> bytes;
  AppendU32(bytes, value);
  return bytes;
}

// Type and data of each value of the settings key, by name.
using Values = std::map<std::u16string, std::pair<uint32_t, std::vector<uint8_t>>>;

Values ValuesOf(const MemoryRegistry& registry, std::u16string_view name) {
  Values values;
  for (const std::u16string& valueName : registry.ValueNames(SettingsPath(name))) {
    auto& [type, data] = values[valueName];
    registry.Get(SettingsPath(name), valueName, &type, &data);
  }
  return values;
}

// The values OK writes for the dialog as it opens, worked out by hand from the bit tables.
Values UnchangedValues(uint32_t general, uint32_t imeIndex) {
  return {
      {u"候选键", {kRegBinary, {0x20, 0, 0xA0, 0, 0xA1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}},
      {u"模糊音", {kRegDword, Dword(0x7)}},
      {u"窗口类型", {kRegDword, Dword(1171)}},
      {u"窗口位置", {kRegDword, Dword(1172)}},
      {u"使用双拼", {kRegDword, Dword(0)}},
      {u"综合设置", {kRegDword, Dword(general)}},
      {u"综合设置1", {kRegDword, Dword(0x09A009EB)}},
      {u"综合设置2", {kRegDword, Dword(0x2370)}},
      {u"IMEIndex", {kRegDword, Dword(imeIndex)}},
  };
}

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { state.displayName.Assign(kPlainName); }
  void TearDown() override { EXPECT_EQ(registry.openHandles(), 0); }

  const uint8_t (&pairs() const)[9] { return state.fuzzyPairs; }

  SetupState state;
  test::ScriptedRegistry registry;
  ScopedRegistry scope{registry};
};

TEST_F(SettingsTest, OpensWithTheListedMarksAndKeys) {
  SettingsChoice plain = DefaultSettingsChoice(kPlainName);
  EXPECT_EQ(plain.checked,
            (std::set<int>{1017, 1024, 1027, 1035, 1040, 1041, 1042, 1043, 1054, 1055}));
  EXPECT_EQ(std::vector<uint16_t>(plain.selectionKeys, plain.selectionKeys + 5),
            (std::vector<uint16_t>{0x20, 0xA0, 0xA1, 0, 0}));
  // The brand word anywhere in the name opens in pinyin-alone mode instead.
  SettingsChoice brand = DefaultSettingsChoice(u"新朔禾拼音");
  EXPECT_TRUE(brand.IsChecked(IDC_INPUT_MODE_PINYIN));
  EXPECT_FALSE(brand.IsChecked(IDC_INPUT_MODE_MIXED));
  EXPECT_FALSE(DefaultSettingsChoice(u"朔禾").IsChecked(IDC_INPUT_MODE_PINYIN));
  EXPECT_EQ(SettingsCaption(kBrandName), u"朔禾拼音 标准版 常用参数设置");
}

TEST_F(SettingsTest, OkWithoutChangesWritesEveryValueForEitherName) {
  // A value already in the key (the punctuation table's) stays.
  registry.Put(SettingsPath(kPlainName), u"键位符号", kRegBinary, {1, 2});
  SaveSettings(state, DefaultSettingsChoice(kPlainName));
  Values expected = UnchangedValues(0x97E01484, 3);
  expected[u"键位符号"] = {kRegBinary, {1, 2}};
  EXPECT_EQ(ValuesOf(registry, kPlainName), expected);
  EXPECT_EQ(std::vector<uint8_t>(pairs(), pairs() + 9),
            (std::vector<uint8_t>{0, 1, 0, 0, 0, 0, 0, 1, 1}));

  state.displayName.Assign(kBrandName);
  SaveSettings(state, DefaultSettingsChoice(kBrandName));
  EXPECT_EQ(ValuesOf(registry, kBrandName), UnchangedValues(0x17E01484, 1));
}

// Each control alone, from a dialog with nothing marked: the value it changes and how.
TEST_F(SettingsTest, EachControlAddsItsOwnBit) {
  struct Case {
    int id;
    uint32_t SettingsValues::*field;
    uint32_t expected;
  };
  const SettingsValues none = SettingsValuesOf(SettingsChoice(), kPlainName);
  EXPECT_EQ(none.fuzzyMask, 0u);
  EXPECT_EQ(none.general, 0x97C01404u);
  EXPECT_EQ(none.general1, 0x09A009ABu);
  EXPECT_EQ(none.general2, 0x2370u);
  EXPECT_EQ(none.imeIndex, 1u);
  const Case cases[] = {
      {1041, &SettingsValues::fuzzyMask, 0x001},     {1042, &SettingsValues::fuzzyMask, 0x002},
      {1043, &SettingsValues::fuzzyMask, 0x004},     {1047, &SettingsValues::fuzzyMask, 0x008},
      {1015, &SettingsValues::fuzzyMask, 0x010},     {1014, &SettingsValues::fuzzyMask, 0x020},
      {1044, &SettingsValues::fuzzyMask, 0x040},     {1045, &SettingsValues::fuzzyMask, 0x080},
      {1046, &SettingsValues::fuzzyMask, 0x100},     {1016, &SettingsValues::doublePinyin, 1},
      {1027, &SettingsValues::general, 0x97C01484},  {1048, &SettingsValues::general, 0x97C01504},
      {1049, &SettingsValues::general, 0x97C01604},  {1022, &SettingsValues::general, 0x97C41404},
      {1023, &SettingsValues::general, 0x97C81404},  {1025, &SettingsValues::general, 0x97D01404},
      {1024, &SettingsValues::general, 0x97E01404},  {1017, &SettingsValues::general1, 0x09A009EB},
      {1039, &SettingsValues::general1, 0x09A049AB}, {1026, &SettingsValues::general1, 0x29A009AB},
      {1050, &SettingsValues::general1, 0x49A009AB}, {1038, &SettingsValues::general2, 0x2371},
      {1051, &SettingsValues::windowType, 1168},     {1052, &SettingsValues::windowType, 1169},
      {1053, &SettingsValues::windowType, 1170},     {1054, &SettingsValues::windowType, 1171},
      {1055, &SettingsValues::windowPosition, 1172}, {1056, &SettingsValues::windowPosition, 1173},
      {1057, &SettingsValues::windowPosition, 1174}, {1058, &SettingsValues::windowPosition, 1175},
      {1035, &SettingsValues::imeIndex, 3},          {1036, &SettingsValues::imeIndex, 2},
      {1037, &SettingsValues::imeIndex, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    SettingsChoice choice;
    choice.SetChecked(c.id, true);
    EXPECT_EQ(SettingsValuesOf(choice, kPlainName).*c.field, c.expected);
  }
  // The first checked radio button in id order wins: "单行" 1053 before "双行" 1054.
  SettingsChoice both;
  both.SetChecked(IDC_WINDOW_TWO_LINES, true);
  both.SetChecked(IDC_WINDOW_ONE_LINE, true);
  EXPECT_EQ(SettingsValuesOf(both, kPlainName).windowType, 1170u);
  // With no mark in a group the mark it opened with stands.
  EXPECT_EQ(none.windowType, 1171u);
  EXPECT_EQ(none.windowPosition, 1172u);
}

TEST_F(SettingsTest, FuzzyPairsAreOnlyEverTurnedOn) {
  const std::pair<int, size_t> boxes[] = {{1044, 0}, {1041, 1}, {1045, 2}, {1014, 3}, {1046, 4},
                                          {1015, 5}, {1047, 6}, {1042, 7}, {1043, 8}};
  for (const auto& [id, pair] : boxes) {
    SCOPED_TRACE(id);
    state = SetupState();
    SettingsChoice choice;
    choice.SetChecked(id, true);
    SaveSettings(state, choice);
    for (size_t k = 0; k < 9; ++k)
      EXPECT_EQ(pairs()[k], k == pair ? 1 : 0) << k;
  }
  state.fuzzyPairs[0] = 1;
  SaveSettings(state, SettingsChoice());
  EXPECT_EQ(pairs()[0], 1);
}

TEST_F(SettingsTest, TypedSelectionKeys) {
  EXPECT_EQ(TypedSelectionKey(u"A"), 0x41);  // a typed a, turned to upper case by the box
  EXPECT_EQ(TypedSelectionKey(u"7"), 0x37);
  EXPECT_EQ(TypedSelectionKey(u"AB"), 0x41);  // the first character counts
  EXPECT_EQ(TypedSelectionKey(u""), 0);       // emptied box
  EXPECT_EQ(TypedSelectionKey(u"\u00C9"), 0xC9);
  // An item's text typed out is that item.
  EXPECT_EQ(TypedSelectionKey(u"空格键"), 0x20);
  EXPECT_EQ(TypedSelectionKey(u"右SHIFT"), 0xA1);
  EXPECT_EQ(TypedSelectionKey(u"]（右括号）"), 0x5D);
  // Other text beyond U+00FF names no key; its low byte would be an unrelated one
  // ("空" is U+7A7A, and 0x7A is F11).
  EXPECT_EQ(TypedSelectionKey(u"空"), 0);
  EXPECT_EQ(TypedSelectionKey(u"，"), 0);
}

TEST_F(SettingsTest, TheModeTextsNameTheFirstChosenShapeCodeScheme) {
  const char16_t* names[] = {u"拼音", u"五笔", u"数字码", u"郑码"};
  for (const char16_t* name : names)
    state.AddScheme()->name.Assign(name);
  EXPECT_EQ(ShapeCodeSchemeIndex(state), 1u);  // none chosen
  state.schemes[2].selected = 1;
  state.schemes[2].isKeypad = 1;
  state.schemes[3].selected = 1;
  EXPECT_EQ(ShapeCodeSchemeIndex(state), 3u);  // the keypad scheme does not count
  state.schemes[1].selected = 1;
  EXPECT_EQ(ShapeCodeSchemeIndex(state), 1u);
  EXPECT_EQ(MixedModeText(u"五笔"), u"拼音、形码(五笔)混合输入");
  EXPECT_EQ(ShapeCodeModeText(u"五笔"), u"形码(五笔)");
  // Only the pinyin scheme: scheme 1's empty record gives an empty name.
  state = SetupState();
  state.AddScheme()->name.Assign(u"拼音");
  EXPECT_EQ(ShapeCodeSchemeIndex(state), 1u);
}

TEST_F(SettingsTest, CancelWritesOnlyTheInputMode) {
  state.displayName.Assign(kBrandName);
  state.fuzzyPairs[4] = 1;
  SaveCancelledSettings(state);
  EXPECT_EQ(ValuesOf(registry, kBrandName), (Values{{u"IMEIndex", {kRegDword, Dword(3)}}}));
  EXPECT_EQ(std::vector<uint8_t>(pairs(), pairs() + 9),
            (std::vector<uint8_t>{0, 0, 0, 0, 1, 0, 0, 0, 0}));
}

TEST_F(SettingsTest, CurrentVersionKeyOpensInElevenAttemptsThenIsCreated) {
  // A fresh registry has no current-version key: eleven opens fail, then it is created.
  SaveCancelledSettings(state);
  EXPECT_EQ(registry.Calls(Call::kOpen, kCurrentVersion), 11);
  EXPECT_EQ(registry.Calls(Call::kCreate, kCurrentVersion), 1);
  EXPECT_EQ(ValuesOf(registry, kPlainName).size(), 1u);

  test::ScriptedRegistry existing;
  ScopedRegistry use(existing);
  existing.Put(u"HKCU\\" + std::u16string(kCurrentVersion), u"x", kRegSz, {});
  existing.Refuse(Call::kOpen, kCurrentVersion, 10);
  SaveCancelledSettings(state);
  EXPECT_EQ(existing.Calls(Call::kOpen, kCurrentVersion), 11);
  EXPECT_EQ(existing.Calls(Call::kCreate, kCurrentVersion), 0);
  EXPECT_EQ(ValuesOf(existing, kPlainName).size(), 1u);
  EXPECT_EQ(existing.openHandles(), 0);
}

TEST_F(SettingsTest, NoCurrentVersionKeyWritesNothing) {
  registry.Refuse(Call::kOpen, kCurrentVersion, -1);
  registry.Refuse(Call::kCreate, kCurrentVersion, -1);
  SaveSettings(state, DefaultSettingsChoice(kPlainName));
  EXPECT_EQ(registry.Calls(Call::kCreate, kCurrentVersion), 1);
  // Nothing to create the settings key in: it is not tried.
  EXPECT_EQ(registry.Calls(Call::kCreate, kPlainName), 0);
  EXPECT_FALSE(registry.HasKey(SettingsPath(kPlainName)));
  // The fuzzy pairs are the worker's, and are kept whatever becomes of the registry.
  EXPECT_EQ(pairs()[1], 1);
}

TEST_F(SettingsTest, SettingsKeyHasElevenAttemptsAndElevenMoreToCreateIt) {
  registry.Refuse(Call::kCreate, kPlainName, 21);
  SaveCancelledSettings(state);
  EXPECT_EQ(registry.Calls(Call::kCreate, kPlainName), 22);
  EXPECT_EQ(ValuesOf(registry, kPlainName).size(), 1u);

  test::ScriptedRegistry refusing;
  ScopedRegistry use(refusing);
  refusing.Refuse(Call::kCreate, kPlainName, 22);
  SaveSettings(state, DefaultSettingsChoice(kPlainName));
  EXPECT_EQ(refusing.Calls(Call::kCreate, kPlainName), 22);
  EXPECT_EQ(refusing.Calls(Call::kSet, u"IMEIndex"), 0);
  EXPECT_FALSE(refusing.HasKey(SettingsPath(kPlainName)));
  EXPECT_EQ(refusing.openHandles(), 0);
}

}  // namespace
}  // namespace ql
