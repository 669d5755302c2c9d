// A readable view of qinglan.idx and User.idx: header fields by name, the header text lines, the
// reading table with syllables spelled out, the key records and the entry index with keys decoded
// to pinyin. Every offset is checked against the file's size. `qlc dump` prints it; tests print
// it when bytes differ.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ql {

// The decoded file as UTF-8 text, one item per line.
std::string DumpPinyinIndex(const uint8_t* bytes, size_t size);

// The lines where the dumps of two files differ ("-" expected, "+" actual), at most `maxLines`,
// followed by a note when the raw bytes differ although the dumps agree. Empty when equal.
std::string DescribePinyinIndexDifference(const std::vector<uint8_t>& expected,
                                          const std::vector<uint8_t>& actual,
                                          size_t maxLines = 40);

}  // namespace ql
