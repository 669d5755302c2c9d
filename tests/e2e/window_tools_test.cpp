// The driver's window tools on windows of the test's own process: the tree-view helpers go
// through memory allocated in the "other" process exactly as they do for setup.
#include "tests/e2e/window_tools.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ql::e2e {
namespace {

struct WindowTraits {
  using Type = HWND;
  static HWND Invalid() { return nullptr; }
  static void Close(HWND window) { DestroyWindow(window); }
};
using UniqueWindow = UniqueHandle<WindowTraits>;

HTREEITEM Insert(HWND tree, HTREEITEM parent, const wchar_t* text) {
  TVINSERTSTRUCTW insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT;
  insert.item.pszText = const_cast<wchar_t*>(text);
  return reinterpret_cast<HTREEITEM>(
      SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

class WindowToolsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    frame_.Reset(CreateWindowExW(0, L"STATIC", L"青岚", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                 300, 200, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(frame_);
    tree_ = CreateWindowExW(0, WC_TREEVIEWW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 280, 160,
                            frame_.get(), reinterpret_cast<HMENU>(1001), nullptr, nullptr);
    ASSERT_NE(tree_, nullptr);
    // Check boxes set after creation, as setup's install dialog does.
    SetWindowLongW(tree_, GWL_STYLE, GetWindowLongW(tree_, GWL_STYLE) | TVS_CHECKBOXES);
  }

  UniqueWindow frame_;
  HWND tree_ = nullptr;
};

TEST_F(WindowToolsTest, ReadsTreeItemsInDisplayOrderAndSetsCheckMarks) {
  HTREEITEM schemes = Insert(tree_, TVI_ROOT, L"输入方案");
  HTREEITEM pinyin = Insert(tree_, schemes, L"青岚拼音");
  Insert(tree_, schemes, L"青岚形码");
  Insert(tree_, TVI_ROOT, L"词库");
  HANDLE self = GetCurrentProcess();

  std::vector<TreeItem> items;
  ASSERT_TRUE(ReadTree(tree_, self, items));
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].text, L"输入方案");
  EXPECT_EQ(items[0].depth, 0);
  EXPECT_EQ(items[1].text, L"青岚拼音");
  EXPECT_EQ(items[1].depth, 1);
  EXPECT_EQ(items[2].text, L"青岚形码");
  EXPECT_EQ(items[3].text, L"词库");
  EXPECT_EQ(items[3].depth, 0);
  for (const TreeItem& item : items)
    EXPECT_FALSE(item.checked) << item.text.size();

  ASSERT_TRUE(SetTreeCheck(tree_, self, pinyin, true));
  EXPECT_EQ(
      SendMessageW(tree_, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(pinyin), TVIS_STATEIMAGEMASK),
      static_cast<LRESULT>(INDEXTOSTATEIMAGEMASK(2)));
  ASSERT_TRUE(ReadTree(tree_, self, items));
  EXPECT_TRUE(items[1].checked);
  EXPECT_FALSE(items[2].checked);

  ASSERT_TRUE(SetTreeCheck(tree_, self, pinyin, false));
  ASSERT_TRUE(ReadTree(tree_, self, items));
  EXPECT_FALSE(items[1].checked);
}

TEST_F(WindowToolsTest, AWindowThatIsNoDialogOfSetupIsUnknown) {
  EXPECT_EQ(IdentifyDialog(frame_.get()), DialogKind::kUnknown);
  EXPECT_EQ(WindowText(frame_.get()), L"青岚");
  EXPECT_EQ(VisibleWindowsOf(GetCurrentProcessId()).size(), 1u);
}

TEST_F(WindowToolsTest, PictureIsABottomUpBmpOfTheWholeWindow) {
  wchar_t folder[MAX_PATH] = {};
  ASSERT_GT(GetTempPathW(MAX_PATH, folder), 0u);
  std::wstring path = std::wstring(folder) + L"ql_window_tools_test.bmp";
  std::wstring error;
  ASSERT_TRUE(SaveWindowPicture(frame_.get(), path, error)) << error.size();

  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file);
  unsigned char header[54] = {};
  DWORD got = 0;
  ASSERT_TRUE(ReadFile(file.get(), header, sizeof header, &got, nullptr));
  ASSERT_EQ(got, sizeof header);
  auto u32 = [&](int at) {
    return static_cast<uint32_t>(header[at] | header[at + 1] << 8 | header[at + 2] << 16 |
                                 header[at + 3] << 24);
  };
  RECT rect = {};
  GetWindowRect(frame_.get(), &rect);
  const uint32_t width = static_cast<uint32_t>(rect.right - rect.left);
  const uint32_t height = static_cast<uint32_t>(rect.bottom - rect.top);
  const uint32_t stride = (width * 3 + 3) & ~3u;
  EXPECT_EQ(header[0], 'B');
  EXPECT_EQ(header[1], 'M');
  EXPECT_EQ(u32(2), 54 + stride * height);
  EXPECT_EQ(u32(10), 54u);
  EXPECT_EQ(u32(18), width);
  EXPECT_EQ(u32(22), height);
  EXPECT_EQ(GetFileSize(file.get(), nullptr), 54 + stride * height);
  file.Reset();
  DeleteFileW(path.c_str());
}

}  // namespace
}  // namespace ql::e2e
