// Arbitrary bytes as zdybm.TXT, the custom-code list: see custom_input_fuzz_support.h.
#include "tests/fuzz/custom_input_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ql::fuzz::CheckCustomInputIndex(ql::CustomInputList::kCodes, data, size);
  return 0;
}
