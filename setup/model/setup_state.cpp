#include "setup/model/setup_state.h"

#include "setup/common/path_names.h"
#include "setup/common/text.h"
#include "setup/model/package.h"

namespace ql {

namespace {
SetupState runRecord;
}

SetupState& State() {
  return runRecord;
}

void SetDisplayName(SetupState& state, std::u16string_view name) {
  state.displayName.Assign(name);
  state.layoutText.Assign(kLayoutTextPrefix);
  state.layoutText.Append(state.displayName.view());
}

bool IsUsableDisplayName(std::u16string_view name) {
  static constexpr std::u16string_view kProgramsSubfolders[] = {u"Startup",
                                                                u"Administrative Tools",
                                                                u"Accessories",
                                                                u"System Tools",
                                                                u"Maintenance",
                                                                u"Accessibility",
                                                                u"Windows Accessories",
                                                                u"Windows System",
                                                                u"Windows Administrative Tools",
                                                                u"Windows PowerShell"};
  if (!IsPlainName(name) || TrimTrailingDotsAndSpaces(name).size() != name.size())
    return false;
  for (std::u16string_view folder : kProgramsSubfolders) {
    if (EqualsAsciiNoCase(name, folder))
      return false;
  }
  return true;
}

InputScheme* SetupState::AddScheme() {
  if (schemeCount >= kMaxSchemes)
    return nullptr;
  InputScheme* scheme = &schemes[schemeCount++];
  *scheme = InputScheme();
  return scheme;
}

DictionaryEntry* SetupState::AddDictionary() {
  if (dictionaryCount >= kMaxDictionaries)
    return nullptr;
  DictionaryEntry* entry = &dictionaries[dictionaryCount++];
  *entry = DictionaryEntry();
  return entry;
}

}  // namespace ql
