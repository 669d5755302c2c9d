// Who may change what in the installed folder: the calls made on a package-shaped tree when the
// code is locked after the move and when the folder is opened to all users at the end.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "setup/common/text.h"
#include "setup/install/folder_access.h"

namespace ql {
namespace {

// Folders (ending in '\') and the entries each holds; every call is logged in order.
struct Tree {
  std::map<std::u16string, std::vector<FolderEntry>> folders;
  std::vector<std::string> log;

  FolderAccessCalls Calls() {
    FolderAccessCalls calls;
    calls.list = [this](std::u16string_view folder) -> std::optional<std::vector<FolderEntry>> {
      auto found = folders.find(std::u16string(folder));
      if (found == folders.end())
        return std::nullopt;
      return found->second;
    };
    calls.grant = [this](std::u16string_view path) { Log("grant ", path); };
    calls.restrict = [this](std::u16string_view path, bool isFolder) {
      Log(isFolder ? "restrict tree " : "restrict ", path);
    };
    calls.denyDeleteChild = [this](std::u16string_view folder) { Log("deny delete ", folder); };
    return calls;
  }
  void Log(const char* what, std::u16string_view path) { log.push_back(what + Utf16ToUtf8(path)); }
};

TEST(FolderAccess, CodeIsLockedFirstAndDataOpenedLast) {
  Tree tree;
  tree.folders[u"D:\\青岚\\"] = {
      {u"setup.exe", false}, {u"uninsta.exe", false}, {u"qlsrfpt.IME", false}, {u"cz.dat", false},
      {u"tool", true},       {u"输入方案", true},     {u"自定义输入", true}};
  tree.folders[u"D:\\青岚\\tool\\"] = {
      {u"QLTOOL.dll", false}, {u"readme.txt", false}, {u"sub", true}};
  tree.folders[u"D:\\青岚\\tool\\sub\\"] = {{u"data.bin", false}};
  tree.folders[u"D:\\青岚\\输入方案\\"] = {{u"拼音", true}};
  tree.folders[u"D:\\青岚\\输入方案\\拼音\\"] = {{u"mb.txt", false}, {u"helper.Dll", false}};
  // A folder that cannot be read is passed over.

  LockInstalledCode(tree.Calls(), u"D:\\青岚\\");
  EXPECT_EQ(tree.log, (std::vector<std::string>{
                          "deny delete D:\\青岚\\",
                          "restrict D:\\青岚\\setup.exe",
                          "restrict D:\\青岚\\uninsta.exe",
                          "restrict D:\\青岚\\qlsrfpt.IME",
                          "restrict tree D:\\青岚\\tool\\",
                          "restrict D:\\青岚\\tool\\QLTOOL.dll",
                          "restrict D:\\青岚\\tool\\readme.txt",
                          "restrict tree D:\\青岚\\tool\\sub\\",
                          "restrict D:\\青岚\\tool\\sub\\data.bin",
                          "deny delete D:\\青岚\\输入方案\\拼音\\",
                          "restrict D:\\青岚\\输入方案\\拼音\\helper.Dll",
                      }));

  // Data inherit nothing of a grant made after them: each gets it; code, and all of the tool
  // folder, is left as locked, and the deny of deletions is given again after the folder's grant.
  tree.log.clear();
  OpenDataToAllUsers(tree.Calls(), u"D:\\青岚\\");
  EXPECT_EQ(tree.log, (std::vector<std::string>{
                          "grant D:\\青岚\\",
                          "deny delete D:\\青岚\\",
                          "grant D:\\青岚\\cz.dat",
                          "grant D:\\青岚\\输入方案\\",
                          "grant D:\\青岚\\输入方案\\拼音\\",
                          "deny delete D:\\青岚\\输入方案\\拼音\\",
                          "grant D:\\青岚\\输入方案\\拼音\\mb.txt",
                          "grant D:\\青岚\\自定义输入\\",
                      }));
}

TEST(FolderAccess, WhatRunsAsCode) {
  for (const char16_t* name : {u"setup.exe", u"X.DLL", u"ql1.ime", u"a.Bat", u"b.cmd", u"c.msi"})
    EXPECT_TRUE(RunsAsCode(name)) << Utf16ToUtf8(name);
  for (const char16_t* name : {u"exe", u".exe.txt", u"cz.dat", u"mb.txt", u"setup.ini", u"dll"})
    EXPECT_FALSE(RunsAsCode(name)) << Utf16ToUtf8(name);
}

}  // namespace
}  // namespace ql
