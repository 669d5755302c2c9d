#include "setup/model/setup_state.h"

#include "setup/model/package.h"

namespace ql {

namespace {
SetupState state;
}

SetupState& State() {
  return state;
}

void SetDisplayName(SetupState& state, std::u16string_view name) {
  state.displayName.Assign(name);
  state.layoutText.Assign(kLayoutTextPrefix);
  state.layoutText.Append(state.displayName.view());
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
