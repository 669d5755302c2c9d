// The host has no access-control lists and no Start menu: these operations of the installation
// do nothing there, so that the portable installation runs without them.
#include "setup/install/file_access.h"
#include "setup/install/shortcuts.h"

namespace ql {

// E_NOTIMPL, the status a missing shell-link object would give.
constexpr int32_t kNotImplemented = static_cast<int32_t>(0x80004001u);

int GrantFileAccess(std::u16string_view, std::u16string_view, uint32_t) {
  return 0;
}

int RestrictToAdministrators(std::u16string_view, bool) {
  return 0;
}

int DenyDeleteChild(std::u16string_view) {
  return 0;
}

void CreateProgramShortcuts(const SetupState&) {}

std::u16string ProgramsFolder() {
  return std::u16string();
}

int32_t CreateShortcut(std::u16string_view, std::u16string_view, std::u16string_view) {
  return kNotImplemented;
}

}  // namespace ql
