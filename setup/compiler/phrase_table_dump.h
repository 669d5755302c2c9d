// A readable view of cz.dat and User.dat: header fields by name, records and index, with every
// offset checked against the file's size. `qlc dump` prints it; tests print it when bytes differ.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ql {

// The decoded file as UTF-8 text, one item per line.
std::string DumpPhraseTable(const uint8_t* bytes, size_t size);

// The lines where the dumps of two files differ ("-" expected, "+" actual), at most `maxLines`,
// followed by a note when the raw bytes differ although the dumps agree. Empty when equal.
std::string DescribePhraseTableDifference(const std::vector<uint8_t>& expected,
                                          const std::vector<uint8_t>& actual,
                                          size_t maxLines = 40);

}  // namespace ql
