// Read-only mappings of files by name with the system's file mappings.
#include "setup/common/read_only_mapping.h"
#include "setup/common/win.h"

namespace ql {

ReadOnlyMapStatus ReadOnlyMapping::Map(std::u16string_view path, std::u16string_view mappingName) {
  Release();
  UniqueKernelHandle mapping;
  LARGE_INTEGER size = {};
  {
    UniqueFile file(CreateFileW(WString(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
      return ReadOnlyMapStatus::kNotOpened;
    SetLastError(ERROR_SUCCESS);
    mapping.Reset(
        CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, WString(mappingName).c_str()));
    // A mapping of this name made by someone else is not a view of this file: its size and content
    // are another object's, and scanning it as this file could run past its end.
    if (mapping && GetLastError() == ERROR_ALREADY_EXISTS)
      mapping.Reset();
    if (!mapping)
      return ReadOnlyMapStatus::kNoMapping;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 ||
        static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX)
      return ReadOnlyMapStatus::kNoView;
    // The file handle closes here; the mapping keeps the file open.
  }
  UniqueView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
  if (!view)
    return ReadOnlyMapStatus::kNoView;
  mapping_ = mapping.Release();
  view_ = static_cast<const uint8_t*>(view.Release());
  size_ = static_cast<size_t>(size.QuadPart);
  return ReadOnlyMapStatus::kMapped;
}

void ReadOnlyMapping::Release() {
  // Taken back by their owners, which unmap the view before they close the mapping.
  UniqueKernelHandle mapping(std::exchange(mapping_, nullptr));
  UniqueView view(const_cast<uint8_t*>(std::exchange(view_, nullptr)));
  size_ = 0;
}

}  // namespace ql
