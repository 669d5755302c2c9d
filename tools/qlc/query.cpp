// `qlc query`: what the input method offers for typed pinyin over a compiled tree, in the order
// the pinyin index keeps it, so that an edit of frequencies or of dycz.txt shows at once.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "setup/common/files.h"
#include "setup/common/text.h"
#include "setup/compiler/pinyin_query.h"
#include "setup/compiler/syllables.h"
#include "setup/model/package.h"
#include "tools/qlc/qlc.h"

namespace qlc {
namespace {

std::string SpellKey(const std::vector<ql::SyllableCode>& key) {
  std::string spelled;
  for (ql::SyllableCode code : key) {
    if (!spelled.empty())
      spelled += "'";
    spelled += std::string(ql::SpellSyllable(code));
  }
  return spelled;
}

}  // namespace

int Query(const std::vector<std::string>& args) {
  if (AsksForHelp(args))
    return PrintUsage(kQueryUsage, true);
  std::string folderArgument = ".";
  std::vector<std::string> typed;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--in" && i + 1 < args.size()) {
      folderArgument = args[++i];
    } else if (!args[i].empty() && args[i][0] != '-') {
      typed.push_back(args[i]);
    } else {
      std::fprintf(stderr, "qlc query: unknown option \"%s\"\n", args[i].c_str());
      return PrintUsage(kQueryUsage, false);
    }
  }
  if (typed.empty())
    return PrintUsage(kQueryUsage, false);

  std::vector<std::vector<ql::QuerySyllable>> patterns;
  for (const std::string& input : typed) {
    std::string error;
    patterns.push_back(ql::ParsePinyinQuery(input, &error));
    if (!error.empty()) {
      std::fprintf(stderr, "qlc: error: %s\n", error.c_str());
      return 1;
    }
  }
  const std::u16string tree = FolderArgument(folderArgument);
  const std::u16string mainPath = tree + std::u16string(ql::kMainDataFile);
  std::optional<std::vector<uint8_t>> mainData = ql::ReadFileBytes(mainPath);
  if (!mainData) {
    std::fprintf(stderr, "qlc: error: cannot read %s (is %s a compiled tree?)\n",
                 U8(Shown(mainPath)).c_str(), folderArgument.c_str());
    return 1;
  }
  const std::u16string indexPath = ql::WithTrailingBackslash(tree + PinyinSchemeFolder(*mainData)) +
                                   std::u16string(ql::kPinyinIndexName);
  std::optional<std::vector<uint8_t>> index = ql::ReadFileBytes(indexPath);
  if (!index) {
    std::fprintf(stderr, "qlc: error: cannot read %s\n", U8(Shown(indexPath)).c_str());
    return 1;
  }
  for (const std::vector<ql::QuerySyllable>& pattern : patterns) {
    const ql::QueryResult result = ql::QueryPinyinIndex(*index, *mainData, pattern);
    if (!result.ok) {
      std::fprintf(stderr, "qlc: error: %s\n", result.problem.c_str());
      return 1;
    }
    std::printf("%s: %zu candidate%s\n", ql::SpellPattern(pattern).c_str(),
                result.candidates.size(), result.candidates.size() == 1 ? "" : "s");
    size_t rank = 0;
    for (const ql::QueryCandidate& candidate : result.candidates) {
      std::printf("%4zu  %3u  %s  %s%s\n", ++rank, unsigned{candidate.frequency},
                  U8(candidate.text).c_str(), SpellKey(candidate.key).c_str(),
                  !candidate.stored    ? ""
                  : candidate.combined ? "  [key record, combined reading]"
                                       : "  [key record]");
    }
  }
  return 0;
}

}  // namespace qlc
