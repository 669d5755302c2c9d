// Without a system registry the host build keeps one in memory for the life of the process.
#include "setup/common/registry.h"

namespace ql {

Registry& PlatformRegistry() {
  static MemoryRegistry registry;
  return registry;
}

}  // namespace ql
