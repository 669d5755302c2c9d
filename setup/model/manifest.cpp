#include "setup/model/manifest.h"

#include <string>
#include <utility>

#include "setup/common/diagnostics.h"
#include "setup/common/path_names.h"
#include "setup/common/text.h"
#include "setup/common/ui.h"
#include "setup/model/package.h"
#include "setup/model/setup_state.h"

namespace ql {

namespace {

// setup.ini's values, each read up to its length limit. A longer value is cut, as it always was,
// and with a sink that is said.
class ManifestValues {
 public:
  ManifestValues(ProfileSource& source, FileDiagnostics said)
      : source_(source), said_(std::move(said)) {}

  std::u16string Value(std::u16string_view section,
                       std::u16string_view key,
                       size_t limit,
                       std::u16string_view defaultValue = u"") {
    // One unit more than the limit tells a value of the limit's length from a longer one.
    std::u16string buffer(limit + 2, u'\0');
    const size_t n = source_.GetString(section, key, defaultValue, buffer.data(), limit + 2);
    buffer.resize(n < limit ? n : limit);
    if (n > limit && said_.active()) {
      said_.Warning(0, "cut",
                    "[" + Utf16ToUtf8(section) + "] " + Utf16ToUtf8(key) + " is longer than " +
                        std::to_string(limit) + " characters: the installer reads \"" +
                        Utf16ToUtf8(buffer) + "\"");
    }
    return buffer;
  }

  template <size_t N>
  void Into(std::u16string_view section,
            std::u16string_view key,
            std::u16string_view defaultValue,
            size_t limit,
            FixedText<N>& field) {
    field.Assign(Value(section, key, limit, defaultValue));
  }

 private:
  ProfileSource& source_;
  FileDiagnostics said_;
};

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

void ReadSchemeFamily(ManifestValues& values,
                      SetupState& state,
                      std::u16string_view prefix,
                      Family family) {
  for (int n = 1; state.schemeCount < kMaxSchemes; ++n) {
    std::u16string section = std::u16string(prefix) + DecimalText(n);
    std::u16string name = values.Value(section, u"name", 59);
    if (name.empty())
      return;
    std::u16string path = values.Value(section, kSchemePathKey, 59);
    if (!IsContainedRelativePath(path)) {
      TellOutsidePath(state, section, kSchemePathKey, path);
      continue;
    }
    InputScheme* scheme = state.AddScheme();
    scheme->name.Assign(name);
    scheme->path.Assign(kSchemeFolder);
    scheme->path.Append(path);
    bool chosen = IsChosen(values.Value(section, u"Default", 17));
    values.Into(section, u"About", u"", 159, scheme->about);
    values.Value(section, u"Lock", 9);  // accepted, without effect
    scheme->isAuxiliary = family == Family::kAuxiliary;
    scheme->isKeypad = family == Family::kKeypad;
    if (family == Family::kAuxiliary) {
      scheme->auxSelected = chosen;
    } else {
      scheme->selected = chosen;
    }
  }
}

void ReadDictionaries(ManifestValues& values, SetupState& state) {
  for (int n = 1; state.dictionaryCount < kMaxDictionaries; ++n) {
    std::u16string section = std::u16string(kDictionarySection) + DecimalText(n);
    std::u16string name = values.Value(section, u"name", 39);
    if (name.empty())
      return;
    std::u16string fileName = values.Value(section, kDictionaryFileKey, 29);
    if (!IsContainedRelativePath(fileName)) {
      TellOutsidePath(state, section, kDictionaryFileKey, fileName);
      continue;
    }
    DictionaryEntry* entry = state.AddDictionary();
    entry->name.Assign(name);
    entry->fileName.Assign(fileName);
    entry->selected = IsChosen(values.Value(section, u"Default", 17));
    values.Into(section, u"About", u"", 98, entry->about);
    entry->allPhrasesByShapeCode = 0;
  }
}

}  // namespace

void ReadManifestInto(ProfileSource& source, SetupState& state, Diagnostics* diagnostics) {
  ManifestValues values(source, FileDiagnostics(diagnostics, std::u16string(kSetupIniFile)));
  if (!state.namesFromModule) {
    values.Into(u"soft", u"MainName", kPlatformName, 39, state.mainName);
    values.Into(u"soft", u"Name", kPlatformName, 39, state.displayName);
  }
  SetDisplayName(state, state.displayName.str());
  values.Into(u"soft", u"Date", u"2007-1-1", 21, state.releaseDate);
  values.Into(u"soft", u"Version", u"4.00", 9, state.version);
  values.Into(u"soft", kModuleNameKey, kDefaultModuleName, 15, state.imeBaseName);
  // The module is copied into the system folder under this name.
  if (!IsPlainName(state.imeBaseName.view())) {
    TellOutsidePath(state, u"soft", kModuleNameKey, state.imeBaseName.view());
    state.imeBaseName.Assign(kDefaultModuleName);
  }
  state.imeFileName.Assign(state.imeBaseName.view());
  state.imeFileName.Append(u".ime");
  values.Into(u"soft", u"Setup", u"", 510, state.setupText);

  state.schemeCount = 0;
  ReadSchemeFamily(values, state, kMainKeyboardSection, Family::kMainKeyboard);
  ReadSchemeFamily(values, state, kAuxiliarySection, Family::kAuxiliary);
  ReadSchemeFamily(values, state, kKeypadSection, Family::kKeypad);
  state.dictionaryCount = 0;
  ReadDictionaries(values, state);
}

int ReadSetupManifest(std::u16string_view packageFolder,
                      SetupState& state,
                      Diagnostics* diagnostics) {
  std::unique_ptr<ProfileSource> source =
      OpenProfile(std::u16string(packageFolder) + std::u16string(kSetupIniFile));
  ReadManifestInto(*source, state, diagnostics);
  return 0;
}

}  // namespace ql
