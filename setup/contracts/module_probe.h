// The name probe of start-up: the package's input-method module is asked for the platform name.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace ql {

// Maps the module at `path` as an image only, calls its "BuildCode" with the main-name selector
// and `nameBuffer` (50 units), and releases it. nullopt when the module does not map or has no
// such export.
using BuildCodeCaller =
    std::function<std::optional<int32_t>(std::u16string_view path, char16_t* nameBuffer)>;

// Start-up's name probe on the run's state, with the given caller.
void ProbeModuleName(const BuildCodeCaller& caller);
// The same with the system's image-only load (Windows).
void ProbeModuleName();

}  // namespace ql
