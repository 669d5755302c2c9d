// The pinyin index step of `qlc compile`, apart so that the tool builds with or without the
// pinyin index builder in the compiler library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ql {
struct SetupState;
}

namespace qlc {

// Whether this qlc carries the pinyin index builder.
bool PinyinIndexAvailable();
// The worker's pinyin step on the run's state: builds the index from the main data file's view
// (whose mark bytes and pinyin slot it writes), or deletes the old index files when the pinyin
// scheme is not chosen.
void RunPinyinIndexStep(const ql::SetupState& state, uint8_t* mainData, size_t mainSize);
// qinglan.idx or User.idx as readable text; empty when this qlc has no pinyin index dump.
std::string DumpPinyinIndexFile(const uint8_t* bytes, size_t size);

}  // namespace qlc
