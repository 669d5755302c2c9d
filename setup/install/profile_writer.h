// A portable writer of one key of a Unicode INI file, doing what WritePrivateProfileStringW does
// with a file that is already UTF-16: the host side of the profile writer seam.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ql {

// Sets `key` = `value` in `section` of the INI text: the first key of that name in the first
// section of that name (both compared ignoring ASCII case) gets the new value; a missing key is
// added after the section's last line, a missing section at the end. Line ends are CR LF.
std::u16string SetProfileValue(std::u16string_view text,
                               std::u16string_view section,
                               std::u16string_view key,
                               std::u16string_view value);

// The same on the file at `path`, which stays UTF-16LE with its byte-order mark; a missing file
// is created so. False for a file in any other encoding (it is left alone) or on a write error.
bool WriteProfileStringToFile(std::u16string_view path,
                              std::u16string_view section,
                              std::u16string_view key,
                              std::u16string_view value);

}  // namespace ql
