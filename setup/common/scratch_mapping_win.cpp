#include "setup/common/scratch_mapping.h"
#include "setup/common/win.h"

namespace ql {

bool CreateScratchBlock(std::u16string_view name,
                        size_t size,
                        void** handle,
                        uint8_t** mapped,
                        bool* existed,
                        bool* mapFailed) {
  *mapFailed = false;
  UniqueKernelHandle block(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                              static_cast<DWORD>(size), WString(name).c_str()));
  if (!block)
    return false;
  *existed = GetLastError() == ERROR_ALREADY_EXISTS;
  UniqueView view(MapViewOfFile(block.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
  // A block of this name made earlier by someone else may be smaller than asked for: using it
  // would run past its end.
  MEMORY_BASIC_INFORMATION region = {};
  if (!view || VirtualQuery(view.get(), &region, sizeof region) == 0 || region.RegionSize < size) {
    *mapFailed = true;
    return false;
  }
  *handle = block.Release();
  *mapped = static_cast<uint8_t*>(view.Release());
  return true;
}

void ReleaseScratchBlock(void* handle, uint8_t* view, size_t) {
  // Taken back by their owners, which unmap the view before they close the block.
  UniqueKernelHandle block(handle);
  UniqueView mapped(view);
}

}  // namespace ql
