// A text file read in place through a read-only mapping of the whole file, made under a name and
// released by the owner. On Windows the file is opened without sharing only long enough to create
// the mapping, which then keeps it open; on the host it is mapped privately with mmap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ql {

enum class ReadOnlyMapStatus {
  kMapped,
  kNotOpened,  // missing, or in use by someone who does not share it
  kNoMapping,  // the mapping cannot be made: an empty file, or the name belongs to another object
  kNoView,     // the mapping was made but cannot be viewed (too large for the address space)
};

class ReadOnlyMapping {
 public:
  ReadOnlyMapping() = default;
  ~ReadOnlyMapping() { Release(); }
  ReadOnlyMapping(const ReadOnlyMapping&) = delete;
  ReadOnlyMapping& operator=(const ReadOnlyMapping&) = delete;

  // Maps all of the existing file at `path` under `mappingName`, releasing what was held before.
  ReadOnlyMapStatus Map(std::u16string_view path, std::u16string_view mappingName);
  // Unmaps the view and closes the mapping; safe when nothing is held.
  void Release();

  const uint8_t* data() const { return view_; }
  size_t size() const { return size_; }

 private:
  void* mapping_ = nullptr;
  const uint8_t* view_ = nullptr;
  size_t size_ = 0;
};

}  // namespace ql
