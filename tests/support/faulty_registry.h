// A registry in memory that refuses calls on demand and counts them: the registry refusals the
// product must survive (access denied, a key that cannot be opened for a while), without a
// system registry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "setup/common/registry.h"

namespace ql::test {

class FaultyRegistry : public MemoryRegistry {
 public:
  // Makes the next `count` calls of any kind (closing a key aside) fail with `error`.
  void FailNextCalls(int count, int32_t error = kErrorAccessDenied) {
    failuresLeft_ = count;
    failureCode_ = error;
  }
  // Calls made so far, closing keys aside.
  int callCount() const { return calls_; }

  int32_t OpenKey(RegHandle parent,
                  std::u16string_view subkey,
                  uint32_t access,
                  RegHandle* out) override {
    return Refused() ? failureCode_ : MemoryRegistry::OpenKey(parent, subkey, access, out);
  }
  int32_t CreateKey(RegHandle parent,
                    std::u16string_view subkey,
                    uint32_t access,
                    RegHandle* out) override {
    return Refused() ? failureCode_ : MemoryRegistry::CreateKey(parent, subkey, access, out);
  }
  int32_t QueryValue(RegHandle key,
                     std::u16string_view name,
                     uint32_t* type,
                     std::vector<uint8_t>* data) override {
    return Refused() ? failureCode_ : MemoryRegistry::QueryValue(key, name, type, data);
  }
  int32_t SetValue(RegHandle key,
                   std::u16string_view name,
                   uint32_t type,
                   const uint8_t* data,
                   size_t size) override {
    return Refused() ? failureCode_ : MemoryRegistry::SetValue(key, name, type, data, size);
  }
  int32_t DeleteValue(RegHandle key, std::u16string_view name) override {
    return Refused() ? failureCode_ : MemoryRegistry::DeleteValue(key, name);
  }
  int32_t CountValues(RegHandle key, uint32_t* count) override {
    return Refused() ? failureCode_ : MemoryRegistry::CountValues(key, count);
  }
  int32_t EnumKey(RegHandle key, uint32_t index, std::u16string* name) override {
    return Refused() ? failureCode_ : MemoryRegistry::EnumKey(key, index, name);
  }
  int32_t EnumValue(RegHandle key,
                    uint32_t index,
                    std::u16string* name,
                    uint32_t* type,
                    std::vector<uint8_t>* data) override {
    return Refused() ? failureCode_ : MemoryRegistry::EnumValue(key, index, name, type, data);
  }
  int32_t DeleteKey(RegHandle parent, std::u16string_view subkey) override {
    return Refused() ? failureCode_ : MemoryRegistry::DeleteKey(parent, subkey);
  }
  int32_t FlushKey(RegHandle key) override {
    return Refused() ? failureCode_ : MemoryRegistry::FlushKey(key);
  }

 private:
  bool Refused() {
    ++calls_;
    if (failuresLeft_ <= 0)
      return false;
    --failuresLeft_;
    return true;
  }

  int failuresLeft_ = 0;
  int32_t failureCode_ = kErrorAccessDenied;
  int calls_ = 0;
};

}  // namespace ql::test
