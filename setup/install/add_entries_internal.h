// Pieces shared by the add-dictionary and add-scheme steps.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "setup/common/text.h"
#include "setup/common/ui.h"
#include "setup/install/add_entries.h"
#include "setup/model/setup_state.h"

namespace ql {

// The package's folders of text dictionaries and of input schemes.
constexpr std::u16string_view kDictionariesFolder = u"文本词库";
constexpr std::u16string_view kSchemesFolder = u"输入方案";

// What fits a DictionaryEntry's fileName, and the folder part of an InputScheme's path after
// "输入方案\", terminators excluded.
constexpr size_t kDictionaryFileNameUnits = decltype(DictionaryEntry::fileName)::kCapacity - 1;
constexpr size_t kSchemeFolderUnits =
    decltype(InputScheme::path)::kCapacity - 1 - (kSchemesFolder.size() + 1);

// The first `units` code units of `text`, one less when the cut would split a surrogate pair.
std::u16string_view CutUnits(std::u16string_view text, size_t units);
// A field's text as the dialog reads it: at most `units` units, and never past a line break.
std::u16string FieldText(std::u16string_view text, size_t units);

// A message without owner, captioned with the display name.
void TellUser(const SetupState& state, std::u16string_view text);

}  // namespace ql
