// Faults the host file seam can be made to meet, so that a test can sweep one failure over every
// file operation of a whole run: the N-th open, write, flush or rename fails as on a failing or
// full disk, or a write stops short. Only the host seam asks; on Windows the system's calls meet
// real faults.
#pragma once

#include <cstddef>
#include <string>

namespace ql {

enum class FileOperation { kOpen, kWrite, kFlush, kRename };

class FileFaults {
 public:
  virtual ~FileFaults() = default;
  // Asked before each operation on the file or folder at `path` (the host's form); false makes it
  // fail.
  virtual bool Allow(FileOperation operation, const std::string& path) = 0;
  // How many of the `size` bytes of an allowed write reach the file; fewer makes it fail there.
  virtual size_t BytesWritten(size_t size) { return size; }
};

// The host seam meets `faults` while this lives.
class ScopedFileFaults {
 public:
  explicit ScopedFileFaults(FileFaults& faults);
  ~ScopedFileFaults();
  ScopedFileFaults(const ScopedFileFaults&) = delete;
  ScopedFileFaults& operator=(const ScopedFileFaults&) = delete;

 private:
  FileFaults* previous_;
};

// Whether the operation fails by the faults in force (never when there are none).
bool FileOperationFails(FileOperation operation, const std::string& path);
// The bytes of a write of `size` that reach the file by the faults in force.
size_t FileBytesWritten(size_t size);

}  // namespace ql
