// ql_add_dialogs_host: shows one add dialog on its own, as the install dialog's buttons 5 and 6
// do, for the package it stands in as setup.exe (the dialogs write into the folder of the running
// program). What to show is the line of add-dialog.txt in the package folder: "dictionary COUNT"
// or "scheme COUNT", COUNT being the number of list entries before the dialog (the manifest's,
// then made-up ones up to it). Afterwards the host counts the new entries as the install dialog
// does and records in add-dialog-result.txt there: the result, the new count, and the entries
// from the old count on (at least the one the dialog was to write).
#include "setup/common/win.h"

#include <cstdio>
#include <string>

#include "setup/common/text.h"
#include "setup/flow/add_dictionary_dialog.h"
#include "setup/flow/add_scheme_dialog.h"
#include "setup/model/manifest.h"
#include "setup/model/setup_state.h"

namespace {

std::string Utf8(std::u16string_view text) {
  return ql::Utf16ToUtf8(text);
}

bool ReadRequest(const std::u16string& folder, std::string& dialog, unsigned& count) {
  FILE* file = _wfopen(ql::WString(folder + u"add-dialog.txt").c_str(), L"rb");
  if (!file)
    return false;
  char kind[32] = {};
  bool ok = fscanf(file, "%31s %u", kind, &count) == 2;
  fclose(file);
  dialog = kind;
  return ok;
}

void FillLists(const std::string& dialog, unsigned count) {
  ql::SetupState& state = ql::State();
  for (unsigned i = dialog == "dictionary" ? state.dictionaryCount : state.schemeCount; i < count;
       ++i) {
    std::u16string name = u"填充" + ql::DecimalText(i);
    if (dialog == "dictionary") {
      ql::DictionaryEntry* entry = state.AddDictionary();
      entry->name.Assign(name);
      entry->fileName.Assign(name + u".txt");
      entry->selected = 1;
    } else {
      ql::InputScheme* scheme = state.AddScheme();
      scheme->name.Assign(name);
      scheme->path.Assign(u"输入方案\\" + name);
    }
  }
}

std::string DictionaryRecord(int result, unsigned before) {
  ql::SetupState& state = ql::State();
  if (result)
    state.dictionaryCount += 1;
  std::string out = "result " + std::to_string(result) + "\ncount " +
                    std::to_string(state.dictionaryCount) + "\nselected";
  for (unsigned i = 0; i < state.dictionaryCount; ++i)
    out += " " + std::to_string(state.dictionaries[i].selected);
  out += "\n";
  for (unsigned i = before; i < ql::kMaxDictionaries && (i < state.dictionaryCount || i == before);
       ++i) {
    const ql::DictionaryEntry& entry = state.dictionaries[i];
    out += std::to_string(i) + " name=" + Utf8(entry.name.view()) +
           " file=" + Utf8(entry.fileName.view()) + " about=" + Utf8(entry.about.view()) +
           " selected=" + std::to_string(entry.selected) +
           " shape=" + std::to_string(entry.allPhrasesByShapeCode) + "\n";
  }
  return out;
}

std::string SchemeRecord(int result, unsigned before) {
  ql::SetupState& state = ql::State();
  std::string out = "result " + std::to_string(result) + "\nmoreSchemesAdded " +
                    std::to_string(state.moreSchemesAdded) + "\n";
  if (result) {
    state.schemeCount += 1;
    if (state.moreSchemesAdded) {
      state.moreSchemesAdded = 0;
      state.schemeCount += 1;
    }
  }
  out += "count " + std::to_string(state.schemeCount) + "\n";
  for (unsigned i = before; i < ql::kMaxSchemes && (i < state.schemeCount || i == before); ++i) {
    const ql::InputScheme& scheme = state.schemes[i];
    const char* kind = scheme.isKeypad ? "keypad" : scheme.isAuxiliary ? "auxiliary" : "main";
    out += std::to_string(i) + " name=" + Utf8(scheme.name.view()) +
           " path=" + Utf8(scheme.path.view()) + " kind=" + kind +
           " selected=" + std::to_string(scheme.selected) +
           " auxSelected=" + std::to_string(scheme.auxSelected) + "\n";
  }
  return out;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  ql::SetupState& state = ql::State();
  state.instance = instance;
  wchar_t current[MAX_PATH + 1] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  // The open-file dialog moves the current folder; the record goes to the package all the same.
  const std::u16string package = std::u16string(ql::U(current)) + u"\\";
  state.packageFolder.Assign(package);
  ql::ReadSetupManifest(package, state);

  std::string dialog;
  unsigned count = 0;
  if (!ReadRequest(package, dialog, count) || (dialog != "dictionary" && dialog != "scheme"))
    return 2;
  FillLists(dialog, count);
  const unsigned before = dialog == "dictionary" ? state.dictionaryCount : state.schemeCount;
  int result =
      dialog == "dictionary" ? ql::ShowAddDictionaryDialog(state) : ql::ShowAddSchemeDialog(state);
  std::string record =
      dialog == "dictionary" ? DictionaryRecord(result, before) : SchemeRecord(result, before);

  FILE* out = _wfopen(ql::WString(package + u"add-dialog-result.txt").c_str(), L"wb");
  if (!out)
    return 3;
  fwrite(record.data(), 1, record.size(), out);
  fclose(out);
  return 0;
}
