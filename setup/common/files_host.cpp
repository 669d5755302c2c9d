#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>

#include "setup/common/file_faults.h"
#include "setup/common/files.h"
#include "setup/common/host_path.h"
#include "setup/common/path_names.h"
#include "setup/common/text.h"

namespace ql {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A whole file is written beside its target under this suffix and then takes the target's name,
// so the target is either as it was or complete.
constexpr char kTemporarySuffix[] = ".ql-new";

FileFaults* activeFaults = nullptr;

FilePtr Open(const std::string& path, const char* mode) {
  if (FileOperationFails(FileOperation::kOpen, path))
    return nullptr;
  return FilePtr(std::fopen(path.c_str(), mode));
}

// Writes all of `bytes` into a new file and closes it; false when any of it failed.
bool WriteAndClose(FilePtr file, const std::string& path, const uint8_t* bytes, size_t size) {
  bool written = true;
  if (size != 0) {
    if (FileOperationFails(FileOperation::kWrite, path)) {
      written = false;
    } else {
      const size_t reaching = FileBytesWritten(size);
      written = std::fwrite(bytes, 1, reaching, file.get()) == reaching && reaching == size;
    }
  }
  const bool flushed = !FileOperationFails(FileOperation::kFlush, path);
  return std::fclose(file.release()) == 0 && flushed && written;
}

}  // namespace

ScopedFileFaults::ScopedFileFaults(FileFaults& faults) : previous_(activeFaults) {
  activeFaults = &faults;
}

ScopedFileFaults::~ScopedFileFaults() {
  activeFaults = previous_;
}

bool FileOperationFails(FileOperation operation, const std::string& path) {
  return activeFaults != nullptr && !activeFaults->Allow(operation, path);
}

size_t FileBytesWritten(size_t size) {
  return activeFaults != nullptr ? activeFaults->BytesWritten(size) : size;
}

std::optional<std::vector<uint8_t>> ReadFileBytes(std::u16string_view path, size_t maxBytes) {
  FilePtr file = Open(HostPath(path), "rb");
  if (!file)
    return std::nullopt;
  std::vector<uint8_t> bytes;
  // Sized at once from the file's length, rather than grown and copied chunk by chunk.
  struct stat info;
  if (fstat(fileno(file.get()), &info) == 0 && info.st_size > 0)
    bytes.reserve(std::min(static_cast<size_t>(info.st_size), maxBytes));
  uint8_t chunk[65536];
  while (bytes.size() < maxBytes) {
    size_t want = maxBytes - bytes.size() < sizeof chunk ? maxBytes - bytes.size() : sizeof chunk;
    size_t got = std::fread(chunk, 1, want, file.get());
    bytes.insert(bytes.end(), chunk, chunk + got);
    if (got < want) {
      // A read that fails is no end of the file: the caller would take a part for the whole.
      if (std::ferror(file.get()))
        return std::nullopt;
      break;
    }
  }
  return bytes;
}

bool WriteFileBytes(std::u16string_view path, const uint8_t* bytes, size_t size) {
  const std::string target = HostPath(path);
  const std::string temporary = target + kTemporarySuffix;
  FilePtr file = Open(temporary, "wb");
  if (!file)
    return false;
  if (!WriteAndClose(std::move(file), temporary, bytes, size) ||
      FileOperationFails(FileOperation::kRename, target) ||
      std::rename(temporary.c_str(), target.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

bool CopyFileReplacing(std::u16string_view from, std::u16string_view to) {
  std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(from);
  return bytes && WriteFileBytes(to, bytes->data(), bytes->size());
}

NewEntry WriteNewFileBytes(std::u16string_view path, const uint8_t* bytes, size_t size) {
  const std::string target = HostPath(path);
  const std::string temporary = target + kTemporarySuffix;
  FilePtr file = Open(temporary, "wb");
  if (!file)
    return NewEntry::kFailed;
  const bool written = WriteAndClose(std::move(file), temporary, bytes, size) &&
                       !FileOperationFails(FileOperation::kRename, target);
  // A hard link takes the name only when it is free; the temporary name then goes.
  NewEntry result = NewEntry::kFailed;
  if (written && link(temporary.c_str(), target.c_str()) == 0)
    result = NewEntry::kCreated;
  else if (written && errno == EEXIST)
    result = NewEntry::kExists;
  std::remove(temporary.c_str());
  return result;
}

NewEntry CreateNewFolder(std::u16string_view path) {
  const std::string hostPath = HostPath(path);
  if (FileOperationFails(FileOperation::kOpen, hostPath))
    return NewEntry::kFailed;
  if (mkdir(hostPath.c_str(), 0777) == 0)
    return NewEntry::kCreated;
  return errno == EEXIST ? NewEntry::kExists : NewEntry::kFailed;
}

bool FileExists(std::u16string_view path) {
  FilePtr file(std::fopen(HostPath(path).c_str(), "rb"));
  return file != nullptr;
}

bool PathExists(std::u16string_view path) {
  struct stat info;
  return stat(HostPath(path).c_str(), &info) == 0;
}

bool RemoveFile(std::u16string_view path) {
  return std::remove(HostPath(path).c_str()) == 0;
}

bool EnsureFolder(std::u16string_view path) {
  std::string hostPath = HostPath(path);
  if (FileOperationFails(FileOperation::kOpen, hostPath))
    return false;
  if (mkdir(hostPath.c_str(), 0777) == 0)
    return true;
  struct stat info;
  return errno == EEXIST && stat(hostPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::u16string SystemFolder() {
  return std::u16string();
}

std::u16string FullPath(std::u16string_view path) {
  return ResolveAbsolutePath(path);
}

ModuleImage MapModuleImage(std::u16string_view) {
  return ModuleImage();
}

}  // namespace ql
