// `qlc export`: from the binary files back to the text the system compiles them from. cz.dat of a
// compiled tree becomes a package whose compile gives the same bytes; User.dat becomes a backup
// in the platform's own format, which the install dialog adds as a dictionary on a new machine.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "setup/common/byte_reader.h"
#include "setup/common/bytes.h"
#include "setup/common/files.h"
#include "setup/common/text.h"
#include "setup/compiler/compiled_file_check.h"
#include "setup/compiler/phrase_table_dump.h"
#include "setup/compiler/phrase_table_format.h"
#include "setup/compiler/pinyin_index_dump.h"
#include "setup/compiler/text_dictionary.h"
#include "setup/model/manifest.h"
#include "setup/model/package.h"
#include "tools/qlc/export.h"
#include "tools/qlc/qlc.h"

namespace qlc {
namespace {

namespace fs = std::filesystem;

// The dictionary an export writes, and its entry in the manifest.
constexpr std::u16string_view kExportedDictionaryFile = u"导出词库.txt";
constexpr std::u16string_view kExportedDictionaryName = u"导出词库";

struct Record {
  std::u16string text;
  uint8_t flags = 0;
  uint8_t frequency = 0;
};

struct PhraseFile {
  bool user = false;  // RecordShift is not 0: the user data file
  uint32_t characterCount = 0;
  std::vector<Record> records;
  std::u16string name, author, email, web;
};

// The records of a phrase table that VerifyFile found sound.
PhraseFile ReadPhraseFile(const std::vector<uint8_t>& bytes) {
  PhraseFile file;
  const ql::ByteReader whole(bytes.data(), bytes.size());
  const uint32_t shift = ql::ByteReader(whole).Seek(ql::kRecordShiftOffset).U32();
  file.user = shift != 0;
  file.characterCount = ql::ByteReader(whole).Seek(ql::kCharacterCountOffset).U32();
  file.author = ql::ByteReader(whole).Seek(ql::kAuthorTextOffset).Text(ql::kAuthorTextUnits);
  file.email = ql::ByteReader(whole).Seek(ql::kEmailTextOffset).Text(ql::kEmailTextUnits);
  file.web = ql::ByteReader(whole).Seek(ql::kWebTextOffset).Text(ql::kWebTextUnits);
  file.name = ql::ByteReader(whole).Seek(ql::kNameTextOffset).Text(ql::kNameTextUnits);
  ql::ByteReader reader(whole);
  reader.Seek(size_t{shift} + ql::kPhraseHeaderSize);
  for (;;) {
    const uint8_t units = reader.U8();
    if (!reader.ok() || units == 0)
      break;
    Record record;
    record.flags = reader.U8();
    record.frequency = reader.U8();
    reader.U8();
    record.text = reader.Text(units);
    file.records.push_back(std::move(record));
  }
  return file;
}

// Whether a text survives a line of zk.txt or of a text dictionary as its first field.
bool FitsFirstField(std::u16string_view text) {
  return !text.empty() && text.find_first_of(u" \r\n") == std::u16string_view::npos;
}

void AppendLine(std::u16string& out, std::u16string_view a, std::u16string_view b = {}) {
  out += a;
  if (!b.empty()) {
    out += u' ';
    out += b;
  }
  out += u"\r\n";
}

}  // namespace

bool WriteTextFile(const fs::path& path, std::u16string_view text) {
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  const std::vector<uint8_t> bytes = ql::EncodeUtf16Le(text, ql::Utf16Frame::kByteOrderMark);
  if (ql::WriteFileBytes(FromPath(path), bytes.data(), bytes.size()))
    return true;
  std::fprintf(stderr, "qlc: error: cannot write %s\n", U8(FromPath(path)).c_str());
  return false;
}

std::u16string ManifestWithDictionary(std::u16string_view manifest,
                                      std::u16string_view name,
                                      std::u16string_view file) {
  std::u16string out;
  bool dropping = false;
  size_t at = manifest.size() > 0 && manifest[0] == 0xFEFF ? 1 : 0;
  while (at < manifest.size()) {
    size_t end = manifest.find(u'\n', at);
    end = end == std::u16string_view::npos ? manifest.size() : end + 1;
    const std::u16string_view line = manifest.substr(at, end - at);
    at = end;
    if (!line.empty() && line[0] == u'[') {
      const std::u16string_view section = line.substr(1);
      dropping = section.substr(0, ql::kDictionarySection.size()) == ql::kDictionarySection &&
                 section.size() > ql::kDictionarySection.size() &&
                 section[ql::kDictionarySection.size()] >= u'0' &&
                 section[ql::kDictionarySection.size()] <= u'9';
    }
    if (!dropping)
      out += line;
  }
  if (!out.empty() && out.back() != u'\n')
    out += u"\r\n";
  out += u"[" + std::u16string(ql::kDictionarySection) + u"1]\r\nname=" + std::u16string(name) +
         u"\r\n" + std::u16string(ql::kDictionaryFileKey) + u"=" + std::u16string(file) +
         u"\r\nDefault=是\r\n";
  return out;
}

namespace {

// Whether a phrase survives a dictionary line: no tag or bracket line, no space or line end.
bool FitsPhraseLine(std::u16string_view text) {
  return text.size() >= 2 && FitsFirstField(text) && text[0] != u'{' && text[0] != u'[';
}

// zk.txt and the dictionary of a main data file; false (reported) when a record cannot be written
// so that the build reads it back.
bool MainDataTexts(const PhraseFile& file, std::u16string& zk, std::u16string& dictionary) {
  bool ok = true;
  auto refuse = [&](size_t i, const char* why) {
    std::fprintf(stderr, "qlc: error: record %zu \"%s\" %s\n", i, U8(file.records[i].text).c_str(),
                 why);
    ok = false;
  };
  for (size_t i = 0; i < file.records.size(); ++i) {
    const Record& r = file.records[i];
    if (i < file.characterCount) {
      if (r.text.size() != 1 || !FitsFirstField(r.text))
        refuse(i, "is no character that zk.txt can hold");
      // A frequency byte 0 without the zero-frequency flag was 256 in zk.txt.
      const int frequency = (r.flags & ql::kFlagZeroFrequencyCharacter) != 0 ? 0
                            : r.frequency == 0                               ? 256
                                                                             : r.frequency;
      AppendLine(zk, r.text, ql::DecimalText(frequency));
    } else {
      if (!FitsPhraseLine(r.text))
        refuse(i, "is no phrase that a dictionary line can hold");
      AppendLine(dictionary, r.text, ql::DecimalText(r.frequency));
    }
  }
  std::u16string header;
  AppendLine(header, ql::kPhrasesTag);
  AppendLine(header, u"[Description]");
  const std::pair<std::u16string_view, const std::u16string*> keys[] = {{u"name", &file.name},
                                                                        {u"author", &file.author},
                                                                        {u"email", &file.email},
                                                                        {u"web", &file.web}};
  for (const auto& [key, value] : keys) {
    if (value->empty())
      continue;
    // The build takes the value after the line's last space.
    if (value->find(u' ') != std::u16string::npos) {
      std::fprintf(stderr, "qlc: error: the description value %s \"%s\" holds a space\n",
                   U8(key).c_str(), U8(*value).c_str());
      ok = false;
    }
    AppendLine(header, std::u16string(key) + u" =", *value);
  }
  AppendLine(header, u"[Text]");
  dictionary = header + dictionary;
  return ok;
}

// The tree's files but those a compile writes, the text dictionaries and the manifest.
bool CopyTree(const fs::path& tree, const fs::path& out) {
  std::error_code error;
  const std::u16string texts = Shown(ql::kTextDictionaryFolder);
  for (fs::recursive_directory_iterator it(tree, error), end; !error && it != end;
       it.increment(error)) {
    const fs::path relative = it->path().lexically_relative(tree);
    const std::u16string shown = Shown(FromPath(relative));
    if (it->is_directory(error) || IsCompiledFile(shown) || shown == ql::kSetupIniFile ||
        shown.compare(0, texts.size(), texts) == 0)
      continue;
    fs::create_directories((out / relative).parent_path(), error);
    if (!error)
      fs::copy_file(it->path(), out / relative, error);
    if (error) {
      std::fprintf(stderr, "qlc: error: cannot copy %s: %s\n", U8(shown).c_str(),
                   error.message().c_str());
      return false;
    }
  }
  if (error)
    std::fprintf(stderr, "qlc: error: cannot read %s: %s\n", U8(FromPath(tree)).c_str(),
                 error.message().c_str());
  return !error;
}

// Compiles the exported package and compares the three files with the tree's.
bool VerifyMainData(const std::u16string& tree,
                    const std::u16string& package,
                    const std::vector<uint8_t>& mainData) {
  const std::u16string work = MakeWorkFolder({}, "qlc-export-verify-");
  if (work.empty()) {
    std::fprintf(stderr, "qlc: error: cannot make a work folder\n");
    return false;
  }
  DiagnosticReport report(package, false);
  report.SetBuildFolder(work);
  BuildChoices choices;
  choices.quiet = true;
  const bool built = BuildPackage(package, work, choices, report).has_value();
  bool same = built;
  const std::u16string indexFile = ql::WithTrailingBackslash(PinyinSchemeFolder(mainData)) +
                                   std::u16string(ql::kPinyinIndexName);
  std::vector<std::u16string> files = {std::u16string(ql::kMainDataFile), indexFile,
                                       std::u16string(ql::kInstalledUserIndexFile)};
  // What the dictionaries' other sections gave, where the tree has it.
  for (std::u16string_view written : {ql::kSettingsFile, ql::kDoublePinyinFile})
    if (ql::FileExists(tree + std::u16string(written)))
      files.emplace_back(written);
  std::error_code error;
  for (fs::directory_iterator it(ToPath(tree + std::u16string(ql::kSchemeFolder)), error), end;
       !error && it != end; it.increment(error)) {
    const std::u16string codes = std::u16string(ql::kSchemeFolder) +
                                 FromPath(it->path().filename()) + u"\\" +
                                 std::u16string(ql::kCustomCodeFile);
    if (ql::FileExists(tree + codes))
      files.push_back(codes);
  }
  for (size_t i = 0; built && i < files.size(); ++i) {
    const std::optional<std::vector<uint8_t>> expected = ql::ReadFileBytes(tree + files[i]);
    const std::optional<std::vector<uint8_t>> actual = ql::ReadFileBytes(work + files[i]);
    if (!expected || !actual) {
      std::fprintf(stderr, "qlc: error: verify: %s is missing from the %s\n",
                   U8(Shown(files[i])).c_str(), !expected ? "tree" : "compile of the export");
      same = false;
    } else if (*expected != *actual) {
      std::fprintf(stderr, "qlc: error: verify: %s differs:\n%s", U8(Shown(files[i])).c_str(),
                   (i == 0  ? ql::DescribePhraseTableDifference(*expected, *actual)
                    : i < 3 ? ql::DescribePinyinIndexDifference(*expected, *actual)
                            : std::string("  (text files of different bytes)\n"))
                       .c_str());
      same = false;
    } else {
      std::printf("verify: %s identical (%zu bytes)\n", U8(Shown(files[i])).c_str(),
                  actual->size());
    }
  }
  fs::remove_all(ToPath(work), error);
  return same;
}

int ExportMainData(const std::string& name,
                   const std::vector<uint8_t>& bytes,
                   const PhraseFile& file,
                   const fs::path& out,
                   bool verify) {
  std::u16string zk, dictionary, sections;
  // cz.dat lies in 词库\ of a compiled tree, which holds the package it was compiled from and
  // what the build wrote from the dictionaries' other sections.
  const fs::path tree = ToPath(ql::Utf8ToUtf16(name)).parent_path().parent_path();
  if (!MainDataTexts(file, zk, dictionary) || !InstalledSections(tree, sections))
    return 1;
  dictionary += sections;
  const std::optional<std::vector<uint8_t>> manifest =
      ql::ReadFileBytes(FromPath(tree / ToPath(ql::kSetupIniFile)));
  if (manifest) {
    if (!CopyTree(tree, out))
      return 1;
    const std::u16string text = ql::DecodeUtf16Le(manifest->data(), manifest->size());
    if (!WriteTextFile(
            out / ToPath(ql::kSetupIniFile),
            ManifestWithDictionary(
                text, file.name.empty() ? kExportedDictionaryName : std::u16string_view(file.name),
                kExportedDictionaryFile)))
      return 1;
  } else {
    std::printf("note: no setup.ini in %s: only the text dictionaries are written\n",
                U8(FromPath(tree)).c_str());
  }
  const fs::path texts = out / ToPath(ql::kTextDictionaryFolder);
  if (!WriteTextFile(texts / ToPath(ql::kCharacterListFile), zk) ||
      !WriteTextFile(texts / ToPath(kExportedDictionaryFile), dictionary))
    return 1;
  std::printf("exported %s: %u characters, %zu phrases into %s\n", name.c_str(),
              file.characterCount, file.records.size() - file.characterCount,
              U8(FromPath(out)).c_str());
  if (!verify)
    return 0;
  if (!manifest) {
    std::fprintf(stderr, "qlc: error: --verify needs the compiled tree's package beside %s\n",
                 name.c_str());
    return 1;
  }
  return VerifyMainData(FolderArgument(U8(FromPath(tree))), FolderArgument(U8(FromPath(out))),
                        bytes)
             ? 0
             : 1;
}

}  // namespace

int Export(const std::vector<std::string>& args) {
  if (AsksForHelp(args))
    return PrintUsage(kExportUsage, true);
  std::vector<std::string> files;
  std::optional<std::string> out;
  bool verify = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--out" && i + 1 < args.size() && !out) {
      out = args[++i];
    } else if (args[i] == "--verify") {
      verify = true;
    } else if (!args[i].empty() && args[i][0] != '-') {
      files.push_back(args[i]);
    } else {
      std::fprintf(stderr, "qlc export: unknown option \"%s\"\n", args[i].c_str());
      return PrintUsage(kExportUsage, false);
    }
  }
  if (files.empty() || !out)
    return PrintUsage(kExportUsage, false);
  const fs::path outPath = ToPath(ql::Utf8ToUtf16(*out));
  std::error_code error;
  if (fs::exists(outPath, error) && !fs::is_empty(outPath, error)) {
    std::fprintf(stderr, "qlc: error: %s is not empty\n", out->c_str());
    return 1;
  }
  int result = 0;
  for (const std::string& name : files) {
    const std::optional<std::vector<uint8_t>> bytes = ql::ReadFileBytes(ql::Utf8ToUtf16(name));
    if (!bytes) {
      std::fprintf(stderr, "qlc: error: cannot read %s\n", name.c_str());
      return 1;
    }
    const std::vector<std::string> problems = ql::VerifyCompiledFile(
        ql::RecogniseCompiledFile(*bytes, false) == ql::CompiledFileFormat::kPhraseTable
            ? ql::CompiledFileFormat::kPhraseTable
            : ql::CompiledFileFormat::kUnknown,
        *bytes, nullptr, false);
    if (ql::RecogniseCompiledFile(*bytes, false) != ql::CompiledFileFormat::kPhraseTable ||
        !problems.empty()) {
      std::fprintf(stderr, "qlc: error: %s is no sound cz.dat or User.dat%s%s\n", name.c_str(),
                   problems.empty() ? "" : ": ", problems.empty() ? "" : problems[0].c_str());
      return 1;
    }
    const PhraseFile file = ReadPhraseFile(*bytes);
    if (file.user) {
      ExportedPhrases user;
      for (const Record& r : file.records) {
        if (!FitsPhraseLine(r.text)) {
          std::fprintf(stderr, "qlc: error: user phrase \"%s\" is none that a backup can hold\n",
                       U8(r.text).c_str());
          return 1;
        }
        user.phrases.emplace_back(r.text, r.frequency);
      }
      result |= ExportUserData(name, user, outPath, verify);
    } else
      result |= ExportMainData(name, *bytes, file, outPath, verify);
  }
  return result;
}

}  // namespace qlc
