// On Windows an INI file is read by the system's profile functions.
#include "setup/common/profile_source.h"
#include "setup/common/win.h"

namespace ql {
namespace {

class SystemProfileSource : public ProfileSource {
 public:
  explicit SystemProfileSource(std::u16string_view path) : path_(WString(path)) {}
  size_t GetString(std::u16string_view section,
                   std::u16string_view key,
                   std::u16string_view defaultValue,
                   char16_t* buffer,
                   size_t capacity) override {
    if (capacity == 0)
      return 0;
    return GetPrivateProfileStringW(WString(section).c_str(), WString(key).c_str(),
                                    WString(defaultValue).c_str(), W(buffer),
                                    static_cast<DWORD>(capacity), path_.c_str());
  }

 private:
  std::wstring path_;
};

}  // namespace

std::unique_ptr<ProfileSource> OpenProfile(std::u16string_view path) {
  return std::make_unique<SystemProfileSource>(path);
}

}  // namespace ql
