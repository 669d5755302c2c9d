#include "setup/common/files.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <vector>

#include "tests/support/test_support.h"

namespace ql {
namespace {

// A write that cannot finish (here: the file-size limit standing in for a full disk, and a
// temporary name that is taken) leaves the earlier file byte for byte and nothing beside it.
TEST(Files, AFailedWriteLeavesTheFileAsItWas) {
  test::TempFolder folder;
  const std::u16string path = folder.path() + u"cz.dat";
  const std::vector<uint8_t> before(3000, 0x5A);
  ASSERT_TRUE(WriteFileBytes(path, before.data(), before.size()));
  EXPECT_FALSE(FileExists(path + u".ql-new"));

  const std::vector<uint8_t> after(20000, 0xA5);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = saved;
  limited.rlim_cur = 8192;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const bool written = WriteFileBytes(path, after.data(), after.size());
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(written);
  EXPECT_EQ(ReadFileBytes(path), before);
  EXPECT_FALSE(FileExists(path + u".ql-new"));

  ASSERT_TRUE(EnsureFolder(path + u".ql-new"));
  EXPECT_FALSE(WriteFileBytes(path, after.data(), after.size()));
  EXPECT_EQ(ReadFileBytes(path), before);

  ASSERT_TRUE(WriteFileBytes(folder.path() + u"User.dat", after.data(), after.size()));
  EXPECT_EQ(ReadFileBytes(folder.path() + u"User.dat"), after);
}

// What must not exist yet is created once, and a name that is taken keeps what it holds.
TEST(Files, NewFilesAndFoldersNeverReplaceWhatIsThere) {
  test::TempFolder folder;
  const std::u16string path = folder.path() + u"a.txt";
  const std::vector<uint8_t> first(10, 1), second(20, 2);
  EXPECT_EQ(WriteNewFileBytes(path, first.data(), first.size()), NewEntry::kCreated);
  EXPECT_EQ(WriteNewFileBytes(path, second.data(), second.size()), NewEntry::kExists);
  EXPECT_EQ(ReadFileBytes(path), first);
  EXPECT_FALSE(PathExists(path + u".ql-new"));
  EXPECT_EQ(WriteNewFileBytes(folder.path() + u"missing\\a.txt", first.data(), first.size()),
            NewEntry::kFailed);

  EXPECT_EQ(CreateNewFolder(folder.path() + u"方案"), NewEntry::kCreated);
  EXPECT_EQ(CreateNewFolder(folder.path() + u"方案"), NewEntry::kExists);
  EXPECT_EQ(CreateNewFolder(path), NewEntry::kExists);
  EXPECT_TRUE(PathExists(folder.path() + u"方案"));
}

}  // namespace
}  // namespace ql
