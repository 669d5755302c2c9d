// Paths of the system's form on the host: UTF-16 with '\\' separators become UTF-8 with '/'.
#pragma once

#include <string>
#include <string_view>

#include "setup/common/text.h"

namespace ql {

inline std::string HostPath(std::u16string_view path) {
  std::string out = Utf16ToUtf8(path);
  for (char& c : out) {
    if (c == '\\')
      c = '/';
  }
  return out;
}

}  // namespace ql
