// The setup manifest: setup.ini of the package, read into the run's record.
#pragma once

#include <string_view>

#include "setup/common/profile_source.h"

namespace ql {

struct SetupState;

// Section names of setup.ini: each family's prefix followed by the number 1, 2, ... within it.
constexpr std::u16string_view kMainKeyboardSection = u"主键盘输入法";
constexpr std::u16string_view kAuxiliarySection = u"拼音辅助输入法";
constexpr std::u16string_view kKeypadSection = u"小键盘输入法";
constexpr std::u16string_view kDictionarySection = u"词库";
// The keys naming a scheme's folder and a dictionary's file.
constexpr std::u16string_view kSchemePathKey = u"Path";
constexpr std::u16string_view kDictionaryFileKey = u"FileName";
// The key of section "soft" naming the module's installed file (without ".ime"), and its default.
constexpr std::u16string_view kModuleNameKey = u"ImeFileName";
constexpr std::u16string_view kDefaultModuleName = u"qlsrfpt";

class Diagnostics;

// Fills the names, version, module name, setup text, schemes and dictionaries of `state` from
// `source`, in the order the manifest is read. Each value is cut to its length limit; with
// `diagnostics`, each value cut is reported.
void ReadManifestInto(ProfileSource& source, SetupState& state, Diagnostics* diagnostics = nullptr);

// Reads `packageFolder` + "setup.ini" into `state`. Returns 0 (success) in every case.
int ReadSetupManifest(std::u16string_view packageFolder,
                      SetupState& state,
                      Diagnostics* diagnostics = nullptr);

}  // namespace ql
