// The add-scheme step: a code table of the user's becomes the mb.txt of a new scheme folder of
// the package and one or two entries of the scheme list.
#include <optional>
#include <vector>

#include "setup/common/files.h"
#include "setup/common/path_names.h"
#include "setup/install/add_entries_internal.h"
#include "setup/model/package.h"

namespace ql {

SchemeKind ChosenSchemeKind(bool standalone, bool auxiliary, bool keypad) {
  if (standalone)
    return SchemeKind::standalone;
  if (auxiliary)
    return SchemeKind::auxiliary;
  if (keypad)
    return SchemeKind::keypad;
  return SchemeKind::none;
}

bool AddScheme(SetupState& state, std::u16string_view packageFolder, const SchemeChoice& choice) {
  if (choice.kind == SchemeKind::none) {
    TheUi().ShowMessage(kNoSchemeKindMessage, state.displayName.view(), kMbOk);
    return false;
  }
  const uint32_t index = state.schemeCount;
  // A standalone main-keyboard scheme is also offered as a pinyin auxiliary scheme.
  const uint32_t entries = choice.kind == SchemeKind::standalone ? 2 : 1;
  if (index > kMaxSchemes || kMaxSchemes - index < entries) {
    TellUser(state, kSchemeListFullMessage);
    return false;
  }
  if (choice.sourcePath.empty()) {
    TellUser(state, kNoSchemeSourceMessage);
    return false;
  }
  std::u16string typed(CutUnits(choice.folder, kFolderFieldUnits));
  if (!typed.empty() && !IsPlainName(typed)) {
    TellUser(state, kBadFolderNameMessage);
    return false;
  }
  std::optional<std::vector<uint8_t>> table = ReadFileBytes(choice.sourcePath);
  if (!table) {
    TellUser(state, u"不能打开文件：\n" + choice.sourcePath);
    return false;
  }

  const std::u16string schemes = std::u16string(packageFolder) + std::u16string(kSchemesFolder);
  EnsureFolder(schemes);
  // The system drops trailing dots and spaces from a folder name; the entry's path is to name
  // the folder exactly as it is made. Each name is tried by creating the folder: one that is
  // taken, also in the moment between a test and the making, is never written into.
  bool failed = false;
  std::u16string folder =
      SchemeFolderName(TrimTrailingDotsAndSpaces(typed), index, [&](std::u16string_view name) {
        NewEntry made = CreateNewFolder(schemes + u"\\" + std::u16string(name));
        failed = made == NewEntry::kFailed;
        return made == NewEntry::kExists;
      });
  if (failed) {
    TellUser(state, u"不能建立文件夹：\n" + schemes + u"\\" + folder);
    return false;
  }
  if (folder.empty()) {
    TellUser(state, u"“输入方案”中找不到可用的文件夹名：\n" + typed);
    return false;
  }
  const std::u16string folderPath = schemes + u"\\" + folder;
  const std::u16string tablePath = folderPath + u"\\" + std::u16string(kCodeTableFile);
  if (!WriteFileBytes(tablePath, table->data(), table->size())) {
    TellUser(state, u"不能把码表复制到：\n" + tablePath);
    return false;
  }

  const std::u16string name = FieldText(choice.name, kNameFieldUnits);
  const std::u16string path = std::u16string(kSchemesFolder) + u"\\" + folder;
  InputScheme& scheme = state.schemes[index];
  scheme = InputScheme();
  scheme.name.Assign(name);
  scheme.path.Assign(path);
  switch (choice.kind) {
    case SchemeKind::standalone: {
      InputScheme& twin = state.schemes[index + 1];
      twin = scheme;
      twin.isAuxiliary = 1;
      state.moreSchemesAdded = 1;
      break;
    }
    case SchemeKind::auxiliary:
      scheme.isAuxiliary = 1;
      break;
    case SchemeKind::keypad:
      scheme.isKeypad = 1;
      break;
    case SchemeKind::none:
      break;
  }
  return true;
}

}  // namespace ql
