#include "setup/install/installation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "setup/common/bytes.h"
#include "setup/common/files.h"
#include "setup/common/registry.h"
#include "setup/common/text.h"
#include "setup/compiler/phrase_table_format.h"
#include "setup/install/scheme_slots.h"
#include "setup/model/setup_state.h"
#include "tests/support/test_support.h"

namespace ql {
namespace {

// A data file held in memory.
class MemoryFile : public MappedDataFile {
 public:
  explicit MemoryFile(std::vector<uint8_t>* bytes) : bytes_(bytes) {}
  uint8_t* data() override { return bytes_->data(); }
  size_t size() const override { return bytes_->size(); }

 private:
  std::vector<uint8_t>* bytes_;
};

// Every step records its call in a log; the data files are buffers of the test.
class InstallationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetupState& s = state;
    s.mainName.Assign(u"青岚");
    s.imeBaseName.Assign(u"qlsrfpt");
    for (const char16_t* name : {u"拼音", u"形码", u"五笔", u"郑码"}) {
      InputScheme* scheme = s.AddScheme();
      scheme->name.Assign(name);
      scheme->path.Assign(std::u16string(u"输入方案\\") + name);
    }
    mainData_.assign(kPhraseHeaderSize + 8000, 0);
    StoreU32(mainData_.data() + kTotalSizeOffset, static_cast<uint32_t>(mainData_.size()));
    StoreU32(mainData_.data() + 4, kPhraseHeaderSize);  // RecordShift
    userData_.assign(kUserDataSize, 0);

    steps_.folderFieldText = [this] { return folderField_; };
    steps_.nameFieldText = [this] { return nameField_; };
    steps_.collectSelection = [this] { Log(u"collect"); };
    steps_.isRoot = [this](std::u16string_view path) {
      Log(u"isRoot " + std::u16string(path));
      return PortableInstallationSteps(state).isRoot(path);
    };
    steps_.fullPath = [](std::u16string_view path) { return FullPath(path); };
    steps_.sharedFolders = [] {
      return std::vector<std::u16string>{u"C:\\Windows",       u"C:\\Windows\\system32",
                                         u"C:\\Program Files", u"C:\\ProgramData",
                                         u"C:\\Users\\小明",   u"C:\\Users"};
    };
    steps_.programPath = [this] { return programPath_; };
    steps_.createFolder = [this](std::u16string_view f) { Log(u"mkdir " + std::u16string(f)); };
    steps_.movePackage = [this](std::u16string_view from, std::u16string_view to) {
      Log(u"move " + std::u16string(from) + u" " + std::u16string(to));
      return notArrived_;
    };
    steps_.setCurrentDirectory = [this](std::u16string_view f) { Log(u"cd " + std::u16string(f)); };
    steps_.chooseModuleFileName = [this](std::u16string_view ini) {
      Log(u"name " + std::u16string(ini));
      state.imeFileName.Assign(u"ql1234.ime");
      state.imeBaseName.Assign(u"ql1234");
    };
    steps_.mappingExists = [this](std::u16string_view name) {
      Log(u"inuse " + std::u16string(name));
      return moduleRunning_;
    };
    steps_.lockCode = [this](std::u16string_view f) { Log(u"lock " + std::u16string(f)); };
    steps_.openData = [this](std::u16string_view f) { Log(u"open " + std::u16string(f)); };
    steps_.stampModule = [this] { Log(u"stamp"); };
    steps_.systemFolder = [this] { return systemFolder_; };
    steps_.copyFile = [this](std::u16string_view from, std::u16string_view to) {
      Log(u"copy " + std::u16string(from) + u" " + std::u16string(to));
      return moduleCopied_;
    };
    steps_.buildPhraseTable = [this] {
      Log(u"phrases");
      if (phrasesWritten_)
        state.mainDataPath.Assign(state.installFolder.str() + u"词库\\cz.dat");
    };
    steps_.restorPara = [this] { Log(u"restore"); };
    steps_.writeInstallRecord = [this] { Log(u"record"); };
    steps_.createShortcuts = [this] { Log(u"shortcuts"); };
    steps_.mapDataFile = [this](std::u16string_view path, std::u16string_view name,
                                MapStatus* status) -> std::unique_ptr<MappedDataFile> {
      Log(u"map " + std::u16string(path) + u" " + std::u16string(name));
      bool isMain = name == kMainDataMapping;
      *status = isMain ? mainStatus_ : userStatus_;
      if (*status != MapStatus::kMapped)
        return nullptr;
      return std::make_unique<MemoryFile>(isMain ? &mainData_ : &userData_);
    };
    steps_.buildSchemeIndex = [this](uint8_t* main, uint8_t* user,
                                     int32_t slot) -> std::optional<int32_t> {
      EXPECT_EQ(main, mainData_.data());
      EXPECT_EQ(user, userData_.data());
      Log(u"index " + DecimalText(slot));
      return 1;
    };
    steps_.buildPinyinIndex = [this](uint8_t* view, size_t size) {
      EXPECT_EQ(view, mainData_.data());
      EXPECT_EQ(size, mainData_.size());
      Log(u"pinyin");
      return indexWritten_;
    };
    steps_.removeFile = [this](std::u16string_view path) { Log(u"rm " + std::u16string(path)); };
    steps_.settingsExist = [this] {
      Log(u"settings?");
      return settingsExist_;
    };
    steps_.buildPunctuationTable = [this] { Log(u"punctuation"); };
    steps_.showSettingsDialog = [this] {
      Log(u"settings dialog");
      state.fuzzyPairs[0] = 1;
    };
    steps_.buildCustomInput = [this] {
      Log(u"custom");
      return indexWritten_;
    };
    // The package's files, then the target's before the move and as the run leaves it.
    steps_.listFiles = [this](std::u16string_view folder) {
      Log(u"list " + std::u16string(folder));
      if (folder == u"E:\\包\\")
        return packageFiles_;
      return listedTarget_++ == 0 ? targetBefore_ : targetAfter_;
    };
    steps_.writeUninstallEntry = [this](const std::vector<FolderFile>& now,
                                        const std::vector<std::u16string>& files) {
      std::u16string line = u"entry " + DecimalText(static_cast<int64_t>(now.size()));
      for (const std::u16string& file : files)
        line += u" " + file;
      Log(line);
    };
    steps_.updateUninstallEntry = [this](const std::vector<std::u16string>& files) {
      std::u16string line = u"entry update";
      for (const std::u16string& file : files)
        line += u" " + file;
      Log(line);
    };
  }

  void Log(std::u16string line) { log_.push_back(Utf16ToUtf8(line)); }

  std::vector<std::string> Run() {
    log_.clear();
    listedTarget_ = 0;
    outcome_ = RunInstallation(state, steps_);
    return log_;
  }

  // The last step of a run that got past the lock of the installed code, before the folder was
  // opened to all users, which every such run ends with.
  std::string LastStepBeforeOpening() {
    std::vector<std::string> log = Run();
    if (log.size() < 2 || log.back() != "open D:\\输入法\\") {
      ADD_FAILURE() << "the folder was not opened last";
      return {};
    }
    return log[log.size() - 2];
  }

  SetupState state;
  InstallationSteps steps_;
  std::vector<std::string> log_;
  test::RecordingUi ui_;
  ScopedUi scopedUi_{ui_};
  std::u16string folderField_ = u"D:\\输入法";
  std::u16string nameField_ = u"青岚 - 拼音";
  std::u16string programPath_ = u"E:\\包\\setup.exe";
  std::u16string systemFolder_ = u"C:\\windows\\system32";
  bool moduleRunning_ = false;
  bool phrasesWritten_ = true;
  bool moduleCopied_ = true;
  std::optional<std::u16string> notArrived_;
  bool indexWritten_ = true;
  bool settingsExist_ = false;
  MapStatus mainStatus_ = MapStatus::kMapped;
  MapStatus userStatus_ = MapStatus::kMapped;
  std::vector<uint8_t> mainData_;
  std::vector<uint8_t> userData_;
  std::vector<FolderFile> packageFiles_ = {{u"setup.exe", 10, 1}, {u"文本词库\\zk.txt", 20, 1}};
  std::vector<FolderFile> targetBefore_ = {{u"我的.txt", 5, 7}};
  std::vector<FolderFile> targetAfter_ = {{u"setup.exe", 10, 1},
                                          {u"文本词库\\zk.txt", 20, 1},
                                          {u"我的.txt", 5, 7},
                                          {u"词库\\cz.dat", 30, 9}};
  int listedTarget_ = 0;
  InstallOutcome outcome_ = InstallOutcome::kStopped;
};

TEST_F(InstallationTest, FreshInstallRunsEveryStepInOrder) {
  state.schemes[0].selected = 1;
  state.schemes[2].selected = 1;
  std::vector<std::string> expected = {
      "isRoot D:\\输入法",
      "isRoot D:\\输入法\\",
      "isRoot D:\\输入法",
      "isRoot D:\\输入法\\",
      "collect",
      "mkdir D:\\输入法\\",
      "list E:\\包\\",
      "list D:\\输入法\\",
      "move E:\\包\\ D:\\输入法\\",
      "cd D:\\输入法\\",
      "name D:\\输入法\\setup.ini",
      "inuse mvkorel6ql1234",
      "lock D:\\输入法\\",
      "stamp",
      "lock D:\\输入法\\",
      "copy D:\\输入法\\qlsrfpt.ime C:\\windows\\system32\\ql1234.ime",
      "phrases",
      "restore",
      "record",
      "list D:\\输入法\\",
      "entry 4 setup.exe 文本词库\\zk.txt 词库\\cz.dat",
      "shortcuts",
      "map D:\\输入法\\词库\\cz.dat buildmainck",
      "map D:\\输入法\\User.dat buildmainUserck",
      "index 1",
      "pinyin",
      "settings?",
      "punctuation",
      "settings dialog",
      "custom",
      "list D:\\输入法\\",
      "entry 4 setup.exe 文本词库\\zk.txt 词库\\cz.dat",
      "open D:\\输入法\\",
  };
  EXPECT_EQ(Run(), expected);
  EXPECT_EQ(outcome_, InstallOutcome::kCompleted);
  const SetupState& s = state;
  EXPECT_EQ(s.installCompleted, 1u);
  EXPECT_EQ(s.installFolder.view(), u"D:\\输入法\\");
  EXPECT_EQ(s.displayName.view(), u"青岚 - 拼音");
  EXPECT_EQ(s.layoutText.view(), u"中文(简体) - 青岚 - 拼音");
  EXPECT_EQ(s.settingsKept, 0u);
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(ReadSchemeSlot(mainData_.data(), mainData_.size(), kMainSlot1), u"输入方案\\五笔");
  // The settings dialog's choice reaches the main data file.
  std::optional<FuzzyPairBytes> fuzzy = ReadFuzzyPairs(mainData_.data(), mainData_.size());
  ASSERT_TRUE(fuzzy);
  EXPECT_EQ(fuzzy->pairs[0], 1);
  EXPECT_EQ(fuzzy->count, 1);
}

TEST_F(InstallationTest, RootFoldersAreRefusedBeforeAnythingMoves) {
  // "C:" and an empty field would become a root once the backslash is added; the others are
  // roots once resolved, relative, drive- or root-relative, device forms or shared folders.
  for (std::u16string field : {u"C:\\",
                               u"\\",
                               u"C:",
                               u"",
                               u"C:\\\\",
                               u"C:\\..",
                               u"C:\\.",
                               u"C:/",
                               u"C:\\a\\..",
                               u"C:\\ . \\",
                               u"abc",
                               u"..\\foo",
                               u"C:foo",
                               u"\\foo",
                               u"\\\\?\\C:\\x",
                               u"\\\\.\\C:\\x",
                               u"\\\\srv\\share\\",
                               u"\\\\srv\\share\\x\\..",
                               u"c:\\windows",
                               u"C:\\Windows\\",
                               u"C:\\Program Files\\.",
                               u"C:/Users",
                               u"C:\\users\\小明"}) {
    folderField_ = field;
    ui_.messages.clear();
    for (const std::string& line : Run())
      EXPECT_EQ(line.rfind("isRoot", 0), 0u) << line;
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, kRootFolderText);
    EXPECT_EQ(ui_.messages[0].caption, u"输入法安装");
    EXPECT_EQ(ui_.messages[0].style, kMbIconWarning);
    EXPECT_EQ(outcome_, InstallOutcome::kFolderRefused);
  }
  EXPECT_EQ(state.installCompleted, 0u);
}

// The display name names registry keys and the program group's folder: a name that would name
// the parent key, a nested key, another folder or a system folder is refused before anything
// moves.
TEST_F(InstallationTest, UnusableDisplayNamesAreRefusedBeforeAnythingMoves) {
  for (std::u16string field :
       {u"", u".", u"..", u"..\\..", u"a\\b", u"a/b", u"C:", u"a*", u"a?", u"\"a\"", u"<a>", u"a|b",
        u"a\tb", u"名字.", u"名字 ", u"Startup", u"startup", u"Administrative Tools"}) {
    nameField_ = field;
    ui_.messages.clear();
    for (const std::string& line : Run())
      EXPECT_EQ(line.rfind("isRoot", 0), 0u) << line;
    ASSERT_EQ(ui_.messages.size(), 1u) << Utf16ToUtf8(field);
    EXPECT_EQ(ui_.messages[0].text, kBadDisplayNameText);
    EXPECT_EQ(outcome_, InstallOutcome::kNameRefused);
  }
  EXPECT_EQ(state.installCompleted, 0u);
  // A name that is only too long is cut to its 49 units and installed.
  nameField_ = std::u16string(60, u'名');
  ui_.messages.clear();
  Run();
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(state.installCompleted, 1u);
}

TEST_F(InstallationTest, TargetPreparationCutsTheFieldsAndGuardsTheMovePattern) {
  folderField_ = u"D:\\" + std::u16string(297, u'长');
  // The 49th unit starts a surrogate pair: the cut drops the whole character.
  nameField_ = std::u16string(48, u'名') + u"\U00020000" + std::u16string(10, u'名');
  programPath_ = u"setup.exe";  // no folder: nothing may move from the drive's root
  moduleRunning_ = true;
  std::vector<std::string> log = Run();
  const std::string target = Utf16ToUtf8(u"D:\\" + std::u16string(259, u'长') + u"\\");
  auto logged = [&](const std::string& line) {
    return std::find(log.begin(), log.end(), line) != log.end();
  };
  EXPECT_TRUE(logged("mkdir " + target));
  EXPECT_TRUE(logged("cd " + target));
  for (const std::string& line : log)
    EXPECT_NE(line.rfind("move", 0), 0u) << "moved: " << line.substr(0, 40);
  EXPECT_EQ(state.displayName.view(), std::u16string(48, u'名'));
  EXPECT_EQ(state.layoutText.view(), u"中文(简体) - " + std::u16string(48, u'名'));
  // The module in use: stopped with the platform's main name as caption.
  EXPECT_EQ(log.back(), "inuse mvkorel6ql1234");
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, kModuleInUseText);
  EXPECT_EQ(ui_.messages[0].caption, u"青岚");
  EXPECT_EQ(ui_.messages[0].style, kMbIconWarning);
  EXPECT_EQ(state.installCompleted, 0u);
}

TEST_F(InstallationTest, EveryMissingFolderAboveTheTargetIsCreated) {
  auto folders = [this](std::u16string field) {
    folderField_ = std::move(field);
    std::vector<std::string> made;
    for (const std::string& line : Run()) {
      if (line.rfind("mkdir ", 0) == 0)
        made.push_back(line.substr(6));
    }
    return made;
  };
  EXPECT_EQ(folders(u"D:\\一\\二"), (std::vector<std::string>{"D:\\一\\", "D:\\一\\二\\"}));
  EXPECT_EQ(folders(u"\\\\srv\\share\\一"), std::vector<std::string>{"\\\\srv\\share\\一\\"});
}

TEST_F(InstallationTest, UpgradeEndsAfterTheModuleCopy) {
  state.upgradeInstall = 1;
  systemFolder_ = std::u16string(205, u's') + u"\\";
  std::vector<std::string> log = Run();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[log.size() - 3],
            "copy D:\\输入法\\qlsrfpt.ime " + std::string(199, 's') + "\\ql1234.ime");
  // The entry's version and the files the package brought; then the folder is opened.
  EXPECT_EQ(log[log.size() - 2], "entry update setup.exe 文本词库\\zk.txt");
  EXPECT_EQ(log.back(), "open D:\\输入法\\");
  EXPECT_EQ(outcome_, InstallOutcome::kUpgraded);
  EXPECT_EQ(state.installCompleted, 0u);
  EXPECT_TRUE(ui_.messages.empty());
}

// A package that did not arrive whole is named and nothing more happens.
TEST_F(InstallationTest, APackageThatDidNotArriveWholeStopsTheRun) {
  notArrived_ = u"E:\\包\\文本词库\\zk.txt";
  std::vector<std::string> log = Run();
  EXPECT_EQ(log.back(), "move E:\\包\\ D:\\输入法\\");
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, std::u16string(kPackageNotMovedText) + *notArrived_);
  EXPECT_EQ(state.installCompleted, 0u);
}

// A module that did not reach the system folder is told, and nothing is built for it.
TEST_F(InstallationTest, AModuleNotCopiedStopsTheRun) {
  moduleCopied_ = false;
  EXPECT_EQ(LastStepBeforeOpening(),
            "copy D:\\输入法\\qlsrfpt.ime C:\\windows\\system32\\ql1234.ime");
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text,
            std::u16string(kModuleNotCopiedText) + u"C:\\windows\\system32\\ql1234.ime");
  EXPECT_EQ(state.installCompleted, 0u);
}

// Index files the builders could not write (they have said which) leave the installation
// incomplete.
TEST_F(InstallationTest, IndexFilesNotWrittenLeaveTheInstallationIncomplete) {
  state.schemes[0].selected = 1;
  indexWritten_ = false;
  EXPECT_EQ(LastStepBeforeOpening(), "pinyin");
  EXPECT_EQ(state.installCompleted, 0u);
  state.schemes[0].selected = 0;
  EXPECT_EQ(LastStepBeforeOpening(), "custom");
  EXPECT_EQ(outcome_, InstallOutcome::kStopped);
  EXPECT_EQ(state.installCompleted, 0u);
}

// Data files the builder could not write (it has said why) stop the run before anything is
// recorded or linked to them.
TEST_F(InstallationTest, DataFilesNotWrittenStopTheRunAfterTheBuild) {
  phrasesWritten_ = false;
  EXPECT_EQ(LastStepBeforeOpening(), "phrases");
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(state.installCompleted, 0u);
}

TEST_F(InstallationTest, DataFilesThatDoNotOpenStopTheRun) {
  mainStatus_ = MapStatus::kNotOpened;
  Run();
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, u"D:\\输入法\\词库\\cz.dat");
  EXPECT_EQ(ui_.messages[0].caption, u"file not open1");
  EXPECT_EQ(ui_.messages[0].style, kMbOk);
  EXPECT_EQ(state.installCompleted, 0u);

  mainStatus_ = MapStatus::kMapped;
  userStatus_ = MapStatus::kNotOpened;
  ui_.messages.clear();
  EXPECT_EQ(LastStepBeforeOpening(), "map D:\\输入法\\User.dat buildmainUserck");
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, u"D:\\输入法\\User.dat");

  // A file that opens but does not map stops without a message.
  userStatus_ = MapStatus::kNotMapped;
  ui_.messages.clear();
  Run();
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(state.installCompleted, 0u);

  // A mapping name another object holds, and files whose sizes are not as written, are not handed
  // on: the run stops naming the file, before any slot or index is built.
  struct Case {
    MapStatus user;
    size_t mainSize;  // the file's size; its header says the fixture's
    size_t userSize;
    const char16_t* file;
  } cases[] = {
      {MapStatus::kNameTaken, mainData_.size(), kUserDataSize, u"User.dat"},
      {MapStatus::kMapped, mainData_.size() + 4, kUserDataSize, u"词库\\cz.dat"},
      {MapStatus::kMapped, 6, kUserDataSize, u"词库\\cz.dat"},
      {MapStatus::kMapped, mainData_.size(), kUserDataSize - 1, u"User.dat"},
  };
  const std::vector<uint8_t> main = mainData_;
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.file));
    userStatus_ = c.user;
    mainData_ = main;
    mainData_.resize(c.mainSize);
    userData_.assign(c.userSize, 0);
    ui_.messages.clear();
    std::vector<std::string> log = Run();
    EXPECT_EQ(std::find(log.begin(), log.end(), "index 1"), log.end());
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, u"D:\\输入法\\" + std::u16string(c.file));
    EXPECT_EQ(state.installCompleted, 0u);
  }
}

// A chosen scheme whose path is too long for a slot is not installed, and the user is told which.
TEST_F(InstallationTest, ASchemeWhosePathDoesNotFitASlotIsNamed) {
  state.schemes[1].path.Assign(u"输入方案\\" + std::u16string(25, u'长'));
  state.schemes[1].selected = 1;
  state.schemes[2].selected = 1;
  std::vector<std::string> log = Run();
  EXPECT_EQ(std::count(log.begin(), log.end(), "index 1"), 1);  // 五笔 takes the first slot
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, u"输入方案“形码”的路径 输入方案\\" + std::u16string(25, u'长') +
                                      u" 超过29个字符，这个方案没有安装。");
  EXPECT_EQ(ui_.messages[0].caption, u"青岚 - 拼音");
  EXPECT_EQ(state.installCompleted, 1u);
}

TEST_F(InstallationTest, WithoutPinyinTheIndexFilesGo) {
  std::vector<std::string> log = Run();
  EXPECT_NE(std::find(log.begin(), log.end(), "rm D:\\输入法\\拼音\\qinglan.idx"), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "rm D:\\输入法\\拼音\\User.idx"), log.end());
  // And where the builder wrote them.
  EXPECT_NE(std::find(log.begin(), log.end(), "rm D:\\输入法\\输入方案\\拼音\\qinglan.idx"),
            log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "rm D:\\输入法\\输入方案\\拼音\\User.idx"),
            log.end());
  EXPECT_EQ(std::find(log.begin(), log.end(), "pinyin"), log.end());
}

TEST_F(InstallationTest, KeptSettingsSkipTheQuestionsAndTurnOnTheDefaultPairs) {
  settingsExist_ = true;
  std::vector<std::string> log = Run();
  EXPECT_EQ(std::find(log.begin(), log.end(), "punctuation"), log.end());
  EXPECT_EQ(std::find(log.begin(), log.end(), "settings dialog"), log.end());
  EXPECT_EQ(state.settingsKept, 1u);
  std::optional<FuzzyPairBytes> fuzzy = ReadFuzzyPairs(mainData_.data(), mainData_.size());
  ASSERT_TRUE(fuzzy);
  const uint8_t expected[kFuzzyPairCount] = {0, 1, 0, 0, 0, 0, 0, 1, 1};
  EXPECT_EQ(std::vector<uint8_t>(fuzzy->pairs, fuzzy->pairs + kFuzzyPairCount),
            std::vector<uint8_t>(expected, expected + kFuzzyPairCount));
  EXPECT_EQ(fuzzy->count, 3);
  EXPECT_EQ(state.installCompleted, 1u);
}

}  // namespace
}  // namespace ql
