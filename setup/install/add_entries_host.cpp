#include <sys/stat.h>

#include "setup/common/text.h"
#include "setup/install/add_entries.h"

namespace ql {

bool PathExists(std::u16string_view path) {
  std::string hostPath = Utf16ToUtf8(path);
  for (char& c : hostPath) {
    if (c == '\\')
      c = '/';
  }
  struct stat info;
  return stat(hostPath.c_str(), &info) == 0;
}

}  // namespace ql
