// A fresh install folder with a character list and dictionaries, the build run on it with a
// recorded UI, and the results read back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "setup/compiler/phrase_table.h"
#include "setup/model/setup_state.h"
#include "tests/support/test_support.h"

namespace ql::test {

struct Record {
  std::u16string text;
  uint8_t flags;
  uint8_t frequency;
  bool operator==(const Record& other) const {
    return text == other.text && flags == other.flags && frequency == other.frequency;
  }
};
void PrintTo(const Record& record, std::ostream* out);

class PhraseTableTest : public ::testing::Test {
 protected:
  PhraseTableTest();

  // zk.txt from UTF-8 text (LF becomes CR LF).
  void WriteCharacterList(std::string_view utf8);
  // A dictionary file in "文本词库\" and its entry in the state.
  void AddDictionary(std::u16string_view fileName,
                     std::string_view utf8,
                     bool selected = true,
                     bool allPhrasesByShapeCode = false);
  void Build();

  std::optional<std::vector<uint8_t>> Read(std::u16string_view relative) const;
  bool Exists(std::u16string_view relative) const;
  // The records of cz.dat in file order.
  std::vector<Record> Records() const;
  std::u16string HeaderText(size_t offset, size_t units) const;

  TempFolder folder;
  RecordingUi ui;
  ScopedUi scope{ui};
  ModuleImageSeam noModule;
  SetupState state;
};

// Text outputs that go nowhere, for builds straight on a work block.
class NoOutputs : public TextOutputs {
 public:
  std::u16string FullPath(std::u16string_view relative) const override {
    return std::u16string(relative);
  }
  bool Write(std::u16string_view, const std::vector<uint8_t>&) override { return true; }
};

std::vector<uint8_t> Bytes(std::initializer_list<int> values);
// The file's text after its byte-order mark, or a marker when the mark is missing.
std::u16string TextOf(const std::vector<uint8_t>& bytes);

}  // namespace ql::test
