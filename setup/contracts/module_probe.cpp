#include "setup/contracts/module_probe.h"

#include "setup/contracts/module_contract.h"
#include "setup/model/package.h"
#include "setup/model/setup_state.h"

namespace ql {

void ProbeModuleName(SetupState& state, const BuildCodeCaller& caller) {
  // Always the package's own file name, not the manifest's module name.
  std::u16string path = state.packageFolder.str() + std::u16string(kPackageModuleFile);
  static_assert(decltype(state.mainName)::kCapacity == kModuleNameUnits, "BuildCode buffer size");
  std::optional<int32_t> result = caller(path, state.mainName.buffer());
  if (!result)
    return;
  // The module may fill all 50 units without a terminator.
  state.mainName.Terminate();
  if (*result != 0)
    state.namesFromModule = 1;
  state.displayName.Assign(state.mainName.view());
  state.moduleSuppliedName.Assign(state.mainName.view());
}

}  // namespace ql
