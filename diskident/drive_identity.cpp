#include "diskident/drive_identity.h"

#include <algorithm>
#include <cstring>

#include "setup/common/bytes.h"

namespace diskident {
namespace {

// The NUL-terminated string at `offset` of the returned bytes; empty when there is none.
std::string_view DescriptorString(const uint8_t* bytes, size_t size, uint32_t offset) {
  if (offset == 0 || offset >= size)
    return {};
  const char* start = reinterpret_cast<const char*>(bytes + offset);
  const void* end = std::memchr(start, 0, size - offset);
  if (end == nullptr)
    return {};
  return std::string_view(start, static_cast<size_t>(static_cast<const char*>(end) - start));
}

// Copies `text` with its terminator when it fits the field; otherwise the field stays empty.
template <size_t N>
void FillField(char (&field)[N], std::string_view text) {
  if (text.size() < N)
    std::copy(text.begin(), text.end(), field);
}

// A record of `kind` with each text copied when it fits its field.
DriveIdentityRecord BuildRecord(uint32_t kind, std::string_view model, std::string_view serial) {
  DriveIdentityRecord record;
  std::memset(&record, 0, sizeof record);
  FillField(record.model, model);
  FillField(record.serial, serial);
  ql::StoreU32(record.kind, kind);
  return record;
}

bool IsBlank(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r');
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9')
    return c - u'0';
  if (c >= u'a' && c <= u'f')
    return c - u'a' + 10;
  if (c >= u'A' && c <= u'F')
    return c - u'A' + 10;
  return -1;
}

}  // namespace

uint32_t RecordKind(const DriveIdentityRecord& record) {
  return ql::LoadU32(record.kind);
}

std::optional<StorageDescriptorInfo> ParseStorageDescriptor(const uint8_t* bytes, size_t size) {
  if (bytes == nullptr || size < kDescriptorMinimumSize)
    return std::nullopt;
  StorageDescriptorInfo info;
  info.removable = bytes[kRemovableMediaOffset] != 0;
  info.productId = DescriptorString(bytes, size, ql::LoadU32(bytes + kProductIdOffsetField));
  info.serialNumber = DescriptorString(bytes, size, ql::LoadU32(bytes + kSerialNumberOffsetField));
  return info;
}

DriveIdentityRecord BuildFixedDriveRecord(const StorageDescriptorInfo& descriptor) {
  return BuildRecord(kKindFixedDrive, descriptor.productId, descriptor.serialNumber);
}

DriveIdentityRecord BuildUsbRecord(std::string_view modelAnsi, std::string_view serialAnsi) {
  return BuildRecord(kKindUsbStorage, modelAnsi, serialAnsi);
}

std::optional<InstancePathParts> SplitInstancePath(std::u16string_view path) {
  std::u16string_view parts[3];
  size_t found = 0;
  size_t i = 0;
  while (found < 3) {
    while (i < path.size() && path[i] == u'\\')
      ++i;
    if (i == path.size())
      break;
    size_t end = path.find(u'\\', i);
    if (end == std::u16string_view::npos)
      end = path.size();
    parts[found++] = path.substr(i, end - i);
    i = end;
  }
  if (found < 3)
    return std::nullopt;
  InstancePathParts result;
  result.device = std::u16string(parts[1].substr(0, kDevicePartUnits));
  result.serial = std::u16string(parts[2].substr(0, kSerialPartUnits));
  return result;
}

uint32_t ParseWindowHandle(std::u16string_view argument) {
  size_t i = 0;
  while (i < argument.size() && IsBlank(argument[i]))
    ++i;
  bool negative = false;
  if (i < argument.size() && (argument[i] == u'+' || argument[i] == u'-'))
    negative = argument[i++] == u'-';
  if (i + 1 < argument.size() && argument[i] == u'0' &&
      (argument[i + 1] == u'x' || argument[i + 1] == u'X'))
    i += 2;
  uint64_t value = 0;
  for (; i < argument.size() && HexDigit(argument[i]) >= 0; ++i) {
    value = value * 16 + static_cast<uint64_t>(HexDigit(argument[i]));
    if (value > UINT32_MAX)
      return 0;
  }
  uint32_t handle = static_cast<uint32_t>(value);
  return negative ? 0u - handle : handle;
}

bool IsTargetWindow(uint32_t window) {
  return window != 0 && window != 0xFFFFu;
}

}  // namespace diskident
