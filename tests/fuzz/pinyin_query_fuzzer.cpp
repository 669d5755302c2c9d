// Typed pinyin over arbitrary bytes as qinglan.idx (over the start of a valid index, or the whole
// of a short or damaged one), as qlc query reads whatever file it is given: every read is
// bounds-checked, the search ends, and whatever it answers matches the pattern.
#include <cstring>
#include <string>

#include "setup/compiler/pinyin_query.h"
#include "tests/fuzz/pinyin_index_fuzz_support.h"

namespace {

// The index built from the shared main data file, code table and dycz.txt.
const std::vector<uint8_t>& ValidIndex() {
  static const std::vector<uint8_t> index = [] {
    std::vector<uint8_t> main = ql::fuzz::MainData();
    std::vector<uint8_t>& work = ql::fuzz::WorkBuffer();
    ql::fuzz::SilentUi silent;
    ql::ScopedUi scoped(silent);
    ql::PinyinIndexSources sources;
    sources.mb = ql::fuzz::CodeTable();
    sources.dycz = ql::fuzz::Utf16(u"银行(hang2)\r\n长行行(zhang3)行(hang)行\r\n");
    ql::PinyinIndexResult result = ql::BuildPinyinIndexInBuffer(
        work.data(), work.size(), main.data(), main.size(), sources, false);
    if (!result.built)
      __builtin_trap();
    return std::vector<uint8_t>(work.data(), work.data() + result.fileLength);
  }();
  return index;
}

bool Matches(const ql::QueryCandidate& candidate, const std::vector<ql::QuerySyllable>& pattern) {
  if (candidate.key.size() != pattern.size())
    return false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const ql::SyllableCode have = candidate.key[i];
    if (pattern[i].initialOnly() ? (have & 0xFF) != pattern[i].code : have != pattern[i].code)
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<uint8_t> main = ql::fuzz::MainData();
  // An even first byte: the fuzzed bytes replace the start of the valid index, so its areas stay
  // reachable. An odd one: the rest is the whole file.
  std::vector<uint8_t> index;
  if (size > 0 && (data[0] & 1) != 0) {
    index.assign(data + 1, data + size);
  } else {
    index = ValidIndex();
    if (size > index.size())
      index.resize(size);
    std::memcpy(index.data(), data, size);
  }
  std::string last(reinterpret_cast<const char*>(data) + (size > 12 ? size - 12 : 0),
                   size > 12 ? 12 : size);
  for (const std::string& typed :
       {std::string("hang"), std::string("y'h"), std::string("zh'g"), std::string("c'x'x"), last}) {
    std::string error;
    const std::vector<ql::QuerySyllable> pattern = ql::ParsePinyinQuery(typed, &error);
    if (!error.empty())
      continue;
    const ql::QueryResult result = ql::QueryPinyinIndex(index, main, pattern);
    if (!result.ok)
      continue;
    if (result.candidates.size() > index.size() / 4)
      __builtin_trap();
    for (const ql::QueryCandidate& candidate : result.candidates) {
      if (!Matches(candidate, pattern))
        __builtin_trap();
    }
  }
  const ql::QueryResult all = ql::ListPinyinIndex(index, main);
  if (all.ok && all.candidates.size() > index.size() / 4)
    __builtin_trap();
  return 0;
}
