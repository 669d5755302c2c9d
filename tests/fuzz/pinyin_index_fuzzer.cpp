// Arbitrary bytes as the main data file (over the start of a valid one, or the whole of a short or
// damaged one), with a fixed code table and dycz.txt: every read of the mapped file is
// bounds-checked, no mark stays set, and a built index points only where it should.
#include <cstring>

#include "tests/fuzz/pinyin_index_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<uint8_t> codeTable = ql::fuzz::CodeTable();
  static const std::vector<uint8_t> dycz =
      ql::fuzz::Utf16(u"银行(hang2)\r\n长行行(zhang3)行(hang)行\r\n");
  // An even first byte: the fuzzed bytes replace the start of a valid file, so records and index
  // stay reachable. An odd one: the rest is the whole file, cut short or damaged anywhere.
  std::vector<uint8_t> main;
  if (size > 0 && (data[0] & 1) != 0) {
    main.assign(data + 1, data + size);
  } else {
    main = ql::fuzz::MainData();
    if (size > main.size())
      main.resize(size);
    std::memcpy(main.data(), data, size);
  }
  std::vector<uint8_t>& work = ql::fuzz::WorkBuffer();
  std::memset(work.data(), 0, 4 << 20);
  ql::fuzz::SilentUi silent;
  ql::ScopedUi scoped(silent);
  ql::PinyinIndexSources sources;
  sources.mb = codeTable;
  sources.dycz = dycz;
  ql::PinyinIndexResult result = ql::BuildPinyinIndexInBuffer(work.data(), work.size(), main.data(),
                                                              main.size(), sources, false);
  ql::fuzz::Check(result, work.data(), main);
  return 0;
}
