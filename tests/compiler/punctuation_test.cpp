// The punctuation table on hand-computed bytes: the fields of a line, the 30-entry bound, and
// what the step writes into the settings key and tells the user.
#include "setup/compiler/punctuation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "setup/common/bytes.h"
#include "setup/common/registry.h"
#include "setup/compiler/first_install_dump.h"
#include "tests/support/test_support.h"

namespace ql::test {
namespace {

using Table = std::array<uint8_t, kPunctuationTableSize>;

constexpr std::u16string_view kDisplayName = u"青岚输入法平台 - 青岚拼音";
constexpr std::u16string_view kCurrentVersion =
    u"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion";

std::u16string Decoded(std::string_view utf8) {
  std::vector<uint8_t> bytes = Utf16File(utf8);
  return DecodeUtf16Le(bytes.data(), bytes.size());
}

// Prints the decoded tables when the bytes differ.
::testing::AssertionResult SameTables(const Table& keys,
                                      const Table& outputs,
                                      const PunctuationTables& actual) {
  if (keys == actual.keySymbols && outputs == actual.outputPunctuation)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "expected:\n"
         << DumpPunctuationTables(keys.data(), keys.size(), outputs.data(), outputs.size())
         << "actual:\n"
         << DumpPunctuationTables(actual.keySymbols.data(), actual.keySymbols.size(),
                                  actual.outputPunctuation.data(), actual.outputPunctuation.size());
}

TEST(PunctuationTables, FieldsOfEachLine) {
  const PunctuationTables tables = BuildPunctuationTables(
      Decoded(", ，\n"       // comma: full-width comma, one unit
              "^ ……\n"       // two ellipses: length 2, the first one stored
              "a b\n"        // an ASCII output: the key itself is stored
              "- 减 号 —\n"  // several spaces: the text after the last one
              " x y\n"       // begins with a space: no entry
              "nospace\n"    // no space: no entry
              "中 。\n"      // only the key's low 8 bits count: 0x4E2D gives 0x2D
              "= \n"         // an empty output: length 0, the key stored
              "$ ￥"));      // no line end: not read
  const Table keys = {0x2C, 1, 0x5E, 2, 0x61, 1, 0x2D, 1, 0x2D, 1, 0x3D, 0};
  const Table outputs = {0x0C, 0xFF, 0x26, 0x20, 0x61, 0x00, 0x14, 0x20, 0x02, 0x30, 0x3D, 0x00};
  EXPECT_TRUE(SameTables(keys, outputs, tables));
  EXPECT_EQ(tables.entryCount, 6u);
  EXPECT_EQ(tables.entriesLeftOut, 0u);
}

TEST(PunctuationTables, EmptyAndMarkOnlyFilesGiveZeroTables) {
  for (std::u16string_view text : {std::u16string_view(), std::u16string_view(u"\xFEFF")}) {
    const PunctuationTables tables = BuildPunctuationTables(text);
    EXPECT_TRUE(SameTables(Table{}, Table{}, tables));
    EXPECT_EQ(tables.entryCount, 0u);
  }
}

TEST(PunctuationTables, AnOverlongOutputCountsAsItsFirst264Units) {
  const PunctuationTables tables = BuildPunctuationTables(
      u"\xFEFF"
      u"! " +
      std::u16string(300, u'！') + u"\r\n");
  EXPECT_EQ(tables.keySymbols[1], 264 & 0xFF);
  EXPECT_EQ(tables.outputPunctuation[0], 0x01);
  EXPECT_EQ(tables.outputPunctuation[1], 0xFF);
}

TEST(PunctuationTables, EntriesAfterTheThirtiethAreLeftOut) {
  std::string text;
  for (int i = 0; i < 33; ++i)
    text += std::string(1, static_cast<char>('A' + i)) + " " + std::string(i % 3 + 1, 'x') + "\n";
  const PunctuationTables tables = BuildPunctuationTables(Decoded(text));
  EXPECT_EQ(tables.entryCount, 30u);
  EXPECT_EQ(tables.entriesLeftOut, 3u);
  // The 30th line ('^' = 'A' + 29, output "xxx") fills the last entry.
  EXPECT_EQ(tables.keySymbols[58], '^');
  EXPECT_EQ(tables.keySymbols[59], 3);
  EXPECT_EQ(tables.outputPunctuation[58], '^');
  EXPECT_EQ(tables.outputPunctuation[59], 0);
}

class PunctuationStep : public ::testing::Test {
 protected:
  PunctuationStep() {
    registry.Put(kCurrentVersion, u"ProgramFilesDir", kRegSz, RegStringBytes(u"C:\\"));
  }

  std::optional<std::vector<uint8_t>> Value(std::u16string_view name) const {
    uint32_t type = 0;
    std::vector<uint8_t> data;
    if (!registry.Get(std::u16string(kCurrentVersion) + u"\\" + std::u16string(kDisplayName), name,
                      &type, &data))
      return std::nullopt;
    EXPECT_EQ(type, kRegBinary);
    return data;
  }

  TempFolder folder;
  RecordingUi ui;
  ScopedUi uiScope{ui};
  MemoryRegistry registry;
  ScopedRegistry registryScope{registry};
};

TEST_F(PunctuationStep, WritesBothValuesOfSixtyBytes) {
  folder.Write(u"symbol.txt", Utf16File(", ，\n\" “”\n"));
  BuildPunctuationTable(folder.path(), kDisplayName);
  const std::vector<uint8_t> keys = {0x2C, 1, 0x22, 2};
  const std::vector<uint8_t> outputs = {0x0C, 0xFF, 0x1C, 0x20};
  std::vector<uint8_t> expectedKeys(60, 0);
  std::vector<uint8_t> expectedOutputs(60, 0);
  std::copy(keys.begin(), keys.end(), expectedKeys.begin());
  std::copy(outputs.begin(), outputs.end(), expectedOutputs.begin());
  EXPECT_EQ(Value(kKeySymbolsValue), expectedKeys);
  EXPECT_EQ(Value(kOutputPunctuationValue), expectedOutputs);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(registry.openHandles(), 0);
}

TEST_F(PunctuationStep, AMarkOnlyFileWritesZeroValues) {
  folder.Write(u"symbol.txt", {0xFF, 0xFE});
  BuildPunctuationTable(folder.path(), kDisplayName);
  EXPECT_EQ(Value(kKeySymbolsValue), std::vector<uint8_t>(60, 0));
  EXPECT_EQ(Value(kOutputPunctuationValue), std::vector<uint8_t>(60, 0));
}

TEST_F(PunctuationStep, MissingFileNamesItsPathAndWritesNothing) {
  BuildPunctuationTable(folder.path(), kDisplayName);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, folder.path() + u"symbol.txt");
  EXPECT_EQ(ui.messages[0].caption, u"No Find");
  EXPECT_FALSE(
      registry.HasKey(std::u16string(kCurrentVersion) + u"\\" + std::u16string(kDisplayName)));
}

// A registry that refuses to create or open the settings key.
class NoSettingsKeyRegistry : public MemoryRegistry {
 public:
  int32_t CreateKey(RegHandle, std::u16string_view, uint32_t, RegHandle*) override {
    return kErrorAccessDenied;
  }
};

TEST_F(PunctuationStep, RefusedKeysAreReportedOnceAndNothingIsWritten) {
  folder.Write(u"symbol.txt", Utf16File(", ，\n"));
  MemoryRegistry noCurrentVersion;
  NoSettingsKeyRegistry noSettingsKey;
  noSettingsKey.Put(kCurrentVersion, u"ProgramFilesDir", kRegSz, RegStringBytes(u"C:\\"));
  for (MemoryRegistry* refusing :
       {&noCurrentVersion, static_cast<MemoryRegistry*>(&noSettingsKey)}) {
    ui.messages.clear();
    ScopedRegistry scope(*refusing);
    BuildPunctuationTable(folder.path(), kDisplayName);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, u"符号参数设置失败！");
    EXPECT_EQ(ui.messages[0].caption, kDisplayName);
    EXPECT_TRUE(
        refusing->ValueNames(std::u16string(kCurrentVersion) + u"\\" + std::u16string(kDisplayName))
            .empty());
    EXPECT_EQ(refusing->openHandles(), 0);
  }
}

TEST_F(PunctuationStep, MoreThanThirtyEntriesAreToldAndTheFirstThirtyWritten) {
  std::string text;
  for (int i = 0; i < 31; ++i)
    text += std::string(1, static_cast<char>('!' + i)) + " ，\n";
  folder.Write(u"symbol.txt", Utf16File(text));
  BuildPunctuationTable(folder.path(), kDisplayName);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, kTooManyPunctuationEntriesText);
  EXPECT_EQ(ui.messages[0].caption, kDisplayName);
  std::optional<std::vector<uint8_t>> keys = Value(kKeySymbolsValue);
  ASSERT_TRUE(keys);
  ASSERT_EQ(keys->size(), 60u);
  EXPECT_EQ((*keys)[58], '!' + 29);
}

}  // namespace
}  // namespace ql::test
