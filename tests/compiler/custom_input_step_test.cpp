// The custom-input step on the run's state: both index files of a folder, the order of the two
// lists and what each failure leaves behind and tells the user.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "setup/common/files.h"
#include "setup/common/scratch_mapping.h"
#include "setup/compiler/custom_input.h"
#include "setup/compiler/first_install_dump.h"
#include "tests/support/test_support.h"

#ifdef _WIN32
#include "setup/common/win.h"
#endif

namespace ql::test {
namespace {

constexpr std::u16string_view kCodes = u"自定义输入\\zdybm.TXT";
constexpr std::u16string_view kTexts = u"自定义输入\\zdydw.TXT";
constexpr std::u16string_view kCodeIndex = u"自定义输入\\zdybm.idx";
constexpr std::u16string_view kTextIndex = u"自定义输入\\zdydw.idx";

std::vector<uint8_t> Index(std::initializer_list<uint32_t> offsets) {
  std::vector<uint8_t> bytes;
  for (uint32_t offset : offsets) {
    for (int shift = 0; shift < 32; shift += 8)
      bytes.push_back(static_cast<uint8_t>(offset >> shift));
  }
  return bytes;
}

class CustomInputStep : public ::testing::Test {
 protected:
  std::optional<std::vector<uint8_t>> Read(std::u16string_view relative) const {
    return ReadFileBytes(folder.path() + std::u16string(relative));
  }
  // The two lists of the sample package: a header line, then the entries.
  void WriteBothLists() const {
    folder.Write(kCodes, Utf16File("自定义编码\nql=青岚\ndh=010\n"));
    folder.Write(kTexts, Utf16File("短文\n$$$$$$$$$$\nxh\n您好\n$$$$$$$$$$\nqm\n青岚\n"));
  }

  // The step ended with exactly this message, before either index was written.
  void ExpectEndedWith(std::u16string_view text, std::u16string_view caption) const {
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, text);
    EXPECT_EQ(ui.messages[0].caption, caption);
    EXPECT_FALSE(Read(kCodeIndex));
    EXPECT_FALSE(Read(kTextIndex));
  }

  TempFolder folder;
  RecordingUi ui;
  ScopedUi scope{ui};
};

// Prints both dumps when an index differs from the expected one.
::testing::AssertionResult SameIndex(const std::vector<uint8_t>& expected,
                                     const std::optional<std::vector<uint8_t>>& actual,
                                     CustomInputList list,
                                     const std::vector<uint8_t>& text) {
  if (actual && *actual == expected)
    return ::testing::AssertionSuccess();
  if (!actual)
    return ::testing::AssertionFailure() << "no index file";
  return ::testing::AssertionFailure()
         << "expected:\n"
         << DumpCustomInputIndex(list, expected.data(), expected.size(), text.data(), text.size())
         << "actual:\n"
         << DumpCustomInputIndex(list, actual->data(), actual->size(), text.data(), text.size());
}

TEST_F(CustomInputStep, IndexesBothLists) {
  WriteBothLists();
  BuildCustomInputIndexes(folder.path());
  // zdybm: mark + "自定义编码" CR LF is 8 units, "ql=青岚" CR LF 7: dh (15) before ql (8).
  EXPECT_TRUE(SameIndex(Index({15, 8}), Read(kCodeIndex), CustomInputList::kCodes, *Read(kCodes)));
  // zdydw: mark + "短文" 5, separator 12, "xh" 4, "您好" 4, separator 12: qm (37) before xh (17).
  EXPECT_TRUE(SameIndex(Index({37, 17}), Read(kTextIndex), CustomInputList::kTexts, *Read(kTexts)));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_FALSE(ScratchMapping::Active());
  // The texts are left as they were.
  EXPECT_EQ(Read(kCodes), Utf16File("自定义编码\nql=青岚\ndh=010\n"));
}

TEST_F(CustomInputStep, ATextWithoutEntriesGivesAnEmptyIndex) {
  folder.Write(kCodes, Utf16File("no entries here\n"));
  folder.Write(kTexts, Utf16File("$$$$$$$$$$\n"));
  BuildCustomInputIndexes(folder.path());
  EXPECT_EQ(Read(kCodeIndex), std::vector<uint8_t>());
  EXPECT_EQ(Read(kTextIndex), std::vector<uint8_t>());
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CustomInputStep, AMissingCodeListEndsTheStepBeforeTheTextList) {
  folder.Write(kTexts, Utf16File("$$$$$$$$$$\nxh\n"));
  BuildCustomInputIndexes(folder.path());
  ExpectEndedWith(u"file not open qinglan's map file", u"zdydw.zmb");
}

TEST_F(CustomInputStep, AMissingTextListKeepsTheCodeIndex) {
  folder.Write(kCodes, Utf16File("a=1\n"));
  BuildCustomInputIndexes(folder.path());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].caption, u"zdydw.zmb");
  EXPECT_EQ(Read(kCodeIndex), Index({0}));  // the byte-order mark belongs to the first line
  EXPECT_FALSE(Read(kTextIndex));
}

TEST_F(CustomInputStep, AnEmptyTextHasNoMappingAndEndsTheStep) {
  WriteBothLists();
  folder.Write(kCodes, {});
  BuildCustomInputIndexes(folder.path());
  ExpectEndedWith(u"sort can not create filemappinga", u"Init");
}

TEST_F(CustomInputStep, NoWorkAreaEndsTheStep) {
  WriteBothLists();
  ScratchMapping other(u"qltestbusy", 4096);
  ASSERT_TRUE(other.ok());
  BuildCustomInputIndexes(folder.path());
  ExpectEndedWith(u"can not create filemappinga", u"builzdysort");
}

// An index file that cannot be written is named, and the step says so; the other list is still
// indexed.
TEST_F(CustomInputStep, AnIndexThatCannotBeWrittenIsNamedAndTheOtherStillBuilt) {
  WriteBothLists();
  // A folder in the index file's place: it can never be written.
  folder.Write(std::u16string(kCodeIndex) + u"\\blocker", {1});
  EXPECT_FALSE(BuildCustomInputIndexes(folder.path()));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, folder.path() + std::u16string(kCodeIndex));
  EXPECT_EQ(ui.messages[0].caption, u"file not open1");
  EXPECT_EQ(Read(kTextIndex), Index({37, 17}));
}

TEST_F(CustomInputStep, EntriesBeyondTheWorkAreaAreToldAndLeftOut) {
  // 262,145 lines "xxxxx=" CR LF with distinct codes in descending order, so the index is the
  // first 262,144 lines backwards.
  const uint32_t lines = kMaxCustomInputEntries + 1;
  std::vector<uint8_t> text;
  for (uint32_t i = 0; i < lines; ++i) {
    char code[8];
    std::snprintf(code, sizeof code, "%05x=", lines - i);
    for (const char* c = code; *c; ++c)
      text.insert(text.end(), {static_cast<uint8_t>(*c), 0});
    text.insert(text.end(), {'\r', 0, '\n', 0});
  }
  folder.Write(kCodes, text);
  folder.Write(kTexts, Utf16File("$$$$$$$$$$\nxh\n"));
  BuildCustomInputIndexes(folder.path());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"自定义输入的条目超过262144条，只收入了前262144条。");
  EXPECT_EQ(ui.messages[0].caption, u"zdybm.TXT");
  std::optional<std::vector<uint8_t>> index = Read(kCodeIndex);
  ASSERT_TRUE(index);
  ASSERT_EQ(index->size(), kCustomInputScratchSize);
  EXPECT_EQ(std::vector<uint8_t>(index->begin(), index->begin() + 8),
            Index({8 * (kMaxCustomInputEntries - 1), 8 * (kMaxCustomInputEntries - 2)}));
  EXPECT_EQ(std::vector<uint8_t>(index->end() - 4, index->end()), Index({0}));
  EXPECT_EQ(Read(kTextIndex), Index({13}));
}

#ifdef _WIN32
TEST_F(CustomInputStep, AMappingNameHeldByAnotherObjectIsNotRead) {
  WriteBothLists();
  // A small block under the text mapping's name: viewing it as the text would run past its end.
  UniqueKernelHandle other(
      CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 16, L"lznMyDefCodeins"));
  ASSERT_TRUE(other);
  BuildCustomInputIndexes(folder.path());
  ExpectEndedWith(u"sort can not create filemappinga", u"Init");
}

TEST_F(CustomInputStep, ATextHeldWithoutSharingCannotBeOpened) {
  WriteBothLists();
  UniqueFile held(CreateFileW(WString(folder.path() + std::u16string(kCodes)).c_str(), GENERIC_READ,
                              0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held);
  BuildCustomInputIndexes(folder.path());
  ExpectEndedWith(u"file not open qinglan's map file", u"zdydw.zmb");
}
#endif

}  // namespace
}  // namespace ql::test
