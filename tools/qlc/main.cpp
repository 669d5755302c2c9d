// qlc: the platform's package tool on the command line. For now it checks a package's manifest.
#include <cstdio>
#include <cstring>
#include <string>

#include "setup/common/files.h"
#include "setup/common/profile_file.h"
#include "setup/common/text.h"
#include "setup/flow/manifest.h"
#include "setup/flow/setup_state.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: qlc check PACKAGE_FOLDER\n");
  return 2;
}

std::string U8(std::u16string_view text) {
  return ql::Utf16ToUtf8(text);
}

int Check(const char* folder) {
  std::u16string base = ql::Utf8ToUtf16(folder);
  if (base.empty() || (base.back() != u'/' && base.back() != u'\\'))
    base.push_back(u'/');
  std::u16string manifestPath = base + u"setup.ini";
  auto bytes = ql::ReadFileBytes(manifestPath);
  if (!bytes) {
    std::printf("setup.ini: missing (every key takes its default, no scheme, no dictionary)\n");
  } else {
    ql::ProfileFile file = ql::ProfileFile::Parse(bytes->data(), bytes->size());
    if (file.encoding() != ql::ProfileFile::Encoding::kUtf16Le &&
        file.encoding() != ql::ProfileFile::Encoding::kUtf8) {
      std::printf(
          "setup.ini: warning: not UTF-16LE or UTF-8 with byte-order mark; the system "
          "reads it as ANSI text and Chinese names are not found\n");
    }
  }
  ql::SetupState& state = ql::State();
  state.installFolder.Assign(base);
  ql::ReadSetupManifest();
  std::printf("main name:    %s\n", U8(state.mainName.view()).c_str());
  std::printf("display name: %s\n", U8(state.displayName.view()).c_str());
  std::printf("layout text:  %s\n", U8(state.layoutText.view()).c_str());
  std::printf("version:      %s  date: %s  module: %s\n", U8(state.version.view()).c_str(),
              U8(state.releaseDate.view()).c_str(), U8(state.imeFileName.view()).c_str());
  for (uint32_t i = 0; i < state.schemeCount; ++i) {
    const ql::InputScheme& s = state.schemes[i];
    const char* kind = s.isAuxiliary ? "auxiliary" : s.isKeypad ? "keypad" : "main";
    bool chosen = s.isAuxiliary ? s.auxSelected : s.selected;
    std::printf("scheme %2u: %-9s %s %s  %s\n", i, kind, chosen ? "[x]" : "[ ]",
                U8(s.name.view()).c_str(), U8(s.path.view()).c_str());
  }
  for (uint32_t i = 0; i < state.dictionaryCount; ++i) {
    const ql::DictionaryEntry& d = state.dictionaries[i];
    std::printf("dictionary %2u: %s %s  %s\n", i, d.selected ? "[x]" : "[ ]",
                U8(d.name.view()).c_str(), U8(d.fileName.view()).c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "check") == 0)
    return Check(argv[2]);
  return Usage();
}
