#include "setup/install/keyboard_layout.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "setup/common/ui.h"
#include "setup/model/setup_state.h"
#include "tests/install/layout_test_support.h"
#include "tests/support/test_support.h"

namespace ql {
namespace {

using Call = test::ScriptedRegistry::Call;

const std::u16string kLayouts = u"HKLM\\System\\CurrentControlSet\\Control\\Keyboard Layouts";
const std::u16string kPreload = u"HKCU\\keyboard layout\\preload";
const std::u16string kInputMethod = u"HKCU\\Control Panel\\Input Method";

class LayoutTest : public ::testing::Test {
 protected:
  SetupState state;
  void SetUp() override {
    SetDisplayName(u"青岚输入法平台 五笔");
    state.imeFileName.Assign(u"0123ABCD.ime");
    state.imeBaseName.Assign(u"0123ABCD");
    system.tickCount = [] { return 0x00ABCDEFu; };
    system.platformId = [this](uint32_t* id) {
      *id = platformId;
      return versionKnown;
    };
    system.loadKeyboardLayout = [this](std::u16string_view id, uint32_t flags) {
      EXPECT_EQ(flags, 0x13u);
      loaded.emplace_back(id);
    };
    system.writeProfileString = [this](std::u16string_view path, std::u16string_view section,
                                       std::u16string_view key, std::u16string_view value) {
      profileWrites.emplace_back(std::u16string(path), std::u16string(section), std::u16string(key),
                                 std::u16string(value));
      return true;
    };
    // A key with no values yet, as on a system with an input method installed.
    AddKey(kInputMethod);
  }

  void SetDisplayName(std::u16string_view name) {
    state.displayName.Assign(name);
    state.layoutText.Assign(u"中文(简体) - " + std::u16string(name));
  }
  void AddKey(std::u16string_view path) {
    bool machine = path.substr(0, 4) == u"HKLM";
    RegHandle handle = 0;
    ASSERT_EQ(registry.CreateKey(machine ? kHkeyLocalMachine : kHkeyCurrentUser, path.substr(5),
                                 kKeyAllAccess, &handle),
              kErrorSuccess);
    registry.CloseKey(handle);
  }
  void PutText(std::u16string_view path, std::u16string_view name, std::u16string_view text) {
    registry.Put(path, name, kRegSz, RegStringBytes(text));
  }
  void AddLayout(std::u16string_view id, std::u16string_view text, std::u16string_view ime = {}) {
    PutText(kLayouts + u"\\" + std::u16string(id), u"layout text", text);
    if (!ime.empty())
      PutText(kLayouts + u"\\" + std::u16string(id), u"Ime File", ime);
  }
  std::u16string Text(std::u16string_view path, std::u16string_view name) {
    std::vector<uint8_t> data;
    uint32_t type = 0;
    if (!registry.Get(path, name, &type, &data))
      return u"<absent>";
    EXPECT_EQ(type, kRegSz);
    return RegStringText(data);
  }
  std::u16string LayoutValue(std::u16string_view id, std::u16string_view name) {
    return Text(kLayouts + u"\\" + std::u16string(id), name);
  }
  std::u16string Chosen() {
    RegKey layouts;
    EXPECT_EQ(registry.OpenKey(kHkeyLocalMachine, kLayouts.substr(5), kKeyRead, layouts.Receive()),
              kErrorSuccess);
    return ChooseLayoutId(layouts.get(), state.layoutText.view());
  }

  test::ScriptedRegistry registry;
  ScopedRegistry scopedRegistry{registry};
  test::RecordingUi ui;
  ScopedUi scopedUi{ui};
  LayoutSystem system;
  uint32_t platformId = 2;
  bool versionKnown = true;
  std::vector<std::u16string> loaded;
  std::vector<std::tuple<std::u16string, std::u16string, std::u16string, std::u16string>>
      profileWrites;
};

// --- The layout id -------------------------------------------------------------------------

TEST_F(LayoutTest, NoIdOfThisLanguageGivesE0000804) {
  AddLayout(u"00000409", u"US");
  AddLayout(u"E0010409", u"other");
  AddLayout(u"E00108040", u"nine characters");
  EXPECT_EQ(Chosen(), u"E0000804");
}

TEST_F(LayoutTest, HoleAboveThePlatformIdIsFilledFromBelowItsUpperEnd) {
  AddLayout(u"E0010804", u"platform");
  AddLayout(u"E0020804", u"a");
  AddLayout(u"E0050804", u"b");
  EXPECT_EQ(Chosen(), u"E0040804");
}

// A hole is only taken once the whole list has been walked: a later key of this layout text
// wins, or the module would be registered a second time under the hole's id.
TEST_F(LayoutTest, AKeyOfThisLayoutTextAfterAHoleWinsOverTheHole) {
  AddLayout(u"E0020804", u"a");
  AddLayout(u"E0050804", u"b");
  AddLayout(u"E0060804", state.layoutText.view());
  EXPECT_EQ(Chosen(), u"E0060804");
}

// The platform's own id does not start the sequence: E0010804 and E0030804 leave no hole.
TEST_F(LayoutTest, ThePlatformIdBesideAHoleIsNoHole) {
  AddLayout(u"E0010804", u"platform");
  AddLayout(u"E0030804", u"a");
  EXPECT_EQ(Chosen(), u"E0040804");
}

TEST_F(LayoutTest, WithoutHoleTheNextFreeIdIsTakenSkippingUncollectedKeys) {
  AddLayout(u"E0020804", u"a");
  AddLayout(u"E0030804", u"b");
  EXPECT_EQ(Chosen(), u"E0040804");
  // E0040804 exists but its layout text cannot be read: it is passed over, not reused.
  AddKey(kLayouts + u"\\E0040804");
  EXPECT_EQ(Chosen(), u"E0050804");
}

TEST_F(LayoutTest, KeyWithTheSameLayoutTextInAnyCaseIsReusedAsEnumerated) {
  SetDisplayName(u"QL Wubi");
  AddLayout(u"E0020804", u"a");
  AddLayout(u"e0030804", u"中文(简体) - ql wubi");
  EXPECT_EQ(Chosen(), u"e0030804");
}

TEST_F(LayoutTest, NoIdAboveThePlatformIdGivesTheFirstFreeOneAboveIt) {
  // Left as described, the search would start at zero and make up "10000".
  AddLayout(u"E0000804", u"a");
  AddLayout(u"E0010804", u"platform");
  EXPECT_EQ(Chosen(), u"E0020804");
  AddLayout(u"E0020804", u"b");
  AddKey(kLayouts + u"\\E0030804");
  EXPECT_EQ(Chosen(), u"E0040804");
}

TEST_F(LayoutTest, MoreThan250IdsAreAllSearched) {
  for (uint32_t i = 0; i < 300; ++i)
    AddLayout(FormatLayoutId(0xE0020804u + i * 0x10000u), u"x");
  EXPECT_EQ(Chosen(), FormatLayoutId(0xE0020804u + 300 * 0x10000u));
  // The layout that carries the text lies beyond the first 250 and is still found.
  AddLayout(FormatLayoutId(0xE0020804u + 280 * 0x10000u), state.layoutText.view());
  EXPECT_EQ(Chosen(), FormatLayoutId(0xE0020804u + 280 * 0x10000u));
}

TEST_F(LayoutTest, EveryIdTakenEndsTheSearchAndTheRegistration) {
  for (uint32_t value = 0xE0020804u; value <= 0xFFFF0804u && value > 0xE0010804u; value += 0x10000u)
    AddKey(kLayouts + u"\\" + FormatLayoutId(value));
  EXPECT_EQ(Chosen(), u"");
  RegisterKeyboardLayout(state, system);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"安装失败！请使用系统管理员身份安装！");
  EXPECT_FALSE(registry.HasKey(kLayouts + u"\\E0010804"));
  EXPECT_TRUE(loaded.empty());
}

TEST_F(LayoutTest, LayoutTextIsReadWithinTenOpensAndTenQueries) {
  SetDisplayName(u"QL Wubi");
  AddLayout(u"E0030804", state.layoutText.view());
  registry.Refuse(Call::kOpen, u"E0030804", 9);
  registry.Refuse(Call::kQuery, u"layout text", 9);
  EXPECT_EQ(Chosen(), u"E0030804");
  EXPECT_EQ(registry.Calls(Call::kOpen, u"E0030804"), 10);
  EXPECT_EQ(registry.Calls(Call::kQuery, u"layout text"), 10);

  // Skipped: the first free id above E0010804 is taken instead.
  registry.Refuse(Call::kOpen, u"E0030804", 10);
  EXPECT_EQ(Chosen(), u"E0020804");
  registry.Refuse(Call::kQuery, u"layout text", 10);
  EXPECT_EQ(Chosen(), u"E0020804");
}

// --- The module file name --------------------------------------------------------------------

TEST_F(LayoutTest, ModuleFileIsReusedOnlyForTheExactLayoutText) {
  SetDisplayName(u"QL Wubi");
  AddLayout(u"E0020804", u"中文(简体) - ql wubi", u"11111111.ime");
  ChooseModuleFileName(state, u"T:\\setup.ini", system);
  EXPECT_EQ(state.imeFileName.view(), u"00ABCDEF.ime");
  EXPECT_EQ(state.imeBaseName.view(), u"00ABCDEF");
  using W = decltype(profileWrites)::value_type;
  EXPECT_EQ(profileWrites, (std::vector<W>{{u"T:\\setup.ini", u"soft", u"ImeFileName", u"00ABCDEF"},
                                           {u"T:\\setup.ini", u"soft", u"Name", u"QL Wubi"}}));

  profileWrites.clear();
  AddLayout(u"E0030804", u"中文(简体) - QL Wubi", u"my.module.ime");
  ChooseModuleFileName(state, u"T:\\setup.ini", system);
  EXPECT_EQ(state.imeFileName.view(), u"my.module.ime");
  EXPECT_EQ(state.imeBaseName.view(), u"my.module");
  EXPECT_EQ(profileWrites, (std::vector<W>{{u"T:\\setup.ini", u"soft", u"Name", u"QL Wubi"}}));
}

TEST_F(LayoutTest, ModuleNameIsReadWithinTenAttemptsAndMustBeAPlainFileName) {
  AddLayout(u"E0020804", state.layoutText.view(), u"22222222.ime");
  registry.Refuse(Call::kQuery, u"Ime File", 9);
  ChooseModuleFileName(state, u"setup.ini", system);
  EXPECT_EQ(state.imeFileName.view(), u"22222222.ime");

  registry.Refuse(Call::kQuery, u"Ime File", 10);
  ChooseModuleFileName(state, u"setup.ini", system);
  EXPECT_EQ(state.imeFileName.view(), u"00ABCDEF.ime");

  // A name that would lead the copy out of the system folder, or not fit the field.
  for (std::u16string bad :
       {u"..\\evil.ime", u"C:evil.ime", u"a/b.ime", u"", u"0123456789012345.ime"}) {
    PutText(kLayouts + u"\\E0020804", u"Ime File", bad);
    ChooseModuleFileName(state, u"setup.ini", system);
    EXPECT_EQ(state.imeFileName.view(), u"00ABCDEF.ime") << Utf16ToUtf8(bad);
  }
}

TEST_F(LayoutTest, AbsentLayoutsKeyGivesAFreshModuleNameAfterItsMessage) {
  ChooseModuleFileName(state, u"setup.ini", system);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"Keyboard Layouts open error\n");
  EXPECT_EQ(ui.messages[0].caption, u"!!!");
  EXPECT_EQ(state.imeFileName.view(), u"00ABCDEF.ime");
  EXPECT_EQ(registry.Calls(Call::kOpen, kLayouts.substr(5)), 5);
}

// --- Registration ----------------------------------------------------------------------------

TEST_F(LayoutTest, LayoutValuesAreWrittenWithTheirTerminators) {
  SetDisplayName(u"QL Wubi");
  AddKey(kLayouts);
  PutText(kPreload, u"1", u"00000409");
  RegisterKeyboardLayout(state, system);
  EXPECT_TRUE(ui.messages.empty());
  for (auto [name, text] :
       {std::pair{u"IME file", u"0123ABCD.ime"}, std::pair{u"layout file", u"kbdus.dll"},
        std::pair{u"layout text", u"中文(简体) - QL Wubi"}}) {
    std::vector<uint8_t> data;
    uint32_t type = 0;
    ASSERT_TRUE(registry.Get(kLayouts + u"\\E0000804", name, &type, &data));
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(data, RegStringBytes(text));
    EXPECT_EQ(data.size(), (std::u16string_view(text).size() + 1) * 2);
  }
  std::vector<uint8_t> status;
  ASSERT_TRUE(registry.Get(kInputMethod, u"show status", nullptr, &status));
  EXPECT_EQ(status, (std::vector<uint8_t>{'1', 0, 0, 0}));
  EXPECT_EQ(Text(kPreload, u"1"), u"00000804");
  EXPECT_EQ(Text(kPreload, u"2"), u"e0000804");
  EXPECT_EQ(loaded, std::vector<std::u16string>{u"E0000804"});
  EXPECT_EQ(registry.openHandles(), 0);
}

TEST_F(LayoutTest, OlderPlatformsAndAFailedVersionQueryGetTheKbdLayoutFile) {
  AddKey(kLayouts);
  AddKey(kPreload);
  platformId = 1;
  SetDisplayName(u"A");
  RegisterKeyboardLayout(state, system);
  EXPECT_EQ(LayoutValue(u"E0000804", u"layout file"), u"kbdus.kbd");
  versionKnown = false;
  platformId = 2;
  SetDisplayName(u"B");
  PutText(kPreload, u"1", u"00000409");
  RegisterKeyboardLayout(state, system);
  EXPECT_EQ(LayoutValue(u"E0020804", u"layout file"), u"kbdus.kbd");
  // Without a version the list is kept as values.
  EXPECT_EQ(Text(kPreload, u"1"), u"00000804");
  EXPECT_EQ(Text(kPreload, u"2"), u"e0020804");
}

TEST_F(LayoutTest, ShowStatusIsSetOnlyInAnExistingKey) {
  registry.DeleteKey(kHkeyCurrentUser, kInputMethod.substr(5));
  AddKey(kLayouts);
  AddKey(kPreload);
  RegisterKeyboardLayout(state, system);
  EXPECT_FALSE(registry.HasKey(kInputMethod));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(LayoutTest, LayoutsKeyIsOpenedWithinFiveAttempts) {
  AddKey(kLayouts);
  AddKey(kPreload);
  registry.Refuse(Call::kOpen, kLayouts.substr(5), 4);
  RegisterKeyboardLayout(state, system);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(registry.HasKey(kLayouts + u"\\E0010804"));

  registry.Refuse(Call::kOpen, kLayouts.substr(5), 5);
  SetDisplayName(u"other");
  RegisterKeyboardLayout(state, system);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"Keyboard Layouts open error\n");
  EXPECT_EQ(ui.messages[0].caption, u"!!!");
  EXPECT_EQ(registry.SubkeyNames(kLayouts).size(), 1u);
}

TEST_F(LayoutTest, AbsentLayoutsKeyStopsRegistrationWithItsMessage) {
  AddKey(kPreload);
  RegisterKeyboardLayout(state, system);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"Keyboard Layouts open error\n");
  EXPECT_FALSE(registry.HasKey(kLayouts));
  EXPECT_TRUE(registry.ValueNames(kPreload).empty());
  EXPECT_TRUE(loaded.empty());
}

TEST_F(LayoutTest, LayoutKeyThatCannotBeCreatedStopsWithTheIdAsCaption) {
  AddKey(kLayouts);
  AddKey(kPreload);
  SetDisplayName(u"other");
  registry.Refuse(Call::kCreate, u"E0000804", 1);
  RegisterKeyboardLayout(state, system);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"安装失败！请使用系统管理员身份安装！");
  EXPECT_EQ(ui.messages[0].caption, u"E0000804");
  EXPECT_TRUE(registry.ValueNames(kPreload).empty());
  EXPECT_TRUE(loaded.empty());
}

TEST_F(LayoutTest, MissingPreloadKeyStopsAfterTheLayoutKeyIsWritten) {
  AddKey(kLayouts);
  SetDisplayName(u"other");
  RegisterKeyboardLayout(state, system);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"Keyboard Layouts open error\n");
  EXPECT_EQ(ui.messages[0].caption, u"keyboard layout\\preload");
  EXPECT_EQ(LayoutValue(u"E0000804", u"layout text"), u"中文(简体) - other");
  EXPECT_TRUE(loaded.empty());
}

TEST_F(LayoutTest, ForeignLayoutAtThePlatformIdMovesToTheChosenId) {
  AddLayout(u"E0010804", u"foreign", u"foreign.ime");
  registry.Put(kLayouts + u"\\E0010804", u"Layout Id", kRegDword, {1, 0, 0, 0});
  // Longer than the 332-byte copy buffer: copied whole, not cut.
  std::vector<uint8_t> longData(1000, 0x5A);
  registry.Put(kLayouts + u"\\E0010804", u"Long", kRegBinary, longData);
  AddLayout(u"E0020804", u"other");
  PutText(kPreload, u"1", u"00000409");
  PutText(kPreload, u"2", u"E0010804");
  RegisterKeyboardLayout(state, system);
  EXPECT_TRUE(ui.messages.empty());

  const std::u16string moved = kLayouts + u"\\E0030804";
  EXPECT_EQ(Text(moved, u"layout text"), u"foreign");
  EXPECT_EQ(Text(moved, u"Ime File"), u"foreign.ime");
  std::vector<uint8_t> data;
  uint32_t type = 0;
  ASSERT_TRUE(registry.Get(moved, u"Layout Id", &type, &data));
  EXPECT_EQ(type, kRegDword);
  ASSERT_TRUE(registry.Get(moved, u"Long", &type, &data));
  EXPECT_EQ(data, longData);

  EXPECT_EQ(registry.ValueNames(kLayouts + u"\\E0010804").size(), 3u);
  EXPECT_EQ(LayoutValue(u"E0010804", u"IME file"), u"0123ABCD.ime");
  EXPECT_EQ(LayoutValue(u"E0010804", u"layout text"), state.layoutText.view());
  // The moved layout is entered under its new id; E0010804 was listed already.
  EXPECT_EQ(Text(kPreload, u"3"), u"e0030804");
  EXPECT_EQ(registry.ValueNames(kPreload).size(), 3u);
  EXPECT_EQ(loaded, (std::vector<std::u16string>{u"E0030804", u"E0010804"}));
}

TEST_F(LayoutTest, CleanInstallUnderThePlatformNameListsAndLoadsOnlyE0010804) {
  AddKey(kLayouts);
  PutText(kPreload, u"1", u"00000409");
  RegisterKeyboardLayout(state, system);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(registry.SubkeyNames(kLayouts), std::vector<std::u16string>{u"E0010804"});
  EXPECT_EQ(registry.ValueNames(kLayouts + u"\\E0010804").size(), 3u);
  EXPECT_EQ(Text(kPreload, u"1"), u"00000804");
  EXPECT_EQ(Text(kPreload, u"2"), u"E0010804");
  EXPECT_EQ(registry.ValueNames(kPreload).size(), 2u);
  EXPECT_EQ(loaded, std::vector<std::u16string>{u"E0010804"});
}

TEST_F(LayoutTest, MoveCopiesEachValueWithinFiveReadsAndFiveWrites) {
  AddLayout(u"E0010804", u"foreign", u"foreign.ime");  // index 0 "Ime File", 1 "layout text"
  AddKey(kPreload);
  registry.Refuse(Call::kEnumValue, u"0", 4);
  registry.Refuse(Call::kEnumValue, u"1", 5);
  registry.Refuse(Call::kSet, u"Ime File", 4);
  RegisterKeyboardLayout(state, system);
  const std::u16string moved = kLayouts + u"\\E0020804";
  EXPECT_EQ(Text(moved, u"Ime File"), u"foreign.ime");
  EXPECT_EQ(registry.Calls(Call::kSet, u"Ime File"), 6);  // five copies, then "IME file"
  // The unreadable value stays behind; the chosen key then gets only what could be copied.
  EXPECT_EQ(registry.ValueNames(moved), std::vector<std::u16string>{u"Ime File"});

  registry.Refuse(Call::kSet, u"Ime File", 5);
  SetDisplayName(u"青岚输入法平台 拼音");
  AddLayout(u"E0010804", u"foreign2", u"f2.ime");
  RegisterKeyboardLayout(state, system);
  EXPECT_EQ(registry.ValueNames(kLayouts + u"\\E0030804"),
            (std::vector<std::u16string>{u"layout file", u"layout text"}));
}

TEST_F(LayoutTest, PlatformKeyThatCannotBeDeletedIsEmptiedInstead) {
  AddLayout(u"E0010804", u"foreign", u"foreign.ime");
  AddKey(kLayouts + u"\\E0010804\\sub");
  AddKey(kPreload);
  RegisterKeyboardLayout(state, system);
  EXPECT_EQ(LayoutValue(u"E0020804", u"layout text"), u"foreign");
  EXPECT_EQ(registry.ValueNames(kLayouts + u"\\E0010804").size(), 3u);
  EXPECT_EQ(LayoutValue(u"E0010804", u"layout text"), state.layoutText.view());
}

TEST_F(LayoutTest, NameWithoutThePlatformTextLeavesE0010804Alone) {
  SetDisplayName(u"QL Wubi");
  AddLayout(u"E0010804", u"foreign", u"foreign.ime");
  AddKey(kPreload);
  RegisterKeyboardLayout(state, system);
  EXPECT_EQ(LayoutValue(u"E0010804", u"layout text"), u"foreign");
  EXPECT_EQ(LayoutValue(u"E0020804", u"layout text"), u"中文(简体) - QL Wubi");
  EXPECT_EQ(loaded, std::vector<std::u16string>{u"E0020804"});
}

// --- Preload passes --------------------------------------------------------------------------

class PreloadTest : public LayoutTest {
 protected:
  bool Pass(std::u16string_view id, bool nt) {
    RegKey preload;
    EXPECT_EQ(
        registry.CreateKey(kHkeyCurrentUser, kPreload.substr(5), kKeyAllAccess, preload.Receive()),
        kErrorSuccess);
    return RunPreloadPass(preload.get(), id, nt);
  }
  std::u16string Entry(std::u16string_view number) {
    return Text(kPreload + u"\\" + std::u16string(number), u"");
  }
};

TEST_F(PreloadTest, NtPresentIdIsNotAddedAndNumbersAreNotReused) {
  PutText(kPreload, u"1", u"00000409");
  PutText(kPreload, u"5", u"E0020804");
  EXPECT_TRUE(Pass(u"e0020804", true));
  EXPECT_EQ(registry.ValueNames(kPreload).size(), 2u);
  EXPECT_EQ(Text(kPreload, u"1"), u"00000804");  // "2" is absent

  EXPECT_TRUE(Pass(u"e0030804", true));
  EXPECT_EQ(Text(kPreload, u"6"), u"e0030804");
  EXPECT_EQ(Text(kPreload, u"2"), u"<absent>");
}

TEST_F(PreloadTest, NtSecondPositionHoldingTheIdPutsChineseUsFirst) {
  PutText(kPreload, u"1", u"00000409");
  PutText(kPreload, u"2", u"E0020804");
  EXPECT_TRUE(Pass(u"e0020804", true));
  EXPECT_EQ(Text(kPreload, u"1"), u"00000804");
  EXPECT_EQ(Text(kPreload, u"2"), u"E0020804");
}

TEST_F(PreloadTest, OlderIdAtPositionOneEndsAfterUsEnglish) {
  PutText(kPreload + u"\\1", u"", u"E0020804");
  EXPECT_TRUE(Pass(u"e0020804", false));
  EXPECT_EQ(Entry(u"1"), u"00000409");
  EXPECT_EQ(Entry(u"2"), u"E0020804");
  EXPECT_EQ(registry.SubkeyNames(kPreload).size(), 2u);
}

TEST_F(PreloadTest, OlderEmptyListGetsUsEnglishFirst) {
  EXPECT_TRUE(Pass(u"E0020804", false));
  EXPECT_EQ(Entry(u"1"), u"00000409");
  EXPECT_EQ(Entry(u"2"), u"E0020804");

  EXPECT_TRUE(Pass(u"e0030804", false));
  EXPECT_EQ(Entry(u"3"), u"E0030804");
  EXPECT_EQ(Entry(u"1"), u"00000409");
}

TEST_F(PreloadTest, OlderEntryThatCannotBeCreatedStopsRegistration) {
  AddKey(kLayouts);
  PutText(kPreload + u"\\1", u"", u"00000409");
  platformId = 1;
  SetDisplayName(u"other");
  registry.Refuse(Call::kCreate, u"2", 1);
  RegisterKeyboardLayout(state, system);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"error no1");
  EXPECT_EQ(ui.messages[0].caption, u"ok");
  EXPECT_TRUE(loaded.empty());
  EXPECT_EQ(registry.SubkeyNames(kPreload).size(), 1u);
}

TEST_F(PreloadTest, OlderPositionOneThatWillNotChangeEndsThePass) {
  PutText(kPreload + u"\\1", u"", u"E0020804");
  registry.Refuse(Call::kSet, u"", -1);
  EXPECT_TRUE(Pass(u"E0020804", false));
  EXPECT_EQ(Entry(u"1"), u"E0020804");
}

TEST_F(PreloadTest, OlderPlatformRegistrationEntersBothLayouts) {
  AddLayout(u"E0010804", u"foreign");
  PutText(kPreload + u"\\1", u"", u"00000409");
  platformId = 1;
  RegisterKeyboardLayout(state, system);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(Entry(u"2"), u"E0020804");
  EXPECT_EQ(Entry(u"3"), u"E0010804");
  EXPECT_EQ(loaded, (std::vector<std::u16string>{u"E0020804", u"E0010804"}));
}

}  // namespace
}  // namespace ql
