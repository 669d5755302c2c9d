#include "setup/common/path_names.h"

#include <gtest/gtest.h>

#include "setup/common/text.h"

namespace ql {
namespace {

TEST(PathNames, PlainNamesAndContainedPaths) {
  for (const char16_t* name : {u"abc", u"a.txt", u".5", u"词库 一", u"a..b", u"...a"})
    EXPECT_TRUE(IsPlainName(name)) << Utf16ToUtf8(name);
  for (const char16_t* name : {u"", u".", u"..", u"...", u". .", u"  ", u".. ", u"a\\b", u"../x",
                               u"a/b", u"C:x", u"a*", u"a?", u"a\"b", u"<a>", u"a|b", u"a\tb"})
    EXPECT_FALSE(IsPlainName(name)) << Utf16ToUtf8(name);

  for (const char16_t* path : {u"", u"拼音", u"拼音\\子", u"a/b", u"拼音\\", u"a\\\\b", u"...a\\b"})
    EXPECT_TRUE(IsContainedRelativePath(path)) << Utf16ToUtf8(path);
  for (const char16_t* path : {u"..", u"..\\..\\escaped", u"a\\..\\..\\b", u"a/../b", u"\\x", u"/x",
                               u"\\\\srv\\share", u"\\\\?\\C:\\x", u"\\\\.\\pipe", u"C:\\x", u"C:x",
                               u"a\\.. \\b", u"a\\. .", u".", u"a\\b*", u"a\x01"})
    EXPECT_FALSE(IsContainedRelativePath(path)) << Utf16ToUtf8(path);
}

TEST(PathNames, AbsoluteFoldersResolveAsTheSystemResolvesThem) {
  struct Case {
    const char16_t* path;
    const char16_t* resolved;  // nullptr: not an absolute folder form
  } cases[] = {
      {u"C:\\a\\b", u"C:\\a\\b"},
      {u"c:/a//b/", u"c:\\a\\b"},
      {u"C:\\a\\..\\..\\b", u"C:\\b"},
      {u"C:\\.", u"C:\\"},
      {u"C:\\..", u"C:\\"},
      {u"C:\\a. \\b..", u"C:\\a\\b"},
      {u"C:\\ . \\a", u"C:\\a"},
      {u"\\\\srv\\share\\a\\..\\..", u"\\\\srv\\share\\"},
      {u"//srv/share/x", u"\\\\srv\\share\\x"},
      {u"abc", nullptr},
      {u"..\\a", nullptr},
      {u"C:a", nullptr},
      {u"\\a", nullptr},
      {u"\\\\?\\C:\\a", nullptr},
      {u"\\\\.\\pipe\\a", nullptr},
      {u"1:\\a", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.path));
    EXPECT_EQ(IsAbsoluteFolderForm(c.path), c.resolved != nullptr);
    EXPECT_EQ(ResolveAbsolutePath(c.path), c.resolved != nullptr ? c.resolved : c.path);
  }
  for (const char16_t* path :
       {u"C:\\a", u"C:\\a b\\c.d\\", u"\\\\srv\\share", u"\\\\srv\\share\\x"})
    EXPECT_TRUE(HasOnlyPlainNames(path)) << Utf16ToUtf8(path);
  for (const char16_t* path :
       {u"C:\\ . \\", u"C:\\a\\..\\b", u"C:\\...", u"\\\\srv\\share\\..", u"C:\\a:b", u"a\\b"})
    EXPECT_FALSE(HasOnlyPlainNames(path)) << Utf16ToUtf8(path);
  EXPECT_TRUE(SameFolderPath(u"C:\\Program Files\\", u"c:\\program files"));
  EXPECT_FALSE(SameFolderPath(u"C:\\Program Files\\a", u"C:\\Program Files"));
}

}  // namespace
}  // namespace ql
