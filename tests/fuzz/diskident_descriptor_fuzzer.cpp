// Arbitrary bytes as the storage device descriptor a drive returns, and as the UTF-16 instance path
// and window argument of diskident: every read stays within the returned bytes, and every record
// field is terminated within the field. diskident shares no library with setup, so its portable
// sources are compiled in here.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "diskident/drive_identity.cpp"
#include "diskident/reporter.cpp"

namespace {

// Drive 0 answers with the fuzzed bytes; there is no registry; records are checked as sent.
class FuzzedDrive : public diskident::Machine {
 public:
  FuzzedDrive(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool QueryStorageDescriptor(int number,
                              uint8_t* buffer,
                              size_t capacity,
                              size_t* returned) override {
    if (number != 0)
      return false;
    *returned = size_;  // may exceed the buffer: the run must not trust the count
    if (size_ != 0)
      std::memcpy(buffer, data_, size_ < capacity ? size_ : capacity);
    return true;
  }
  bool OpenKey(diskident::KeyRef, std::u16string_view, diskident::KeyRef*) override {
    return false;
  }
  void CloseKey(diskident::KeyRef) override {}
  bool ReadDword(diskident::KeyRef, std::u16string_view, uint32_t*) override { return false; }
  bool ReadString(diskident::KeyRef, std::u16string_view, size_t, std::u16string*) override {
    return false;
  }
  std::vector<std::u16string> ValueNames(diskident::KeyRef, size_t) override { return {}; }
  bool SubkeyName(diskident::KeyRef, uint32_t, size_t, std::u16string*) override { return false; }
  std::string ToAnsi(std::u16string_view text) override { return std::string(text.size(), 'a'); }
  void Send(uint32_t, const diskident::DriveIdentityRecord& record) override {
    if (std::memchr(record.model, 0, sizeof record.model) == nullptr ||
        std::memchr(record.serial, 0, sizeof record.serial) == nullptr ||
        diskident::RecordKind(record) != diskident::kKindFixedDrive)
      __builtin_trap();
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

void CheckWithin(std::string_view text, const uint8_t* data, size_t size) {
  const char* begin = reinterpret_cast<const char*>(data);
  if (!text.empty() && (text.data() < begin || text.data() + text.size() >= begin + size ||
                        text.data()[text.size()] != 0))
    __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so that the sanitizer sees any read past the returned bytes.
  std::vector<uint8_t> bytes(data, data + size);
  if (auto info = diskident::ParseStorageDescriptor(bytes.data(), bytes.size())) {
    CheckWithin(info->productId, bytes.data(), bytes.size());
    CheckWithin(info->serialNumber, bytes.data(), bytes.size());
    diskident::BuildFixedDriveRecord(*info);
  }
  FuzzedDrive machine(bytes.data(), bytes.size());
  diskident::ProbeDrives(0x10010, machine);

  std::u16string units(size / 2, u'\0');
  if (!units.empty())
    std::memcpy(units.data(), data, units.size() * 2);
  if (auto parts = diskident::SplitInstancePath(units)) {
    if (parts->device.empty() || parts->serial.empty() ||
        parts->device.size() > diskident::kDevicePartUnits ||
        parts->serial.size() > diskident::kSerialPartUnits)
      __builtin_trap();
  }
  diskident::ParseWindowHandle(units);
  return 0;
}
