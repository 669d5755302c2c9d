// Readable views of what the first-install compilers write: the two punctuation values and the
// custom-input indexes. `qlc dump` prints them; tests print them when bytes differ.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "setup/compiler/custom_input.h"

namespace ql {

// The punctuation table entry by entry from the values "键位符号" and "输出标点"; either may be
// absent (nullptr). A value not of 60 bytes is reported and read as far as it goes.
std::string DumpPunctuationTables(const uint8_t* keySymbols,
                                  size_t keySymbolsSize,
                                  const uint8_t* outputPunctuation,
                                  size_t outputPunctuationSize);

// A custom-input index: each offset with the first line of its entry, and whether the index holds
// exactly the text's entries in their sorted order. Without the text (nullptr) only the offsets.
std::string DumpCustomInputIndex(CustomInputList list,
                                 const uint8_t* index,
                                 size_t indexSize,
                                 const uint8_t* text,
                                 size_t textSize);

}  // namespace ql
