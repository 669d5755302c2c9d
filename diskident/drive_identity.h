// The record diskident sends for each identified drive, and the portable rules that fill it: from
// the bytes of a storage device descriptor (fixed drives) and from the instance path of a USB
// storage device. Nothing here calls the system, so the rules are tested natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace diskident {

constexpr uint32_t kKindFixedDrive = 1;
constexpr uint32_t kKindUsbStorage = 2;

// The payload of one WM_COPYDATA message. Text fields are ANSI, NUL-terminated, and zero-filled
// behind the terminator; a field without text begins with a NUL. The kind is little-endian.
struct DriveIdentityRecord {
  char model[40];
  char serial[80];
  uint8_t kind[4];
};
constexpr size_t kRecordSize = 124;
constexpr size_t kModelOffset = 0;
constexpr size_t kSerialOffset = 40;
constexpr size_t kKindOffset = 120;
static_assert(offsetof(DriveIdentityRecord, model) == kModelOffset, "model at 0");
static_assert(offsetof(DriveIdentityRecord, serial) == kSerialOffset, "serial at 40");
static_assert(offsetof(DriveIdentityRecord, kind) == kKindOffset, "kind at 120");
static_assert(kKindOffset + sizeof(DriveIdentityRecord::kind) == kRecordSize, "kind ends it");
static_assert(sizeof(DriveIdentityRecord) == kRecordSize, "no padding: sent as it lies");

uint32_t RecordKind(const DriveIdentityRecord& record);

// Storage device descriptor, as returned by the storage property query (little-endian).
constexpr size_t kDescriptorBufferSize = 1551;
constexpr size_t kRemovableMediaOffset = 10;
constexpr size_t kProductIdOffsetField = 16;
constexpr size_t kSerialNumberOffsetField = 24;
// The fewest returned bytes that hold every field read.
constexpr size_t kDescriptorMinimumSize = kSerialNumberOffsetField + 4;

// What the reporter takes from a descriptor. A string is empty when its offset is 0, points at a
// NUL, lies outside the returned bytes, or has no terminator within them.
struct StorageDescriptorInfo {
  bool removable = false;
  std::string_view productId;
  std::string_view serialNumber;
};

// Reads the fields of `size` returned descriptor bytes; nullopt when too few bytes came back to
// hold them (such an answer counts as a failed query). The views point into `bytes`.
std::optional<StorageDescriptorInfo> ParseStorageDescriptor(const uint8_t* bytes, size_t size);

// A kind-1 record: each string byte for byte, or an empty field when it does not fit.
DriveIdentityRecord BuildFixedDriveRecord(const StorageDescriptorInfo& descriptor);
// A kind-2 record from texts already in the ANSI code page; a text that does not fit leaves its
// field empty, as for fixed drives.
DriveIdentityRecord BuildUsbRecord(std::string_view modelAnsi, std::string_view serialAnsi);

// The vendor-and-product part and the serial of a USB device instance path such as
// "USB\Vid_1234&Pid_5678\0123456789", cut to the lengths kept.
struct InstancePathParts {
  std::u16string device;
  std::u16string serial;
};
constexpr size_t kDevicePartUnits = 127;
constexpr size_t kSerialPartUnits = 167;
// Parts are separated by runs of backslashes; leading ones are skipped. nullopt when the path has
// fewer than three parts.
std::optional<InstancePathParts> SplitInstancePath(std::u16string_view path);

// The target window of the command line, read as "%lx" reads it: blanks, an optional sign, an
// optional "0x", then hex digits. 0 when there are no digits or the number needs more than 32
// bits (it cannot be a window handle then).
uint32_t ParseWindowHandle(std::u16string_view argument);

// Whether records go to `window`: not 0 (which only probes), and not the broadcast handle 0xFFFF,
// which would hand the identities to every top-level window of the desktop.
bool IsTargetWindow(uint32_t window);

}  // namespace diskident
