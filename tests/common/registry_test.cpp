#include "setup/common/registry.h"

#include <gtest/gtest.h>

namespace ql {
namespace {

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
