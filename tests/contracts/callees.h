// Exports as a module built either way would define them: callee-cleans and caller-cleans, with
// two and with eight arguments.
#pragma once

#include <cstdint>

#define QL_CALLEE_STDCALL __attribute__((stdcall))
#define QL_CALLEE_CDECL __attribute__((cdecl))

extern "C" {
uint32_t QL_CALLEE_STDCALL Stdcall2(uint32_t a, uint32_t b);
uint32_t QL_CALLEE_CDECL Cdecl2(uint32_t a, uint32_t b);
uint32_t QL_CALLEE_STDCALL Stdcall8(uint32_t a,
                                    uint32_t b,
                                    uint32_t c,
                                    uint32_t d,
                                    uint32_t e,
                                    uint32_t f,
                                    uint32_t g,
                                    uint32_t h);
uint32_t QL_CALLEE_CDECL Cdecl8(uint32_t a,
                                uint32_t b,
                                uint32_t c,
                                uint32_t d,
                                uint32_t e,
                                uint32_t f,
                                uint32_t g,
                                uint32_t h);
}

// The arguments of the last call (unused places 0), and the number of calls that found the stack
// not 16-byte aligned.
extern uint32_t lastArgs[8];
extern uint32_t misalignedCalls;
