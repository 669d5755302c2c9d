#include "setup/common/scratch_mapping.h"

#include <cstring>

#include "setup/common/ui.h"

namespace ql {

namespace {
bool active = false;
}

bool ScratchMapping::Active() {
  return active;
}

ScratchMapping::ScratchMapping(std::u16string_view name, size_t size)
    : ScratchMapping(name, size, name, name) {}

ScratchMapping::ScratchMapping(std::u16string_view name,
                               size_t size,
                               std::u16string_view createFailedCaption,
                               std::u16string_view mapFailedCaption) {
  bool existed = false;
  bool mapFailed = false;
  if (active || size == 0 ||
      !CreateScratchBlock(name, size, &handle_, &view_, &existed, &mapFailed)) {
    handle_ = nullptr;
    view_ = nullptr;
    TheUi().ShowMessage(mapFailed ? u"can not create filemappingb" : u"can not create filemappinga",
                        mapFailed ? mapFailedCaption : createFailedCaption, kMbOk);
    return;
  }
  active = true;
  size_ = size;
  // A fresh block is zero already; one that existed may hold an earlier compiler's data.
  if (existed)
    std::memset(view_, 0, size / 4 * 4);
}

ScratchMapping::~ScratchMapping() {
  Release();
}

void ScratchMapping::Release() {
  if (view_ == nullptr)
    return;
  ReleaseScratchBlock(handle_, view_, size_);
  handle_ = nullptr;
  view_ = nullptr;
  size_ = 0;
  active = false;
}

}  // namespace ql
