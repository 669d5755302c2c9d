// On x64 Windows there is one calling convention, so an export is called directly with its
// arguments widened to the register slots.
#include "setup/contracts/safe_call.h"

namespace ql {

uint32_t SafeExportCall(const void* function, const uintptr_t* args, size_t count) {
  using Slot = uintptr_t;
  Slot a[8] = {};
  for (size_t i = 0; i < count && i < 8; ++i)
    a[i] = args[i];
  using Fn8 = uint32_t (*)(Slot, Slot, Slot, Slot, Slot, Slot, Slot, Slot);
  // Extra register arguments are ignored by a callee that takes fewer.
  return reinterpret_cast<Fn8>(const_cast<void*>(function))(a[0], a[1], a[2], a[3], a[4], a[5],
                                                            a[6], a[7]);
}

}  // namespace ql
