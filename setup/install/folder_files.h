// The files below a folder, as the installation's record of what it put there needs them, and
// the day's date for that record.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ql {

struct FolderFile {
  std::u16string path;  // relative to the folder, '\' between names
  uint64_t size = 0;
  uint64_t writeTime = 0;  // last write, in the system's units; only compared
};

// Every file below `folder` (a full path with or without trailing '\'), subfolders included;
// empty when the folder does not exist.
std::vector<FolderFile> ListFolderFiles(std::u16string_view folder);

// Today's date as "YYYYMMDD".
std::u16string TodayText();

}  // namespace ql
