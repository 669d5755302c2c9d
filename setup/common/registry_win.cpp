// The system registry behind the registry seam.
#include "setup/common/registry.h"
#include "setup/common/win.h"

namespace ql {
namespace {

HKEY Key(RegHandle handle) {
  return reinterpret_cast<HKEY>(handle);
}

class SystemRegistry : public Registry {
 public:
  int32_t OpenKey(RegHandle parent,
                  std::u16string_view subkey,
                  uint32_t access,
                  RegHandle* out) override {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(Key(parent), WString(subkey).c_str(), 0, access, &key);
    *out = rc == ERROR_SUCCESS ? reinterpret_cast<RegHandle>(key) : 0;
    return rc;
  }
  int32_t CreateKey(RegHandle parent,
                    std::u16string_view subkey,
                    uint32_t access,
                    RegHandle* out) override {
    HKEY key = nullptr;
    DWORD disposition = 0;
    LONG rc = RegCreateKeyExW(Key(parent), WString(subkey).c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, access, nullptr, &key, &disposition);
    *out = rc == ERROR_SUCCESS ? reinterpret_cast<RegHandle>(key) : 0;
    return rc;
  }
  int32_t CloseKey(RegHandle key) override { return RegCloseKey(Key(key)); }
  int32_t QueryValue(RegHandle key,
                     std::u16string_view name,
                     uint32_t* type,
                     std::vector<uint8_t>* data) override {
    std::wstring n = WString(name);
    DWORD valueType = 0;
    DWORD size = 0;
    LONG rc = RegQueryValueExW(Key(key), n.c_str(), nullptr, &valueType, nullptr, &size);
    if (rc != ERROR_SUCCESS)
      return rc;
    std::vector<uint8_t> bytes(size);
    rc = RegQueryValueExW(Key(key), n.c_str(), nullptr, &valueType, bytes.data(), &size);
    if (rc != ERROR_SUCCESS)
      return rc;
    bytes.resize(size);
    if (type != nullptr)
      *type = valueType;
    if (data != nullptr)
      *data = std::move(bytes);
    return ERROR_SUCCESS;
  }
  int32_t SetValue(RegHandle key,
                   std::u16string_view name,
                   uint32_t type,
                   const uint8_t* data,
                   size_t size) override {
    return RegSetValueExW(Key(key), WString(name).c_str(), 0, type, data, static_cast<DWORD>(size));
  }
  int32_t DeleteValue(RegHandle key, std::u16string_view name) override {
    return RegDeleteValueW(Key(key), WString(name).c_str());
  }
  int32_t CountValues(RegHandle key, uint32_t* count) override {
    DWORD values = 0;
    LONG rc = RegQueryInfoKeyW(Key(key), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               &values, nullptr, nullptr, nullptr, nullptr);
    *count = values;
    return rc;
  }
  int32_t EnumKey(RegHandle key, uint32_t index, std::u16string* name) override {
    wchar_t buffer[256];
    DWORD length = 256;
    LONG rc = RegEnumKeyExW(Key(key), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_SUCCESS)
      *name = std::u16string(U(buffer, length));
    return rc;
  }
  int32_t EnumValue(RegHandle key,
                    uint32_t index,
                    std::u16string* name,
                    uint32_t* type,
                    std::vector<uint8_t>* data) override {
    // Sized from the key's longest name and data; a value that grew in between is read again.
    LONG rc = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < 3 && rc == ERROR_MORE_DATA; ++attempt) {
      DWORD maxName = 0, maxData = 0;
      rc = RegQueryInfoKeyW(Key(key), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            &maxName, &maxData, nullptr, nullptr);
      if (rc != ERROR_SUCCESS)
        return rc;
      std::wstring nameBuffer(maxName + 1, L'\0');
      std::vector<uint8_t> bytes(maxData);
      DWORD nameLength = maxName + 1;
      DWORD size = maxData;
      DWORD valueType = 0;
      rc = RegEnumValueW(Key(key), index, &nameBuffer[0], &nameLength, nullptr, &valueType,
                         bytes.empty() ? nullptr : bytes.data(), &size);
      if (rc == ERROR_SUCCESS) {
        bytes.resize(size);
        if (name != nullptr)
          *name = std::u16string(U(nameBuffer.c_str(), nameLength));
        if (type != nullptr)
          *type = valueType;
        if (data != nullptr)
          *data = std::move(bytes);
      }
    }
    return rc;
  }
  int32_t DeleteKey(RegHandle parent, std::u16string_view subkey) override {
    return RegDeleteKeyW(Key(parent), WString(subkey).c_str());
  }
  int32_t FlushKey(RegHandle key) override { return RegFlushKey(Key(key)); }
};

}  // namespace

Registry& PlatformRegistry() {
  static SystemRegistry registry;
  return registry;
}

}  // namespace ql
