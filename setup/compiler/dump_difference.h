// The decoded difference of two binary files: the lines where their readable dumps differ, so a
// failing byte comparison explains itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ql {

// Empty when the bytes are equal. Otherwise at most `maxLines` differing dump lines ("- " for
// `expectedDump`, "+ " for `actualDump`), or the first differing byte when the dumps agree.
std::string DescribeDumpDifference(const std::vector<uint8_t>& expected,
                                   const std::vector<uint8_t>& actual,
                                   const std::string& expectedDump,
                                   const std::string& actualDump,
                                   size_t maxLines);

}  // namespace ql
