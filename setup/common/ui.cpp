#include "setup/common/ui.h"

namespace ql {
namespace {
Ui* current = nullptr;
}

Ui& TheUi() {
  return current != nullptr ? *current : PlatformUi();
}

ScopedUi::ScopedUi(Ui& ui) : previous_(current) {
  current = &ui;
}

ScopedUi::~ScopedUi() {
  current = previous_;
}

}  // namespace ql
