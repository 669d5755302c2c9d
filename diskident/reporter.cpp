#include "diskident/reporter.h"

#include <algorithm>

namespace diskident {
namespace {

constexpr char16_t kUsbServiceKey[] = u"SYSTEM\\CurrentControlSet\\Services\\USBSTOR";
constexpr char16_t kUsbListKey[] = u"Enum";
constexpr char16_t kUsbCountValue[] = u"Count";
constexpr char16_t kUsbDevicesKey[] = u"SYSTEM\\CurrentControlSet\\Enum\\USBSTOR";

// An opened registry key of the machine, closed when it goes out of scope.
class ScopedKey {
 public:
  explicit ScopedKey(Machine& machine) : machine_(machine) {}
  ~ScopedKey() {
    if (open_)
      machine_.CloseKey(key_);
  }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;

  bool Open(KeyRef parent, std::u16string_view subkey) {
    open_ = machine_.OpenKey(parent, subkey, &key_);
    return open_;
  }
  KeyRef get() const { return key_; }

 private:
  Machine& machine_;
  KeyRef key_ = 0;
  bool open_ = false;
};

// The decimal index of a value name, when the name is one ("0", "12"; not "012", "+1", "").
bool ParseIndex(const std::u16string& name, uint32_t* index) {
  if (name.empty() || name.size() > kIndexNameUnits || (name[0] == u'0' && name.size() > 1))
    return false;
  uint64_t value = 0;
  for (char16_t c : name) {
    if (c < u'0' || c > u'9')
      return false;
    value = value * 10 + static_cast<uint64_t>(c - u'0');
  }
  if (value > UINT32_MAX)
    return false;
  *index = static_cast<uint32_t>(value);
  return true;
}

std::u16string DecimalName(uint32_t index) {
  std::u16string digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + index % 10));
    index /= 10;
  } while (index != 0);
  return digits;
}

// Looks through the present USB storage instances for the first one whose name holds the
// device's serial and sends its record. False when the scan ends without one.
bool SendPresentDevice(uint32_t window, const InstancePathParts& parts, Machine& machine) {
  ScopedKey devices(machine);
  if (!devices.Open(kLocalMachine, kUsbDevicesKey))
    return false;
  std::u16string name;
  for (uint32_t i = 0; machine.SubkeyName(devices.get(), i, kKeyNameUnits, &name); ++i) {
    ScopedKey device(machine);
    if (!device.Open(devices.get(), name))
      continue;
    std::u16string instance;
    if (!machine.SubkeyName(device.get(), 0, kKeyNameUnits, &instance))
      return false;
    if (instance.find(parts.serial) == std::u16string::npos)
      continue;
    DriveIdentityRecord record =
        BuildUsbRecord(machine.ToAnsi(parts.device), machine.ToAnsi(parts.serial));
    if (IsTargetWindow(window))
      machine.Send(window, record);
    return true;
  }
  return false;
}

}  // namespace

void ReportDriveIdentities(const std::vector<std::u16string>& arguments, Machine& machine) {
  if (arguments.size() < 3)
    return;
  uint32_t window = ParseWindowHandle(arguments[2]);
  if (ProbeDrives(window, machine) > 0)
    WalkUsbStorage(window, machine);
}

int ProbeDrives(uint32_t window, Machine& machine) {
  int removable = 0;
  for (int number = 0; number < kDriveCount; ++number) {
    uint8_t buffer[kDescriptorBufferSize] = {};
    size_t returned = 0;
    if (!machine.QueryStorageDescriptor(number, buffer, sizeof buffer, &returned))
      continue;
    std::optional<StorageDescriptorInfo> descriptor =
        ParseStorageDescriptor(buffer, std::min(returned, sizeof buffer));
    if (!descriptor)
      continue;
    if (descriptor->removable) {
      ++removable;
      continue;
    }
    if (IsTargetWindow(window))
      machine.Send(window, BuildFixedDriveRecord(*descriptor));
  }
  return removable;
}

bool WalkUsbStorage(uint32_t window, Machine& machine) {
  ScopedKey service(machine);
  ScopedKey list(machine);
  if (!service.Open(kLocalMachine, kUsbServiceKey) || !list.Open(service.get(), kUsbListKey))
    return false;
  uint32_t count = 0;
  if (!machine.ReadDword(list.get(), kUsbCountValue, &count) || count == 0)
    return false;
  // The existing values among "0" to "Count - 1", rather than a query for every number below
  // Count: a damaged Count near 2^32 would otherwise keep the program reading for hours.
  for (uint32_t index : DeviceIndices(machine.ValueNames(list.get(), kIndexNameUnits), count)) {
    std::u16string path;
    if (!machine.ReadString(list.get(), DecimalName(index), kInstancePathBytes, &path))
      continue;
    std::optional<InstancePathParts> parts = SplitInstancePath(path);
    if (parts && SendPresentDevice(window, *parts, machine))
      return true;
  }
  return false;
}

std::vector<uint32_t> DeviceIndices(const std::vector<std::u16string>& valueNames, uint32_t count) {
  std::vector<uint32_t> indices;
  for (const std::u16string& name : valueNames) {
    uint32_t index = 0;
    if (ParseIndex(name, &index) && index < count)
      indices.push_back(index);
  }
  std::sort(indices.begin(), indices.end());
  indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
  return indices;
}

}  // namespace diskident
