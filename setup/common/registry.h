// The registry seam. Every registry call of the setup goes through TheRegistry(): on Windows the
// system's registry, in host tests an in-memory one (MemoryRegistry) that can also be told to
// refuse calls, so the retry counts and fallbacks are testable.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ql {

using RegHandle = uintptr_t;

// Predefined roots and access masks, with the system's values.
constexpr RegHandle kHkeyCurrentUser = 0x80000001u;
constexpr RegHandle kHkeyLocalMachine = 0x80000002u;
constexpr uint32_t kKeyRead = 0x20019;
constexpr uint32_t kKeySetValue = 0x0002;
constexpr uint32_t kKeyAllAccess = 0xF003F;
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr int32_t kErrorSuccess = 0;
constexpr int32_t kErrorFileNotFound = 2;
constexpr int32_t kErrorAccessDenied = 5;
constexpr int32_t kErrorMoreData = 234;
constexpr int32_t kErrorNoMoreItems = 259;

class Registry {
 public:
  virtual ~Registry() = default;
  virtual int32_t OpenKey(RegHandle parent,
                          std::u16string_view subkey,
                          uint32_t access,
                          RegHandle* out) = 0;
  // Creates or opens; non-volatile, without class.
  virtual int32_t CreateKey(RegHandle parent,
                            std::u16string_view subkey,
                            uint32_t access,
                            RegHandle* out) = 0;
  virtual int32_t CloseKey(RegHandle key) = 0;
  virtual int32_t QueryValue(RegHandle key,
                             std::u16string_view name,
                             uint32_t* type,
                             std::vector<uint8_t>* data) = 0;
  virtual int32_t SetValue(RegHandle key,
                           std::u16string_view name,
                           uint32_t type,
                           const uint8_t* data,
                           size_t size) = 0;
  virtual int32_t DeleteValue(RegHandle key, std::u16string_view name) = 0;
  virtual int32_t CountValues(RegHandle key, uint32_t* count) = 0;
  // Name of the index-th subkey.
  virtual int32_t EnumKey(RegHandle key, uint32_t index, std::u16string* name) = 0;
  // Name, type and whole data of the index-th value.
  virtual int32_t EnumValue(RegHandle key,
                            uint32_t index,
                            std::u16string* name,
                            uint32_t* type,
                            std::vector<uint8_t>* data) = 0;
  // Deletes the subkey of `parent`; it must have no subkeys of its own.
  virtual int32_t DeleteKey(RegHandle parent, std::u16string_view subkey) = 0;
  virtual int32_t FlushKey(RegHandle key) = 0;
};

Registry& TheRegistry();
// The platform's registry; defined once per platform.
Registry& PlatformRegistry();

class ScopedRegistry {
 public:
  explicit ScopedRegistry(Registry& registry);
  ~ScopedRegistry();
  ScopedRegistry(const ScopedRegistry&) = delete;
  ScopedRegistry& operator=(const ScopedRegistry&) = delete;

 private:
  Registry* previous_;
};

// An open key, closed when it goes out of scope.
class RegKey {
 public:
  RegKey() = default;
  explicit RegKey(RegHandle handle) : handle_(handle) {}
  ~RegKey() { Reset(); }
  RegKey(RegKey&& other) noexcept : handle_(other.Release()) {}
  RegKey& operator=(RegKey&& other) noexcept;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;

  RegHandle get() const { return handle_; }
  explicit operator bool() const { return handle_ != 0; }
  RegHandle* Receive() {
    Reset();
    return &handle_;
  }
  RegHandle Release() {
    RegHandle h = handle_;
    handle_ = 0;
    return h;
  }
  void Reset();

 private:
  RegHandle handle_ = 0;
};

// Runs a registry call until it returns success, at most `attempts` times, at once and without
// delay; returns the last result.
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

// A registry held in memory. Key names compare ignoring ASCII case, as the system's do.
class MemoryRegistry : public Registry {
 public:
  MemoryRegistry();
  ~MemoryRegistry() override;

  int32_t OpenKey(RegHandle parent,
                  std::u16string_view subkey,
                  uint32_t access,
                  RegHandle* out) override;
  int32_t CreateKey(RegHandle parent,
                    std::u16string_view subkey,
                    uint32_t access,
                    RegHandle* out) override;
  int32_t CloseKey(RegHandle key) override;
  int32_t QueryValue(RegHandle key,
                     std::u16string_view name,
                     uint32_t* type,
                     std::vector<uint8_t>* data) override;
  int32_t SetValue(RegHandle key,
                   std::u16string_view name,
                   uint32_t type,
                   const uint8_t* data,
                   size_t size) override;
  int32_t DeleteValue(RegHandle key, std::u16string_view name) override;
  int32_t CountValues(RegHandle key, uint32_t* count) override;
  int32_t EnumKey(RegHandle key, uint32_t index, std::u16string* name) override;
  int32_t EnumValue(RegHandle key,
                    uint32_t index,
                    std::u16string* name,
                    uint32_t* type,
                    std::vector<uint8_t>* data) override;
  // Handles still open on a deleted key (or below it) then refer to nothing.
  int32_t DeleteKey(RegHandle parent, std::u16string_view subkey) override;
  int32_t FlushKey(RegHandle key) override;

  int openHandles() const { return static_cast<int>(open_.size()); }

  // Direct access for test set-up and checks, by full path such as
  // u"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion".
  void Put(std::u16string_view path,
           std::u16string_view name,
           uint32_t type,
           std::vector<uint8_t> data);
  bool Get(std::u16string_view path,
           std::u16string_view name,
           uint32_t* type,
           std::vector<uint8_t>* data) const;
  bool HasKey(std::u16string_view path) const;
  // Names of the values and of the subkeys of the key at `path` (empty when it is absent).
  std::vector<std::u16string> ValueNames(std::u16string_view path) const;
  std::vector<std::u16string> SubkeyNames(std::u16string_view path) const;

 private:
  struct Node;
  Node* Resolve(RegHandle handle);
  // Resolves the key; nullptr with *code set when it names no key.
  Node* Begin(RegHandle key, int32_t* code);
  Node* Walk(Node* from, std::u16string_view subkey, bool create);
  Node* WalkPath(std::u16string_view path, bool create) const;
  void ForgetHandlesBelow(const Node* node);

  std::unique_ptr<Node> currentUser_;
  std::unique_ptr<Node> localMachine_;
  std::map<RegHandle, Node*> open_;
  RegHandle nextHandle_ = 0x1000;
};

// Bytes of a REG_SZ value as the system stores it: UTF-16LE with its terminator.
std::vector<uint8_t> RegStringBytes(std::u16string_view text);
// Text of REG_SZ bytes, up to the first NUL.
std::u16string RegStringText(const std::vector<uint8_t>& bytes);
// Reads a REG_SZ value of at most `maxBytes` bytes as text; a longer value does not fit the
// reader's buffer and fails as the system's query does.
int32_t QueryText(RegHandle key, std::u16string_view name, size_t maxBytes, std::u16string* text);

}  // namespace ql
