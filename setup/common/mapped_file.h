// A data file mapped read-write whole, for as long as its owner keeps it: the installation worker
// holds the main and user data files this way while the tool library and the pinyin index builder
// write into them. On Windows the file is opened with no sharing and mapped under a name; on the
// host it is mapped shared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace ql {

class MappedDataFile {
 public:
  virtual ~MappedDataFile() = default;
  virtual uint8_t* data() = 0;
  virtual size_t size() const = 0;
};

enum class MapStatus {
  kMapped,
  kNotOpened,  // the file is missing or in use
  kNotMapped,  // opened, but the mapping or the view failed (an empty file among others)
  kNameTaken,  // another object already has the mapping's name: it is not taken over
};

// Opens the existing file at `path` with full access and no sharing and maps all of it under
// `mappingName`, which must be new; null with the reason in `status` when that fails.
std::unique_ptr<MappedDataFile> MapDataFile(std::u16string_view path,
                                            std::u16string_view mappingName,
                                            MapStatus* status);

}  // namespace ql
