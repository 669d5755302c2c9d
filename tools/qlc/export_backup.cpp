// `qlc export` of User.dat: the user's learned phrases, with the settings, the double-pinyin
// layout and the custom codes found in the same installed folder, as a backup in the platform's
// own format. The install dialog adds it as a dictionary, and the build restores each part.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "setup/common/bytes.h"
#include "setup/common/files.h"
#include "setup/common/text.h"
#include "setup/compiler/text_dictionary.h"
#include "setup/install/add_entries.h"
#include "setup/model/package.h"
#include "tools/qlc/export.h"
#include "tools/qlc/qlc.h"

namespace qlc {
namespace {

namespace fs = std::filesystem;

constexpr std::u16string_view kBackupFile = u"用户词库备份.txt";
constexpr std::u16string_view kBackupTitle = u"用户词库备份";

struct Backup {
  std::optional<std::u16string> settingsTag, settings, doublePinyin;
  std::vector<std::pair<std::u16string, int32_t>> phrases;
  std::vector<std::pair<std::u16string, std::vector<std::pair<std::u16string, std::u16string>>>>
      customCodes;  // per scheme folder: code, text
};

// What the build makes of a backup, read by the system's own reader after the add dialog's
// rewrite.
class BackupReader : public ql::TextDictionaryHandler {
 public:
  Backup read;
  bool Phrase(std::u16string_view phrase, std::optional<int32_t> frequency) override {
    read.phrases.emplace_back(std::u16string(phrase), frequency.value_or(-1));
    return true;
  }
  size_t Description(std::u16string_view, std::u16string_view value) override {
    return value.size();
  }
  bool Settings(std::u16string_view tag, std::u16string_view content) override {
    read.settingsTag = std::u16string(tag);
    read.settings = std::u16string(content);
    return true;
  }
  bool DoublePinyin(std::u16string_view content) override {
    read.doublePinyin = std::u16string(content);
    return true;
  }
  void CustomCodeFolder(std::optional<std::u16string_view> folder) override {
    read.customCodes.emplace_back(std::u16string(folder.value_or(u"")),
                                  std::vector<std::pair<std::u16string, std::u16string>>());
  }
  bool CustomCode(std::u16string_view code, std::u16string_view text) override {
    if (read.customCodes.empty())
      return false;
    read.customCodes.back().second.emplace_back(std::u16string(code), std::u16string(text));
    return true;
  }
  void CustomCodeEnd() override {}
};

std::optional<std::u16string> ReadUtf16(const fs::path& path) {
  const std::optional<std::vector<uint8_t>> bytes = ql::ReadFileBytes(FromPath(path));
  if (!bytes)
    return std::nullopt;
  return ql::DecodeUtf16Le(bytes->data(), bytes->size());
}

// What the installed folder holds besides User.dat; false (reported) when a file is not as the
// build writes it.
bool CollectSections(const fs::path& folder, Backup& backup) {
  bool ok = true;
  if (std::optional<std::u16string> option = ReadUtf16(folder / ToPath(ql::kSettingsFile))) {
    // U+FEFF, CR LF, the tag line's first field, CR LF, the section's text.
    const size_t tagEnd = option->find(u"\r\n", 3);
    if (option->compare(0, 3, u"\uFEFF\r\n") != 0 || tagEnd == std::u16string::npos) {
      std::fprintf(stderr, "qlc: error: %s is not as the build writes it\n",
                   U8(ql::kSettingsFile).c_str());
      ok = false;
    } else {
      backup.settingsTag = option->substr(3, tagEnd - 3);
      backup.settings = option->substr(tagEnd + 2);
    }
  }
  if (std::optional<std::u16string> sp = ReadUtf16(folder / ToPath(ql::kDoublePinyinFile)))
    backup.doublePinyin = sp->substr(sp->empty() || (*sp)[0] != 0xFEFF ? 0 : 1);
  std::error_code error;
  const fs::path schemes = folder / ToPath(ql::kSchemeFolder);
  for (fs::directory_iterator it(schemes, error), end; !error && it != end; it.increment(error)) {
    std::optional<std::u16string> text = ReadUtf16(it->path() / ToPath(ql::kCustomCodeFile));
    if (!text)
      continue;
    // Lines "code=text" after the byte-order mark. Neither field holds a space, and an "=" inside
    // the code comes back the same wherever the line is split.
    if (!text->empty() && (*text)[0] == 0xFEFF)
      text->erase(0, 1);
    auto& codes = backup.customCodes.emplace_back(
        FromPath(it->path().filename()), std::vector<std::pair<std::u16string, std::u16string>>());
    for (size_t at = 0; at < text->size();) {
      size_t lineEnd = text->find(u"\r\n", at);
      lineEnd = lineEnd == std::u16string::npos ? text->size() : lineEnd;
      const std::u16string line = text->substr(at, lineEnd - at);
      at = lineEnd + 2;
      const size_t equals = line.find(u'=');
      if (equals == std::u16string::npos) {
        std::fprintf(stderr, "qlc: error: %s/%s: a line without \"=\"\n",
                     U8(FromPath(it->path().filename())).c_str(), U8(ql::kCustomCodeFile).c_str());
        ok = false;
        continue;
      }
      codes.second.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    }
  }
  return ok;
}

// The sections, then the user phrases when there are any.
std::u16string BackupText(const Backup& backup, bool userPhrases) {
  std::u16string out;
  if (backup.settings)
    out += *backup.settingsTag + u"\r\n" + *backup.settings;
  if (backup.doublePinyin)
    out += std::u16string(ql::kDoublePinyinTag) + u"\r\n" + *backup.doublePinyin;
  if (!out.empty() && out.back() != u'\n')
    out += u"\r\n";
  if (!backup.customCodes.empty()) {
    out += std::u16string(ql::kCustomCodesTag) + u"\r\n";
    for (const auto& [folder, codes] : backup.customCodes) {
      out += u"[" + folder + u"]\r\n";
      for (const auto& [code, text] : codes)
        out += code + u" " + text + u"\r\n";
    }
    out += std::u16string(ql::kEndTag) + u"\r\n";
  }
  if (userPhrases) {
    out += std::u16string(ql::kUserPhrasesTag) + u"\r\n";
    for (const auto& [text, frequency] : backup.phrases)
      out += text + u" " + ql::DecimalText(frequency) + u"\r\n";
  }
  return out;
}

}  // namespace

bool InstalledSections(const fs::path& folder, std::u16string& text) {
  Backup backup;
  if (!CollectSections(folder, backup))
    return false;
  text = BackupText(backup, false);
  return true;
}

int ExportUserData(const std::string& name,
                   const ExportedPhrases& user,
                   const fs::path& out,
                   bool verify) {
  const fs::path folder = ToPath(ql::Utf8ToUtf16(name)).parent_path();
  Backup backup;
  if (!CollectSections(folder, backup))
    return 1;
  backup.phrases = user.phrases;
  const std::u16string text = BackupText(backup, true);
  if (!WriteTextFile(out / ToPath(kBackupFile), text))
    return 1;
  std::printf("exported %s: %zu user phrases%s%s, custom codes of %zu schemes into %s\n",
              name.c_str(), backup.phrases.size(), backup.settings ? ", settings" : "",
              backup.doublePinyin ? ", double pinyin" : "", backup.customCodes.size(),
              U8(FromPath(out / ToPath(kBackupFile))).c_str());
  if (!verify)
    return 0;
  // The add dialog puts a phrases header before a backup without description; the build then
  // reads it as any dictionary.
  const ql::DictionaryRewrite added = ql::RewriteDictionarySource(text, false, kBackupTitle);
  BackupReader reader;
  ql::DictionaryPart part = ql::DictionaryPart::none;
  ql::ReadTextDictionary(added.text, part, reader);
  const Backup& read = reader.read;
  const bool same = read.settings == backup.settings && read.settingsTag == backup.settingsTag &&
                    read.doublePinyin == backup.doublePinyin && read.phrases == backup.phrases &&
                    read.customCodes == backup.customCodes;
  if (!same) {
    std::fprintf(stderr,
                 "qlc: error: verify: the build reads the backup otherwise: %zu of %zu phrases, "
                 "settings %s, double pinyin %s, custom codes %s\n",
                 read.phrases.size(), backup.phrases.size(),
                 read.settings == backup.settings ? "same" : "differ",
                 read.doublePinyin == backup.doublePinyin ? "same" : "differ",
                 read.customCodes == backup.customCodes ? "same" : "differ");
    return 1;
  }
  std::printf("verify: the build reads back every part of the backup\n");
  return 0;
}

}  // namespace qlc
