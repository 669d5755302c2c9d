#include "setup/flow/command_line.h"

#include <gtest/gtest.h>

#include "setup/common/registry.h"
#include "setup/common/text.h"
#include "setup/flow/settings_values.h"
#include "setup/flow/unattended.h"
#include "setup/model/setup_state.h"

namespace ql {
namespace {

// What a command line comes to: "" when refused, else the options as "S U ? name|folder|log".
std::string Read(std::u16string_view line) {
  SetupOptions o;
  std::u16string error;
  if (!ParseSetupCommandLine(line, &o, &error)) {
    EXPECT_FALSE(error.empty());
    return "";
  }
  std::u16string text = std::u16string(o.silent ? u"S" : u"-") + (o.upgrade ? u"U" : u"-") +
                        (o.help ? u"?" : u"-") + u" " + (o.hasName ? o.name : u"(none)") + u"|" +
                        (o.hasFolder ? o.folder : u"(none)") + u"|" + o.logFile;
  return Utf16ToUtf8(text);
}

TEST(SetupCommandLine, Table) {
  const struct {
    const char16_t* line;
    const char* read;
  } cases[] = {
      {u"", "--- (none)|(none)|"},
      {u"   ", "--- (none)|(none)|"},
      {u"/S", "S-- (none)|(none)|"},
      {u"/s /upgrade", "SU- (none)|(none)|"},
      {u"/S /D=C:\\Program Files\\青岚 输入法  ", "S-- (none)|C:\\Program Files\\青岚 输入法|"},
      {u"/S /D=C:\\a /NAME=x", "S-- (none)|C:\\a /NAME=x|"},  // /D= takes the rest
      {u"/S \"/NAME=青岚 - 甲\" /LOG=a.log", "S-- 青岚 - 甲|(none)|a.log"},
      {u"/S /NAME=\"青岚 - 甲\"", "S-- 青岚 - 甲|(none)|"},
      {u"/LOG=\"C:\\日志 文件.txt\"", "--- (none)|(none)|C:\\日志 文件.txt"},
      {u"/?", "--? (none)|(none)|"},
      {u"/? /D=x", "--? (none)|x|"},
      // Refused: unknown, repeated or empty switches, quotes in /D=, unattended-only switches
      // without /S.
      {u"/X", ""},
      {u"S", ""},
      {u"/S /S", ""},
      {u"/S /NAME=a /NAME=b", ""},
      {u"/S /NAME=", ""},
      {u"/S \"/NAME=\"", ""},
      {u"/LOG=", ""},
      {u"/S /D=", ""},
      {u"/S /D=   ", ""},
      {u"/S /D=\"C:\\a b\"", "S-- (none)|C:\\a b|"},
      {u"/S \"/D=C:\\a b\"  ", "S-- (none)|C:\\a b|"},
      {u"/S \"/D=C:\\a b\" /UPGRADE", ""},
      {u"/S /D=C:\\a \"b\"", ""},
      {u"/D=C:\\a", ""},
      {u"/NAME=a", ""},
      {u"/UPGRADE", ""},
      {u"/S/D=C:\\a", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Read(c.line), c.read) << Utf16ToUtf8(c.line);
}

// The unattended choices are the install dialog's opening ones: its initial marks, the name it
// composes and the folder it proposes; a name given on the command line brings its recorded
// folder, as typing it into the name field does; a folder given replaces the proposal.
TEST(Unattended, ChoicesAreTheDialogsOwn) {
  MemoryRegistry registry;
  ScopedRegistry scoped(registry);
  SetupState state;
  state.mainName.Assign(u"青岚");
  state.osMajorVersion = 6;
  for (const char16_t* name : {u"拼音", u"形码", u"辅助"}) {
    InputScheme* scheme = state.AddScheme();
    scheme->name.Assign(name);
  }
  state.schemes[0].selected = 1;
  state.schemes[2].isAuxiliary = 1;
  state.schemes[2].auxSelected = 1;
  state.AddDictionary()->selected = 1;
  auto programFiles = [] { return std::u16string(u"C:\\Program Files"); };

  SetupOptions options;
  UnattendedChoice choice = ChooseUnattended(state, options, programFiles);
  EXPECT_EQ(choice.name, u"青岚 - 拼音");
  EXPECT_EQ(choice.folder, u"C:\\青岚拼音");
  EXPECT_TRUE(choice.marks.pinyin);
  ASSERT_EQ(choice.marks.independent.size(), 1u);
  EXPECT_FALSE(choice.marks.independent[0].checked);
  ASSERT_EQ(choice.marks.auxiliary.size(), 1u);
  EXPECT_TRUE(choice.marks.auxiliary[0].checked);

  registry.Put(u"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\别名", u"path", kRegSz,
               RegStringBytes(u"D:\\旧\\"));
  registry.Put(u"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\别名", u"ck", kRegSz,
               RegStringBytes(u"cz.dat"));
  options.hasName = true;
  options.name = u"别名";
  choice = ChooseUnattended(state, options, programFiles);
  EXPECT_EQ(choice.name, u"别名");
  EXPECT_EQ(choice.folder, u"D:\\旧\\");
  options.hasFolder = true;
  options.folder = u"E:\\x";
  EXPECT_EQ(ChooseUnattended(state, options, programFiles).folder, u"E:\\x");

  // The settings are what OK writes when nothing was changed.
  InstallationSteps steps;
  UseUnattendedChoice(steps, state, choice);
  steps.showSettingsDialog();
  uint32_t type = 0;
  std::vector<uint8_t> data;
  ASSERT_TRUE(registry.Get(u"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\别名", u"IMEIndex",
                           &type, &data));
  EXPECT_EQ(data, (std::vector<uint8_t>{3, 0, 0, 0}));
  EXPECT_EQ(registry.ValueNames(u"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\别名").size(),
            9u);
  EXPECT_EQ(state.fuzzyPairs[1], 1);  // c-ch
}

}  // namespace
}  // namespace ql
