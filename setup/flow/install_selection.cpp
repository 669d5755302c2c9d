// The install dialog's decisions: item texts, name and folder composition, the install record
// lookup and what the worker collects from the tree.
#include "setup/flow/install_selection.h"

#include "setup/model/install_record.h"
#include "setup/model/package.h"
#include "setup/model/setup_state.h"

namespace ql {
namespace {

constexpr uint32_t kVistaMajorVersion = 6;

// Independent schemes and keypad schemes that reach the name.
constexpr int kNamedIndependentSchemes = 2;
constexpr int kNamedKeypadSchemes = 1;

std::u16string NameWithAbout(std::u16string_view name, std::u16string_view about) {
  std::u16string text(name);
  if (!about.empty()) {
    text += u" -";
    text += about;
  }
  return text;
}

// Records the marks of one category in tree order and appends the first `limit` checked names;
// the items after the last named one are not examined.
void ComposeCategory(SetupState& state,
                     const std::vector<TreeItemMark>& items,
                     int limit,
                     std::u16string* name) {
  int named = 0;
  for (const TreeItemMark& item : items) {
    if (named == limit)
      break;
    if (item.index >= kMaxSchemes)
      continue;
    InputScheme& scheme = state.schemes[item.index];
    scheme.selected = item.checked ? 1 : 0;
    if (!item.checked)
      continue;
    *name += scheme.name.view();
    state.pathSuffix.Append(scheme.name.view());
    ++named;
  }
}

}  // namespace

SchemeCategory CategoryOf(const SetupState& state, uint32_t scheme) {
  const InputScheme& s = state.schemes[scheme < kMaxSchemes ? scheme : 0];
  if (s.isKeypad)
    return SchemeCategory::kKeypad;
  if (s.isAuxiliary)
    return SchemeCategory::kAuxiliary;
  return SchemeCategory::kIndependent;
}

TreeMarks InitialMarks(const SetupState& state) {
  TreeMarks marks;
  marks.pinyin = state.schemes[0].selected != 0;
  for (uint32_t i = 1; i < state.schemeCount && i < kMaxSchemes; ++i) {
    const InputScheme& scheme = state.schemes[i];
    switch (CategoryOf(state, i)) {
      case SchemeCategory::kKeypad:
        marks.keypad.push_back({i, scheme.selected != 0});
        break;
      case SchemeCategory::kAuxiliary:
        marks.auxiliary.push_back({i, scheme.auxSelected != 0});
        break;
      case SchemeCategory::kIndependent:
        marks.independent.push_back({i, scheme.selected != 0});
        break;
    }
  }
  for (uint32_t i = 0; i < state.dictionaryCount && i < kMaxDictionaries; ++i)
    marks.dictionaries.push_back({i, state.dictionaries[i].selected != 0});
  return marks;
}

std::u16string PinyinItemText(const SetupState& state) {
  const InputScheme& pinyin = state.schemes[0];
  return pinyin.name.str() + u" -" + pinyin.about.str();
}

std::u16string SchemeItemText(const SetupState& state, uint32_t scheme) {
  const InputScheme& s = state.schemes[scheme < kMaxSchemes ? scheme : 0];
  return NameWithAbout(s.name.view(), s.about.view());
}

std::u16string DictionaryItemText(const SetupState& state, uint32_t dictionary) {
  const DictionaryEntry& d = state.dictionaries[dictionary < kMaxDictionaries ? dictionary : 0];
  return NameWithAbout(d.name.view(), d.about.view());
}

std::u16string AddedDictionaryItemText(const SetupState& state, uint32_t dictionary) {
  const DictionaryEntry& d = state.dictionaries[dictionary < kMaxDictionaries ? dictionary : 0];
  return d.name.str() + u" - " + d.about.str();
}

std::u16string ComposeDisplayName(SetupState& state, const TreeMarks& marks) {
  std::u16string name = state.mainName.str() + u" - ";
  state.pathSuffix.Assign(state.mainName.view());
  InputScheme& pinyin = state.schemes[0];
  pinyin.selected = marks.pinyin ? 1 : 0;
  if (marks.pinyin) {
    name += pinyin.name.view();
    state.pathSuffix.Append(pinyin.name.view());
  }
  ComposeCategory(state, marks.independent, kNamedIndependentSchemes, &name);
  ComposeCategory(state, marks.keypad, kNamedKeypadSchemes, &name);
  return name;
}

std::u16string ProposeFolder(SetupState& state,
                             const std::function<std::u16string()>& programFilesFolder) {
  if (ReadInstallRecord(state) && state.osMajorVersion < kVistaMajorVersion)
    return state.previousPath.str();
  if (!state.folderBrowsed) {
    std::u16string base = programFilesFolder();
    if (state.osMajorVersion >= kVistaMajorVersion) {
      size_t slash = base.find(u'\\');
      if (slash != std::u16string::npos)
        base.resize(slash);
    }
    state.proposedFolder.Assign(WithTrailingBackslash(base));
  }
  return state.proposedFolder.str() + state.pathSuffix.str();
}

uint32_t CollectMarks(SetupState& state, const TreeMarks& marks, bool pinyinSingleCharsOnly) {
  state.pinyinSingleCharsOnly = pinyinSingleCharsOnly ? 1 : 0;
  state.schemes[0].selected = marks.pinyin ? 1 : 0;
  for (const auto* items : {&marks.independent, &marks.keypad}) {
    for (const TreeItemMark& item : *items) {
      if (item.index < kMaxSchemes)
        state.schemes[item.index].selected = item.checked ? 1 : 0;
    }
  }
  for (const TreeItemMark& item : marks.auxiliary) {
    if (item.index < kMaxSchemes)
      state.schemes[item.index].auxSelected = item.checked ? 1 : 0;
  }
  for (const TreeItemMark& item : marks.dictionaries) {
    if (item.index < kMaxDictionaries)
      state.dictionaries[item.index].selected = item.checked ? 1 : 0;
  }
  return ProgressRange(state);
}

uint32_t ProgressRange(const SetupState& state) {
  uint32_t schemes = 0;
  for (uint32_t i = 0; i < state.schemeCount && i < kMaxSchemes; ++i)
    schemes += state.schemes[i].selected != 0;
  uint32_t dictionaries = 0;
  for (uint32_t i = 0; i < state.dictionaryCount && i < kMaxDictionaries; ++i)
    dictionaries += state.dictionaries[i].selected != 0;
  return 5 * schemes + 2 * dictionaries;
}

}  // namespace ql
