#include "setup/model/package.h"

namespace ql {

std::u16string WithTrailingBackslash(std::u16string_view folder) {
  std::u16string out(folder);
  if (out.empty() || out.back() != u'\\')
    out.push_back(u'\\');
  return out;
}

}  // namespace ql
