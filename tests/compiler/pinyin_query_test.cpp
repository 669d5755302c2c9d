#include <gtest/gtest.h>

#include <string>

#include "setup/compiler/pinyin_query.h"

namespace ql {
namespace {

// Typed pinyin and the pattern it becomes, spelled back; an empty pattern is a refusal.
TEST(PinyinQuery, TypedPinyinBecomesItsPattern) {
  const struct {
    const char* typed;
    const char* pattern;
  } cases[] = {
      {"nihao", "ni'hao"},
      {"ni3hao3", "ni'hao"},
      {"NiHao", "ni'hao"},
      // Longest syllables first, unless the rest then splits no more.
      {"xian", "xian"},
      {"xi'an", "xi'an"},
      {"fangan", "fang'an"},
      {"zhuangzu", "zhuang'zu"},
      {"jiangu", "jian'gu"},
      // Initials alone: abbreviated pinyin.
      {"zhg", "zh'g"},
      {"yh", "y'h"},
      {"bjing", "b'jing"},
      // ü written v or as itself; xv is coded like xu.
      {"lüe", "lve"},
      {"lve", "lve"},
      {"lue", "lue"},
      {"xv", "xu"},
      {"'ni''hao'", "ni'hao"},
      // Refused: letters that begin neither a syllable nor an initial, a tone digit without a
      // syllable, other characters, nothing at all.
      {"ii", ""},
      {"niv", ""},
      {"3ni", ""},
      {"ni-hao", ""},
      {"''", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    std::string error;
    const std::vector<QuerySyllable> pattern = ParsePinyinQuery(c.typed, &error);
    EXPECT_EQ(SpellPattern(pattern), c.pattern) << c.typed;
    EXPECT_EQ(error.empty(), !pattern.empty()) << c.typed << ": " << error;
  }
}

}  // namespace
}  // namespace ql
