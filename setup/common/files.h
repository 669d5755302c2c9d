// The file seam of the portable core: whole-file reads and writes by UTF-16 path. On Windows
// these are CreateFileW/ReadFile/WriteFile; on the host, paths are converted to UTF-8 and
// backslashes become slashes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ql {

// Reads at most `maxBytes` from the start of the file; nullopt when it cannot be opened or a read
// fails.
std::optional<std::vector<uint8_t>> ReadFileBytes(std::u16string_view path,
                                                  size_t maxBytes = SIZE_MAX);
// Creates or replaces the file with exactly `bytes`; false on any failure.
bool WriteFileBytes(std::u16string_view path, const uint8_t* bytes, size_t size);
bool FileExists(std::u16string_view path);
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
// Maps a module file as an image only: its imports are not resolved and no initialisation runs.
// nullptr when it does not map, and always on the host. ReleaseModuleImage(nullptr) does nothing.
void* MapModuleImage(std::u16string_view path);
void ReleaseModuleImage(void* image);

}  // namespace ql
