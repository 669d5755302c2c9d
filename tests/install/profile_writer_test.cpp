#include "setup/install/profile_writer.h"

#include <gtest/gtest.h>

#include "setup/common/files.h"
#include "setup/common/profile_file.h"
#include "tests/support/test_support.h"

namespace ql {
namespace {

TEST(ProfileWriter, ReplacesAddsAndKeepsTheRest) {
  const std::u16string text =
      u"[soft]\r\nMainName=青岚输入法平台\r\nimefilename = qlsrfpt\r\n\r\n[词库1]\r\nname=x\r\n";
  EXPECT_EQ(SetProfileValue(text, u"SOFT", u"ImeFileName", u"00ABCDEF"),
            u"[soft]\r\nMainName=青岚输入法平台\r\nImeFileName=00ABCDEF\r\n\r\n[词库1]\r\n"
            u"name=x\r\n");
  // A new key goes after the section's last line, before the blank line that ends it.
  EXPECT_EQ(
      SetProfileValue(text, u"soft", u"Name", u"青岚输入法平台 五笔"),
      u"[soft]\r\nMainName=青岚输入法平台\r\nimefilename = qlsrfpt\r\nName=青岚输入法平台 五笔"
      u"\r\n\r\n[词库1]\r\nname=x\r\n");
  EXPECT_EQ(SetProfileValue(u"[a]\r\nk=1", u"a", u"j", u"2"), u"[a]\r\nk=1\r\nj=2\r\n");
  EXPECT_EQ(SetProfileValue(u"[a]\r\nk=1", u"soft", u"Name", u"n"),
            u"[a]\r\nk=1\r\n[soft]\r\nName=n\r\n");
  EXPECT_EQ(SetProfileValue(u"", u"soft", u"Name", u"n"), u"[soft]\r\nName=n\r\n");
}

TEST(ProfileWriter, FileStaysUtf16AndReadsBack) {
  test::TempFolder folder;
  folder.Write(u"setup.ini", test::Utf16File("[soft]\nName=青岚输入法平台\nVersion=4.00\n"));
  const std::u16string path = folder.path() + u"setup.ini";
  ASSERT_TRUE(WriteProfileStringToFile(path, u"soft", u"Name", u"青岚输入法平台 拼音"));
  ASSERT_TRUE(WriteProfileStringToFile(path, u"soft", u"ImeFileName", u"00ABCDEF"));
  auto bytes = ReadFileBytes(path);
  ASSERT_TRUE(bytes);
  ProfileFile file = ProfileFile::Parse(bytes->data(), bytes->size());
  EXPECT_EQ(file.encoding(), ProfileFile::Encoding::kUtf16Le);
  EXPECT_EQ(file.Get(u"soft", u"Name", u"", 40), u"青岚输入法平台 拼音");
  EXPECT_EQ(file.Get(u"soft", u"ImeFileName", u"", 16), u"00ABCDEF");
  EXPECT_EQ(file.Get(u"soft", u"Version", u"", 10), u"4.00");

  // A file in another encoding is not touched.
  const std::vector<uint8_t> ansi = {'[', 's', 'o', 'f', 't', ']', '\r', '\n'};
  folder.Write(u"ansi.ini", ansi);
  EXPECT_FALSE(WriteProfileStringToFile(folder.path() + u"ansi.ini", u"soft", u"Name", u"x"));
  EXPECT_EQ(ReadFileBytes(folder.path() + u"ansi.ini"), ansi);
}

}  // namespace
}  // namespace ql
