#include "setup/install/version_stamp.h"

#include <optional>
#include <vector>

#include "setup/common/byte_reader.h"
#include "setup/common/files.h"
#include "setup/common/fixed_text.h"
#include "setup/common/ui.h"
#include "setup/model/package.h"
#include "setup/model/setup_state.h"

namespace ql {
namespace {

struct StampKey {
  std::u16string_view name;
  // Bytes between the key's terminator and its value: the value starts on the record's next
  // 32-bit boundary.
  size_t valuePadding;
  std::u16string VersionStamps::*value;
};
const StampKey kStampKeys[] = {
    {u"FileDescription", 2, &VersionStamps::fileDescription},
    {u"InternalName", 0, &VersionStamps::internalName},
    {u"PrivateBuild", 0, &VersionStamps::privateBuild},
};

// A version string record: length in bytes, value length, type (1 = text), then the key.
constexpr size_t kRecordHeaderBytes = 6;
constexpr uint16_t kTextRecord = 1;

bool KeyAt(const uint8_t* bytes, size_t size, size_t at, std::u16string_view key) {
  ByteReader reader(bytes, size);
  reader.Seek(at);
  for (char16_t unit : key) {
    if (reader.U16() != unit || !reader.ok())
      return false;
  }
  return true;
}

std::optional<size_t> FindKey(const uint8_t* bytes,
                              size_t size,
                              size_t from,
                              std::u16string_view key) {
  for (size_t at = from; at <= kStampWindowLast && at < size; ++at) {
    if (KeyAt(bytes, size, at, key))
      return at;
  }
  return std::nullopt;
}

// The room of the value that starts at `value`, in bytes: up to the end of its record when the
// bytes before the key form a text record that ends within the file; otherwise the old value
// itself, terminator included. Never past `size`.
size_t ValueRoom(const uint8_t* bytes, size_t size, size_t key, size_t value) {
  if (value >= size)
    return 0;
  size_t record = key - kRecordHeaderBytes;
  ByteReader header(bytes, size);
  size_t recordLength = header.Seek(record).U16();
  uint16_t type = header.Skip(2).U16();
  if (header.ok() && type == kTextRecord && recordLength >= value - record &&
      recordLength <= size - record) {
    return record + recordLength - value;
  }
  ByteReader old(bytes, size);
  old.Seek(value);
  while (old.remaining() >= 2 && old.U16() != 0)
    continue;
  return old.position() - value;
}

// Writes `text` and its terminator at `value`, cut to `roomBytes` (never half a surrogate pair).
void WriteValue(uint8_t* bytes, size_t value, size_t roomBytes, std::u16string_view text) {
  size_t roomUnits = roomBytes / 2;
  if (roomUnits == 0)
    return;
  std::vector<char16_t> units(roomUnits);
  size_t length = CopyTruncated(units.data(), roomUnits, text);
  for (size_t i = 0; i <= length; ++i)
    StoreU16(bytes + value + 2 * i, units[i]);
}

}  // namespace

VersionStamps RunVersionStamps(const SetupState& state) {
  VersionStamps stamps;
  stamps.fileDescription = state.displayName.str() + state.version.str();
  stamps.internalName = state.displayName.str();
  stamps.privateBuild = state.imeBaseName.str();
  return stamps;
}

size_t StampVersionStrings(uint8_t* bytes, size_t size, const VersionStamps& stamps) {
  size_t from = kStampWindowFirst;
  size_t written = 0;
  for (const StampKey& key : kStampKeys) {
    std::optional<size_t> at = FindKey(bytes, size, from, key.name);
    if (!at)
      break;
    size_t value = *at + (key.name.size() + 1) * 2 + key.valuePadding;
    WriteValue(bytes, value, ValueRoom(bytes, size, *at, value), stamps.*key.value);
    ++written;
    from = *at + 1;
  }
  return written;
}

void StampModuleVersion(const SetupState& state) {
  std::u16string path = state.installFolder.str() + std::u16string(kPackageModuleFile);
  std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(path, kLargestModuleBytes + 1);
  if (!bytes) {
    TheUi().ShowMessage(path, kModuleNotOpenCaption, kMbOk);
    return;
  }
  // The whole file is written back, so a module larger than the work buffer keeps its tail.
  if (bytes->size() > kLargestModuleBytes)
    return;
  StampVersionStrings(bytes->data(), bytes->size(), RunVersionStamps(state));
  // A module that cannot be written (read-only, or the disk full) is not copied unstamped
  // without a word.
  if (!WriteFileBytes(path, bytes->data(), bytes->size()))
    TheUi().ShowMessage(path, kModuleNotOpenCaption, kMbOk);
}

}  // namespace ql
