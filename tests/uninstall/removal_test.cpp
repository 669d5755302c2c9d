#include "uninstall/removal.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "setup/common/registry.h"
#include "setup/common/text.h"
#include "setup/install/uninstall_entry.h"
#include "setup/model/install_record.h"
#include "setup/model/setup_state.h"
#include "tests/support/test_support.h"
#include "uninstall/uninstall_command_line.h"

namespace ql {
namespace {

constexpr char16_t kLayouts[] = u"HKLM\\System\\CurrentControlSet\\Control\\Keyboard Layouts\\";
constexpr char16_t kPreload[] = u"HKCU\\keyboard layout\\preload";
constexpr char16_t kMachineVersion[] = u"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\";
constexpr char16_t kUserVersion[] = u"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\";

TEST(RenumberedPreload, Table) {
  using Entries = std::vector<PreloadEntry>;
  const struct {
    Entries entries;
    std::vector<std::u16string> removed;
    std::u16string replaced;
    Entries expected;
  } cases[] = {
      // Removed entries go, the rest keep their order by number and are numbered from 1.
      {{{u"1", u"00000804"}, {u"2", u"E0010804"}, {u"3", u"E0020804"}},
       {u"e0010804"},
       u"",
       {{u"1", u"00000804"}, {u"2", u"E0020804"}}},
      {{{u"10", u"E0030804"}, {u"2", u"00000409"}, {u"5", u"E0010804"}},
       {u"E0010804"},
       u"",
       {{u"1", u"00000409"}, {u"2", u"E0030804"}}},
      // What registration replaced at the top comes back when its own "00000804" leads again.
      {{{u"1", u"00000804"}, {u"2", u"E0010804"}},
       {u"E0010804"},
       u"00000409",
       {{u"1", u"00000409"}}},
      // ... but not when another layout leads, nor twice.
      {{{u"1", u"E0020804"}, {u"2", u"E0010804"}},
       {u"E0010804"},
       u"00000409",
       {{u"1", u"E0020804"}}},
      {{{u"1", u"00000804"}, {u"2", u"00000409"}, {u"3", u"E0010804"}},
       {u"E0010804"},
       u"00000409",
       {{u"1", u"00000804"}, {u"2", u"00000409"}}},
      {{{u"1", u"E0010804"}}, {u"E0010804"}, u"00000409", {}},
  };
  for (const auto& c : cases) {
    Entries got = RenumberedPreload(c.entries, c.removed, c.replaced);
    ASSERT_EQ(got.size(), c.expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].number, c.expected[i].number);
      EXPECT_EQ(got[i].layoutId, c.expected[i].layoutId);
    }
  }
}

TEST(FilesOfTheInstallation, RecordedKeptAndCleared) {
  // Package files, new files and files the run wrote again are the installation's; a file that
  // was there before and stayed untouched is not.
  EXPECT_EQ(
      InstalledFiles({{u"setup.exe", 1, 1}, {u"文本词库\\zk.txt", 1, 1}},
                     {{u"文本词库\\ZK.txt", 1, 5}, {u"我的.txt", 1, 5}, {u"词库\\cz.dat", 1, 5}},
                     {{u"setup.exe", 1, 1},
                      {u"文本词库\\zk.txt", 1, 1},
                      {u"我的.txt", 1, 5},
                      {u"词库\\cz.dat", 1, 8},
                      {u"User.dat", 1, 8}}),
      (std::vector<std::u16string>{u"setup.exe", u"文本词库\\zk.txt", u"词库\\cz.dat",
                                   u"User.dat"}));
  // Damaged records never leave the folder; kept data keep User.dat.
  const std::vector<std::u16string> recorded = {
      u"setup.exe", u"..\\x", u"C:\\a", u"\\b", u"a\\..\\..\\c", u"user.dat", u"词库\\cz.dat"};
  EXPECT_EQ(FilesToRemove(recorded, false),
            (std::vector<std::u16string>{u"setup.exe", u"user.dat", u"词库\\cz.dat"}));
  EXPECT_EQ(FilesToRemove(recorded, true),
            (std::vector<std::u16string>{u"setup.exe", u"词库\\cz.dat"}));
  Installation installation;
  installation.folder = u"D:\\ql\\";
  installation.files = {u"a\\b\\c.txt", u"a\\d.txt", u"e\\f.txt", u"g.txt", u"..\\h\\i.txt"};
  EXPECT_EQ(FoldersToClear(installation),
            (std::vector<std::u16string>{u"D:\\ql\\a\\b\\", u"D:\\ql\\a\\", u"D:\\ql\\e\\",
                                         u"D:\\ql\\"}));
}

TEST(UninstallCommandLine, Table) {
  const struct {
    const char16_t* line;
    bool ok;
    bool silent, keepData;
    const char16_t* log;
  } cases[] = {
      {u"", true, false, false, u""},
      {u"/S /KEEPDATA", true, true, true, u""},
      {u"/s \"/LOG=C:\\日志 1.txt\"", true, true, false, u"C:\\日志 1.txt"},
      {u"/S /S", false, true, false, u""},
      {u"/LOG=", false, false, false, u""},
      {u"/X", false, false, false, u""},
      {u"/_FOLDER=C:\\a", false, false, false, u""},
      {u"/_HANDOFF=1,2", false, false, false, u""},
      {u"/_HANDOFF=1 /_FOLDER=C:\\a", false, false, false, u""},
  };
  for (const auto& c : cases) {
    UninstallOptions options;
    std::u16string error;
    EXPECT_EQ(ParseUninstallCommandLine(c.line, &options, &error), c.ok) << Utf16ToUtf8(c.line);
    if (!c.ok)
      continue;
    EXPECT_EQ(options.silent, c.silent);
    EXPECT_EQ(options.keepData, c.keepData);
    EXPECT_EQ(options.logFile, c.log);
  }
  // What the original gives its copy reads back as it was.
  UninstallOptions given;
  given.silent = true;
  given.keepData = true;
  given.logFile = u"C:\\日志 1.txt";
  given.folder = u"C:\\Program Files\\青岚 1\\";
  given.handedOff = true;
  given.resultPipe = 0x1A4;
  given.original = 0xFFFFFFFF12;
  UninstallOptions read;
  std::u16string error;
  ASSERT_TRUE(ParseUninstallCommandLine(HandOffCommandLine(given), &read, &error))
      << Utf16ToUtf8(error);
  EXPECT_EQ(read.folder, given.folder);
  EXPECT_EQ(read.logFile, given.logFile);
  EXPECT_EQ(read.resultPipe, given.resultPipe);
  EXPECT_EQ(read.original, given.original);
  EXPECT_TRUE(read.silent && read.keepData && read.handedOff);
}

// Two installations and a foreign input method; one installation is written by the worker's own
// entry writer, found by its folder and removed. Everything of the other and of the foreign one
// stays; the calls into the file system are recorded.
class RemovalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PutText(std::u16string(kLayouts) + u"E0010804", u"IME file", u"A1.IME");
    PutText(std::u16string(kLayouts) + u"e0020409", u"Ime File", u"C:\\windows\\system32\\a1.ime");
    PutText(std::u16string(kLayouts) + u"E0020804", u"IME file", u"b2.ime");
    PutText(std::u16string(kLayouts) + u"E0030804", u"IME file", u"other.ime");
    PutText(kPreload, u"1", u"00000804");
    PutText(kPreload, u"2", u"E0020804");
    PutText(kPreload, u"3", u"E0010804");
    PutText(kPreload, u"4", u"e0020409");
    PutText(kPreload, u"5", u"E0030804");
    for (const char16_t* name : {u"甲", u"乙"}) {
      PutText(std::u16string(kMachineVersion) + name, u"path",
              std::u16string(u"D:\\") + name + u"\\");
      PutText(std::u16string(kUserVersion) + name, u"IMEIndex", u"3");
    }
    WriteEntry(u"甲", u"a1.ime", {u"setup.exe", u"User.dat", u"词库\\cz.dat"});
    WriteEntry(u"乙", u"b2.ime", {u"setup.exe"});

    system_.systemFolder = [] { return std::u16string(u"C:\\windows\\system32"); };
    system_.programsFolder = [] { return std::u16string(u"C:\\Programs"); };
    system_.mappingExists = [this](std::u16string_view name) {
      return moduleRunning_ && name == u"mvkorel6a1";
    };
    system_.removeFile = [this](std::u16string_view path) {
      removed_.emplace_back(path);
      return FileRemoval::kRemoved;
    };
    system_.removeAtRestart = [this](std::u16string_view path) {
      postponed_.emplace_back(path);
      return true;
    };
    system_.unloadLayout = [this](std::u16string_view id) { unloaded_.emplace_back(id); };
    system_.removeEmptyFolder = [this](std::u16string_view folder) {
      folders_.emplace_back(folder);
      return true;
    };
  }

  void PutText(const std::u16string& key, std::u16string_view name, std::u16string_view text) {
    registry_.Put(key, name, kRegSz, RegStringBytes(text));
  }

  void WriteEntry(std::u16string_view name,
                  std::u16string_view module,
                  const std::vector<std::u16string>& files) {
    SetupState state;
    state.displayName.Assign(name);
    state.installFolder.Assign(u"D:\\" + std::u16string(name) + u"\\");
    state.imeFileName.Assign(module);
    state.version.Assign(u"4.10");
    WriteUninstallEntry(state, {}, files, u"20261208");
    RecordRegisteredLayouts(state, u"C:\\windows\\system32", u"00000804");
  }

  std::vector<std::u16string> Values(const std::u16string& key) const {
    std::vector<std::u16string> lines;
    for (const std::u16string& name : registry_.ValueNames(key)) {
      uint32_t type = 0;
      std::vector<uint8_t> data;
      registry_.Get(key, name, &type, &data);
      lines.push_back(name + u"=" + RegStringText(data));
    }
    return lines;
  }

  MemoryRegistry registry_;
  ScopedRegistry scoped_{registry_};
  test::RecordingUi ui_;
  ScopedUi scopedUi_{ui_};
  UninstallSystem system_;
  bool moduleRunning_ = false;
  std::vector<std::u16string> removed_, postponed_, unloaded_, folders_;
};

TEST_F(RemovalTest, RemovesExactlyOneInstallation) {
  EXPECT_FALSE(FindInstallation(u"D:\\丙"));
  std::optional<Installation> found = FindInstallation(u"d:\\甲");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->name, u"甲");
  EXPECT_EQ(found->imeFile, u"a1.ime");
  EXPECT_EQ(found->layoutIds, (std::vector<std::u16string>{u"E0010804", u"e0020409"}));

  EXPECT_EQ(RemoveInstallation(*found, false, system_, u"D:\\甲\\uninsta.exe"),
            RemovalEnd::kRemoved);
  EXPECT_EQ(registry_.SubkeyNames(std::u16string(kLayouts).substr(0, std::size(kLayouts) - 2)),
            (std::vector<std::u16string>{u"E0020804", u"E0030804"}));
  EXPECT_EQ(unloaded_, (std::vector<std::u16string>{u"E0010804", u"e0020409"}));
  EXPECT_EQ(Values(kPreload),
            (std::vector<std::u16string>{u"1=00000804", u"2=E0020804", u"3=E0030804"}));
  EXPECT_FALSE(registry_.HasKey(std::u16string(kMachineVersion) + u"甲"));
  EXPECT_FALSE(registry_.HasKey(std::u16string(kUserVersion) + u"甲"));
  EXPECT_FALSE(registry_.HasKey(UninstallKeyOf(u"甲").insert(0, u"HKLM\\")));
  EXPECT_TRUE(registry_.HasKey(std::u16string(kMachineVersion) + u"乙"));
  EXPECT_TRUE(registry_.HasKey(std::u16string(kUserVersion) + u"乙"));
  EXPECT_TRUE(FindInstallation(u"D:\\乙"));
  EXPECT_EQ(removed_, (std::vector<std::u16string>{
                          u"C:\\windows\\system32\\a1.ime",
                          u"C:\\Programs\\甲\\多音词组提取程序.lnk",
                          u"C:\\Programs\\甲\\码表处理程序.lnk",
                          u"C:\\Programs\\甲\\重新安装.lnk",
                          u"C:\\Programs\\甲\\软件帮助.lnk",
                          u"C:\\Programs\\甲\\卸载 甲.lnk",
                          u"D:\\甲\\setup.exe",
                          u"D:\\甲\\User.dat",
                          u"D:\\甲\\词库\\cz.dat",
                      }));
  EXPECT_EQ(folders_, std::vector<std::u16string>{u"C:\\Programs\\甲\\"});
  EXPECT_TRUE(postponed_.empty());

  // The uninstaller, spared until it has ended, goes afterwards with the emptied folders.
  removed_.clear();
  folders_.clear();
  FinishRemoval(*found, system_, u"D:\\甲\\uninsta.exe");
  EXPECT_EQ(removed_, std::vector<std::u16string>{u"D:\\甲\\uninsta.exe"});
  EXPECT_EQ(folders_, (std::vector<std::u16string>{u"D:\\甲\\词库\\", u"D:\\甲\\"}));
  // A second run finds nothing.
  EXPECT_FALSE(FindInstallation(u"D:\\甲"));
}

TEST_F(RemovalTest, KeptDataAndAModuleInUse) {
  moduleRunning_ = true;
  std::optional<Installation> found = FindInstallation(u"D:\\甲\\");
  ASSERT_TRUE(found);
  EXPECT_EQ(RemoveInstallation(*found, true, system_, u""), RemovalEnd::kRestartNeeded);
  EXPECT_EQ(postponed_, std::vector<std::u16string>{u"C:\\windows\\system32\\a1.ime"});
  EXPECT_EQ(std::count(removed_.begin(), removed_.end(), u"D:\\甲\\User.dat"), 0);
  EXPECT_TRUE(registry_.HasKey(std::u16string(kUserVersion) + u"甲"));
  EXPECT_FALSE(registry_.HasKey(std::u16string(kMachineVersion) + u"甲"));
}

// A hand-edited entry: an install record of another folder and its settings stay, a module name
// that is a path and files outside the folder are not touched, and the rest still goes.
TEST_F(RemovalTest, DamagedRecordsAreLoggedAndTheRestGoes) {
  PutText(std::u16string(kMachineVersion) + u"甲", u"path", u"E:\\别处\\");
  PutText(u"HKLM\\" + UninstallKeyOf(u"甲"), u"ImeFile", u"..\\..\\boot.ini");
  registry_.Put(u"HKLM\\" + UninstallKeyOf(u"甲"), u"InstalledFiles", kRegMultiSz,
                MultiStringBytes({u"..\\outside.txt", u"setup.exe"}));
  std::optional<Installation> found = FindInstallation(u"D:\\甲");
  ASSERT_TRUE(found);
  EXPECT_EQ(RemoveInstallation(*found, false, system_, u""), RemovalEnd::kIncomplete);
  EXPECT_TRUE(registry_.HasKey(std::u16string(kMachineVersion) + u"甲"));
  EXPECT_TRUE(registry_.HasKey(std::u16string(kUserVersion) + u"甲"));
  EXPECT_FALSE(registry_.HasKey(u"HKLM\\" + UninstallKeyOf(u"甲")));
  for (const std::u16string& path : removed_)
    EXPECT_EQ(path.find(u".."), std::u16string::npos) << Utf16ToUtf8(path);
  EXPECT_NE(std::find(removed_.begin(), removed_.end(), u"D:\\甲\\setup.exe"), removed_.end());
  // Without the module's name no layout can be proved this installation's: they all stay.
  EXPECT_TRUE(registry_.HasKey(std::u16string(kLayouts) + u"E0010804"));
}

// A reinstallation into the same folder keeps the files the earlier one recorded there: what it
// compiled then and does not write again is still the installation's.
TEST_F(RemovalTest, AReinstallationKeepsTheEarlierRecord) {
  WriteEntry(u"甲", u"a1.ime", {u"setup.exe", u"输入方案\\五笔\\wb.idx"});
  std::optional<Installation> found = FindInstallation(u"D:\\甲");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->files, (std::vector<std::u16string>{u"setup.exe", u"User.dat", u"词库\\cz.dat",
                                                       u"输入方案\\五笔\\wb.idx"}));
}

}  // namespace
}  // namespace ql
