// The file seam of the portable core: whole-file reads and writes by UTF-16 path. On Windows
// these are CreateFileW/ReadFile/WriteFile; on the host, paths are converted to UTF-8 and
// backslashes become slashes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace ql {

// Reads at most `maxBytes` from the start of the file; nullopt when it cannot be opened.
std::optional<std::vector<uint8_t>> ReadFileBytes(std::u16string_view path,
                                                  size_t maxBytes = SIZE_MAX);
// Creates or replaces the file with exactly `bytes`; false on any failure.
bool WriteFileBytes(std::u16string_view path, const uint8_t* bytes, size_t size);
bool FileExists(std::u16string_view path);

}  // namespace ql
