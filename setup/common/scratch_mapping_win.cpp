#include "setup/common/scratch_mapping.h"
#include "setup/common/win.h"

namespace ql {

bool CreateScratchBlock(std::u16string_view name,
                        size_t size,
                        void** handle,
                        uint8_t** view,
                        bool* existed,
                        bool* mapFailed) {
  *mapFailed = false;
  HANDLE block = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    static_cast<DWORD>(size), WString(name).c_str());
  if (block == nullptr)
    return false;
  *existed = GetLastError() == ERROR_ALREADY_EXISTS;
  void* p = MapViewOfFile(block, FILE_MAP_ALL_ACCESS, 0, 0, 0);
  if (p == nullptr) {
    CloseHandle(block);
    *mapFailed = true;
    return false;
  }
  // A block of this name made earlier by someone else may be smaller than asked for: using it
  // would run past its end.
  MEMORY_BASIC_INFORMATION region = {};
  if (VirtualQuery(p, &region, sizeof region) == 0 || region.RegionSize < size) {
    UnmapViewOfFile(p);
    CloseHandle(block);
    *mapFailed = true;
    return false;
  }
  *handle = block;
  *view = static_cast<uint8_t*>(p);
  return true;
}

void ReleaseScratchBlock(void* handle, uint8_t* view, size_t) {
  UnmapViewOfFile(view);
  CloseHandle(handle);
}

}  // namespace ql
