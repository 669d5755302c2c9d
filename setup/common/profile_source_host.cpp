// On the host an INI file is read by the portable reader.
#include "setup/common/files.h"
#include "setup/common/profile_file.h"
#include "setup/common/profile_source.h"

namespace ql {
namespace {

class FileProfileSource : public ProfileSource {
 public:
  explicit FileProfileSource(ProfileFile file) : file_(std::move(file)) {}
  size_t GetString(std::u16string_view section,
                   std::u16string_view key,
                   std::u16string_view defaultValue,
                   char16_t* buffer,
                   size_t capacity) override {
    return file_.GetString(section, key, defaultValue, buffer, capacity);
  }

 private:
  ProfileFile file_;
};

}  // namespace

std::unique_ptr<ProfileSource> OpenProfile(std::u16string_view path) {
  std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(path);
  ProfileFile file;
  if (bytes)
    file = ProfileFile::Parse(bytes->data(), bytes->size());
  return std::make_unique<FileProfileSource>(std::move(file));
}

}  // namespace ql
