// Read-only mappings with mmap. There are no named mappings on the host, so the name is unused.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "setup/common/host_path.h"
#include "setup/common/read_only_mapping.h"
#include "setup/common/text.h"

namespace ql {

ReadOnlyMapStatus ReadOnlyMapping::Map(std::u16string_view path, std::u16string_view) {
  Release();
  std::string hostPath = HostPath(path);
  int fd = open(hostPath.c_str(), O_RDONLY);
  if (fd < 0)
    return ReadOnlyMapStatus::kNotOpened;
  struct stat info = {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return ReadOnlyMapStatus::kNotOpened;
  }
  // As on Windows, a file of no bytes has no mapping.
  if (info.st_size <= 0) {
    close(fd);
    return ReadOnlyMapStatus::kNoMapping;
  }
  if (static_cast<uintmax_t>(info.st_size) > SIZE_MAX) {
    close(fd);
    return ReadOnlyMapStatus::kNoView;
  }
  size_t size = static_cast<size_t>(info.st_size);
  void* view = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  // The view keeps the file, as the system's mapping does.
  close(fd);
  if (view == MAP_FAILED)
    return ReadOnlyMapStatus::kNoView;
  view_ = static_cast<const uint8_t*>(view);
  size_ = size;
  return ReadOnlyMapStatus::kMapped;
}

void ReadOnlyMapping::Release() {
  if (view_ != nullptr)
    munmap(const_cast<uint8_t*>(view_), size_);
  view_ = nullptr;
  mapping_ = nullptr;
  size_ = 0;
}

}  // namespace ql
