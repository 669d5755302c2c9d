// Built when the compiler library has no pinyin index builder yet: the step does nothing.
#include "tools/qlc/index_step.h"

namespace qlc {

bool PinyinIndexAvailable() {
  return false;
}

void RunPinyinIndexStep(uint8_t*, size_t) {}

std::string DumpPinyinIndexFile(const uint8_t*, size_t) {
  return {};
}

}  // namespace qlc
