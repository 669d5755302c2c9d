#include <sys/mman.h>

#include "setup/common/scratch_mapping.h"

namespace ql {

bool CreateScratchBlock(std::u16string_view,
                        size_t size,
                        void** handle,
                        uint8_t** view,
                        bool* existed,
                        bool* mapFailed) {
  void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  *existed = false;
  *mapFailed = false;
  if (p == MAP_FAILED)
    return false;
  // Large pages where the system offers them: a compiler touches megabytes of the block, and each
  // first touch of a small page is a trap into the system. Without them the block works the same.
  madvise(p, size, MADV_HUGEPAGE);
  *handle = nullptr;
  *view = static_cast<uint8_t*>(p);
  return true;
}

void ReleaseScratchBlock(void*, uint8_t* view, size_t size) {
  munmap(view, size);
}

}  // namespace ql
