// Version stamping of the input-method module: before the module is copied into the system folder,
// the values of three strings of its version resource are overwritten in place with this
// installation's display name, version and module file name. The bytes are not parsed as a
// resource: the keys are found by a byte-wise search in a fixed window of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ql {

struct SetupState;

// The caption shown when the installed module (kPackageModuleFile) cannot be opened.
constexpr std::u16string_view kModuleNotOpenCaption = u"file not open31";

// The module's version strings lie between these byte positions of the file (both included).
constexpr size_t kStampWindowFirst = 0x6A001;
constexpr size_t kStampWindowLast = 0x8D400;
// The module is read into a work buffer of this size; the window lies inside it.
constexpr size_t kModuleWorkBufferBytes = 0x100000;
static_assert(kStampWindowLast < kModuleWorkBufferBytes, "the window lies in the work buffer");
// A module file larger than this is not a module: it is left as it is.
constexpr size_t kLargestModuleBytes = 64 * kModuleWorkBufferBytes;

// The new values of "FileDescription", "InternalName" and "PrivateBuild".
struct VersionStamps {
  std::u16string fileDescription;
  std::u16string internalName;
  std::u16string privateBuild;
};

// The run's values: display name followed by version, display name, and the module's installed
// file name without ".ime".
VersionStamps RunVersionStamps(const SetupState& state);

// Overwrites the three values in `bytes`. The keys are looked for in order, each after the
// previous match; a key that is missing from the window leaves its value and all later ones
// unchanged. A new text longer than its value's room is cut to the room, terminator included;
// nothing is written outside the room or past `size`. Returns the number of values written.
size_t StampVersionStrings(uint8_t* bytes, size_t size, const VersionStamps& stamps);

// Stamps installFolder + "qlsrfpt.ime" with the run's values and writes it back whole. A file
// that cannot be opened is shown with the caption "file not open31" and nothing is written.
void StampModuleVersion(const SetupState& state);

}  // namespace ql
