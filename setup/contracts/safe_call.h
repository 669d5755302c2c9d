// Calls an export of a module built outside this project, whichever calling convention it was
// built with. On 32-bit x86 __stdcall and __cdecl disagree on who removes the arguments: the stack
// pointer is saved before the arguments are pushed and restored after the call, so a module built
// the other way cannot corrupt setup's stack. On x64 there is one convention.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace ql {

// Passes args[0] .. args[count - 1] as the export's arguments (at most 8), returns its 32-bit
// result.
uint32_t SafeExportCall(const void* function, const uintptr_t* args, size_t count);

// One argument slot: a pointer or an integer.
template <typename T>
uintptr_t Arg(T value) {
  if constexpr (std::is_pointer_v<T>) {
    return reinterpret_cast<uintptr_t>(value);
  } else {
    return static_cast<uintptr_t>(value);
  }
}

}  // namespace ql
