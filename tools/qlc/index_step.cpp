#include "tools/qlc/index_step.h"

#include "setup/compiler/pinyin_index.h"
#include "setup/compiler/pinyin_index_dump.h"

namespace qlc {

bool PinyinIndexAvailable() {
  return true;
}

void RunPinyinIndexStep(const ql::SetupState& state, uint8_t* mainData, size_t mainSize) {
  ql::BuildPinyinIndex(state, mainData, mainSize);
}

std::string DumpPinyinIndexFile(const uint8_t* bytes, size_t size) {
  return ql::DumpPinyinIndex(bytes, size);
}

}  // namespace qlc
