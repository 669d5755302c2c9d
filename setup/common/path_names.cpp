#include "setup/common/path_names.h"

namespace ql {

std::u16string_view TrimTrailingDotsAndSpaces(std::u16string_view name) {
  while (!name.empty() && (name.back() == u'.' || name.back() == u' '))
    name.remove_suffix(1);
  return name;
}

bool IsPlainName(std::u16string_view name) {
  for (char16_t c : name) {
    if (c < 0x20 || kReservedNameCharacters.find(c) != std::u16string_view::npos)
      return false;
  }
  // "..", ". ." and "  " all name the folder itself or its parent once the system has dropped
  // the trailing dots and spaces.
  return TrimTrailingDotsAndSpaces(name).find_first_not_of(u'.') != std::u16string_view::npos;
}

bool IsContainedRelativePath(std::u16string_view path) {
  if (path.empty())
    return true;
  if (path[0] == u'\\' || path[0] == u'/')
    return false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of(u"\\/", start);
    if (end == std::u16string_view::npos)
      end = path.size();
    std::u16string_view name = path.substr(start, end - start);
    if (!name.empty() && !IsPlainName(name))
      return false;
    start = end + 1;
  }
  return true;
}

}  // namespace ql
