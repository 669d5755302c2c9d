// Calls into the tool library of the package (TOOL\QLTOOL.dll), loaded with full initialisation
// and freed again around each call. A library that does not load, or a missing export, skips the
// call: the result is then nullopt and nothing is reported.
#pragma once

#include <cstdint>
#include <optional>

namespace ql {

struct SetupState;

// "RestorPara"(displayName, installFolder), the library loaded from `state`'s installed folder.
std::optional<int32_t> CallRestorPara(const SetupState& state);

// "CreateXMIdxDll"(window, main data view, user data view, slot, 3, moduleSuppliedName,
// installFolder, 0), with `window` the install dialog. A non-zero result means the scheme's index
// was built.
std::optional<int32_t> CallCreateXMIdxDll(const SetupState& state,
                                          void* window,
                                          void* mainDataView,
                                          void* userDataView,
                                          int32_t slot);

}  // namespace ql
