// The install dialog. Its decisions (item texts, marks, name and folder) are in
// install_selection.cpp; here are the controls: the tree with its image list and check marks, the
// name and folder fields, the folder picker and the buttons.
#include "setup/flow/install_dialog.h"

#include <commctrl.h>
#include <ole2.h>
#include <shlobj.h>

#include "setup/flow/add_dictionary_dialog.h"
#include "setup/flow/add_scheme_dialog.h"
#include "setup/flow/dialog_ui_win.h"
#include "setup/flow/install_selection.h"
#include "setup/flow/installation_steps_win.h"
#include "setup/flow/startup.h"
#include "setup/install/installation.h"
#include "setup/model/install_record.h"
#include "setup/model/package.h"
#include "setup/model/setup_state.h"
#include "setup/resources/install_ids.h"
#include "setup/resources/resource.h"

namespace ql {
namespace {

// Tree images: the category items use image 1, scheme and dictionary items image 2.
constexpr int kCategoryImage = 1;
constexpr int kItemImage = 2;
// Check marks are state images 2 (checked) and 1 (unchecked).
constexpr UINT kChecked = 2;
constexpr UINT kUnchecked = 1;
constexpr int kNameFieldUnits = 50;

// The dialog's tree: its category roots and the pinyin item. One install dialog runs at a time.
struct InstallTree {
  HWND tree = nullptr;
  HIMAGELIST images = nullptr;
  HTREEITEM mainRoot = nullptr;
  HTREEITEM pinyin = nullptr;
  HTREEITEM independentRoot = nullptr;
  HTREEITEM auxiliaryRoot = nullptr;
  HTREEITEM keypadRoot = nullptr;
  HTREEITEM dictionaryRoot = nullptr;
};
InstallTree g_tree;

HTREEITEM InsertItem(HTREEITEM parent,
                     const std::u16string& text,
                     int image,
                     LPARAM number,
                     bool checked) {
  std::wstring label = WString(text);
  TVINSERTSTRUCTW insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_STATE;
  insert.item.pszText = &label[0];
  insert.item.iImage = image;
  insert.item.iSelectedImage = image;
  insert.item.lParam = number;
  insert.item.state = INDEXTOSTATEIMAGEMASK(checked ? kChecked : kUnchecked);
  insert.item.stateMask = TVIS_STATEIMAGEMASK;
  return TreeView_InsertItem(g_tree.tree, &insert);
}

bool IsChecked(HTREEITEM item) {
  UINT state = TreeView_GetItemState(g_tree.tree, item, TVIS_STATEIMAGEMASK);
  return (state >> 12) == kChecked;
}

void SetChecked(HTREEITEM item, bool checked) {
  TreeView_SetItemState(g_tree.tree, item, INDEXTOSTATEIMAGEMASK(checked ? kChecked : kUnchecked),
                        TVIS_STATEIMAGEMASK);
}

LPARAM ItemNumber(HTREEITEM item) {
  TVITEMW data = {};
  data.mask = TVIF_PARAM;
  data.hItem = item;
  TreeView_GetItem(g_tree.tree, &data);
  return data.lParam;
}

std::vector<TreeItemMark> ChildMarks(HTREEITEM root) {
  std::vector<TreeItemMark> marks;
  for (HTREEITEM item = TreeView_GetChild(g_tree.tree, root); item != nullptr;
       item = TreeView_GetNextSibling(g_tree.tree, item))
    marks.push_back({static_cast<uint32_t>(ItemNumber(item)), IsChecked(item)});
  return marks;
}

TreeMarks ReadMarks() {
  TreeMarks marks;
  // The pinyin item is the first child of the main root, found by its position.
  HTREEITEM pinyin = TreeView_GetChild(g_tree.tree, g_tree.mainRoot);
  marks.pinyin = pinyin != nullptr && IsChecked(pinyin);
  marks.independent = ChildMarks(g_tree.independentRoot);
  marks.auxiliary = ChildMarks(g_tree.auxiliaryRoot);
  marks.keypad = ChildMarks(g_tree.keypadRoot);
  marks.dictionaries = ChildMarks(g_tree.dictionaryRoot);
  return marks;
}

HTREEITEM SchemeParent(uint32_t scheme) {
  switch (CategoryOf(State(), scheme)) {
    case SchemeCategory::kKeypad:
      return g_tree.keypadRoot;
    case SchemeCategory::kAuxiliary:
      return g_tree.auxiliaryRoot;
    case SchemeCategory::kIndependent:
      break;
  }
  return g_tree.independentRoot;
}

void BuildImageList() {
  HINSTANCE instance = static_cast<HINSTANCE>(State().instance);
  g_tree.images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 3, 0);
  for (int icon : {IDI_SCHEME, IDI_SCHEME, IDI_DICTIONARY}) {
    HICON handle = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(icon), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    ImageList_AddIcon(g_tree.images, handle);
    DestroyIcon(handle);
  }
  TreeView_SetImageList(g_tree.tree, g_tree.images, TVSIL_NORMAL);
}

void ReleaseImageList() {
  if (g_tree.images != nullptr) {
    TreeView_SetImageList(g_tree.tree, nullptr, TVSIL_NORMAL);
    ImageList_Destroy(g_tree.images);
    g_tree.images = nullptr;
  }
}

void BuildTree() {
  const SetupState& state = State();
  const TreeMarks marks = InitialMarks(state);
  g_tree.mainRoot = InsertItem(TVI_ROOT, u"主键盘输入法", kCategoryImage, 0, false);
  g_tree.pinyin = InsertItem(g_tree.mainRoot, PinyinItemText(state), kItemImage, 0, marks.pinyin);
  g_tree.independentRoot = InsertItem(g_tree.mainRoot, u"独立输入法", kCategoryImage, 0, false);
  g_tree.auxiliaryRoot = InsertItem(g_tree.mainRoot, u"拼音辅助输入法", kCategoryImage, 0, false);
  g_tree.keypadRoot = InsertItem(TVI_ROOT, u"数字小键盘输入法", kCategoryImage, 0, false);
  // Schemes in index order, each under its category with its initial mark.
  for (uint32_t i = 1; i < state.schemeCount && i < kMaxSchemes; ++i) {
    const InputScheme& scheme = state.schemes[i];
    bool checked = CategoryOf(state, i) == SchemeCategory::kAuxiliary ? scheme.auxSelected != 0
                                                                      : scheme.selected != 0;
    InsertItem(SchemeParent(i), SchemeItemText(state, i), kItemImage, i, checked);
  }
  g_tree.dictionaryRoot = InsertItem(TVI_ROOT, u"词库", kCategoryImage, 0, false);
  for (const TreeItemMark& item : marks.dictionaries)
    InsertItem(g_tree.dictionaryRoot, DictionaryItemText(state, item.index), kItemImage, item.index,
               item.checked);
  for (HTREEITEM root : {g_tree.mainRoot, g_tree.independentRoot, g_tree.auxiliaryRoot,
                         g_tree.keypadRoot, g_tree.dictionaryRoot})
    TreeView_Expand(g_tree.tree, root, TVE_EXPAND);
}

void PostRefresh(HWND dialog) {
  PostMessageW(dialog, kRefreshMessage, kRefreshParameter, kRefreshParameter);
}

void OnInit(HWND dialog) {
  SetupState& state = State();
  HINSTANCE instance = static_cast<HINSTANCE>(state.instance);
  SendMessageW(dialog, WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP))));
  ReadInstallRecord(state);
  SetWindowTextW(dialog, W(state.mainName.c_str()));
  SetDlgItemTextW(dialog, IDC_SETUP_TEXT, W(state.setupText.c_str()));

  g_tree = InstallTree();
  g_tree.tree = GetDlgItem(dialog, IDC_INSTALL_TREE);
  // Check boxes set on the existing control, before any item: marks set now then survive the
  // tree's first paint.
  SetWindowLongW(g_tree.tree, GWL_STYLE, GetWindowLongW(g_tree.tree, GWL_STYLE) | TVS_CHECKBOXES);
  BuildImageList();
  BuildTree();
  PostRefresh(dialog);
}

void SetField(HWND dialog, int control, const std::u16string& text) {
  SetDlgItemTextW(dialog, control, WString(text).c_str());
}

std::u16string ProgramFilesFolder() {
  wchar_t folder[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(nullptr, folder, CSIDL_PROGRAM_FILES, FALSE))
    return std::u16string();
  return std::u16string(U(folder));
}

void Refresh(HWND dialog) {
  SetupState& state = State();
  std::u16string name = ComposeDisplayName(state, ReadMarks());
  // The name field's change handler runs here as well.
  SetField(dialog, IDC_NAME_EDIT, name);
  SetDisplayName(state, name);
  SetField(dialog, IDC_FOLDER_EDIT, ProposeFolder(state, ProgramFilesFolder));
}

void OnNameChanged(HWND dialog) {
  SetupState& state = State();
  wchar_t name[kNameFieldUnits] = {};
  GetDlgItemTextW(dialog, IDC_NAME_EDIT, name, kNameFieldUnits);
  state.displayName.Assign(U(name));
  if (ReadInstallRecord(state))
    SetField(dialog, IDC_FOLDER_EDIT, state.previousPath.str());
}

// The shell's folder picker; a picked file-system folder becomes the base of the proposal.
void OnBrowse(HWND dialog) {
  SetupState& state = State();
  state.folderBrowsed = 0;
  // The picker's newer style needs OLE on this thread.
  HRESULT ole = OleInitialize(nullptr);
  wchar_t displayName[MAX_PATH] = {};
  BROWSEINFOW info = {};
  info.hwndOwner = dialog;
  info.pidlRoot = nullptr;
  info.pszDisplayName = displayName;
  info.lpszTitle = L"设置安装路径";
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
  LPITEMIDLIST picked = SHBrowseForFolderW(&info);
  if (picked != nullptr) {
    wchar_t path[MAX_PATH] = {};
    bool isFolder = SHGetPathFromIDListW(picked, path) != FALSE;
    CoTaskMemFree(picked);
    if (isFolder) {
      state.folderBrowsed = 1;
      state.proposedFolder.Assign(WithTrailingBackslash(U(path)));
      SetField(dialog, IDC_FOLDER_EDIT, state.proposedFolder.str() + state.pathSuffix.str());
    }
  }
  if (SUCCEEDED(ole))
    OleUninitialize();
}

// Appends the scheme the add-scheme dialog wrote at schemeCount: its item under its category,
// unchecked, with its name only.
void InsertAddedScheme() {
  SetupState& state = State();
  if (state.schemeCount >= kMaxSchemes)
    return;
  uint32_t index = state.schemeCount;
  InsertItem(SchemeParent(index), state.schemes[index].name.str(), kItemImage, index, false);
  state.schemeCount += 1;
}

void OnAddScheme() {
  SetupState& state = State();
  state.moreSchemesAdded = 0;
  if (!ShowAddSchemeDialog())
    return;
  InsertAddedScheme();
  // A standalone main-keyboard scheme also comes as an auxiliary scheme right after it.
  if (state.moreSchemesAdded) {
    state.moreSchemesAdded = 0;
    InsertAddedScheme();
  }
}

// Appends the dictionary the add-dictionary dialog wrote at dictionaryCount, then sets every
// dictionary mark from the records: an added backup deselects the dictionaries before it.
void OnAddDictionary() {
  SetupState& state = State();
  if (!ShowAddDictionaryDialog() || state.dictionaryCount >= kMaxDictionaries)
    return;
  uint32_t index = state.dictionaryCount;
  InsertItem(g_tree.dictionaryRoot, AddedDictionaryItemText(state, index), kItemImage, index,
             state.dictionaries[index].selected != 0);
  state.dictionaryCount += 1;
  for (HTREEITEM item = TreeView_GetChild(g_tree.tree, g_tree.dictionaryRoot); item != nullptr;
       item = TreeView_GetNextSibling(g_tree.tree, item)) {
    LPARAM number = ItemNumber(item);
    if (number >= 0 && static_cast<uint32_t>(number) < kMaxDictionaries)
      SetChecked(item, state.dictionaries[number].selected != 0);
  }
}

void OnInstall(HWND dialog, bool upgrade) {
  State().upgradeInstall = upgrade ? 1 : 0;
  // The worker's message boxes and the settings dialog have no owner, and their message loops
  // would let a second press start the worker again inside the first: the dialog takes no input
  // while the worker runs.
  EnableWindow(dialog, FALSE);
  RunInstallation(State(), WindowsInstallationSteps(State(), dialog));
  EnableWindow(dialog, TRUE);
  ReleaseImageList();
  EndDialog(dialog, 1);
}

void OnCancel(HWND dialog) {
  ReleaseImageList();
  EndDialog(dialog, 0);
}

INT_PTR OnCommand(HWND dialog, WPARAM wParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  switch (id) {
    case IDC_FRESH_INSTALL:
      OnInstall(dialog, false);
      return TRUE;
    case IDC_UPGRADE_INSTALL:
      OnInstall(dialog, true);
      return TRUE;
    case IDC_CANCEL_INSTALL:
      if (code != 0)
        return FALSE;
      OnCancel(dialog);
      return TRUE;
    case IDC_BROWSE:
      OnBrowse(dialog);
      return TRUE;
    case IDC_ADD_SCHEME:
      OnAddScheme();
      return TRUE;
    case IDC_ADD_DICTIONARY:
      OnAddDictionary();
      return TRUE;
    case IDC_NAME_EDIT:
      if (code == EN_CHANGE)
        OnNameChanged(dialog);
      return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK InstallDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  State().installDialog = dialog;
  switch (message) {
    case WM_INITDIALOG:
      reinterpret_cast<DialogUi*>(lParam)->SetWindow(dialog);
      OnInit(dialog);
      return TRUE;
    case kRefreshMessage:
      if (wParam == kRefreshParameter && static_cast<WPARAM>(lParam) == kRefreshParameter)
        Refresh(dialog);
      return TRUE;
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
      // The refresh runs after the click has toggled the mark.
      if (header->idFrom == IDC_INSTALL_TREE && header->code == NM_CLICK) {
        PostRefresh(dialog);
        return TRUE;
      }
      break;
    }
    case WM_COMMAND:
      return OnCommand(dialog, wParam);
    case WM_CLOSE:
      OnCancel(dialog);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

void CollectSelection(HWND dialog) {
  SetupState& state = State();
  bool singleChars = IsDlgButtonChecked(dialog, IDC_PINYIN_SINGLE_CHARS) == BST_CHECKED;
  uint32_t range = CollectMarks(state, ReadMarks(), singleChars);
  SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_SETRANGE32, 0, range);
  SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_SETSTEP, 1, 0);
}

int ShowInstallDialog() {
  DialogUi ui;
  ScopedUi scope(ui);
  INT_PTR result =
      DialogBoxParamW(static_cast<HINSTANCE>(State().instance), MAKEINTRESOURCEW(IDD_INSTALL),
                      nullptr, InstallDialogProc, reinterpret_cast<LPARAM>(&ui));
  return result == 1 ? 1 : 0;
}

}  // namespace ql
