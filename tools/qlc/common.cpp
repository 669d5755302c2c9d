#include <cstdio>

#include "setup/common/text.h"
#include "tools/qlc/qlc.h"

namespace qlc {

const char kCompileUsage[] =
    "  qlc compile PACKAGE_FOLDER --out FOLDER [options]\n"
    "      --dicts LIST       choose exactly these dictionaries (names or file names,\n"
    "                         comma-separated; empty for none) instead of the defaults\n"
    "      --schemes LIST     choose exactly these schemes (names or folders)\n"
    "      --single-chars     the pinyin index holds single characters only\n"
    "      --skip-slots       leave the scheme slots empty\n"
    "      --skip-index       do not build the pinyin index\n"
    "      --skip-fuzzy       leave the fuzzy-pinyin bytes zero\n";
const char kDumpUsage[] =
    "  qlc dump FILE          cz.dat, User.dat, qinglan.idx or User.idx, readably;\n"
    "                         also zdybm.idx, zdydw.idx and punct/*.bin of compile\n";
const char kCheckUsage[] = "  qlc check PACKAGE_FOLDER\n";

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

int PrintingUi::ShowMessage(std::u16string_view text, std::u16string_view caption, uint32_t) {
  ++messages;
  std::printf("message [%s]: %s\n", U8(caption).c_str(), U8(text).c_str());
  return ql::kIdOk;
}

void PrintingUi::SetStatusText(std::u16string_view text) {
  std::printf("status: %s\n", U8(text).c_str());
}

PhaseTimer::PhaseTimer(const char* name) : name_(name), start_(std::chrono::steady_clock::now()) {}

PhaseTimer::~PhaseTimer() {
  std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start_;
  std::printf("time %-14s %9.1f ms\n", name_, elapsed.count());
}

}  // namespace qlc
