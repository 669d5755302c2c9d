// Data files mapped shared with mmap. File names on the system the data comes from ignore case,
// so a name that is not found as written is looked up in its folder ignoring ASCII case.
#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "setup/common/file_faults.h"
#include "setup/common/host_path.h"
#include "setup/common/mapped_file.h"
#include "setup/common/text.h"

namespace ql {
namespace {

class HostMappedFile : public MappedDataFile {
 public:
  HostMappedFile(int fd, void* view, size_t size) : fd_(fd), view_(view), size_(size) {}
  ~HostMappedFile() override {
    munmap(view_, size_);
    close(fd_);
  }
  HostMappedFile(const HostMappedFile&) = delete;
  HostMappedFile& operator=(const HostMappedFile&) = delete;
  uint8_t* data() override { return static_cast<uint8_t*>(view_); }
  size_t size() const override { return size_; }

 private:
  int fd_;
  void* view_;
  size_t size_;
};

bool SameIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = (a[i] >= 'A' && a[i] <= 'Z') ? static_cast<char>(a[i] + 32) : a[i];
    char y = (b[i] >= 'A' && b[i] <= 'Z') ? static_cast<char>(b[i] + 32) : b[i];
    if (x != y)
      return false;
  }
  return true;
}

std::string FindIgnoringCase(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr)
    return path;
  std::string found = path;
  while (dirent* entry = readdir(dir)) {
    if (SameIgnoringAsciiCase(entry->d_name, name)) {
      found = folder + "/" + entry->d_name;
      break;
    }
  }
  closedir(dir);
  return found;
}

}  // namespace

std::unique_ptr<MappedDataFile> MapDataFile(std::u16string_view path,
                                            std::u16string_view /*mappingName*/,
                                            MapStatus* status) {
  std::string hostPath = HostPath(path);
  if (FileOperationFails(FileOperation::kOpen, hostPath)) {
    *status = MapStatus::kNotOpened;
    return nullptr;
  }
  int fd = open(hostPath.c_str(), O_RDWR);
  if (fd < 0 && errno == ENOENT)
    fd = open(FindIgnoringCase(hostPath).c_str(), O_RDWR);
  if (fd < 0) {
    *status = MapStatus::kNotOpened;
    return nullptr;
  }
  *status = MapStatus::kNotMapped;
  struct stat info = {};
  if (fstat(fd, &info) != 0 || info.st_size <= 0 || info.st_size > UINT32_MAX) {
    close(fd);
    return nullptr;
  }
  size_t size = static_cast<size_t>(info.st_size);
  void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (view == MAP_FAILED) {
    close(fd);
    return nullptr;
  }
  *status = MapStatus::kMapped;
  return std::make_unique<HostMappedFile>(fd, view, size);
}

}  // namespace ql
