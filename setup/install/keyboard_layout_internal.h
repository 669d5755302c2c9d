// Helpers shared by the keyboard-layout sources.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "setup/common/registry.h"

namespace ql::layout_internal {

constexpr uint32_t kKeyQueryValue = 0x0001;
// Enumerated names are read into a 200-unit buffer, values such as "layout text" into 400 bytes.
constexpr size_t kNameUnits = 200;
constexpr size_t kTextBytes = 400;

// Runs `call` until it returns success, at most `attempts` times; returns the last result.
template <typename Call>
int32_t Attempt(int attempts, Call&& call) {
  int32_t rc = kErrorAccessDenied;
  for (int i = 0; i < attempts; ++i) {
    rc = call();
    if (rc == kErrorSuccess)
      break;
  }
  return rc;
}

// Reads a REG_SZ value of at most `maxBytes` bytes as text; a longer value does not fit the
// reader's buffer and fails as the system's query does.
int32_t QueryText(RegHandle key, std::u16string_view name, size_t maxBytes, std::u16string* text);

// Opens the subkey `name` of `parent` for query (ten attempts) and reads its "layout text" (ten
// attempts). False when either runs out of attempts. `opened`, when given, keeps the subkey.
bool ReadLayoutText(RegHandle parent,
                    std::u16string_view name,
                    std::u16string* text,
                    RegKey* opened = nullptr);

// The leading digits of `text` in base 16 or 10, as the C library's wcstoul reads them
// (saturating at the largest 32-bit value).
uint32_t LeadingHex(std::u16string_view text);
uint32_t LeadingDecimal(std::u16string_view text);

std::u16string AsciiUpper(std::u16string_view text);
std::u16string AsciiLowerText(std::u16string_view text);

}  // namespace ql::layout_internal
