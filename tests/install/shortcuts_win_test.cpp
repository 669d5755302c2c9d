// The program group under Wine, read back through the shell-link interface. Wine's GetPath turns
// characters outside the ANSI page into '?', so targets are read through the link's item list,
// which keeps them exactly.
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "setup/common/files.h"
#include "setup/common/text.h"
#include "setup/common/win.h"
#include "setup/install/shortcuts.h"
#include "setup/model/setup_state.h"
#include "tests/support/test_support.h"

namespace ql {
namespace {

struct Link {
  HRESULT loaded = E_FAIL;
  std::wstring target;
  std::wstring workingDirectory;
};

Link ReadLink(const std::wstring& path) {
  Link link;
  IShellLinkW* shellLink = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&shellLink)))) {
    return link;
  }
  IPersistFile* file = nullptr;
  if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    link.loaded = file->Load(path.c_str(), STGM_READ);
    file->Release();
  }
  LPITEMIDLIST items = nullptr;
  wchar_t text[MAX_PATH] = {};
  if (SUCCEEDED(link.loaded) && SUCCEEDED(shellLink->GetIDList(&items)) && items != nullptr &&
      SHGetPathFromIDListW(items, text)) {
    link.target = text;
  }
  CoTaskMemFree(items);
  text[0] = 0;
  if (SUCCEEDED(link.loaded) && SUCCEEDED(shellLink->GetWorkingDirectory(text, MAX_PATH)))
    link.workingDirectory = text;
  shellLink->Release();
  return link;
}

std::wstring CommonPrograms() {
  wchar_t path[MAX_PATH] = {};
  EXPECT_TRUE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_COMMON_PROGRAMS, FALSE));
  return path;
}

// True when this thread's COM is not initialised: a multithreaded initialisation then succeeds
// with S_OK (S_FALSE if it was, RPC_E_CHANGED_MODE if a single-threaded apartment is left open).
bool ComIsReleased() {
  HRESULT status = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (SUCCEEDED(status))
    CoUninitialize();
  return status == S_OK;
}

void WriteFile(const std::wstring& path, const char* text) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  ASSERT_TRUE(file);
  ASSERT_TRUE(::WriteFile(file.get(), text, static_cast<DWORD>(strlen(text)), &written, nullptr));
}

class ProgramShortcutsTest : public ::testing::Test {
 protected:
  SetupState state;
  void SetUp() override {
    std::random_device random;
    displayName = u"测试输入法" + Utf8ToUtf16(std::to_string(random() % 100000));
    group = CommonPrograms() + L"\\" + WString(displayName);
    state.displayName.Assign(displayName);
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  }
  void TearDown() override {
    CoUninitialize();
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(group), ignored);
  }

  // The installed folder of a run: a Chinese folder name, with the package's targets in it.
  std::wstring Install(const wchar_t* name) {
    std::wstring folder = WString(temp.path()) + name + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"TOOL").c_str(), nullptr);
    for (const wchar_t* target :
         {L"TOOL\\qlcz.exe", L"TOOL\\qlmb.exe", L"setup.exe", L"IMEHELP.CHM", L"uninsta.exe"}) {
      WriteFile(folder + target, "x");
    }
    state.installFolder.Assign(U(folder.c_str()));
    return folder;
  }

  void ExpectGroup(const std::wstring& folder) {
    // The folder without its trailing backslash.
    const std::wstring base = folder.substr(0, folder.size() - 1);
    struct Expected {
      std::wstring link;
      std::wstring target;
      std::wstring workingDirectory;
    };
    const Expected expected[] = {
        {L"多音词组提取程序.lnk", folder + L"TOOL\\qlcz.exe", folder + L"TOOL"},
        {L"码表处理程序.lnk", folder + L"TOOL\\qlmb.exe", folder + L"TOOL"},
        {L"重新安装.lnk", folder + L"setup.exe", base},
        {L"软件帮助.lnk", folder + L"IMEHELP.CHM", base},
        {L"卸载 " + WString(displayName) + L".lnk", folder + L"uninsta.exe", base},
    };
    for (const Expected& e : expected) {
      SCOPED_TRACE(Utf16ToUtf8(U(e.link.c_str())));
      Link link = ReadLink(group + L"\\" + e.link);
      ASSERT_EQ(link.loaded, S_OK);
      EXPECT_EQ(link.target, e.target);
      EXPECT_EQ(link.workingDirectory, e.workingDirectory);
    }
  }

  test::TempFolder temp;
  std::u16string displayName;
  std::wstring group;
};

TEST_F(ProgramShortcutsTest, TheGroupHoldsTheFiveShortcutsIntoTheInstalledFolder) {
  std::wstring folder = Install(L"青岚输入法");
  CreateProgramShortcuts(state);
  ExpectGroup(folder);
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(group))) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 5u);
}

// A second installation into another folder replaces the five links, a damaged one too, and
// leaves the group's other files alone.
TEST_F(ProgramShortcutsTest, ASecondInstallationReplacesTheLinksOnly) {
  Install(L"第一次");
  CreateProgramShortcuts(state);
  WriteFile(group + L"\\说明.txt", "keep me");
  WriteFile(group + L"\\重新安装.lnk", "damaged");

  std::wstring second = Install(L"第二次");
  CreateProgramShortcuts(state);
  ExpectGroup(second);
  std::optional<std::vector<uint8_t>> kept =
      ReadFileBytes(U(group.c_str()) + std::u16string(u"\\说明.txt"));
  ASSERT_TRUE(kept);
  EXPECT_EQ(std::string(kept->begin(), kept->end()), "keep me");
}

// Targets need not exist; a target without a folder gets no link (its working directory cannot be
// told), and a group folder that does not exist makes the save fail. COM is released after each.
TEST(CreateShortcut, StatusOfTheLastStepAndCOMReleasedOnEveryPath) {
  test::TempFolder temp;
  std::u16string group = temp.path().substr(0, temp.path().size() - 1);

  EXPECT_EQ(CreateShortcut(temp.path() + u"缺少\\missing.exe", group, u"缺少.lnk"), S_OK);
  EXPECT_TRUE(ComIsReleased());
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  Link missing = ReadLink(WString(temp.path() + u"缺少.lnk"));
  CoUninitialize();
  EXPECT_EQ(missing.loaded, S_OK);
  EXPECT_EQ(missing.workingDirectory, WString(temp.path() + u"缺少"));

  EXPECT_GE(CreateShortcut(u"missing.exe", group, u"no folder.lnk"), 0);
  EXPECT_TRUE(ComIsReleased());
  EXPECT_EQ(GetFileAttributesW(WString(temp.path() + u"no folder.lnk").c_str()),
            INVALID_FILE_ATTRIBUTES);

  EXPECT_LT(CreateShortcut(temp.path() + u"a.exe", group + u"\\没有这个文件夹", u"a.lnk"), 0);
  EXPECT_TRUE(ComIsReleased());
}

}  // namespace
}  // namespace ql
