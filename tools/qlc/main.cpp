// qlc: compile a package as a default fresh install would, dump the files the system writes,
// check a package before anyone installs it.
#include <cstdio>
#include <string>
#include <vector>

#include "setup/common/text.h"
#include "tools/qlc/qlc.h"

namespace qlc {
namespace {

constexpr char kVersion[] = "qlc 1.1";

int Usage(bool asked) {
  std::FILE* out = asked ? stdout : stderr;
  std::fprintf(out, "usage: qlc COMMAND ...   (qlc COMMAND --help for one command)\n%s%s%s",
               kCompileUsage, kDumpUsage, kCheckUsage);
  std::fputs(kQueryUsage, out);
  std::fputs(kExportUsage, out);
  std::fputs(kImportUsage, out);
  std::fputs(kDiffUsage, out);
  std::fprintf(out,
               "  qlc --help | -h        this text\n"
               "  qlc --version          the program's version\n"
               "diagnostics: FILE:LINE: error: TEXT or FILE:LINE: warning: TEXT on standard error\n"
               "exit codes: 0 done (check: no error found); 1 a failure, or an error found\n"
               "            (a warning too with --strict); 2 a command line that is wrong\n");
  return asked ? 0 : 2;
}

int Run(const std::vector<std::string>& words) {
  if (words.empty())
    return Usage(false);
  if (words[0] == "--help" || words[0] == "-h")
    return Usage(true);
  if (words[0] == "--version") {
    std::printf("%s\n", kVersion);
    return 0;
  }
  std::vector<std::string> args(words.begin() + 1, words.end());
  if (words[0] == "compile")
    return Compile(args);
  if (words[0] == "dump")
    return Dump(args);
  if (words[0] == "check")
    return Check(args);
  if (words[0] == "query")
    return Query(args);
  if (words[0] == "export")
    return Export(args);
  if (words[0] == "import")
    return Import(args);
  if (words[0] == "diff")
    return Diff(args);
  std::fprintf(stderr, "qlc: unknown command \"%s\"\n", words[0].c_str());
  return Usage(false);
}

}  // namespace
}  // namespace qlc

#ifdef _WIN32
// The wide command line, so that Chinese folder names survive.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) {
    std::wstring_view wide(argv[i]);
    words.push_back(ql::Utf16ToUtf8(std::u16string(wide.begin(), wide.end())));
  }
  return qlc::Run(words);
}
#else
int main(int argc, char** argv) {
  return qlc::Run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
