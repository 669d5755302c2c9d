// The name probe of start-up: the package's input-method module is asked for the platform name.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace ql {

struct SetupState;

// Maps the module at `path` as an image only, calls its "BuildCode" with the main-name selector
// and `nameBuffer` (50 units), and releases it. nullopt when the module does not map or has no
// such export.
using BuildCodeCaller =
    std::function<std::optional<int32_t>(std::u16string_view path, char16_t* nameBuffer)>;

// Start-up's name probe of the module in `state`'s package folder, with the given caller: sets
// the main, display and module-supplied names when the module answers.
void ProbeModuleName(SetupState& state, const BuildCodeCaller& caller);
// The same with the system's image-only load (Windows).
void ProbeModuleName(SetupState& state);

}  // namespace ql
