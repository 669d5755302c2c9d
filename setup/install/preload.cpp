// The preload pass: enters a layout id into the user's list of layouts loaded at log-on. The NT
// family keeps the list as values "1", "2", … of the preload key; older platforms as subkeys
// "1", "2", … each holding the id in its default value.
#include <algorithm>
#include <vector>

#include "setup/common/text.h"
#include "setup/common/ui.h"
#include "setup/install/keyboard_layout.h"
#include "setup/install/keyboard_layout_internal.h"

namespace ql {

using namespace layout_internal;

namespace {

void SetText(RegHandle key, std::u16string_view name, std::u16string_view text) {
  std::vector<uint8_t> bytes = RegStringBytes(text);
  TheRegistry().SetValue(key, name, kRegSz, bytes.data(), bytes.size());
}

void NtPreloadPass(RegHandle preload, std::u16string_view id) {
  Registry& registry = TheRegistry();
  uint32_t count = 0;
  // Without the count the list is unknown; adding blindly could replace the default layout.
  if (registry.CountValues(preload, &count) != kErrorSuccess)
    return;
  bool present = false;
  uint64_t largest = 0;
  for (uint32_t index = 0; index < count && !present; ++index) {
    std::u16string name;
    std::vector<uint8_t> data;
    int32_t rc = registry.EnumValue(preload, index, &name, nullptr, &data);
    if (rc != kErrorSuccess && rc != kErrorMoreData)
      continue;
    // What the system's 200-unit name and 400-byte data buffers would hold.
    if (name.size() >= kNameUnits)
      name.resize(kNameUnits - 1);
    if (data.size() > kTextBytes)
      data.resize(kTextBytes);
    if (EqualsAsciiNoCase(RegStringText(data), id))
      present = true;
    else if (!name.empty())
      largest = std::max<uint64_t>(largest, LeadingDecimal(name));
  }
  if (!present) {
    SetText(preload, DecimalText(static_cast<int64_t>(largest + 1)), id);
    registry.FlushKey(preload);
  }
  std::u16string second;
  if (QueryText(preload, u"2", kTextBytes, &second) != kErrorSuccess ||
      EqualsAsciiNoCase(second, id))
    SetText(preload, u"1", u"00000804");
}

bool DefaultValueEquals(RegHandle key, std::u16string_view id) {
  std::u16string text;
  return QueryText(key, u"", kTextBytes, &text) == kErrorSuccess && EqualsAsciiNoCase(text, id);
}

enum class OlderResult { kDone, kAgain, kStop };

OlderResult OlderPreloadPass(RegHandle preload, std::u16string_view id) {
  Registry& registry = TheRegistry();
  std::vector<std::u16string> names;
  std::u16string name;
  for (uint32_t index = 0; registry.EnumKey(preload, index, &name) == kErrorSuccess; ++index)
    if (name.size() < kNameUnits)
      names.push_back(name);

  RegKey entry;
  uint64_t largest = 0;
  for (const std::u16string& subkey : names) {
    RegKey candidate;
    if (registry.OpenKey(preload, subkey, kKeyAllAccess, candidate.Receive()) != kErrorSuccess)
      continue;
    if (DefaultValueEquals(candidate.get(), id)) {
      entry = std::move(candidate);
      break;
    }
    largest = std::max<uint64_t>(largest, LeadingDecimal(subkey));
  }
  if (!entry) {
    std::u16string number = DecimalText(static_cast<int64_t>(largest + 1));
    if (registry.CreateKey(preload, number, kKeyAllAccess, entry.Receive()) != kErrorSuccess) {
      TheUi().ShowMessage(kPreloadCreateError, kPreloadCreateCaption, kMbOk);
      return OlderResult::kStop;
    }
  }
  SetText(entry.get(), u"", AsciiUpper(id));
  entry.Reset();

  RegKey first;
  if (registry.OpenKey(preload, u"1", kKeyAllAccess, first.Receive()) == kErrorSuccess) {
    if (DefaultValueEquals(first.get(), id)) {
      SetText(first.get(), u"", u"00000409");
      return OlderResult::kAgain;
    }
  } else if (registry.CreateKey(preload, u"1", kKeyAllAccess, first.Receive()) == kErrorSuccess) {
    SetText(first.get(), u"", u"00000409");
  }
  return OlderResult::kDone;
}

}  // namespace

bool RunPreloadPass(RegHandle preloadKey, std::u16string_view layoutId, bool ntFamily) {
  if (ntFamily) {
    NtPreloadPass(preloadKey, layoutId);
    return true;
  }
  // Position "1" handing over its id asks for one more pass. Only one: should "1" refuse to
  // change, another pass would find it unchanged and ask again without end.
  OlderResult result = OlderPreloadPass(preloadKey, layoutId);
  if (result == OlderResult::kAgain)
    result = OlderPreloadPass(preloadKey, layoutId);
  return result != OlderResult::kStop;
}

}  // namespace ql
