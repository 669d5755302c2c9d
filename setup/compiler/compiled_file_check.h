// What a compiled file must be before anyone believes it: its format is told by content (size,
// header fields, layout), and a file of a known format is checked for the damage a reader would
// trip over: cut short, areas or offsets outside the file, an index out of order, counts that
// disagree. `qlc dump` and the end-to-end tests' inspection of an installed folder use it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ql {

enum class CompiledFileFormat {
  kUnknown,
  kPhraseTable,        // cz.dat, User.dat
  kPinyinIndex,        // qinglan.idx, User.idx
  kKeySymbols,         // punct/键位符号.bin
  kOutputPunctuation,  // punct/输出标点.bin
  kCustomInputIndex,   // zdybm.idx, zdydw.idx: headerless, so also by name
};
CompiledFileFormat RecogniseCompiledFile(const std::vector<uint8_t>& bytes,
                                         bool namedAsCustomInputIndex);
// What is wrong with a file of `format`, one line each; empty when nothing is. `companion` is the
// file it is read with, when given: a custom-input index is checked against its text
// (`customCodes`: the custom-code list), and qinglan.idx against its main data file, cz.dat, for
// the whole order the input method searches by (keys ascending, the most frequent first among
// equal keys); without cz.dat only the keys stored in the index can be put side by side.
std::vector<std::string> VerifyCompiledFile(CompiledFileFormat format,
                                            const std::vector<uint8_t>& bytes,
                                            const std::vector<uint8_t>* companion,
                                            bool customCodes);

}  // namespace ql
