#include "setup/common/win.h"
#include "setup/contracts/module_contract.h"
#include "setup/contracts/module_probe.h"
#include "setup/contracts/safe_call.h"

namespace ql {

void ProbeModuleName(SetupState& state) {
  ProbeModuleName(
      state, [](std::u16string_view path, char16_t* nameBuffer) -> std::optional<int32_t> {
        // Image only: no imports resolved, no initialisation run.
        UniqueModule module(
            LoadLibraryExW(WString(path).c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
        std::optional<int32_t> result;
        if (module) {
          FARPROC buildCode = GetProcAddress(module.get(), kBuildCodeExport);
          if (buildCode != nullptr) {
            const uintptr_t args[] = {static_cast<uintptr_t>(kBuildCodeMainName), Arg(nameBuffer)};
            result = static_cast<int32_t>(
                SafeExportCall(reinterpret_cast<const void*>(buildCode), args, 2));
          }
        }
        return result;
      });
}

}  // namespace ql
