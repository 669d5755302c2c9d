// The system behind the Machine seam: physical drives through CreateFileW and DeviceIoControl,
// the registry of HKEY_LOCAL_MACHINE, the ANSI code page and WM_COPYDATA. Tests under Wine derive
// from it to present drives of their own while keeping the real registry and messages.
#pragma once

#include "diskident/reporter.h"

namespace diskident {

class WindowsMachine : public Machine {
 public:
  bool QueryStorageDescriptor(int number,
                              uint8_t* buffer,
                              size_t capacity,
                              size_t* returned) override;
  bool OpenKey(KeyRef parent, std::u16string_view subkey, KeyRef* key) override;
  void CloseKey(KeyRef key) override;
  bool ReadDword(KeyRef key, std::u16string_view name, uint32_t* value) override;
  bool ReadString(KeyRef key,
                  std::u16string_view name,
                  size_t maxBytes,
                  std::u16string* text) override;
  std::vector<std::u16string> ValueNames(KeyRef key, size_t maxUnits) override;
  bool SubkeyName(KeyRef key, uint32_t index, size_t maxUnits, std::u16string* name) override;
  std::string ToAnsi(std::u16string_view text) override;
  void Send(uint32_t window, const DriveIdentityRecord& record) override;
};

// The command line split by the system's rules, argument 0 being the program.
std::vector<std::u16string> CommandLineArguments();

}  // namespace diskident
