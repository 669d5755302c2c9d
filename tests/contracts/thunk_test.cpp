// The 32-bit call thunk behind ql::SafeExportCall, run for real: built for 32-bit x86 Linux and
// started under a user-mode emulator. Callees of both conventions are called many times; their
// results and received arguments must be exact, and the caller's stack pointer, its locals and
// the values it keeps in registers across the calls must survive.
#include <cstdio>

#include "setup/contracts/safe_call.h"
#include "tests/contracts/callees.h"

namespace {

int passed = 0;
int failed = 0;

void Check(bool ok, const char* what) {
  if (ok) {
    ++passed;
  } else {
    ++failed;
    std::printf("FAILED: %s\n", what);
  }
}

// The frame of a fresh call: it moves whenever the caller's stack pointer has moved.
__attribute__((noinline)) uintptr_t StackMark() {
  return reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
}

struct Callee {
  const char* name;
  const void* function;
  size_t count;
  uint32_t (*expected)(const uint32_t* args);
};

uint32_t Expect2Std(const uint32_t* a) {
  return a[0] * 3 + a[1];
}
uint32_t Expect2Cdecl(const uint32_t* a) {
  return a[0] * 5 + a[1];
}
uint32_t Expect8Std(const uint32_t* a) {
  uint32_t sum = 0;
  for (uint32_t i = 0; i < 8; ++i)
    sum += (i + 1) * a[i];
  return sum;
}
uint32_t Expect8Cdecl(const uint32_t* a) {
  uint32_t sum = 0;
  for (uint32_t i = 0; i < 8; ++i)
    sum += (8 - i) * a[i];
  return sum;
}

// What a run of calls found.
struct Outcome {
  bool resultsOk = true;
  bool argsOk = true;
  bool stackOk = true;
  bool localsOk = true;
};

// Calls `callee` `rounds` times with changing arguments; the stack mark, a guarded local array
// and the loop's own running totals must be unchanged by every call.
__attribute__((noinline)) void CallMany(const Callee& callee, int rounds, Outcome& outcome) {
  volatile uint32_t guard[4] = {0xC0FFEE01u, 0xC0FFEE02u, 0xC0FFEE03u, 0xC0FFEE04u};
  const uintptr_t mark = StackMark();
  uint32_t total = 0;
  uint32_t expectedTotal = 0;
  for (int round = 0; round < rounds; ++round) {
    uint32_t values[8];
    uintptr_t slots[8];
    for (size_t i = 0; i < 8; ++i) {
      values[i] = static_cast<uint32_t>(round) * 131u + static_cast<uint32_t>(i) * 7919u + 1u;
      slots[i] = values[i];
    }
    uint32_t result = ql::SafeExportCall(callee.function, slots, callee.count);
    uint32_t expected = callee.expected(values);
    if (result != expected)
      outcome.resultsOk = false;
    for (size_t i = 0; i < 8; ++i) {
      if (lastArgs[i] != (i < callee.count ? values[i] : 0u))
        outcome.argsOk = false;
    }
    if (StackMark() != mark)
      outcome.stackOk = false;
    total += result;
    expectedTotal += expected;
  }
  if (total != expectedTotal)
    outcome.resultsOk = false;
  if (guard[0] != 0xC0FFEE01u || guard[1] != 0xC0FFEE02u || guard[2] != 0xC0FFEE03u ||
      guard[3] != 0xC0FFEE04u) {
    outcome.localsOk = false;
  }
}

void Report(const char* name, const Outcome& outcome) {
  char what[160];
  std::snprintf(what, sizeof what, "%s: results", name);
  Check(outcome.resultsOk, what);
  std::snprintf(what, sizeof what, "%s: arguments arrive in order", name);
  Check(outcome.argsOk, what);
  std::snprintf(what, sizeof what, "%s: stack pointer restored after every call", name);
  Check(outcome.stackOk, what);
  std::snprintf(what, sizeof what, "%s: caller's locals intact", name);
  Check(outcome.localsOk, what);
}

}  // namespace

int main() {
  const Callee callees[] = {
      {"stdcall, 2 arguments", reinterpret_cast<const void*>(&Stdcall2), 2, Expect2Std},
      {"cdecl, 2 arguments", reinterpret_cast<const void*>(&Cdecl2), 2, Expect2Cdecl},
      {"stdcall, 8 arguments", reinterpret_cast<const void*>(&Stdcall8), 8, Expect8Std},
      {"cdecl, 8 arguments", reinterpret_cast<const void*>(&Cdecl8), 8, Expect8Cdecl},
  };
  const uintptr_t mark = StackMark();
  for (const Callee& callee : callees) {
    Outcome outcome;
    CallMany(callee, 10000, outcome);
    Report(callee.name, outcome);
  }
  // Alternating conventions: a mistake in one call would shift the stack under the next.
  Outcome mixed;
  for (int round = 0; round < 1000; ++round) {
    for (const Callee& callee : callees)
      CallMany(callee, 1, mixed);
  }
  Report("alternating conventions", mixed);
  Check(StackMark() == mark, "stack pointer of main unchanged");
  Check(misalignedCalls == 0, "stack 16-byte aligned at every call");
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
