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

using ql::Attempt;

using ql::QueryText;

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
