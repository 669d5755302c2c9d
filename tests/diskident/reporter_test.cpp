// The run against a made-up machine: which drives are probed, which records go out in which order,
// when the registry is read, and how the USB walk picks its device.
#include "diskident/reporter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/diskident/fake_machine.h"
#include "tests/diskident/test_bytes.h"

namespace diskident {
namespace {

using test::DescriptorBytes;
using test::FakeMachine;

const std::u16string kList = u"SYSTEM\\CurrentControlSet\\Services\\USBSTOR\\Enum";
const std::u16string kDevices = u"SYSTEM\\CurrentControlSet\\Enum\\USBSTOR";
const std::u16string kCruzer = kDevices + u"\\Disk&Ven_SanDisk&Prod_Cruzer&Rev_1.00";

std::vector<std::u16string> Arguments(std::u16string window) {
  return {u"diskident.exe", u"probe", window};
}

// A text field up to its terminator, never read past the field.
template <size_t N>
std::string Text(const char (&field)[N]) {
  return std::string(field, std::find(field, field + N, '\0'));
}
std::string Model(const FakeMachine::Sent& sent) {
  return Text(sent.record.model);
}
std::string Serial(const FakeMachine::Sent& sent) {
  return Text(sent.record.serial);
}
uint32_t Kind(const FakeMachine::Sent& sent) {
  return RecordKind(sent.record);
}

// Drive 0 fixed, drive 3 a USB stick; the registry lists two devices of which the second is
// present.
void UsbMachine(FakeMachine& machine) {
  machine.AddDrive(0, DescriptorBytes(false, "WDC WD5000AAKS", "WD-WCAS12345678"));
  machine.AddDrive(3, DescriptorBytes(true, "Cruzer", std::nullopt));
  machine.SetDword(kList, u"Count", 2);
  machine.SetString(kList, u"0", u"USB\\Vid_1234&Pid_0001\\GONE0001");
  machine.SetString(kList, u"1", u"USB\\Vid_0781&Pid_5567\\4C530001230815117103");
  machine.AddKey(kCruzer + u"\\4C530001230815117103&0");
}

TEST(Reporter, FixedDrivesOnlySendTheirRecordsInDriveOrderAndLeaveTheRegistryAlone) {
  FakeMachine machine;
  UsbMachine(machine);  // the registry lists a present device, but drive 3 is fixed here
  machine.AddDrive(3, DescriptorBytes(false, "ST2000", std::nullopt));
  machine.AddDrive(1, DescriptorBytes(false, "SAMSUNG HD103SJ", "S246J9"));
  ReportDriveIdentities(Arguments(u"2a04c"), machine);

  ASSERT_EQ(machine.sent().size(), 3u);
  EXPECT_EQ(Model(machine.sent()[0]), "WDC WD5000AAKS");
  EXPECT_EQ(Model(machine.sent()[1]), "SAMSUNG HD103SJ");
  EXPECT_EQ(Serial(machine.sent()[1]), "S246J9");
  EXPECT_EQ(Model(machine.sent()[2]), "ST2000");
  EXPECT_EQ(machine.sent()[2].record.serial[0], '\0');
  for (const FakeMachine::Sent& sent : machine.sent()) {
    EXPECT_EQ(sent.window, 0x2A04Cu);
    EXPECT_EQ(Kind(sent), kKindFixedDrive);
  }
  EXPECT_EQ(machine.registryCalls(), 0);
}

TEST(Reporter, ProbesDrivesZeroToNineOnly) {
  FakeMachine machine;
  for (int number = 0; number < 12; ++number)
    machine.AddDrive(number, DescriptorBytes(false, "D" + std::to_string(number), "S"));
  ReportDriveIdentities(Arguments(u"10010"), machine);
  EXPECT_EQ(machine.probed(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  ASSERT_EQ(machine.sent().size(), 10u);
  EXPECT_EQ(Model(machine.sent()[9]), "D9");
}

TEST(Reporter, FailedQueriesAndShortAnswersNeitherSendNorCountAsRemovable) {
  FakeMachine machine;
  UsbMachine(machine);
  std::vector<uint8_t> removable = DescriptorBytes(true, "Cruzer", "X");
  removable.resize(27);
  machine.AddDrive(3, removable);
  machine.AddDrive(4, {});
  ReportDriveIdentities(Arguments(u"10010"), machine);
  ASSERT_EQ(machine.sent().size(), 1u);
  EXPECT_EQ(Kind(machine.sent()[0]), kKindFixedDrive);
  EXPECT_EQ(machine.registryCalls(), 0);
}

TEST(Reporter, UsbDeviceFollowsTheFixedDrives) {
  FakeMachine machine;
  UsbMachine(machine);
  ReportDriveIdentities(Arguments(u"10010"), machine);

  ASSERT_EQ(machine.sent().size(), 2u);
  EXPECT_EQ(Kind(machine.sent()[0]), kKindFixedDrive);
  EXPECT_EQ(Kind(machine.sent()[1]), kKindUsbStorage);
  EXPECT_EQ(Model(machine.sent()[1]), "Vid_0781&Pid_5567");
  EXPECT_EQ(Serial(machine.sent()[1]), "4C530001230815117103");
  EXPECT_EQ(machine.openKeys(), 0u);
}

// Nothing goes out without a window to send to, but the drives are probed and the walk runs.
TEST(Reporter, ZeroOrBroadcastWindowProbesEverythingAndSendsNothing) {
  for (std::u16string window : {u"0", u"not-hex", u"ffff", u"0x0000FFFF"}) {
    FakeMachine machine;
    UsbMachine(machine);
    ReportDriveIdentities(Arguments(window), machine);
    EXPECT_TRUE(machine.sent().empty());
    EXPECT_EQ(machine.probed().size(), 10u);
    EXPECT_GT(machine.registryCalls(), 0);
    EXPECT_EQ(machine.openKeys(), 0u);
  }
}

TEST(Reporter, FewerThanTwoArgumentsDoNothing) {
  for (std::vector<std::u16string> arguments : std::vector<std::vector<std::u16string>>{
           {}, {u"diskident.exe"}, {u"diskident.exe", u"2a04c"}}) {
    FakeMachine machine;
    UsbMachine(machine);
    ReportDriveIdentities(arguments, machine);
    EXPECT_TRUE(machine.sent().empty());
    EXPECT_TRUE(machine.probed().empty());
    EXPECT_EQ(machine.registryCalls(), 0);
  }
}

// At most one kind-2 record: from the lowest-numbered path whose serial names a present instance,
// whatever order the values are stored in.
TEST(UsbWalk, LowestNumberedMatchWinsAndOnlyOneRecordIsSent) {
  FakeMachine machine;
  machine.SetDword(kList, u"Count", 3);
  machine.SetString(kList, u"2", u"USB\\Vid_0951&Pid_1643\\8150");
  machine.SetString(kList, u"1", u"USB\\Vid_0781&Pid_5567\\0815");
  machine.SetString(kList, u"0", u"USB\\Vid_1234&Pid_0001\\GONE0001");
  machine.AddKey(kDevices + u"\\Disk&Ven_Kingston\\8150&0");
  machine.AddKey(kCruzer + u"\\0815&0");
  EXPECT_TRUE(WalkUsbStorage(0x10010, machine));
  ASSERT_EQ(machine.sent().size(), 1u);
  EXPECT_EQ(Model(machine.sent()[0]), "Vid_0781&Pid_5567");
  EXPECT_EQ(Serial(machine.sent()[0]), "0815");
  EXPECT_EQ(machine.openKeys(), 0u);
}

TEST(UsbWalk, SkipsUnreadableAndShortPathsAndNumbersOutsideCount) {
  FakeMachine machine;
  machine.SetDword(kList, u"Count", 5);
  machine.AddKey(kCruzer + u"\\A&0");
  machine.SetDword(kList, u"0", 7);                        // not a string
  machine.SetString(kList, u"1", u"USB\\Vid_1\\");         // two parts
  machine.SetString(kList, u"2", u"USB\\Vid_2\\B");        // not present
  machine.SetString(kList, u"02", u"USB\\Vid_02\\A");      // not the decimal of 2
  machine.SetString(kList, u"5", u"USB\\Vid_5\\A");        // beyond Count
  machine.SetString(kList, u"4", u"\\\\USB\\\\Vid_4\\A");  // the one
  EXPECT_TRUE(WalkUsbStorage(0x10010, machine));
  ASSERT_EQ(machine.sent().size(), 1u);
  EXPECT_EQ(Model(machine.sent()[0]), "Vid_4");
}

// A damaged Count does not make the walk try every number up to it.
TEST(UsbWalk, HugeCountReadsOnlyTheValuesThatExist) {
  FakeMachine machine;
  machine.SetDword(kList, u"Count", 0xFFFFFFFFu);
  machine.SetString(kList, u"4294967294", u"USB\\Vid_9\\A");
  machine.AddKey(kCruzer + u"\\A&0");
  EXPECT_TRUE(WalkUsbStorage(0x10010, machine));
  EXPECT_EQ(Model(machine.sent().at(0)), "Vid_9");
  EXPECT_LT(machine.registryCalls(), 30);
}

TEST(UsbWalk, EndsWithoutListCountOrPresentDevice) {
  FakeMachine noList;
  EXPECT_FALSE(WalkUsbStorage(0x10010, noList));

  FakeMachine noCount;
  noCount.SetString(kList, u"0", u"USB\\Vid_1\\A");
  noCount.AddKey(kCruzer + u"\\A&0");
  EXPECT_FALSE(WalkUsbStorage(0x10010, noCount));

  FakeMachine zeroCount;
  zeroCount.SetDword(kList, u"Count", 0);
  zeroCount.SetString(kList, u"0", u"USB\\Vid_1\\A");
  zeroCount.AddKey(kCruzer + u"\\A&0");
  EXPECT_FALSE(WalkUsbStorage(0x10010, zeroCount));

  FakeMachine noDevices;
  noDevices.SetDword(kList, u"Count", 1);
  noDevices.SetString(kList, u"0", u"USB\\Vid_1\\A");
  EXPECT_FALSE(WalkUsbStorage(0x10010, noDevices));

  for (FakeMachine* machine : {&noList, &noCount, &zeroCount, &noDevices}) {
    EXPECT_TRUE(machine->sent().empty());
    EXPECT_EQ(machine->openKeys(), 0u);
  }
}

// The instance name must hold the serial exactly (case counts); a device key without an instance
// ends the scan for that path, even when a later key would match.
TEST(UsbWalk, InstanceMatchIsCaseSensitiveAndAnEmptyDeviceKeyEndsTheScan) {
  FakeMachine machine;
  machine.SetDword(kList, u"Count", 2);
  machine.SetString(kList, u"0", u"USB\\Vid_1\\abc");
  machine.SetString(kList, u"1", u"USB\\Vid_2\\XYZ");
  machine.AddKey(kDevices + u"\\Disk&Ven_A\\ABC&0");
  machine.AddKey(kDevices + u"\\Disk&Ven_B");
  machine.AddKey(kDevices + u"\\Disk&Ven_C\\XYZ&0");
  EXPECT_FALSE(WalkUsbStorage(0x10010, machine));
  EXPECT_TRUE(machine.sent().empty());
  EXPECT_EQ(machine.openKeys(), 0u);
}

// The parts are converted to the ANSI code page first; a converted text too long for its field
// leaves it empty.
TEST(UsbWalk, ConvertedTextsFitTheirFieldsOrStayEmpty) {
  const std::u16string han19(19, u'\u76D8');  // 38 bytes once converted
  const std::u16string han39(39, u'\u76D8');  // 78 bytes
  for (size_t extra : {1, 2}) {               // 39 and 79 bytes fit, 40 and 80 do not
    std::u16string device = han19 + std::u16string(extra, u'x');
    std::u16string serial = han39 + std::u16string(extra, u'y');
    FakeMachine machine;
    machine.SetDword(kList, u"Count", 1);
    machine.SetString(kList, u"0", u"USB\\" + device + u"\\" + serial);
    machine.AddKey(kCruzer + u"\\" + serial + u"&0");
    EXPECT_TRUE(WalkUsbStorage(0x10010, machine));
    const FakeMachine::Sent& sent = machine.sent().at(0);
    EXPECT_EQ(Model(sent), extra == 1 ? machine.ToAnsi(device) : "");
    EXPECT_EQ(Serial(sent), extra == 1 ? machine.ToAnsi(serial) : "");
  }
}

TEST(UsbWalk, DeviceIndicesAreTheCanonicalDecimalsBelowCount) {
  std::vector<std::u16string> names = {u"Count", u"10", u"2",          u"002",         u"0",
                                       u"",      u"-1", u"4294967295", u"99999999999", u"3"};
  EXPECT_EQ(DeviceIndices(names, 11), (std::vector<uint32_t>{0, 2, 3, 10}));
  EXPECT_EQ(DeviceIndices(names, 3), (std::vector<uint32_t>{0, 2}));
  EXPECT_EQ(DeviceIndices(names, 0xFFFFFFFFu), (std::vector<uint32_t>{0, 2, 3, 10}));
}

}  // namespace
}  // namespace diskident
