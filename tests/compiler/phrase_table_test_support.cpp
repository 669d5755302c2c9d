#include "tests/compiler/phrase_table_test_support.h"

#include "setup/common/bytes.h"
#include "setup/common/files.h"
#include "setup/common/text.h"

namespace ql::test {

void PrintTo(const Record& record, std::ostream* out) {
  *out << "{\"" << Utf16ToUtf8(record.text) << "\" flags " << int{record.flags} << " freq "
       << int{record.frequency} << "}";
}

PhraseTableTest::PhraseTableTest() {
  state.installFolder.Assign(folder.path());
  state.displayName.Assign(u"青岚测试");
  state.imeFileName.Assign(u"ql1234.ime");
}

void PhraseTableTest::WriteCharacterList(std::string_view utf8) {
  folder.Write(u"文本词库\\zk.txt", Utf16File(utf8));
}

void PhraseTableTest::AddDictionary(std::u16string_view fileName,
                                    std::string_view utf8,
                                    bool selected,
                                    bool allPhrasesByShapeCode) {
  folder.Write(u"文本词库\\" + std::u16string(fileName), Utf16File(utf8));
  DictionaryEntry* entry = state.AddDictionary();
  ASSERT_NE(entry, nullptr);
  entry->fileName.Assign(fileName);
  entry->selected = selected;
  entry->allPhrasesByShapeCode = allPhrasesByShapeCode;
}

void PhraseTableTest::Build() {
  BuildPhraseTable(state, noModule);
}

std::optional<std::vector<uint8_t>> PhraseTableTest::Read(std::u16string_view relative) const {
  return ReadFileBytes(folder.path() + std::u16string(relative));
}

bool PhraseTableTest::Exists(std::u16string_view relative) const {
  return FileExists(folder.path() + std::u16string(relative));
}

std::vector<Record> PhraseTableTest::Records() const {
  std::vector<Record> records;
  std::optional<std::vector<uint8_t>> file = Read(u"词库\\cz.dat");
  if (!file)
    return records;
  const std::vector<uint8_t>& b = *file;
  size_t pos = kPhraseHeaderSize;
  while (pos < b.size() && b[pos] != 0) {
    size_t units = b[pos];
    if (pos + 4 + 2 * units > b.size())
      break;
    Record record{u"", b[pos + 1], b[pos + 2]};
    for (size_t i = 0; i + 1 < units; ++i)
      record.text.push_back(LoadU16(&b[pos + 4 + 2 * i]));
    records.push_back(record);
    pos += 4 + 2 * units;
  }
  return records;
}

std::u16string PhraseTableTest::HeaderText(size_t offset, size_t units) const {
  std::optional<std::vector<uint8_t>> file = Read(u"词库\\cz.dat");
  std::u16string text;
  if (!file || file->size() < kPhraseHeaderSize)
    return u"(no file)";
  for (size_t i = 0; i < units; ++i) {
    char16_t c = LoadU16(&(*file)[offset + 2 * i]);
    if (c == 0)
      break;
    text.push_back(c);
  }
  return text;
}

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<uint8_t> bytes;
  for (int v : values)
    bytes.push_back(static_cast<uint8_t>(v));
  return bytes;
}

std::u16string TextOf(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE)
    return u"(no byte-order mark)";
  return DecodeUtf16Le(bytes.data() + 2, bytes.size() - 2);
}

}  // namespace ql::test
