// `qlc dump`: any binary file the system writes, readably.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "setup/common/files.h"
#include "setup/common/text.h"
#include "setup/compiler/phrase_table_dump.h"
#include "setup/install/scheme_slots.h"
#include "tools/qlc/index_step.h"
#include "tools/qlc/qlc.h"

namespace qlc {
namespace {

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
  if (text.size() < suffix.size())
    return false;
  return ql::EqualsAsciiNoCase(ql::Utf8ToUtf16(text.substr(text.size() - suffix.size())),
                               ql::Utf8ToUtf16(suffix));
}

}  // namespace

int Dump(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: qlc dump FILE\n");
    return 2;
  }
  const std::string& name = args[0];
  std::optional<std::vector<uint8_t>> bytes = ql::ReadFileBytes(ql::Utf8ToUtf16(name));
  if (!bytes) {
    std::printf("error: cannot read %s\n", name.c_str());
    return 1;
  }
  if (EndsWithNoCase(name, ".idx")) {
    std::string text = DumpPinyinIndexFile(bytes->data(), bytes->size());
    if (text.empty()) {
      std::printf("error: this qlc has no pinyin index dump\n");
      return 1;
    }
    std::fputs(text.c_str(), stdout);
    return 0;
  }
  std::fputs(ql::DumpPhraseTable(bytes->data(), bytes->size()).c_str(), stdout);
  std::fputs(ql::DescribeSchemeSlotsAndFuzzyPairs(bytes->data(), bytes->size()).c_str(), stdout);
  return 0;
}

}  // namespace qlc
