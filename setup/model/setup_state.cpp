#include "setup/model/setup_state.h"

namespace ql {

namespace {
SetupState state;
}

SetupState& State() {
  return state;
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
