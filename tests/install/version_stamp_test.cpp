// Version stamping on hand-built module bytes: where the keys are looked for, in which order, what
// is written at each value, and that nothing is written outside a value's room or the file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "setup/common/bytes.h"
#include "setup/common/files.h"
#include "setup/install/version_stamp.h"
#include "setup/model/setup_state.h"
#include "tests/support/test_support.h"

namespace ql {
namespace {

constexpr size_t kModuleSize = 0x90000;
constexpr uint8_t kFiller = 0xA5;

void PutText(std::vector<uint8_t>& bytes, size_t at, std::u16string_view text) {
  for (char16_t unit : text) {
    StoreU16(bytes.data() + at, unit);
    at += 2;
  }
}

struct Record {
  std::u16string_view key;
  size_t keyAt;
  size_t padding;
  size_t roomUnits;  // value length of the record, terminator included
};
const Record kFileDescription = {u"FileDescription", 0x6E106, 2, 65};
const Record kInternalName = {u"InternalName", 0x6E206, 0, 65};
const Record kPrivateBuild = {u"PrivateBuild", 0x6E306, 0, 65};

size_t ValueAt(const Record& record) {
  return record.keyAt + (record.key.size() + 1) * 2 + record.padding;
}

// A version string record as the resource compiler lays it out: its length, value length and
// type 1 before the key, the key's terminator and padding, then the value padded with blanks.
void PutRecord(std::vector<uint8_t>& bytes, const Record& record, std::u16string_view value) {
  size_t start = record.keyAt - 6;
  size_t valueAt = ValueAt(record);
  StoreU16(bytes.data() + start, static_cast<uint16_t>(valueAt - start + record.roomUnits * 2));
  StoreU16(bytes.data() + start + 2, static_cast<uint16_t>(record.roomUnits));
  StoreU16(bytes.data() + start + 4, 1);
  PutText(bytes, record.keyAt, record.key);
  StoreU16(bytes.data() + record.keyAt + record.key.size() * 2, 0);
  for (size_t i = 0; i < record.padding; ++i)
    bytes[valueAt - record.padding + i] = 0;
  std::u16string padded(value);
  padded.resize(record.roomUnits - 1, u' ');
  padded.push_back(0);
  PutText(bytes, valueAt, padded);
}

std::vector<uint8_t> Module(const std::vector<Record>& records) {
  std::vector<uint8_t> bytes(kModuleSize, kFiller);
  for (const Record& record : records)
    PutRecord(bytes, record, u"qlsrfpt");
  return bytes;
}

const VersionStamps kStamps = {u"X4.00", u"X", u"ime12345"};

// The expected bytes: `text` and its terminator written at the record's value, nothing else.
void ExpectValue(std::vector<uint8_t>& expected, const Record& record, std::u16string_view text) {
  PutText(expected, ValueAt(record), std::u16string(text) + u'\0');
}

// The three records above stamped with kStamps.
void ExpectRunValues(std::vector<uint8_t>& expected) {
  ExpectValue(expected, kFileDescription, u"X4.00");
  ExpectValue(expected, kInternalName, u"X");
  ExpectValue(expected, kPrivateBuild, u"ime12345");
}

TEST(VersionStamp, WritesTheThreeValuesOverTheOldTextsAndNothingElse) {
  std::vector<uint8_t> bytes = Module({kFileDescription, kInternalName, kPrivateBuild});
  std::vector<uint8_t> expected = bytes;
  EXPECT_EQ(StampVersionStrings(bytes.data(), bytes.size(), kStamps), 3u);
  ExpectRunValues(expected);
  EXPECT_EQ(bytes, expected);
}

TEST(VersionStamp, StopsAtTheFirstKeyNotFoundAfterThePreviousOne) {
  const Record earlyInternalName = {u"InternalName", 0x6B006, 0, 65};
  struct Case {
    const char* name;
    std::vector<Record> records;
    size_t stamped;
  };
  const Case cases[] = {
      {"no FileDescription", {kInternalName, kPrivateBuild}, 0},
      {"InternalName only before FileDescription",
       {earlyInternalName, kFileDescription, kPrivateBuild},
       1},
      {"no PrivateBuild", {kFileDescription, kInternalName}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes = Module(c.records);
    std::vector<uint8_t> expected = bytes;
    EXPECT_EQ(StampVersionStrings(bytes.data(), bytes.size(), kStamps), c.stamped);
    if (c.stamped >= 1)
      ExpectValue(expected, kFileDescription, u"X4.00");
    if (c.stamped >= 2)
      ExpectValue(expected, kInternalName, u"X");
    EXPECT_EQ(bytes, expected);
  }
}

TEST(VersionStamp, LooksForKeysAtEveryBytePositionOfTheWindowOnly) {
  struct Case {
    size_t keyAt;
    bool found;
  };
  const Case cases[] = {{kStampWindowFirst - 1, false},
                        {kStampWindowFirst, true},
                        {0x7A123, true},
                        {kStampWindowLast, true},
                        {kStampWindowLast + 1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keyAt);
    const Record record = {u"FileDescription", c.keyAt, 2, 20};
    std::vector<uint8_t> bytes = Module({record});
    std::vector<uint8_t> expected = bytes;
    EXPECT_EQ(StampVersionStrings(bytes.data(), bytes.size(), kStamps), c.found ? 1u : 0u);
    if (c.found)
      ExpectValue(expected, record, u"X4.00");
    EXPECT_EQ(bytes, expected);
  }
}

// The room is the record's value area, as its length gives it: a longer text is cut, terminator
// included, and the next record is untouched. A stamped module keeps that room for the next
// stamping, since the record's length fields are not changed.
TEST(VersionStamp, CutsALongerTextToTheValueRoom) {
  const Record narrow = {u"InternalName", 0x6E206, 0, 8};
  std::vector<uint8_t> bytes = Module({kFileDescription, narrow, kPrivateBuild});
  std::vector<uint8_t> expected = bytes;
  const VersionStamps stamps = {u"X4.00", u"显示名称很长的名字", u"ime12345"};
  EXPECT_EQ(StampVersionStrings(bytes.data(), bytes.size(), stamps), 3u);
  ExpectValue(expected, kFileDescription, u"X4.00");
  ExpectValue(expected, narrow, u"显示名称很长的");
  ExpectValue(expected, kPrivateBuild, u"ime12345");
  EXPECT_EQ(bytes, expected);

  const VersionStamps shortStamps = {u"Y", u"Y", u"i"};
  EXPECT_EQ(StampVersionStrings(bytes.data(), bytes.size(), shortStamps), 3u);
  EXPECT_EQ(StampVersionStrings(bytes.data(), bytes.size(), stamps), 3u);
  EXPECT_EQ(bytes, expected);
}

TEST(VersionStamp, NeverCutsBetweenTheHalvesOfASurrogatePair) {
  const Record narrow = {u"FileDescription", 0x6E106, 2, 4};
  std::vector<uint8_t> bytes = Module({narrow});
  std::vector<uint8_t> expected = bytes;
  // Room for three units: "ab" fits, the pair after it does not.
  const VersionStamps stamps = {u"ab\U00020000c", u"", u""};
  EXPECT_EQ(StampVersionStrings(bytes.data(), bytes.size(), stamps), 1u);
  ExpectValue(expected, narrow, u"ab");
  EXPECT_EQ(bytes, expected);
}

// Bytes before the key that do not form a text record give no length to trust: the room is then
// the old value itself, terminator included, and never reaches past the bytes read.
TEST(VersionStamp, WithoutARecordTheRoomIsTheOldValue) {
  std::vector<uint8_t> bytes(kModuleSize, kFiller);
  const size_t keyAt = 0x6E106;
  PutText(bytes, keyAt, std::u16string(u"FileDescription") + u'\0' + u'\0' + u"abc" + u'\0');
  std::vector<uint8_t> expected = bytes;
  EXPECT_EQ(StampVersionStrings(bytes.data(), bytes.size(), kStamps), 1u);
  PutText(expected, keyAt + 34, std::u16string(u"X4.") + u'\0');
  EXPECT_EQ(bytes, expected);

  // A key at the very end of the bytes read: its value lies beyond them.
  std::vector<uint8_t> tail(keyAt + 30, kFiller);
  PutText(tail, keyAt, u"FileDescription");
  std::vector<uint8_t> tailExpected = tail;
  EXPECT_EQ(StampVersionStrings(tail.data(), tail.size(), kStamps), 1u);
  EXPECT_EQ(tail, tailExpected);

  // A value with no terminator before the end: cut to the bytes read, terminated in its last unit.
  std::vector<uint8_t> open(keyAt + 40, kFiller);
  PutText(open, keyAt, u"FileDescription");
  std::vector<uint8_t> openExpected = open;
  EXPECT_EQ(StampVersionStrings(open.data(), open.size(), kStamps), 1u);
  PutText(openExpected, keyAt + 34, std::u16string(u"X4") + u'\0');
  EXPECT_EQ(open, openExpected);
}

class StampModuleVersionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state.installFolder.Assign(folder.path());
    state.displayName.Assign(u"X");
    state.version.Assign(u"4.00");
    state.imeBaseName.Assign(u"ime12345");
  }

  std::u16string ModulePath() const { return folder.path() + u"qlsrfpt.ime"; }

  SetupState state;
  test::TempFolder folder;
  test::RecordingUi ui;
  ScopedUi scopedUi{ui};
};

TEST_F(StampModuleVersionTest, StampsTheInstalledModuleWithTheRunsValues) {
  std::vector<uint8_t> bytes = Module({kFileDescription, kInternalName, kPrivateBuild});
  ASSERT_TRUE(WriteFileBytes(ModulePath(), bytes.data(), bytes.size()));
  StampModuleVersion(state);
  ExpectRunValues(bytes);
  EXPECT_EQ(ReadFileBytes(ModulePath()), bytes);
  EXPECT_TRUE(ui.messages.empty());
}

// Only the first MiB was read and written back before: the tail of a larger module was lost.
TEST_F(StampModuleVersionTest, AModuleLargerThanTheWorkBufferKeepsItsTail) {
  std::vector<uint8_t> bytes = Module({kFileDescription, kInternalName, kPrivateBuild});
  bytes.resize(kModuleWorkBufferBytes + 4096);
  for (size_t i = kModuleSize; i < bytes.size(); ++i)
    bytes[i] = static_cast<uint8_t>(i * 7);
  ASSERT_TRUE(WriteFileBytes(ModulePath(), bytes.data(), bytes.size()));
  StampModuleVersion(state);
  ExpectRunValues(bytes);
  EXPECT_EQ(ReadFileBytes(ModulePath()), bytes);
}

TEST_F(StampModuleVersionTest, AMissingModuleIsShownAndNothingIsWritten) {
  StampModuleVersion(state);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, ModulePath());
  EXPECT_EQ(ui.messages[0].caption, u"file not open31");
  EXPECT_EQ(ui.messages[0].style, kMbOk);
  EXPECT_FALSE(FileExists(ModulePath()));
}

}  // namespace
}  // namespace ql
