// The profile seam: values of an INI file by section and key. On Windows this is
// GetPrivateProfileStringW; on the host the portable reader (profile_file.h) reads the file.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

namespace ql {

// Same contract as GetPrivateProfileStringW with a section and a key.
class ProfileSource {
 public:
  virtual ~ProfileSource() = default;
  virtual size_t GetString(std::u16string_view section,
                           std::u16string_view key,
                           std::u16string_view defaultValue,
                           char16_t* buffer,
                           size_t capacity) = 0;
};

// The platform's reader of the INI file at `path`; defined once per platform.
std::unique_ptr<ProfileSource> OpenProfile(std::u16string_view path);

}  // namespace ql
