#include <ctime>
#include <filesystem>
#include <system_error>

#include "setup/common/host_path.h"
#include "setup/common/text.h"
#include "setup/install/folder_files.h"

namespace ql {

std::vector<FolderFile> ListFolderFiles(std::u16string_view folder) {
  namespace fs = std::filesystem;
  std::vector<FolderFile> files;
  const fs::path base = HostPath(folder);
  std::error_code error;
  for (fs::recursive_directory_iterator it(base, error), end; !error && it != end;
       it.increment(error)) {
    if (!it->is_regular_file(error))
      continue;
    FolderFile file;
    std::u16string relative = Utf8ToUtf16(fs::relative(it->path(), base, error).string());
    for (char16_t& c : relative)
      c = c == u'/' ? u'\\' : c;
    file.path = relative;
    file.size = it->file_size(error);
    file.writeTime = static_cast<uint64_t>(it->last_write_time(error).time_since_epoch().count());
    files.push_back(file);
  }
  return files;
}

std::u16string TodayText() {
  std::time_t now = std::time(nullptr);
  std::tm local = {};
  localtime_r(&now, &local);
  char text[16] = {};
  std::strftime(text, sizeof text, "%Y%m%d", &local);
  return Utf8ToUtf16(text);
}

}  // namespace ql
