// The install dialog. Its decisions (item texts, marks, name and folder) are in
// install_selection.cpp; here are the controls: the tree with its image list and check marks, the
// name and folder fields, the folder picker and the buttons.
#include "setup/flow/install_dialog.h"

#include <commctrl.h>
#include <shlobj.h>

#include "setup/common/com.h"
#include "setup/flow/add_dictionary_dialog.h"
#include "setup/flow/add_scheme_dialog.h"
#include "setup/flow/dialog_context_win.h"
#include "setup/flow/dialog_ui_win.h"
#include "setup/flow/install_selection.h"
#include "setup/flow/installation_steps_win.h"
#include "setup/flow/startup.h"
#include "setup/flow/unattended.h"
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

// The dialog's tree: its control, image list, category roots and the pinyin item.
struct InstallTree {
  HWND control = nullptr;
  UniqueImageList images;
  HTREEITEM mainRoot = nullptr;
  HTREEITEM pinyin = nullptr;
  HTREEITEM independentRoot = nullptr;
  HTREEITEM auxiliaryRoot = nullptr;
  HTREEITEM keypadRoot = nullptr;
  HTREEITEM dictionaryRoot = nullptr;
};

// One showing of the dialog: the run's record, the sink of its progress and status, and its tree.
struct InstallDialogContext {
  SetupState& state;
  DialogUi& ui;
  InstallTree tree;
};

HTREEITEM InsertItem(const InstallTree& tree,
                     HTREEITEM parent,
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
  return TreeView_InsertItem(tree.control, &insert);
}

bool IsChecked(const InstallTree& tree, HTREEITEM item) {
  UINT state = TreeView_GetItemState(tree.control, item, TVIS_STATEIMAGEMASK);
  return (state >> 12) == kChecked;
}

void SetChecked(const InstallTree& tree, HTREEITEM item, bool checked) {
  TreeView_SetItemState(tree.control, item, INDEXTOSTATEIMAGEMASK(checked ? kChecked : kUnchecked),
                        TVIS_STATEIMAGEMASK);
}

LPARAM ItemNumber(const InstallTree& tree, HTREEITEM item) {
  TVITEMW data = {};
  data.mask = TVIF_PARAM;
  data.hItem = item;
  TreeView_GetItem(tree.control, &data);
  return data.lParam;
}

std::vector<TreeItemMark> ChildMarks(const InstallTree& tree, HTREEITEM root) {
  std::vector<TreeItemMark> marks;
  for (HTREEITEM item = TreeView_GetChild(tree.control, root); item != nullptr;
       item = TreeView_GetNextSibling(tree.control, item))
    marks.push_back({static_cast<uint32_t>(ItemNumber(tree, item)), IsChecked(tree, item)});
  return marks;
}

TreeMarks ReadMarks(const InstallTree& tree) {
  TreeMarks marks;
  // The pinyin item is the first child of the main root, found by its position.
  HTREEITEM pinyin = TreeView_GetChild(tree.control, tree.mainRoot);
  marks.pinyin = pinyin != nullptr && IsChecked(tree, pinyin);
  marks.independent = ChildMarks(tree, tree.independentRoot);
  marks.auxiliary = ChildMarks(tree, tree.auxiliaryRoot);
  marks.keypad = ChildMarks(tree, tree.keypadRoot);
  marks.dictionaries = ChildMarks(tree, tree.dictionaryRoot);
  return marks;
}

HTREEITEM SchemeParent(const InstallDialogContext& context, uint32_t scheme) {
  switch (CategoryOf(context.state, scheme)) {
    case SchemeCategory::kKeypad:
      return context.tree.keypadRoot;
    case SchemeCategory::kAuxiliary:
      return context.tree.auxiliaryRoot;
    case SchemeCategory::kIndependent:
      break;
  }
  return context.tree.independentRoot;
}

void BuildImageList(InstallDialogContext& context) {
  HINSTANCE instance = static_cast<HINSTANCE>(context.state.instance);
  InstallTree& tree = context.tree;
  tree.images.Reset(ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 3, 0));
  for (int icon : {IDI_SCHEME, IDI_SCHEME, IDI_DICTIONARY}) {
    // The list keeps a copy of the icon.
    UniqueIcon handle(static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(icon), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR)));
    ImageList_AddIcon(tree.images.get(), handle.get());
  }
  TreeView_SetImageList(tree.control, tree.images.get(), TVSIL_NORMAL);
}

// The tree lets go of the image list before it is destroyed.
void ReleaseImageList(InstallTree& tree) {
  if (tree.images) {
    TreeView_SetImageList(tree.control, nullptr, TVSIL_NORMAL);
    tree.images.Reset();
  }
}

void BuildTree(InstallDialogContext& context) {
  const SetupState& state = context.state;
  InstallTree& tree = context.tree;
  const TreeMarks marks = InitialMarks(state);
  tree.mainRoot = InsertItem(tree, TVI_ROOT, u"主键盘输入法", kCategoryImage, 0, false);
  tree.pinyin = InsertItem(tree, tree.mainRoot, PinyinItemText(state), kItemImage, 0, marks.pinyin);
  tree.independentRoot = InsertItem(tree, tree.mainRoot, u"独立输入法", kCategoryImage, 0, false);
  tree.auxiliaryRoot = InsertItem(tree, tree.mainRoot, u"拼音辅助输入法", kCategoryImage, 0, false);
  tree.keypadRoot = InsertItem(tree, TVI_ROOT, u"数字小键盘输入法", kCategoryImage, 0, false);
  // Schemes in index order, each under its category with its initial mark.
  for (uint32_t i = 1; i < state.schemeCount && i < kMaxSchemes; ++i) {
    const InputScheme& scheme = state.schemes[i];
    bool checked = CategoryOf(state, i) == SchemeCategory::kAuxiliary ? scheme.auxSelected != 0
                                                                      : scheme.selected != 0;
    InsertItem(tree, SchemeParent(context, i), SchemeItemText(state, i), kItemImage, i, checked);
  }
  tree.dictionaryRoot = InsertItem(tree, TVI_ROOT, u"词库", kCategoryImage, 0, false);
  for (const TreeItemMark& item : marks.dictionaries)
    InsertItem(tree, tree.dictionaryRoot, DictionaryItemText(state, item.index), kItemImage,
               item.index, item.checked);
  for (HTREEITEM root : {tree.mainRoot, tree.independentRoot, tree.auxiliaryRoot, tree.keypadRoot,
                         tree.dictionaryRoot})
    TreeView_Expand(tree.control, root, TVE_EXPAND);
}

void PostRefresh(HWND dialog) {
  PostMessageW(dialog, kRefreshMessage, kRefreshParameter, kRefreshParameter);
}

void OnInit(HWND dialog, InstallDialogContext& context) {
  SetupState& state = context.state;
  HINSTANCE instance = static_cast<HINSTANCE>(state.instance);
  SendMessageW(dialog, WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP))));
  ReadInstallRecord(state);
  SetWindowTextW(dialog, W(state.mainName.c_str()));
  SetDlgItemTextW(dialog, IDC_SETUP_TEXT, W(state.setupText.c_str()));

  HWND control = GetDlgItem(dialog, IDC_INSTALL_TREE);
  context.tree.control = control;
  // Check boxes set on the existing control, before any item: marks set now then survive the
  // tree's first paint.
  SetWindowLongW(control, GWL_STYLE, GetWindowLongW(control, GWL_STYLE) | TVS_CHECKBOXES);
  BuildImageList(context);
  BuildTree(context);
  PostRefresh(dialog);
}

void SetField(HWND dialog, int control, const std::u16string& text) {
  SetDlgItemTextW(dialog, control, WString(text).c_str());
}

void Refresh(HWND dialog, InstallDialogContext& context) {
  SetupState& state = context.state;
  std::u16string name = ComposeDisplayName(state, ReadMarks(context.tree));
  // The name field's change handler runs here as well.
  SetField(dialog, IDC_NAME_EDIT, name);
  SetDisplayName(state, name);
  SetField(dialog, IDC_FOLDER_EDIT, ProposeFolder(state, ProgramFilesFolder));
}

void OnNameChanged(HWND dialog, SetupState& state) {
  wchar_t name[kNameFieldUnits] = {};
  GetDlgItemTextW(dialog, IDC_NAME_EDIT, name, kNameFieldUnits);
  state.displayName.Assign(U(name));
  if (ReadInstallRecord(state))
    SetField(dialog, IDC_FOLDER_EDIT, state.previousPath.str());
}

// The shell's folder picker; a picked file-system folder becomes the base of the proposal.
void OnBrowse(HWND dialog, SetupState& state) {
  state.folderBrowsed = 0;
  // The picker's newer style needs OLE on this thread.
  OleScope ole;  // declared first: the picked item list is freed before OLE goes
  wchar_t displayName[MAX_PATH] = {};
  BROWSEINFOW info = {};
  info.hwndOwner = dialog;
  info.pidlRoot = nullptr;
  info.pszDisplayName = displayName;
  info.lpszTitle = L"设置安装路径";
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
  CoTaskMemBlock<LPITEMIDLIST> picked(SHBrowseForFolderW(&info));
  if (!picked)
    return;
  wchar_t path[MAX_PATH] = {};
  if (!SHGetPathFromIDListW(picked.get(), path))
    return;
  state.folderBrowsed = 1;
  state.proposedFolder.Assign(WithTrailingBackslash(U(path)));
  SetField(dialog, IDC_FOLDER_EDIT, state.proposedFolder.str() + state.pathSuffix.str());
}

// Appends the scheme the add-scheme dialog wrote at schemeCount: its item under its category,
// unchecked, with its name only.
void InsertAddedScheme(InstallDialogContext& context) {
  SetupState& state = context.state;
  if (state.schemeCount >= kMaxSchemes)
    return;
  uint32_t index = state.schemeCount;
  InsertItem(context.tree, SchemeParent(context, index), state.schemes[index].name.str(),
             kItemImage, index, false);
  state.schemeCount += 1;
}

void OnAddScheme(InstallDialogContext& context) {
  SetupState& state = context.state;
  state.moreSchemesAdded = 0;
  if (!ShowAddSchemeDialog(state))
    return;
  InsertAddedScheme(context);
  // A standalone main-keyboard scheme also comes as an auxiliary scheme right after it.
  if (state.moreSchemesAdded) {
    state.moreSchemesAdded = 0;
    InsertAddedScheme(context);
  }
}

// Appends the dictionary the add-dictionary dialog wrote at dictionaryCount, then sets every
// dictionary mark from the records: an added backup deselects the dictionaries before it.
void OnAddDictionary(InstallDialogContext& context) {
  SetupState& state = context.state;
  const InstallTree& tree = context.tree;
  if (!ShowAddDictionaryDialog(state) || state.dictionaryCount >= kMaxDictionaries)
    return;
  uint32_t index = state.dictionaryCount;
  InsertItem(tree, tree.dictionaryRoot, AddedDictionaryItemText(state, index), kItemImage, index,
             state.dictionaries[index].selected != 0);
  state.dictionaryCount += 1;
  for (HTREEITEM item = TreeView_GetChild(tree.control, tree.dictionaryRoot); item != nullptr;
       item = TreeView_GetNextSibling(tree.control, item)) {
    LPARAM number = ItemNumber(tree, item);
    if (number >= 0 && static_cast<uint32_t>(number) < kMaxDictionaries)
      SetChecked(tree, item, state.dictionaries[number].selected != 0);
  }
}

void OnInstall(HWND dialog, InstallDialogContext& context, bool upgrade) {
  SetupState& state = context.state;
  state.upgradeInstall = upgrade ? 1 : 0;
  // The worker's message boxes and the settings dialog have no owner, and their message loops
  // would let a second press start the worker again inside the first: the dialog takes no input
  // while the worker runs.
  EnableWindow(dialog, FALSE);
  InstallationSteps steps = WindowsInstallationSteps(state, dialog);
  NoteEachStep(steps);
  RunInstallation(state, steps);
  EnableWindow(dialog, TRUE);
  ReleaseImageList(context.tree);
  EndDialog(dialog, 1);
}

void OnCancel(HWND dialog, InstallDialogContext& context) {
  ReleaseImageList(context.tree);
  EndDialog(dialog, 0);
}

INT_PTR OnCommand(HWND dialog, InstallDialogContext& context, WPARAM wParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  switch (id) {
    case IDC_FRESH_INSTALL:
      OnInstall(dialog, context, false);
      return TRUE;
    case IDC_UPGRADE_INSTALL:
      OnInstall(dialog, context, true);
      return TRUE;
    case IDC_CANCEL_INSTALL:
      if (code != 0)
        return FALSE;
      OnCancel(dialog, context);
      return TRUE;
    case IDC_BROWSE:
      OnBrowse(dialog, context.state);
      return TRUE;
    case IDC_ADD_SCHEME:
      OnAddScheme(context);
      return TRUE;
    case IDC_ADD_DICTIONARY:
      OnAddDictionary(context);
      return TRUE;
    case IDC_NAME_EDIT:
      if (code == EN_CHANGE)
        OnNameChanged(dialog, context.state);
      return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK InstallDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  InstallDialogContext* context = DialogContext<InstallDialogContext>(dialog, message, lParam);
  if (context == nullptr)
    return FALSE;
  context->state.installDialog = dialog;
  switch (message) {
    case WM_INITDIALOG:
      context->ui.SetWindow(dialog);
      OnInit(dialog, *context);
      return TRUE;
    case kRefreshMessage:
      if (wParam == kRefreshParameter && static_cast<WPARAM>(lParam) == kRefreshParameter)
        Refresh(dialog, *context);
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
      return OnCommand(dialog, *context, wParam);
    case WM_CLOSE:
      OnCancel(dialog, *context);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

void CollectSelection(HWND dialog) {
  const InstallDialogContext* context = DialogContext<InstallDialogContext>(dialog);
  bool singleChars = IsDlgButtonChecked(dialog, IDC_PINYIN_SINGLE_CHARS) == BST_CHECKED;
  uint32_t range = CollectMarks(context->state, ReadMarks(context->tree), singleChars);
  SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_SETRANGE32, 0, range);
  SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_SETSTEP, 1, 0);
}

std::u16string ProgramFilesFolder() {
  wchar_t folder[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(nullptr, folder, CSIDL_PROGRAM_FILES, FALSE))
    return std::u16string();
  return std::u16string(U(folder));
}

int ShowInstallDialog(SetupState& state) {
  DialogUi ui(TheUi());
  ScopedUi scope(ui);
  InstallDialogContext context = {state, ui, InstallTree()};
  INT_PTR result = ShowDialogWith(static_cast<HINSTANCE>(state.instance), IDD_INSTALL, nullptr,
                                  InstallDialogProc, context);
  return result == 1 ? 1 : 0;
}

}  // namespace ql
