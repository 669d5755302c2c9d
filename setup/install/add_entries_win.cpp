#include "setup/common/win.h"
#include "setup/install/add_entries.h"

namespace ql {

bool PathExists(std::u16string_view path) {
  return GetFileAttributesW(WString(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace ql
