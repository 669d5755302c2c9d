#include <cstdio>

#include "setup/common/byte_reader.h"
#include "setup/common/text.h"
#include "setup/compiler/phrase_table_format.h"
#include "setup/model/package.h"
#include "tools/qlc/qlc.h"

namespace qlc {

const char kCompileUsage[] =
    "  qlc compile PACKAGE_FOLDER --out FOLDER [options]\n"
    "      --force            empty the output folder first when it is not empty\n"
    "      --strict           warnings count as errors: nothing is written\n"
    "      --dicts LIST       choose exactly these dictionaries (names or file names,\n"
    "                         comma-separated; empty for none) instead of the defaults\n"
    "      --schemes LIST     choose exactly these schemes (names or folders)\n"
    "      --single-chars     the pinyin index holds single characters only\n"
    "      --skip-slots       leave the scheme slots empty\n"
    "      --skip-index       do not build the pinyin index\n"
    "      --skip-fuzzy       leave the fuzzy-pinyin bytes zero\n";
const char kDumpUsage[] =
    "  qlc dump FILE          cz.dat, User.dat, qinglan.idx or User.idx, readably, told by\n"
    "                         content; a damaged file is named with what is wrong (exit 1);\n"
    "                         also zdybm.idx, zdydw.idx and punct/*.bin of compile\n";
const char kCheckUsage[] =
    "  qlc check PACKAGE_FOLDER [--strict] [--fix]\n"
    "      reads the package with every dictionary chosen, as compile does, and reports\n"
    "      what it loses: FILE:LINE: error: TEXT or FILE:LINE: warning: TEXT on stderr\n"
    "      --strict           warnings count as errors (exit 1)\n"
    "      --fix              rewrite text files as UTF-16LE with byte-order mark and CR LF,\n"
    "                         add a missing final line end; the original stays as FILE.orig\n";
const char kExportUsage[] =
    "  qlc export FILE... --out FOLDER [--verify]\n"
    "      cz.dat of a compiled tree: a package in FOLDER whose compile gives the same cz.dat,\n"
    "      qinglan.idx and User.idx (zk.txt, one dictionary, the tree's schemes and files);\n"
    "      User.dat: a backup (settings, double pinyin, user phrases, custom codes found\n"
    "      beside it) that the install dialog adds as a dictionary\n"
    "      --verify           compile what was exported and compare byte for byte (exit 1 on a\n"
    "                         difference, which is shown decoded)\n";
const char kImportUsage[] =
    "  qlc import rime|libime|plain SOURCE... --out FOLDER [options]\n"
    "      rime: *.dict.yaml (header, import_tables, text<TAB>code<TAB>weight); libime:\n"
    "      \"phrase pin'yin [cost]\"; plain: a phrase a line, optional frequency (UTF-8/16).\n"
    "      rime and libime write a package (setup.ini, zk.txt, the dictionary, the pinyin\n"
    "      scheme's mb.txt, dycz.txt, zg.txt); plain writes zk.txt and the dictionary\n"
    "      --weights FILE     rime: an essay-style file \"phrase<TAB>weight\"\n"
    "      --name NAME        the dictionary's name and file name (default 导入词库)\n"
    "      --verbose          name every item a rule changed or dropped\n";
const char kDiffUsage[] =
    "  qlc diff A B           two packages (compiled here) or two trees compile wrote: phrases\n"
    "                         and characters added (+), removed (-) or of another frequency\n"
    "                         (~), readings changed, pinyin keys whose candidates changed;\n"
    "                         exit 0 equal, 1 different, 2 trouble\n";
const char kQueryUsage[] =
    "  qlc query PINYIN... [--in COMPILED_FOLDER]\n"
    "      the candidates of each typed pinyin (ni'hao, nihao3, zhg: initials alone\n"
    "      stand for any syllable) in the pinyin index's order: rank, frequency, text, key;\n"
    "      the folder (default: the current one) is one that qlc compile wrote\n";

bool AsksForHelp(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h")
      return true;
  }
  return false;
}

int PrintUsage(const char* usage, bool asked) {
  std::fprintf(asked ? stdout : stderr, "usage:\n%s", usage);
  return asked ? 0 : 2;
}

std::u16string PinyinSchemeFolder(const std::vector<uint8_t>& mainData) {
  std::u16string folder = ql::ByteReader(mainData.data(), mainData.size())
                              .Seek(ql::kSchemeSlotOffset)
                              .Text(ql::kSchemeSlotUnits);
  if (folder.empty())
    folder = std::u16string(ql::kSchemeFolder) + u"拼音";
  return folder;
}

std::string U8(std::u16string_view text) {
  return ql::Utf16ToUtf8(text);
}

std::u16string Shown(std::u16string_view relative) {
  std::u16string text(relative);
  for (char16_t& c : text) {
    if (c == u'\\')
      c = u'/';
  }
  return text;
}

std::filesystem::path ToPath(std::u16string_view path) {
#ifdef _WIN32
  return std::filesystem::path(std::wstring(path.begin(), path.end()));
#else
  std::string host = ql::Utf16ToUtf8(path);
  for (char& c : host) {
    if (c == '\\')
      c = '/';
  }
  return std::filesystem::path(host);
#endif
}

std::u16string FromPath(const std::filesystem::path& path) {
#ifdef _WIN32
  std::wstring wide = path.wstring();
  return std::u16string(wide.begin(), wide.end());
#else
  return ql::Utf8ToUtf16(path.string());
#endif
}

std::u16string FolderArgument(const std::string& utf8) {
  std::error_code error;
  std::filesystem::path path = ToPath(ql::Utf8ToUtf16(utf8));
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  std::u16string folder = FromPath(error ? path : absolute.lexically_normal());
  char16_t separator = static_cast<char16_t>(std::filesystem::path::preferred_separator);
  if (folder.empty() || (folder.back() != u'/' && folder.back() != u'\\'))
    folder.push_back(separator);
  return folder;
}

namespace {

// A kind is counted at the end when it came more often than this.
constexpr int kKindSummaryThreshold = 3;

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
  return !prefix.empty() && text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::string DiagnosticReport::Shown(std::u16string_view file) const {
  if (StartsWith(file, build_))
    file.remove_prefix(build_.size());
  else if (StartsWith(file, package_))
    file.remove_prefix(package_.size());
  return U8(qlc::Shown(file));
}

void DiagnosticReport::Report(ql::Severity severity,
                              std::u16string_view file,
                              size_t line,
                              std::string_view kind,
                              std::string_view text) {
  const bool error = severity == ql::Severity::kError;
  ++(error ? errors_ : warnings_);
  ++kinds_[std::string(error ? "error: " : "warning: ") + std::string(kind)];
  std::string where = Shown(file);
  if (where.empty())
    where = "qlc";
  if (line != 0)
    where += ":" + std::to_string(line);
  std::fprintf(stderr, "%s: %s: %.*s\n", where.c_str(), error ? "error" : "warning",
               static_cast<int>(text.size()), text.data());
}

void DiagnosticReport::Error(std::u16string_view relative,
                             size_t line,
                             std::string_view kind,
                             std::string_view text) {
  Report(ql::Severity::kError, package_ + std::u16string(relative), line, kind, text);
}

void DiagnosticReport::Warning(std::u16string_view relative,
                               size_t line,
                               std::string_view kind,
                               std::string_view text) {
  Report(ql::Severity::kWarning, package_ + std::u16string(relative), line, kind, text);
}

void DiagnosticReport::PrintSummary() const {
  for (const auto& [kind, count] : kinds_) {
    if (count > kKindSummaryThreshold)
      std::fprintf(stderr, "qlc: %d × %s\n", count, kind.c_str());
  }
  if (errors_ + warnings_ != 0) {
    std::fprintf(stderr, "qlc: %d error%s, %d warning%s%s\n", errors_, errors_ == 1 ? "" : "s",
                 warnings_, warnings_ == 1 ? "" : "s",
                 strict_ && warnings_ != 0 ? " (--strict: warnings count as errors)" : "");
  }
}

int PrintingUi::ShowMessage(std::u16string_view text, std::u16string_view caption, uint32_t) {
  ++messages;
  report_.Report(ql::Severity::kError, u"", 0, "message",
                 "the installer would show the message [" + U8(caption) + "]: " + U8(text));
  return ql::kIdOk;
}

void PrintingUi::SetStatusText(std::u16string_view text) {
  if (quiet_)
    return;
  std::printf("status: %s\n", U8(text).c_str());
}

PhaseTimer::PhaseTimer(const char* name, bool print)
    : name_(name), print_(print), start_(std::chrono::steady_clock::now()) {}

PhaseTimer::~PhaseTimer() {
  if (!print_)
    return;
  std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start_;
  std::printf("time %-14s %9.1f ms\n", name_, elapsed.count());
}

}  // namespace qlc
