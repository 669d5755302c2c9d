#include "setup/install/package_move.h"

#include <gtest/gtest.h>

#include <vector>

#include "setup/common/files.h"
#include "setup/common/text.h"
#include "tests/support/test_support.h"

namespace ql {
namespace {

std::vector<uint8_t> Bytes(const char* text) {
  return std::vector<uint8_t>(text, text + std::char_traits<char>::length(text));
}

// A reinstall over an earlier installation: the folders that exist are merged, files of the same
// name replaced, files only the target has kept, and the package folder left empty.
TEST(PackageMove, MergesIntoExistingFoldersAndEmptiesThePackage) {
  test::TempFolder package;
  test::TempFolder target;
  package.Write(u"setup.ini", Bytes("new"));
  package.Write(u"文本词库\\zk.txt", Bytes("new zk"));
  package.Write(u"输入方案\\拼音\\mb.txt", Bytes("new mb"));
  target.Write(u"文本词库\\zk.txt", Bytes("old zk"));
  target.Write(u"文本词库\\mine.txt", Bytes("the user's"));
  target.Write(u"输入方案\\拼音\\User.idx", Bytes("old index"));

  EXPECT_EQ(MovePackageFolder(PlatformPackageMoveSystem(), package.path(), target.path()),
            std::nullopt);
  EXPECT_EQ(ReadFileBytes(target.path() + u"setup.ini"), Bytes("new"));
  EXPECT_EQ(ReadFileBytes(target.path() + u"文本词库\\zk.txt"), Bytes("new zk"));
  EXPECT_EQ(ReadFileBytes(target.path() + u"输入方案\\拼音\\mb.txt"), Bytes("new mb"));
  EXPECT_EQ(ReadFileBytes(target.path() + u"文本词库\\mine.txt"), Bytes("the user's"));
  EXPECT_EQ(ReadFileBytes(target.path() + u"输入方案\\拼音\\User.idx"), Bytes("old index"));
  EXPECT_FALSE(PathExists(package.path() + u"文本词库"));
  EXPECT_FALSE(PathExists(package.path() + u"setup.ini"));
}

// From read-only media nothing moves: every file is copied and the package stays. A file that
// neither moves nor copies is the one named.
TEST(PackageMove, CopiesWhatCannotMoveAndNamesWhatDidNotArrive) {
  test::TempFolder package;
  test::TempFolder target;
  package.Write(u"setup.ini", Bytes("ini"));
  package.Write(u"文本词库\\zk.txt", Bytes("zk"));
  PackageMoveSystem readOnly = PlatformPackageMoveSystem();
  readOnly.moveFile = [](std::u16string_view, std::u16string_view) { return false; };
  EXPECT_EQ(MovePackageFolder(readOnly, package.path(), target.path()), std::nullopt);
  EXPECT_EQ(ReadFileBytes(target.path() + u"文本词库\\zk.txt"), Bytes("zk"));
  EXPECT_EQ(ReadFileBytes(package.path() + u"文本词库\\zk.txt"), Bytes("zk"));

  PackageMoveSystem broken = readOnly;
  broken.copyFile = [copy = readOnly.copyFile](std::u16string_view from, std::u16string_view to) {
    return from.find(u"zk.txt") == std::u16string_view::npos && copy(from, to);
  };
  ASSERT_TRUE(RemoveFile(target.path() + u"文本词库\\zk.txt"));
  EXPECT_EQ(MovePackageFolder(broken, package.path(), target.path()),
            package.path() + u"文本词库\\zk.txt");
}

// The installed folder inside the package folder is not moved into itself.
TEST(PackageMove, AnInstalledFolderInsideThePackageStaysWhereItIs) {
  test::TempFolder package;
  package.Write(u"setup.ini", Bytes("ini"));
  package.Write(u"安装\\old.txt", Bytes("old"));
  const std::u16string target = package.path() + u"安装\\";
  EXPECT_EQ(MovePackageFolder(PlatformPackageMoveSystem(), package.path(), target), std::nullopt);
  EXPECT_EQ(ReadFileBytes(target + u"setup.ini"), Bytes("ini"));
  EXPECT_EQ(ReadFileBytes(target + u"old.txt"), Bytes("old"));
}

}  // namespace
}  // namespace ql
