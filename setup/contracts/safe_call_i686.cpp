#include "setup/contracts/safe_call.h"

static_assert(sizeof(uintptr_t) == 4, "the 32-bit call thunk takes 32-bit slots");

extern "C" uint32_t QlSafeCall32(const void* function, const uintptr_t* args, size_t count);

namespace ql {

uint32_t SafeExportCall(const void* function, const uintptr_t* args, size_t count) {
  return QlSafeCall32(function, args, count > 8 ? 8 : count);
}

}  // namespace ql
