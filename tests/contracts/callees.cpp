// Callees in both 32-bit conventions, compiled apart from the caller so the compiler cannot see
// through the calls. Each records the arguments it received and whether the stack was 16-byte
// aligned at the call.
#include "tests/contracts/callees.h"

uint32_t lastArgs[8];
uint32_t misalignedCalls;

namespace {

void Note(const uint32_t* args, int count) {
  for (int i = 0; i < 8; ++i)
    lastArgs[i] = i < count ? args[i] : 0;
  // The canonical frame address is the stack pointer before the call pushed its return address.
  if (reinterpret_cast<uintptr_t>(__builtin_dwarf_cfa()) % 16 != 0)
    ++misalignedCalls;
}

}  // namespace

extern "C" {

uint32_t QL_CALLEE_STDCALL Stdcall2(uint32_t a, uint32_t b) {
  const uint32_t args[] = {a, b};
  Note(args, 2);
  return a * 3 + b;
}

uint32_t QL_CALLEE_CDECL Cdecl2(uint32_t a, uint32_t b) {
  const uint32_t args[] = {a, b};
  Note(args, 2);
  return a * 5 + b;
}

uint32_t QL_CALLEE_STDCALL Stdcall8(uint32_t a,
                                    uint32_t b,
                                    uint32_t c,
                                    uint32_t d,
                                    uint32_t e,
                                    uint32_t f,
                                    uint32_t g,
                                    uint32_t h) {
  const uint32_t args[] = {a, b, c, d, e, f, g, h};
  Note(args, 8);
  return a + 2 * b + 3 * c + 4 * d + 5 * e + 6 * f + 7 * g + 8 * h;
}

uint32_t QL_CALLEE_CDECL Cdecl8(uint32_t a,
                                uint32_t b,
                                uint32_t c,
                                uint32_t d,
                                uint32_t e,
                                uint32_t f,
                                uint32_t g,
                                uint32_t h) {
  const uint32_t args[] = {a, b, c, d, e, f, g, h};
  Note(args, 8);
  return 8 * a + 7 * b + 6 * c + 5 * d + 4 * e + 3 * f + 2 * g + h;
}

}  // extern "C"
