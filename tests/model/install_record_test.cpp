#include "setup/model/install_record.h"

#include <gtest/gtest.h>

#include "setup/common/text.h"
#include "setup/model/setup_state.h"
#include "tests/support/faulty_registry.h"

namespace ql {
namespace {

constexpr char16_t kRecordPath[] = u"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\";

TEST(InstallRecordKeys, CurrentVersionKeyAndNamedSubkey) {
  MemoryRegistry registry;
  ScopedRegistry scope(registry);
  {
    RegKey current;
    // A fresh registry has no CurrentVersion key: opening does not create it.
    EXPECT_EQ(OpenCurrentVersionKey(kHkeyCurrentUser, &current), kErrorFileNotFound);
    EXPECT_FALSE(current);
    registry.Put(u"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion", u"x", kRegSz,
                 RegStringBytes(u"1"));
    ASSERT_EQ(OpenCurrentVersionKey(kHkeyCurrentUser, &current), kErrorSuccess);
    RegKey settings;
    ASSERT_EQ(CreateNamedSubkey(current.get(), u"青岚输入法平台", &settings), kErrorSuccess);
    const std::vector<uint8_t> value = RegStringBytes(u"D:\\青岚\\");
    EXPECT_EQ(TheRegistry().SetValue(settings.get(), u"path", kRegSz, value.data(), value.size()),
              kErrorSuccess);
    // Creating again opens the same key.
    RegKey again;
    ASSERT_EQ(CreateNamedSubkey(current.get(), u"青岚输入法平台", &again), kErrorSuccess);
    uint32_t count = 0;
    EXPECT_EQ(TheRegistry().CountValues(again.get(), &count), kErrorSuccess);
    EXPECT_EQ(count, 1u);
  }
  EXPECT_EQ(registry.openHandles(), 0);  // every key closed on scope exit
  std::vector<uint8_t> data;
  uint32_t type = 0;
  ASSERT_TRUE(registry.Get(u"HKCU\\software\\microsoft\\windows\\currentversion\\青岚输入法平台",
                           u"PATH", &type, &data));
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(RegStringText(data), u"D:\\青岚\\");
  EXPECT_EQ(data.size(), (6u + 1u) * 2u);  // stored with its terminator
}

TEST(InstallRecordKeys, RefusalsAreCountedAndReported) {
  test::FaultyRegistry registry;
  ScopedRegistry scope(registry);
  registry.Put(u"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion", u"x", kRegSz, {});
  registry.FailNextCalls(2);
  RegKey key;
  EXPECT_EQ(OpenCurrentVersionKey(kHkeyLocalMachine, &key), kErrorAccessDenied);
  EXPECT_EQ(OpenCurrentVersionKey(kHkeyLocalMachine, &key), kErrorAccessDenied);
  EXPECT_EQ(OpenCurrentVersionKey(kHkeyLocalMachine, &key), kErrorSuccess);
  EXPECT_EQ(registry.callCount(), 3);
}

class InstallRecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Both current-version keys exist on every system.
    for (const char16_t* root : {u"HKLM", u"HKCU"})
      registry_.Put(std::u16string(root) + u"\\Software\\Microsoft\\Windows\\CurrentVersion",
                    u"ProgramFilesDir", kRegSz, RegStringBytes(u"C:\\"));
  }
  SetupState state;
  test::FaultyRegistry registry_;
  ScopedRegistry scoped_{registry_};
};

TEST_F(InstallRecordTest, WritingHoldsTheFolderAndTheDataFile) {
  WriteInstallRecord(u"青岚 - 拼音", u"D:\\输入法\\");
  std::u16string key = u"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\青岚 - 拼音";
  uint32_t type = 0;
  std::vector<uint8_t> data;
  ASSERT_TRUE(registry_.Get(key, u"path", &type, &data));
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(data, RegStringBytes(u"D:\\输入法\\"));
  ASSERT_TRUE(registry_.Get(key, u"ck", &type, &data));
  EXPECT_EQ(data, RegStringBytes(u"cz.dat"));
  EXPECT_EQ(registry_.openHandles(), 0);

  // The current-version key gets 20 attempts; after that nothing is written.
  registry_.FailNextCalls(20);
  WriteInstallRecord(u"别的", u"D:\\输入法\\");
  EXPECT_FALSE(registry_.HasKey(u"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\别的"));
}

TEST_F(InstallRecordTest, SettingsExistOnlyPastSixtyValues) {
  EXPECT_FALSE(SettingsExist(u"青岚 - 拼音"));  // creates the empty key
  std::u16string key = u"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\青岚 - 拼音";
  for (int i = 0; i < 60; ++i)
    registry_.Put(key, u"v" + DecimalText(i), kRegDword, {0, 0, 0, 0});
  EXPECT_FALSE(SettingsExist(u"青岚 - 拼音"));
  registry_.Put(key, u"v60", kRegDword, {0, 0, 0, 0});
  EXPECT_TRUE(SettingsExist(u"青岚 - 拼音"));
  registry_.FailNextCalls(1);  // one attempt only
  EXPECT_FALSE(SettingsExist(u"青岚 - 拼音"));
  EXPECT_EQ(registry_.openHandles(), 0);
}

TEST_F(InstallRecordTest, ReadingNeedsEveryStage) {
  SetupState& s = state;
  s.displayName.Assign(u"青岚 - 拼音");
  EXPECT_FALSE(ReadInstallRecord(s));

  std::u16string key = std::u16string(kRecordPath) + u"青岚 - 拼音";
  registry_.Put(key, u"path", kRegSz, RegStringBytes(u"D:\\旧\\"));
  EXPECT_FALSE(ReadInstallRecord(s));  // no "ck"
  registry_.Put(key, u"ck", kRegSz, RegStringBytes(u"cz.dat"));
  ASSERT_TRUE(ReadInstallRecord(s));
  EXPECT_EQ(s.previousPath.view(), u"D:\\旧\\");
  EXPECT_EQ(s.previousDataFile.view(), u"cz.dat");

  // The current-version key is tried 20 times.
  registry_.FailNextCalls(19);
  EXPECT_TRUE(ReadInstallRecord(s));
  registry_.FailNextCalls(20);
  EXPECT_FALSE(ReadInstallRecord(s));

  // A path that does not fit the 260-byte buffer is not found.
  registry_.Put(key, u"path", kRegSz, RegStringBytes(std::u16string(130, u'a')));
  EXPECT_FALSE(ReadInstallRecord(s));
  registry_.Put(key, u"path", kRegSz, RegStringBytes(std::u16string(129, u'a')));
  EXPECT_TRUE(ReadInstallRecord(s));
  EXPECT_EQ(registry_.openHandles(), 0);
}

}  // namespace
}  // namespace ql
