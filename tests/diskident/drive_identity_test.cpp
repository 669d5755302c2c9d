// The record rules on their own: the byte layout, the descriptor's strings and their bounds, the
// instance path parts and the window argument.
#include "diskident/drive_identity.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "setup/common/bytes.h"
#include "tests/diskident/test_bytes.h"

namespace diskident {
namespace {

using test::DescriptorBytes;
using test::ExpectedRecord;
using test::RecordBytes;

DriveIdentityRecord FixedRecord(const std::vector<uint8_t>& descriptor) {
  std::optional<StorageDescriptorInfo> info =
      ParseStorageDescriptor(descriptor.data(), descriptor.size());
  EXPECT_TRUE(info.has_value());
  return BuildFixedDriveRecord(info.value_or(StorageDescriptorInfo{}));
}

TEST(DriveIdentityRecord, FixedDriveRecordIsByteExact) {
  std::vector<uint8_t> descriptor = DescriptorBytes(false, "ST3500418AS", "            5VM1XYZ1");
  EXPECT_EQ(RecordBytes(FixedRecord(descriptor)),
            ExpectedRecord("ST3500418AS", "            5VM1XYZ1", 1));
}

TEST(DriveIdentityRecord, UsbRecordIsByteExact) {
  DriveIdentityRecord record = BuildUsbRecord("Vid_0781&Pid_5567", "4C530001230815117103");
  EXPECT_EQ(RecordBytes(record), ExpectedRecord("Vid_0781&Pid_5567", "4C530001230815117103", 2));
  EXPECT_EQ(RecordKind(record), kKindUsbStorage);
}

// A text fills its field only whole: 39 model bytes or 79 serial bytes and the terminator.
TEST(DriveIdentityRecord, TextThatDoesNotFitLeavesItsFieldEmpty) {
  std::string model39(39, 'M'), serial79(79, 'S');
  EXPECT_EQ(RecordBytes(FixedRecord(DescriptorBytes(false, model39, serial79))),
            ExpectedRecord(model39, serial79, 1));
  EXPECT_EQ(RecordBytes(FixedRecord(DescriptorBytes(false, model39 + "M", serial79 + "S"))),
            ExpectedRecord("", "", 1));
  EXPECT_EQ(RecordBytes(BuildUsbRecord(std::string(40, 'M'), serial79)),
            ExpectedRecord("", serial79, 2));
  EXPECT_EQ(RecordBytes(BuildUsbRecord(model39, std::string(200, 'S'))),
            ExpectedRecord(model39, "", 2));
}

TEST(StorageDescriptor, AbsentStringsGiveEmptyFields) {
  // No serial-number string at all, and a product offset that points at a NUL.
  std::vector<uint8_t> descriptor = DescriptorBytes(false, "", std::nullopt);
  EXPECT_EQ(RecordBytes(FixedRecord(descriptor)), ExpectedRecord("", "", 1));
}

// Only the returned bytes count: a string the offsets place at or beyond their end, or that runs
// to their end without a terminator, is absent and never read past.
TEST(StorageDescriptor, OffsetsOutsideTheReturnedBytesAreRejected) {
  std::vector<uint8_t> descriptor = DescriptorBytes(false, "MODEL", "SERIAL");
  size_t size = descriptor.size();  // 40 + 6 + 7

  ql::StoreU32(descriptor.data() + 16, static_cast<uint32_t>(size));
  ql::StoreU32(descriptor.data() + 24, 0xFFFFFFFFu);
  std::optional<StorageDescriptorInfo> info = ParseStorageDescriptor(descriptor.data(), size);
  ASSERT_TRUE(info);
  EXPECT_TRUE(info->productId.empty());
  EXPECT_TRUE(info->serialNumber.empty());

  // The serial's terminator is the last byte: one byte fewer returned leaves it unterminated.
  ql::StoreU32(descriptor.data() + 16, 40);
  ql::StoreU32(descriptor.data() + 24, 46);
  info = ParseStorageDescriptor(descriptor.data(), size - 1);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->productId, "MODEL");
  EXPECT_TRUE(info->serialNumber.empty());
  info = ParseStorageDescriptor(descriptor.data(), size);
  EXPECT_EQ(info->serialNumber, "SERIAL");
}

TEST(StorageDescriptor, TooFewBytesIsAFailedQuery) {
  std::vector<uint8_t> descriptor = DescriptorBytes(true, std::nullopt, std::nullopt);
  EXPECT_FALSE(ParseStorageDescriptor(descriptor.data(), 27));
  EXPECT_FALSE(ParseStorageDescriptor(descriptor.data(), 0));
  EXPECT_FALSE(ParseStorageDescriptor(nullptr, 40));
  std::optional<StorageDescriptorInfo> info = ParseStorageDescriptor(descriptor.data(), 28);
  ASSERT_TRUE(info);
  EXPECT_TRUE(info->removable);
}

TEST(InstancePath, SplitsIntoDeviceAndSerial) {
  struct Case {
    std::u16string_view path;
    std::u16string_view device;
    std::u16string_view serial;
  };
  const Case kCases[] = {
      {u"USB\\Vid_0781&Pid_5567\\4C5300012308", u"Vid_0781&Pid_5567", u"4C5300012308"},
      {u"\\\\USB\\\\\\Vid_1&Pid_2\\\\SER\\more", u"Vid_1&Pid_2", u"SER"},
      {u"a\\b\\c\\", u"b", u"c"},
  };
  for (const Case& c : kCases) {
    std::optional<InstancePathParts> parts = SplitInstancePath(c.path);
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->device, c.device);
    EXPECT_EQ(parts->serial, c.serial);
  }
  for (std::u16string_view fewer : {u"", u"\\\\\\", u"USB", u"USB\\Vid_1", u"\\USB\\Vid_1\\\\"})
    EXPECT_FALSE(SplitInstancePath(fewer));
}

TEST(InstancePath, PartsAreCutToTheLengthsKept) {
  std::u16string device(130, u'd'), serial(170, u's');
  std::optional<InstancePathParts> parts = SplitInstancePath(u"USB\\" + device + u"\\" + serial);
  ASSERT_TRUE(parts);
  EXPECT_EQ(parts->device, device.substr(0, 127));
  EXPECT_EQ(parts->serial, serial.substr(0, 167));
}

TEST(WindowArgument, ReadAsHexadecimal) {
  struct Case {
    std::u16string_view argument;
    uint32_t window;
  };
  const Case kCases[] = {
      {u"1a2b", 0x1A2B},
      {u"0x1A2B", 0x1A2B},
      {u"  \t5E0", 0x5E0},
      {u"+10", 0x10},
      {u"-1", 0xFFFFFFFFu},
      {u"12zz", 0x12},
      {u"ffffffff", 0xFFFFFFFF},
      {u"000000000abc", 0xABC},
      {u"0", 0},
      {u"", 0},
      {u"zz", 0},
      {u"0x", 0},
      {u"100000000", 0},  // needs 33 bits: no window
  };
  for (const Case& c : kCases)
    EXPECT_EQ(ParseWindowHandle(c.argument), c.window)
        << std::string(c.argument.begin(), c.argument.end());
}

TEST(WindowArgument, ZeroAndBroadcastAreNoTarget) {
  EXPECT_FALSE(IsTargetWindow(0));
  EXPECT_FALSE(IsTargetWindow(0xFFFF));
  EXPECT_TRUE(IsTargetWindow(0x1FFFF));
  EXPECT_TRUE(IsTargetWindow(0x10074));
}

}  // namespace
}  // namespace diskident
