// Bytes of the tests: storage device descriptors as a drive returns them (the 40-byte fixed part,
// then the strings the offsets point at) and records as they are sent.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "diskident/drive_identity.h"
#include "setup/common/bytes.h"

namespace diskident::test {

// A descriptor with the removable-media flag and the product and serial strings (each absent,
// offset 0, when nullopt). Version and size are filled as a drive fills them.
inline std::vector<uint8_t> DescriptorBytes(bool removable,
                                            std::optional<std::string_view> productId,
                                            std::optional<std::string_view> serialNumber) {
  std::vector<uint8_t> bytes(40, 0);
  auto append = [&bytes](std::optional<std::string_view> text) -> uint32_t {
    if (!text)
      return 0;
    uint32_t offset = static_cast<uint32_t>(bytes.size());
    bytes.insert(bytes.end(), text->begin(), text->end());
    bytes.push_back(0);
    return offset;
  };
  uint32_t product = append(productId);
  uint32_t serial = append(serialNumber);
  ql::StoreU32(bytes.data() + 0, 40);
  ql::StoreU32(bytes.data() + 4, static_cast<uint32_t>(bytes.size()));
  bytes[8] = 0x00;  // device type: direct access
  bytes[10] = removable ? 1 : 0;
  ql::StoreU32(bytes.data() + 16, product);
  ql::StoreU32(bytes.data() + 24, serial);
  bytes[28] = removable ? 7 : 3;  // bus type: USB or ATA
  return bytes;
}

inline std::vector<uint8_t> RecordBytes(const DriveIdentityRecord& record) {
  const uint8_t* begin = reinterpret_cast<const uint8_t*>(&record);
  return std::vector<uint8_t>(begin, begin + sizeof record);
}

// 124 bytes written out by hand: the model at 0, the serial at 40 and the kind at 120, zeros
// elsewhere.
inline std::vector<uint8_t> ExpectedRecord(std::string_view model,
                                           std::string_view serial,
                                           uint8_t kind) {
  std::vector<uint8_t> bytes(124, 0);
  std::memcpy(bytes.data(), model.data(), model.size());
  std::memcpy(bytes.data() + 40, serial.data(), serial.size());
  bytes[120] = kind;
  return bytes;
}

}  // namespace diskident::test
