// Choosing the layout id: the key that already carries the run's layout text, or the slot just
// below the first hole in the ids above E0010804, or the first free one after them.
#include <algorithm>
#include <vector>

#include "setup/common/text.h"
#include "setup/install/keyboard_layout.h"
#include "setup/install/keyboard_layout_internal.h"

namespace ql {
namespace layout_internal {

bool ReadLayoutText(RegHandle parent,
                    std::u16string_view name,
                    std::u16string* text,
                    RegKey* opened) {
  RegKey key;
  if (Attempt(10, [&] {
        return TheRegistry().OpenKey(parent, name, kKeyQueryValue, key.Receive());
      }) != kErrorSuccess)
    return false;
  if (Attempt(10, [&] { return QueryText(key.get(), u"layout text", kTextBytes, text); }) !=
      kErrorSuccess)
    return false;
  if (opened != nullptr)
    *opened = std::move(key);
  return true;
}

namespace {
uint32_t Leading(std::u16string_view text, uint32_t base) {
  uint64_t value = 0;
  for (char16_t c : text) {
    uint32_t digit;
    if (c >= u'0' && c <= u'9')
      digit = c - u'0';
    else if (base == 16 && AsciiLower(c) >= u'a' && AsciiLower(c) <= u'f')
      digit = AsciiLower(c) - u'a' + 10;
    else
      break;
    value = std::min<uint64_t>(value * base + digit, UINT32_MAX);
  }
  return static_cast<uint32_t>(value);
}
}  // namespace

uint32_t LeadingHex(std::u16string_view text) {
  return Leading(text, 16);
}

uint32_t LeadingDecimal(std::u16string_view text) {
  return Leading(text, 10);
}

std::u16string AsciiUpper(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out)
    if (c >= u'a' && c <= u'z')
      c = static_cast<char16_t>(c - (u'a' - u'A'));
  return out;
}

std::u16string AsciiLowerText(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out)
    c = AsciiLower(c);
  return out;
}

}  // namespace layout_internal

using namespace layout_internal;

namespace {

constexpr uint32_t kPlatformLayoutValue = 0xE0010804u;
constexpr uint32_t kIdStep = 0x10000u;
constexpr uint32_t kLastLayoutValue = 0xFFFF0804u;

bool KeyExists(RegHandle layoutsKey, std::u16string_view name) {
  RegKey key;
  return TheRegistry().OpenKey(layoutsKey, name, kKeyQueryValue, key.Receive()) == kErrorSuccess;
}

}  // namespace

bool IsChineseLayoutId(std::u16string_view name) {
  return name.size() == 8 && name.substr(4) == u"0804";
}

std::u16string FormatLayoutId(uint32_t value) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string id(8, u'0');
  for (int i = 7; i >= 0; --i, value >>= 4)
    id[static_cast<size_t>(i)] = kDigits[value & 0xF];
  return id;
}

std::u16string ChooseLayoutId(RegHandle layoutsKey, std::u16string_view layoutText) {
  // Every qualifying id is kept: a cut list could miss the key that carries this layout text.
  std::vector<std::u16string> ids;
  std::u16string name;
  for (uint32_t index = 0; TheRegistry().EnumKey(layoutsKey, index, &name) == kErrorSuccess;
       ++index) {
    if (name.size() < kNameUnits && IsChineseLayoutId(name))
      ids.push_back(name);
  }
  if (ids.empty())
    return u"E0000804";
  std::sort(ids.begin(), ids.end());

  // The walk goes on past the first hole: a later key that already carries this layout text
  // wins over the hole, or the same module would be registered under a second id.
  uint32_t base = 0;
  std::u16string hole;
  for (const std::u16string& id : ids) {
    std::u16string text;
    if (!ReadLayoutText(layoutsKey, id, &text))
      continue;
    if (EqualsAsciiNoCase(text, layoutText))
      return id;
    if (!hole.empty())
      continue;
    uint32_t value = LeadingHex(id);
    if (base == 0) {
      if (value > kPlatformLayoutValue)
        base = value;
    } else if (static_cast<uint64_t>(base) + kIdStep < value) {
      std::u16string candidate = FormatLayoutId(value - kIdStep);
      if (!KeyExists(layoutsKey, candidate))
        hole = candidate;
      base = value;
    } else {
      base = value;
    }
  }
  if (!hole.empty())
    return hole;

  // No hole: the first free id after the highest collected one, and never below E0010804 (the
  // search would otherwise start at 0x10000, which is no id of this language).
  if (base < kPlatformLayoutValue)
    base = kPlatformLayoutValue;
  while (base <= kLastLayoutValue - kIdStep) {
    base += kIdStep;
    std::u16string candidate = FormatLayoutId(base);
    if (!KeyExists(layoutsKey, candidate))
      return candidate;
  }
  return std::u16string();
}

}  // namespace ql
