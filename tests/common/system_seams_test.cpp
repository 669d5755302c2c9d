// The registry, file and scratch-block seams on the real system calls.
#include <windows.h>

#include <gtest/gtest.h>

#include "setup/common/files.h"
#include "setup/common/registry.h"
#include "setup/common/scratch_mapping.h"
#include "setup/common/win.h"
#include "tests/support/test_support.h"

namespace ql {
namespace {

constexpr char16_t kCurrentVersion[] = u"Software\\Microsoft\\Windows\\CurrentVersion";
constexpr char16_t kTestKeyName[] = u"青岚输入法平台 seam test";

TEST(SystemRegistry, SettingsKeyIsCreatedOpenedAndHoldsValues) {
  RegKey current;
  ASSERT_EQ(TheRegistry().OpenKey(kHkeyCurrentUser, kCurrentVersion, kKeyRead | kKeySetValue,
                                  current.Receive()),
            kErrorSuccess);
  {
    RegKey settings;
    ASSERT_EQ(
        TheRegistry().CreateKey(current.get(), kTestKeyName, kKeyAllAccess, settings.Receive()),
        kErrorSuccess);
    std::vector<uint8_t> path = RegStringBytes(u"C:\\青岚\\");
    ASSERT_EQ(TheRegistry().SetValue(settings.get(), u"path", kRegSz, path.data(), path.size()),
              kErrorSuccess);
    const uint8_t binary[60] = {1, 2, 3};
    ASSERT_EQ(TheRegistry().SetValue(settings.get(), u"键位符号", kRegBinary, binary, 60),
              kErrorSuccess);
  }
  RegKey again;
  ASSERT_EQ(TheRegistry().CreateKey(current.get(), kTestKeyName, kKeyAllAccess, again.Receive()),
            kErrorSuccess);
  uint32_t count = 0;
  EXPECT_EQ(TheRegistry().CountValues(again.get(), &count), kErrorSuccess);
  EXPECT_EQ(count, 2u);
  uint32_t type = 0;
  std::vector<uint8_t> data;
  ASSERT_EQ(TheRegistry().QueryValue(again.get(), u"PATH", &type, &data), kErrorSuccess);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(RegStringText(data), u"C:\\青岚\\");
  EXPECT_EQ(data.size(), 14u);  // with its terminator
  ASSERT_EQ(TheRegistry().QueryValue(again.get(), u"键位符号", &type, &data), kErrorSuccess);
  EXPECT_EQ(type, kRegBinary);
  EXPECT_EQ(data.size(), 60u);
  EXPECT_EQ(TheRegistry().QueryValue(again.get(), u"missing", &type, &data), kErrorFileNotFound);
  again.Reset();
  RegDeleteKeyW(reinterpret_cast<HKEY>(current.get()), W(kTestKeyName));
}

TEST(SystemFiles, WholeFileReadAndWriteWithChinesePaths) {
  test::TempFolder folder;
  std::u16string path = folder.path() + u"词库.dat";
  const uint8_t bytes[] = {0, 1, 2, 0xFF};
  ASSERT_TRUE(WriteFileBytes(path, bytes, sizeof bytes));
  EXPECT_TRUE(FileExists(path));
  auto read = ReadFileBytes(path);
  ASSERT_TRUE(read);
  EXPECT_EQ(*read, std::vector<uint8_t>(bytes, bytes + 4));
  auto head = ReadFileBytes(path, 2);
  ASSERT_TRUE(head);
  EXPECT_EQ(head->size(), 2u);
  EXPECT_FALSE(ReadFileBytes(folder.path() + u"missing"));
  EXPECT_FALSE(FileExists(folder.path()));  // a folder is not a file
}

TEST(SystemScratch, ABlockThatExistedIsZeroedAndASmallerOneRefused) {
  test::RecordingUi ui;
  ScopedUi scope(ui);
  // Another holder keeps a block of the name alive with data in it.
  UniqueKernelHandle other(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                              1 << 16, L"qlseamblock"));
  ASSERT_TRUE(other);
  UniqueView otherView(MapViewOfFile(other.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
  ASSERT_TRUE(otherView);
  static_cast<uint8_t*>(otherView.get())[100] = 0x5A;
  {
    ScratchMapping block(u"qlseamblock", 1 << 16);
    ASSERT_TRUE(block.ok());
    EXPECT_EQ(block.data()[100], 0);
    EXPECT_EQ(static_cast<uint8_t*>(otherView.get())[100], 0);  // same memory
  }
  {
    // Asking for more than the existing block holds must not hand out a short view.
    ScratchMapping block(u"qlseamblock", 1 << 20);
    EXPECT_FALSE(block.ok());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, u"can not create filemappingb");
    EXPECT_EQ(ui.messages[0].caption, u"qlseamblock");
  }
  EXPECT_FALSE(ScratchMapping::Active());
}

TEST(SystemScratch, PinyinIndexBlockSize) {
  ScratchMapping block(u"builpyidx", kPinyinIndexScratchSize);
  ASSERT_TRUE(block.ok());
  EXPECT_EQ(block.size(), 104857600u);
  block.data()[block.size() - 1] = 1;  // the whole block is mapped
}

}  // namespace
}  // namespace ql
