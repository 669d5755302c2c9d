// The rules for names and relative paths that come from a package, a manifest or the user and
// become part of a path the installation writes: they must stay inside their folder.
#pragma once

#include <string_view>

namespace ql {

// Characters the system refuses in a name or reads as part of a path: separators, the drive
// colon, wildcards, the quote, angle brackets and the bar.
constexpr std::u16string_view kReservedNameCharacters = u"\\/:*?\"<>|";

// The name as the system stores it: without trailing dots and spaces.
std::u16string_view TrimTrailingDotsAndSpaces(std::u16string_view name);

// Whether `name` can be one file or folder name inside a folder: not empty; no reserved or
// control character; and not a name the system reads as the folder itself or its parent ("." or
// "..", also with the trailing dots and spaces the system drops).
bool IsPlainName(std::u16string_view name);

// Whether `path`, relative to a folder, names something inside that folder: empty, or names
// separated by '\' or '/' that are each plain (an empty name between two separators is passed
// over); no leading separator, drive, server or device form, and no ".." anywhere.
bool IsContainedRelativePath(std::u16string_view path);

// Whether `path` is written as an absolute folder of a drive ("X:\..." or "X:/...") or of a
// server's share ("\\server\share..."), the forms a target folder may take. Relative paths,
// drive-relative ("C:x") and root-relative ("\x") ones and the device forms ("\\?\", "\\.\")
// are not.
bool IsAbsoluteFolderForm(std::u16string_view path);

// An absolute path of either form as the system resolves it: '/' read as '\', "." dropped, ".."
// going up (never above the drive or the share), trailing dots and spaces dropped from each
// name, repeated separators folded. A root keeps its trailing '\'; any other path has none.
// Anything else is returned as it is.
std::u16string ResolveAbsolutePath(std::u16string_view path);

// Whether `path` is an absolute folder form whose names below the drive or the share are all
// plain (IsPlainName): no ".", "..", " . " or other name the system would drop or read as a step
// up, whatever the system's own resolution left in place.
bool HasOnlyPlainNames(std::u16string_view path);

// Whether two folder paths name the same folder: equal but for ASCII case and trailing
// separators.
bool SameFolderPath(std::u16string_view a, std::u16string_view b);

}  // namespace ql
