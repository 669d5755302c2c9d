// Arbitrary bytes as dycz.txt: the index build stays inside its buffers, leaves no mark set and
// writes an index whose values all point where they should; every other input with a diagnostics
// sink, which hears of lines the file has only.
#include <cstring>

#include "tests/fuzz/pinyin_index_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<uint8_t> codeTable = ql::fuzz::CodeTable();
  std::vector<uint8_t> main = ql::fuzz::MainData();
  std::vector<uint8_t>& work = ql::fuzz::WorkBuffer();
  std::memset(work.data(), 0, 4 << 20);
  ql::fuzz::SilentUi silent;
  ql::ScopedUi scoped(silent);
  ql::PinyinIndexSources sources;
  sources.mb = codeTable;
  sources.dycz = std::vector<uint8_t>(data, data + size);
  ql::fuzz::SilentDiagnostics diagnostics(size / 2 + 1);
  if (size % 2 != 0)
    sources.dyczDiagnostics = ql::FileDiagnostics(&diagnostics, u"dycz.txt");
  ql::PinyinIndexResult result = ql::BuildPinyinIndexInBuffer(work.data(), work.size(), main.data(),
                                                              main.size(), sources, false);
  ql::fuzz::Check(result, work.data(), main);
  return 0;
}
