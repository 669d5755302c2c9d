#include "setup/model/manifest.h"

#include <string>

#include "setup/common/path_names.h"
#include "setup/common/text.h"
#include "setup/common/ui.h"
#include "setup/model/package.h"
#include "setup/model/setup_state.h"

namespace ql {

namespace {

// Reads a value cut to `limit` characters into a field.
template <size_t N>
void ReadInto(ProfileSource& source,
              std::u16string_view section,
              std::u16string_view key,
              std::u16string_view defaultValue,
              size_t limit,
              FixedText<N>& field) {
  std::u16string buffer(limit + 1, u'\0');
  size_t n = source.GetString(section, key, defaultValue, buffer.data(), limit + 1);
  field.Assign(std::u16string_view(buffer.data(), n < limit ? n : limit));
}

std::u16string ReadValue(ProfileSource& source,
                         std::u16string_view section,
                         std::u16string_view key,
                         size_t limit) {
  std::u16string buffer(limit + 1, u'\0');
  size_t n = source.GetString(section, key, u"", buffer.data(), limit + 1);
  buffer.resize(n < limit ? n : limit);
  return buffer;
}

bool IsChosen(std::u16string_view value) {
  return value == u"是";
}

enum class Family { kMainKeyboard, kAuxiliary, kKeypad };

// A value that becomes part of a path but would leave its folder: the user is told which section
// and key, and the caller leaves the entry out.
void TellOutsidePath(const SetupState& state,
                     std::u16string_view section,
                     std::u16string_view key,
                     std::u16string_view value) {
  TheUi().ShowMessage(u"setup.ini 的 [" + std::u16string(section) + u"] 中 " + std::u16string(key) +
                          u"=" + std::u16string(value) + u" 指向所在文件夹以外，这一项已跳过。",
                      state.displayName.view(), kMbOk | kMbIconWarning);
}

void ReadSchemeFamily(ProfileSource& source,
                      SetupState& state,
                      std::u16string_view prefix,
                      Family family) {
  for (int n = 1; state.schemeCount < kMaxSchemes; ++n) {
    std::u16string section = std::u16string(prefix) + DecimalText(n);
    std::u16string name = ReadValue(source, section, u"name", 59);
    if (name.empty())
      return;
    std::u16string path = ReadValue(source, section, kSchemePathKey, 59);
    if (!IsContainedRelativePath(path)) {
      TellOutsidePath(state, section, kSchemePathKey, path);
      continue;
    }
    InputScheme* scheme = state.AddScheme();
    scheme->name.Assign(name);
    scheme->path.Assign(kSchemeFolder);
    scheme->path.Append(path);
    bool chosen = IsChosen(ReadValue(source, section, u"Default", 17));
    ReadInto(source, section, u"About", u"", 159, scheme->about);
    ReadValue(source, section, u"Lock", 9);  // accepted, without effect
    scheme->isAuxiliary = family == Family::kAuxiliary;
    scheme->isKeypad = family == Family::kKeypad;
    if (family == Family::kAuxiliary) {
      scheme->auxSelected = chosen;
    } else {
      scheme->selected = chosen;
    }
  }
}

void ReadDictionaries(ProfileSource& source, SetupState& state) {
  for (int n = 1; state.dictionaryCount < kMaxDictionaries; ++n) {
    std::u16string section = std::u16string(kDictionarySection) + DecimalText(n);
    std::u16string name = ReadValue(source, section, u"name", 39);
    if (name.empty())
      return;
    std::u16string fileName = ReadValue(source, section, kDictionaryFileKey, 29);
    if (!IsContainedRelativePath(fileName)) {
      TellOutsidePath(state, section, kDictionaryFileKey, fileName);
      continue;
    }
    DictionaryEntry* entry = state.AddDictionary();
    entry->name.Assign(name);
    entry->fileName.Assign(fileName);
    entry->selected = IsChosen(ReadValue(source, section, u"Default", 17));
    ReadInto(source, section, u"About", u"", 98, entry->about);
    entry->allPhrasesByShapeCode = 0;
  }
}

}  // namespace

void ReadManifestInto(ProfileSource& source, SetupState& state) {
  if (!state.namesFromModule) {
    ReadInto(source, u"soft", u"MainName", kPlatformName, 39, state.mainName);
    ReadInto(source, u"soft", u"Name", kPlatformName, 39, state.displayName);
  }
  SetDisplayName(state, state.displayName.str());
  ReadInto(source, u"soft", u"Date", u"2007-1-1", 21, state.releaseDate);
  ReadInto(source, u"soft", u"Version", u"4.00", 9, state.version);
  ReadInto(source, u"soft", kModuleNameKey, kDefaultModuleName, 15, state.imeBaseName);
  // The module is copied into the system folder under this name.
  if (!IsPlainName(state.imeBaseName.view())) {
    TellOutsidePath(state, u"soft", kModuleNameKey, state.imeBaseName.view());
    state.imeBaseName.Assign(kDefaultModuleName);
  }
  state.imeFileName.Assign(state.imeBaseName.view());
  state.imeFileName.Append(u".ime");
  ReadInto(source, u"soft", u"Setup", u"", 510, state.setupText);

  state.schemeCount = 0;
  ReadSchemeFamily(source, state, kMainKeyboardSection, Family::kMainKeyboard);
  ReadSchemeFamily(source, state, kAuxiliarySection, Family::kAuxiliary);
  ReadSchemeFamily(source, state, kKeypadSection, Family::kKeypad);
  state.dictionaryCount = 0;
  ReadDictionaries(source, state);
}

int ReadSetupManifest(std::u16string_view packageFolder, SetupState& state) {
  std::unique_ptr<ProfileSource> source =
      OpenProfile(std::u16string(packageFolder) + std::u16string(kSetupIniFile));
  ReadManifestInto(*source, state);
  return 0;
}

}  // namespace ql
