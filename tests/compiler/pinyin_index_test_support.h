// An install folder with the pinyin scheme's text files and a main data file built in memory,
// the index build run on it with a recorded UI, and the expected index files composed by hand.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "setup/compiler/pinyin_index.h"
#include "setup/model/setup_state.h"
#include "tests/support/test_support.h"

namespace ql::test {

constexpr std::u16string_view kPinyinSchemePath = u"输入方案\\拼音";

// A main data file laid out as the phrase-table builder lays it out: header, the records in the
// given order, gap, index sorted by text, gap.
struct MainDataImage {
  std::vector<uint8_t> bytes;
  std::vector<uint32_t> offsets;  // entry offset of each record, in the given order
};
MainDataImage MakeMainData(const std::vector<std::pair<std::u16string, int>>& entries);

// The reading table BuildReadingTableFromSource makes of an mb.txt given as UTF-8 text.
std::vector<uint8_t> ReadingTableOf(std::string_view mbUtf8);

// qinglan.idx composed from its parts.
class ExpectedIndex {
 public:
  explicit ExpectedIndex(std::vector<uint8_t> readingTable);
  // Appends a key record of the given spellings; returns its file offset.
  uint32_t Key(uint32_t reference, std::initializer_list<const char*> spellings);
  void Value(uint32_t value) { index_.push_back(value); }
  void HeaderLine(size_t slot, std::u16string_view units);  // as stored, terminator included
  std::vector<uint8_t> Bytes() const;
  std::vector<uint8_t> UserBytes() const;

 private:
  std::vector<uint8_t> header_;
  std::vector<uint8_t> readingTable_;
  std::vector<uint8_t> keys_;
  std::vector<uint32_t> index_;
};

class PinyinIndexTest : public ::testing::Test {
 protected:
  PinyinIndexTest();

  void WriteSchemeFile(std::u16string_view name, std::string_view utf8);
  void SetEntries(const std::vector<std::pair<std::u16string, int>>& entries);
  void Build();

  std::optional<std::vector<uint8_t>> Read(std::u16string_view relative) const;
  std::optional<std::vector<uint8_t>> Index() const;
  std::optional<std::vector<uint8_t>> UserIndex() const;
  uint32_t Entry(size_t i) const { return main.offsets[i]; }
  std::vector<std::u16string> Captions() const;

  TempFolder folder;
  RecordingUi ui;
  ScopedUi scope{ui};
  MainDataImage main;
  SetupState state;
};

// Prints the decoded difference when the files differ.
::testing::AssertionResult SameIndex(const std::vector<uint8_t>& expected,
                                     const std::optional<std::vector<uint8_t>>& actual);

}  // namespace ql::test
