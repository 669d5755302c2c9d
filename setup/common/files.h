// The file seam of the portable core: whole-file reads and writes by UTF-16 path. On Windows
// these are CreateFileW/ReadFile/WriteFile; on the host, paths are converted to UTF-8 and
// backslashes become slashes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ql {

// Reads at most `maxBytes` from the start of the file; nullopt when it cannot be opened or a read
// fails.
std::optional<std::vector<uint8_t>> ReadFileBytes(std::u16string_view path,
                                                  size_t maxBytes = SIZE_MAX);
// Creates or replaces the file with exactly `bytes`; false on any failure. The bytes are written to
// a file beside it first, which then takes its name: a failed or interrupted write leaves the
// file as it was.
bool WriteFileBytes(std::u16string_view path, const uint8_t* bytes, size_t size);

// Copies `from` over `to` by the same rule as WriteFileBytes: a failed copy leaves `to` as it was.
bool CopyFileReplacing(std::u16string_view from, std::u16string_view to);

// What creating something that must not exist yet came to.
enum class NewEntry { kCreated, kExists, kFailed };
// Creates the file with exactly `bytes` only when nothing is at `path`. Written beside it first and
// then given its name without replacing anything, so a name that was taken in the meantime keeps
// what it holds.
NewEntry WriteNewFileBytes(std::u16string_view path, const uint8_t* bytes, size_t size);
// Creates the folder (its last level) only when nothing is at `path`.
NewEntry CreateNewFolder(std::u16string_view path);
bool FileExists(std::u16string_view path);
// Whether anything (a file or a folder) is at `path`.
bool PathExists(std::u16string_view path);
// Deletes the file; false when it could not be deleted (or was not there).
bool RemoveFile(std::u16string_view path);
// Creates the folder (its last level only); true when it exists afterwards.
bool EnsureFolder(std::u16string_view path);

// The system folder; empty where there is none (the host).
std::u16string SystemFolder();
// `path` as a full path: GetFullPathNameW on Windows (relative paths against the current folder);
// on the host, absolute paths resolved by the same rules (ResolveAbsolutePath), others as given.
// Empty when the system cannot resolve it.
std::u16string FullPath(std::u16string_view path);
// A module file mapped as an image, released when its owner goes. The release is given with the
// image, so a stand-in can map and release images of its own.
class ModuleImage {
 public:
  using Releaser = std::function<void(void* image)>;
  ModuleImage() = default;
  ModuleImage(void* image, Releaser release) : image_(image), release_(std::move(release)) {}
  ~ModuleImage() { Reset(); }
  ModuleImage(ModuleImage&& other) noexcept
      : image_(std::exchange(other.image_, nullptr)), release_(std::move(other.release_)) {}
  ModuleImage& operator=(ModuleImage&& other) noexcept {
    if (this != &other) {
      Reset();
      image_ = std::exchange(other.image_, nullptr);
      release_ = std::move(other.release_);
    }
    return *this;
  }
  ModuleImage(const ModuleImage&) = delete;
  ModuleImage& operator=(const ModuleImage&) = delete;

  void* get() const { return image_; }
  explicit operator bool() const { return image_ != nullptr; }
  void Reset() {
    if (void* image = std::exchange(image_, nullptr); image != nullptr && release_)
      release_(image);
  }

 private:
  void* image_ = nullptr;
  Releaser release_;
};

// Maps a module file as an image only: its imports are not resolved and no initialisation runs.
// Empty when it does not map, and always on the host.
ModuleImage MapModuleImage(std::u16string_view path);

}  // namespace ql
