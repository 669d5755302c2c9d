// qlc: compile a package as a default fresh install would, dump the files the system writes,
// check a package before anyone installs it.
#include <cstdio>
#include <string>
#include <vector>

#include "setup/common/text.h"
#include "tools/qlc/qlc.h"

namespace qlc {
namespace {

int Usage() {
  std::fprintf(stderr,
               "usage:\n"
               "  qlc compile PACKAGE_FOLDER --out FOLDER [options]\n"
               "      --dicts LIST       choose exactly these dictionaries (names or file names,\n"
               "                         comma-separated; empty for none) instead of the defaults\n"
               "      --schemes LIST     choose exactly these schemes (names or folders)\n"
               "      --single-chars     the pinyin index holds single characters only\n"
               "      --skip-slots       leave the scheme slots empty\n"
               "      --skip-index       do not build the pinyin index\n"
               "      --skip-fuzzy       leave the fuzzy-pinyin bytes zero\n"
               "  qlc dump FILE          cz.dat, User.dat, qinglan.idx or User.idx, readably;\n"
               "                         also zdybm.idx, zdydw.idx and punct/*.bin of compile\n"
               "  qlc check PACKAGE_FOLDER\n");
  return 2;
}

int Run(const std::vector<std::string>& words) {
  if (words.empty())
    return Usage();
  std::vector<std::string> args(words.begin() + 1, words.end());
  if (words[0] == "compile")
    return Compile(args);
  if (words[0] == "dump")
    return Dump(args);
  if (words[0] == "check")
    return Check(args);
  return Usage();
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
