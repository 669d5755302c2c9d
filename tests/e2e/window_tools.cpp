#include "tests/e2e/window_tools.h"

#include <cstdint>
#include <cstring>

#include "setup/resources/add_dialog_ids.h"
#include "setup/resources/resource.h"
#include "setup/resources/settings_ids.h"
#include "uninstall/resources/uninstall_ids.h"

#include <tlhelp32.h>

#include <set>
#include <utility>

namespace ql::e2e {
namespace {

// The static control of a message box that holds its text.
constexpr int kMessageTextId = 65535;
// The install dialog's progress bar.
constexpr int kInstallProgressId = 1475;
// The file name box of the system's open-file dialog.
constexpr int kOpenFileNameId = 1148;
// Control texts in window descriptions are cut to this many units.
constexpr size_t kDescribedUnits = 120;

struct EnumContext {
  std::set<DWORD> processIds;
  std::vector<HWND>* windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
  EnumContext& c = *reinterpret_cast<EnumContext*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (c.processIds.count(owner) && IsWindowVisible(window))
    c.windows->push_back(window);
  return TRUE;
}

// The process and every process below it in the tree of parents.
std::set<DWORD> ProcessTree(DWORD root) {
  std::set<DWORD> tree = {root};
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE)
    return tree;
  UniqueFile owner(snapshot);
  std::vector<std::pair<DWORD, DWORD>> parents;  // (process, parent)
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    parents.emplace_back(entry.th32ProcessID, entry.th32ParentProcessID);
  for (size_t added = 1; added != 0;) {
    added = 0;
    for (const auto& [process, parent] : parents) {
      if (tree.count(parent) && tree.insert(process).second)
        ++added;
    }
  }
  return tree;
}

BOOL CALLBACK DescribeChild(HWND child, LPARAM context) {
  std::wstring& out = *reinterpret_cast<std::wstring*>(context);
  std::wstring text = WindowText(child);
  if (text.size() > kDescribedUnits)
    text = text.substr(0, kDescribedUnits) + L"...";
  for (wchar_t& c : text) {
    if (c == L'\r' || c == L'\n')
      c = L' ';
  }
  out += L"\n    control " + std::to_wstring(GetDlgCtrlID(child)) + L" [" + WindowClass(child) +
         L"] \"" + text + L"\"";
  return TRUE;
}

// Owners of the GDI objects a capture needs.
class ScreenDc {
 public:
  ScreenDc() : dc_(GetDC(nullptr)) {}
  ~ScreenDc() {
    if (dc_)
      ReleaseDC(nullptr, dc_);
  }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

struct MemoryDcTraits {
  using Type = HDC;
  static HDC Invalid() { return nullptr; }
  static void Close(HDC dc) { DeleteDC(dc); }
};
struct GdiObjectTraits {
  using Type = HGDIOBJ;
  static HGDIOBJ Invalid() { return nullptr; }
  static void Close(HGDIOBJ object) { DeleteObject(object); }
};
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;
using UniqueGdiObject = UniqueHandle<GdiObjectTraits>;

// Selects an object into a DC for the lifetime of this owner, then puts the old one back.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~Selection() { SelectObject(dc_, old_); }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A block of memory in another process.
class RemoteBlock {
 public:
  RemoteBlock(HANDLE process, size_t size)
      : process_(process),
        address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {
  }
  ~RemoteBlock() {
    if (address_)
      VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;

  explicit operator bool() const { return address_ != nullptr; }
  void* at(size_t offset) const { return static_cast<uint8_t*>(address_) + offset; }
  bool Write(size_t offset, const void* data, size_t size) const {
    SIZE_T done = 0;
    return WriteProcessMemory(process_, at(offset), data, size, &done) && done == size;
  }
  bool Read(size_t offset, void* data, size_t size) const {
    SIZE_T done = 0;
    return ReadProcessMemory(process_, at(offset), data, size, &done) && done == size;
  }

 private:
  HANDLE process_;
  void* address_;
};

constexpr int kTreeTextUnits = 260;
constexpr size_t kTreeTextOffset = (sizeof(TVITEMW) + 15) / 16 * 16;
constexpr size_t kTreeBlockSize = kTreeTextOffset + kTreeTextUnits * sizeof(wchar_t);

bool ReadTreeItem(HWND tree, const RemoteBlock& block, HTREEITEM item, TreeItem& out) {
  TVITEMW query = {};
  query.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_STATE;
  query.hItem = item;
  query.stateMask = TVIS_STATEIMAGEMASK;
  query.pszText = static_cast<wchar_t*>(block.at(kTreeTextOffset));
  query.cchTextMax = kTreeTextUnits;
  wchar_t clear = 0;
  if (!block.Write(0, &query, sizeof query) || !block.Write(kTreeTextOffset, &clear, sizeof clear))
    return false;
  if (!SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(block.at(0))))
    return false;
  TVITEMW answer = {};
  wchar_t text[kTreeTextUnits] = {};
  if (!block.Read(0, &answer, sizeof answer) || !block.Read(kTreeTextOffset, text, sizeof text))
    return false;
  text[kTreeTextUnits - 1] = 0;
  out.item = item;
  out.text = text;
  // State image 1 is the empty box, 2 the checked one.
  out.checked = ((answer.state & TVIS_STATEIMAGEMASK) >> 12) == 2;
  return true;
}

HTREEITEM NextTreeItem(HWND tree, UINT relation, HTREEITEM item) {
  return reinterpret_cast<HTREEITEM>(
      SendMessageW(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

bool ReadTreeLevel(HWND tree,
                   const RemoteBlock& block,
                   HTREEITEM first,
                   int depth,
                   std::vector<TreeItem>& items) {
  for (HTREEITEM item = first; item; item = NextTreeItem(tree, TVGN_NEXT, item)) {
    TreeItem entry;
    if (!ReadTreeItem(tree, block, item, entry))
      return false;
    entry.depth = depth;
    items.push_back(entry);
    HTREEITEM child = NextTreeItem(tree, TVGN_CHILD, item);
    if (child && !ReadTreeLevel(tree, block, child, depth + 1, items))
      return false;
  }
  return true;
}

void AppendLittleEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

std::vector<HWND> VisibleWindowsOf(DWORD processId) {
  std::vector<HWND> windows;
  EnumContext context = {ProcessTree(processId), &windows};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&context));
  return windows;
}

std::wstring WindowClass(HWND window) {
  wchar_t name[256] = {};
  int n = GetClassNameW(window, name, 256);
  return std::wstring(name, n > 0 ? static_cast<size_t>(n) : 0);
}

std::wstring WindowText(HWND window) {
  LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0)
    return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  LRESULT copied =
      SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(copied > 0 && copied < length + 1 ? static_cast<size_t>(copied) : 0);
  return text;
}

HWND Control(HWND dialog, int id) {
  return GetDlgItem(dialog, id);
}

DialogKind IdentifyDialog(HWND window) {
  if (WindowClass(window) != L"#32770")
    return DialogKind::kUnknown;
  if (Control(window, IDC_LICENSE_TEXT) && Control(window, IDC_CONTINUE))
    return DialogKind::kAgreement;
  if (Control(window, kInstallProgressId))
    return DialogKind::kInstall;
  if (Control(window, IDC_SELECTION_KEY_1) && Control(window, IDC_INPUT_MODE_MIXED))
    return DialogKind::kSettings;
  if (Control(window, IDC_OPEN_SOURCE) && Control(window, IDC_USE_FREQUENCIES))
    return DialogKind::kAddDictionary;
  if (Control(window, IDC_OPEN_SOURCE) && Control(window, IDC_KIND_KEYPAD))
    return DialogKind::kAddScheme;
  if (Control(window, kOpenFileNameId))
    return DialogKind::kOpenFile;
  if (Control(window, IDC_KEEP_DATA) && Control(window, IDC_UNINSTALL_PROGRESS))
    return DialogKind::kUninstall;
  if (Control(window, kMessageTextId))
    return DialogKind::kMessage;
  return DialogKind::kUnknown;
}

const wchar_t* DialogKindName(DialogKind kind) {
  switch (kind) {
    case DialogKind::kAgreement:
      return L"agreement";
    case DialogKind::kInstall:
      return L"install";
    case DialogKind::kMessage:
      return L"message";
    case DialogKind::kSettings:
      return L"settings";
    case DialogKind::kAddDictionary:
      return L"add-dictionary";
    case DialogKind::kAddScheme:
      return L"add-scheme";
    case DialogKind::kOpenFile:
      return L"open-file";
    case DialogKind::kUninstall:
      return L"uninstall";
    case DialogKind::kUnknown:
      break;
  }
  return L"unknown";
}

bool ParseDialogKind(const std::wstring& name, DialogKind& kind) {
  for (DialogKind k : {DialogKind::kAgreement, DialogKind::kInstall, DialogKind::kMessage,
                       DialogKind::kSettings, DialogKind::kAddDictionary, DialogKind::kAddScheme,
                       DialogKind::kOpenFile, DialogKind::kUninstall}) {
    if (name == DialogKindName(k)) {
      kind = k;
      return true;
    }
  }
  return false;
}

std::wstring DescribeWindow(HWND window) {
  std::wstring out = std::wstring(DialogKindName(IdentifyDialog(window))) + L" window [" +
                     WindowClass(window) + L"] title \"" + WindowText(window) + L"\"";
  EnumChildWindows(window, DescribeChild, reinterpret_cast<LPARAM>(&out));
  return out;
}

std::wstring ControlState(HWND control) {
  std::wstring state = IsWindowEnabled(control) ? L"enabled" : L"disabled";
  return state +
         (SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? L" checked" : L" unchecked");
}

bool PressButton(HWND dialog, int id) {
  HWND button = Control(dialog, id);
  if (!button)
    return false;
  return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                      reinterpret_cast<LPARAM>(button)) != FALSE;
}

void AskToClose(HWND window) {
  PostMessageW(window, WM_CLOSE, 0, 0);
}

bool ClickControl(HWND control) {
  return PostMessageW(control, BM_CLICK, 0, 0) != FALSE;
}

bool SelectComboItem(HWND dialog, HWND combo, int index) {
  if (SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0) == CB_ERR)
    return false;
  return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                      reinterpret_cast<LPARAM>(combo)) != FALSE;
}

bool TypeText(HWND control, const std::wstring& text) {
  HWND edit = control;
  // An extended combo box (the open-file dialog's name box) holds a combo box holding the edit.
  if (WindowClass(edit) == L"ComboBoxEx32")
    edit = FindWindowExW(edit, nullptr, L"ComboBox", nullptr);
  if (edit && WindowClass(edit) == L"ComboBox")
    edit = FindWindowExW(edit, nullptr, L"Edit", nullptr);
  if (!edit)
    return false;
  // Typed text replaces the selection: select everything first.
  SendMessageW(edit, EM_SETSEL, 0, -1);
  for (wchar_t unit : text)
    SendMessageW(edit, WM_CHAR, unit, 1);
  return true;
}

bool SaveWindowPicture(HWND window, const std::wstring& path, std::wstring& error) {
  RECT rect = {};
  if (!GetWindowRect(window, &rect)) {
    error = L"no window rectangle";
    return false;
  }
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) {
    error = L"empty window rectangle";
    return false;
  }
  ScreenDc screen;
  UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
  if (!screen.get() || !memory) {
    error = L"no device context";
    return false;
  }
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up rows, as a BMP file stores them
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueGdiObject bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) {
    error = L"no bitmap";
    return false;
  }
  {
    Selection selected(memory.get(), bitmap.get());
    if (!BitBlt(memory.get(), 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY)) {
      error = L"screen copy failed";
      return false;
    }
  }
  GdiFlush();

  const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  const uint32_t imageSize = stride * static_cast<uint32_t>(height);
  const uint32_t headerSize = 14 + 40;
  std::vector<uint8_t> file;
  file.reserve(headerSize + imageSize);
  file.push_back('B');
  file.push_back('M');
  AppendLittleEndian(file, headerSize + imageSize, 4);
  AppendLittleEndian(file, 0, 4);
  AppendLittleEndian(file, headerSize, 4);
  AppendLittleEndian(file, 40, 4);
  AppendLittleEndian(file, static_cast<uint32_t>(width), 4);
  AppendLittleEndian(file, static_cast<uint32_t>(height), 4);
  AppendLittleEndian(file, 1, 2);
  AppendLittleEndian(file, 24, 2);
  AppendLittleEndian(file, BI_RGB, 4);
  AppendLittleEndian(file, imageSize, 4);
  AppendLittleEndian(file, 2835, 4);  // 72 dots per inch
  AppendLittleEndian(file, 2835, 4);
  AppendLittleEndian(file, 0, 4);
  AppendLittleEndian(file, 0, 4);
  const uint8_t* pixels = static_cast<const uint8_t*>(bits);
  file.insert(file.end(), pixels, pixels + imageSize);

  UniqueFile out(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!out ||
      !WriteFile(out.get(), file.data(), static_cast<DWORD>(file.size()), &written, nullptr) ||
      written != file.size()) {
    error = L"cannot write " + path;
    return false;
  }
  return true;
}

bool ReadTree(HWND tree, HANDLE process, std::vector<TreeItem>& items) {
  items.clear();
  RemoteBlock block(process, kTreeBlockSize);
  if (!block)
    return false;
  return ReadTreeLevel(tree, block, NextTreeItem(tree, TVGN_ROOT, nullptr), 0, items);
}

bool SetTreeCheck(HWND tree, HANDLE process, HTREEITEM item, bool checked) {
  RemoteBlock block(process, kTreeBlockSize);
  if (!block)
    return false;
  TVITEMW change = {};
  change.mask = TVIF_HANDLE | TVIF_STATE;
  change.hItem = item;
  change.stateMask = TVIS_STATEIMAGEMASK;
  change.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
  if (!block.Write(0, &change, sizeof change))
    return false;
  return SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(block.at(0))) != 0;
}

}  // namespace ql::e2e
