// A registry for the keyboard-layout tests: the in-memory registry, with refusals aimed at one
// kind of call on one name, so each attempt count can be run to its last attempt and past it.
#pragma once

#include <map>
#include <string>
#include <utility>

#include "setup/common/registry.h"
#include "setup/common/text.h"

namespace ql::test {

class ScriptedRegistry : public MemoryRegistry {
 public:
  enum class Call { kOpen, kCreate, kQuery, kSet, kEnumValue, kDeleteKey };

  // The next `count` calls of `call` on `name` (a subkey or value name, any case) are refused.
  void Refuse(Call call, std::u16string_view name, int count) {
    refusals_[{call, Fold(name)}] = count;
  }
  // How many calls of `call` on `name` were made.
  int Calls(Call call, std::u16string_view name) const {
    auto it = calls_.find({call, Fold(name)});
    return it == calls_.end() ? 0 : it->second;
  }

  int32_t OpenKey(RegHandle parent,
                  std::u16string_view subkey,
                  uint32_t access,
                  RegHandle* out) override {
    return Refused(Call::kOpen, subkey) ? kErrorAccessDenied
                                        : MemoryRegistry::OpenKey(parent, subkey, access, out);
  }
  int32_t CreateKey(RegHandle parent,
                    std::u16string_view subkey,
                    uint32_t access,
                    RegHandle* out) override {
    return Refused(Call::kCreate, subkey) ? kErrorAccessDenied
                                          : MemoryRegistry::CreateKey(parent, subkey, access, out);
  }
  int32_t QueryValue(RegHandle key,
                     std::u16string_view name,
                     uint32_t* type,
                     std::vector<uint8_t>* data) override {
    return Refused(Call::kQuery, name) ? kErrorAccessDenied
                                       : MemoryRegistry::QueryValue(key, name, type, data);
  }
  int32_t SetValue(RegHandle key,
                   std::u16string_view name,
                   uint32_t type,
                   const uint8_t* data,
                   size_t size) override {
    return Refused(Call::kSet, name) ? kErrorAccessDenied
                                     : MemoryRegistry::SetValue(key, name, type, data, size);
  }
  // Refusals of value enumeration are aimed by index, written as its decimal.
  int32_t EnumValue(RegHandle key,
                    uint32_t index,
                    std::u16string* name,
                    uint32_t* type,
                    std::vector<uint8_t>* data) override {
    return Refused(Call::kEnumValue, DecimalText(index))
               ? kErrorAccessDenied
               : MemoryRegistry::EnumValue(key, index, name, type, data);
  }
  int32_t DeleteKey(RegHandle parent, std::u16string_view subkey) override {
    return Refused(Call::kDeleteKey, subkey) ? kErrorAccessDenied
                                             : MemoryRegistry::DeleteKey(parent, subkey);
  }

 private:
  static std::u16string Fold(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out)
      c = AsciiLower(c);
    return out;
  }
  bool Refused(Call call, std::u16string_view name) {
    std::pair<Call, std::u16string> key{call, Fold(name)};
    ++calls_[key];
    auto it = refusals_.find(key);
    if (it == refusals_.end() || it->second == 0)
      return false;
    if (it->second > 0)
      --it->second;
    return true;
  }

  std::map<std::pair<Call, std::u16string>, int> refusals_;
  std::map<std::pair<Call, std::u16string>, int> calls_;
};

}  // namespace ql::test
