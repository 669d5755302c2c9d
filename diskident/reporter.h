// The run of diskident: probe physical drives 0 to 9, send a record for every fixed one, and when
// any drive reported removable media, look up the first USB storage device of the registry whose
// instance is present and send its record. Everything the run asks of the system goes through the
// Machine seam: the Windows build answers with the devices, registry and windows of the system;
// tests present drives and registry keys of their own and record what is sent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "diskident/drive_identity.h"

namespace diskident {

using KeyRef = uintptr_t;
// HKEY_LOCAL_MACHINE, with the system's value.
constexpr KeyRef kLocalMachine = 0x80000002u;

constexpr int kDriveCount = 10;
// Buffer sizes the registry values and key names are read with.
constexpr size_t kInstancePathBytes = 456;
constexpr size_t kKeyNameUnits = 519;
// The longest value name that can be the decimal of a 32-bit index.
constexpr size_t kIndexNameUnits = 10;

class Machine {
 public:
  virtual ~Machine() = default;

  // The storage device descriptor of physical drive `number`: at most `capacity` bytes into
  // `buffer` and their count into *returned. False when the drive cannot be opened or the query
  // fails.
  virtual bool QueryStorageDescriptor(int number,
                                      uint8_t* buffer,
                                      size_t capacity,
                                      size_t* returned) = 0;

  // The registry, read only. A key is opened below `parent` (kLocalMachine or an opened key).
  virtual bool OpenKey(KeyRef parent, std::u16string_view subkey, KeyRef* key) = 0;
  virtual void CloseKey(KeyRef key) = 0;
  // A REG_DWORD value.
  virtual bool ReadDword(KeyRef key, std::u16string_view name, uint32_t* value) = 0;
  // A string value whose data takes at most `maxBytes` bytes, up to its first NUL.
  virtual bool ReadString(KeyRef key,
                          std::u16string_view name,
                          size_t maxBytes,
                          std::u16string* text) = 0;
  // The names of the key's values, in index order, leaving out names longer than `maxUnits`.
  virtual std::vector<std::u16string> ValueNames(KeyRef key, size_t maxUnits) = 0;
  // The name of the index-th subkey; false when there is none (or it cannot be read).
  virtual bool SubkeyName(KeyRef key, uint32_t index, size_t maxUnits, std::u16string* name) = 0;

  // The text in the system's ANSI code page, whole.
  virtual std::string ToAnsi(std::u16string_view text) = 0;
  // Sends the record to the window by WM_COPYDATA and returns when the window has handled it.
  virtual void Send(uint32_t window, const DriveIdentityRecord& record) = 0;
};

// The whole run on the command-line arguments (argument 0 is the program; argument 2 is the
// window). With fewer than three arguments there is no window to report to: nothing is probed or
// sent.
void ReportDriveIdentities(const std::vector<std::u16string>& arguments, Machine& machine);

// Probes drives 0 to 9 in order, sends a record for each fixed drive when IsTargetWindow(window),
// and returns how many drives reported removable media.
int ProbeDrives(uint32_t window, Machine& machine);

// The USB walk: sends at most one kind-2 record. True when one was built.
bool WalkUsbStorage(uint32_t window, Machine& machine);

// The indices below `count` that `valueNames` hold as canonical decimals ("0", "17", not "017"),
// in increasing order: the values "0" to "Count - 1" of the USB list that exist.
std::vector<uint32_t> DeviceIndices(const std::vector<std::u16string>& valueNames, uint32_t count);

}  // namespace diskident
