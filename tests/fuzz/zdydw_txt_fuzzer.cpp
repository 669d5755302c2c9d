// Arbitrary bytes as zdydw.TXT, the custom-text list: see custom_input_fuzz_support.h.
#include "tests/fuzz/custom_input_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ql::fuzz::CheckCustomInputIndex(ql::CustomInputList::kTexts, data, size);
  return 0;
}
