// Data files mapped by name with the system's file mappings.
#include "setup/common/mapped_file.h"
#include "setup/common/win.h"

namespace ql {
namespace {

class WindowsMappedFile : public MappedDataFile {
 public:
  WindowsMappedFile(UniqueFile file, UniqueKernelHandle mapping, UniqueView view, size_t size)
      : file_(std::move(file)), mapping_(std::move(mapping)), view_(std::move(view)), size_(size) {}
  uint8_t* data() override { return static_cast<uint8_t*>(view_.get()); }
  size_t size() const override { return size_; }

 private:
  // Released in reverse order: the view, the mapping, the file.
  UniqueFile file_;
  UniqueKernelHandle mapping_;
  UniqueView view_;
  size_t size_;
};

}  // namespace

std::unique_ptr<MappedDataFile> MapDataFile(std::u16string_view path,
                                            std::u16string_view mappingName,
                                            MapStatus* status) {
  UniqueFile file(CreateFileW(WString(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    *status = MapStatus::kNotOpened;
    return nullptr;
  }
  *status = MapStatus::kNotMapped;
  DWORD high = 0;
  DWORD size = GetFileSize(file.get(), &high);
  if (size == INVALID_FILE_SIZE || high != 0)
    return nullptr;
  // An object of that name made by another process would be handed back instead of a mapping of
  // this file, possibly smaller than it: the file's bytes would go somewhere else.
  SetLastError(ERROR_SUCCESS);
  UniqueKernelHandle mapping(
      CreateFileMappingW(file.get(), nullptr, PAGE_READWRITE, 0, 0, WString(mappingName).c_str()));
  if (!mapping)
    return nullptr;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    *status = MapStatus::kNameTaken;
    return nullptr;
  }
  UniqueView view(MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (!view)
    return nullptr;
  *status = MapStatus::kMapped;
  return std::make_unique<WindowsMappedFile>(std::move(file), std::move(mapping), std::move(view),
                                             size);
}

}  // namespace ql
