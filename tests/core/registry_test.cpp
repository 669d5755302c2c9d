#include "setup/common/registry.h"

#include <gtest/gtest.h>

#include "setup/model/manifest.h"

namespace ql {
namespace {

TEST(Registry, CurrentVersionKeyAndNamedSubkey) {
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

TEST(Registry, RefusalsAreCountedAndReported) {
  MemoryRegistry registry;
  ScopedRegistry scope(registry);
  registry.Put(u"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion", u"x", kRegSz, {});
  registry.FailNextCalls(2);
  RegKey key;
  EXPECT_EQ(OpenCurrentVersionKey(kHkeyLocalMachine, &key), kErrorAccessDenied);
  EXPECT_EQ(OpenCurrentVersionKey(kHkeyLocalMachine, &key), kErrorAccessDenied);
  EXPECT_EQ(OpenCurrentVersionKey(kHkeyLocalMachine, &key), kErrorSuccess);
  EXPECT_EQ(registry.callCount(), 3);
}

TEST(Registry, EnumeratesSubkeys) {
  MemoryRegistry registry;
  registry.Put(u"HKLM\\Layouts\\E0200804", u"Layout Text", kRegSz, RegStringBytes(u"a"));
  registry.Put(u"HKLM\\Layouts\\00000409", u"Layout Text", kRegSz, RegStringBytes(u"b"));
  RegHandle key = 0;
  ASSERT_EQ(registry.OpenKey(kHkeyLocalMachine, u"Layouts", kKeyRead, &key), kErrorSuccess);
  std::u16string name;
  EXPECT_EQ(registry.EnumKey(key, 0, &name), kErrorSuccess);
  EXPECT_EQ(name, u"00000409");
  EXPECT_EQ(registry.EnumKey(key, 1, &name), kErrorSuccess);
  EXPECT_EQ(name, u"E0200804");
  EXPECT_EQ(registry.EnumKey(key, 2, &name), kErrorNoMoreItems);
  registry.CloseKey(key);
}

}  // namespace
}  // namespace ql
