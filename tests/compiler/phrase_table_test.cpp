// The phrase table end to end: files in, cz.dat and User.dat out, with the merges, frequencies,
// progress steps, status text and messages the installer shows.
#include <algorithm>
#include <cstring>

#include "setup/common/bytes.h"
#include "setup/common/scratch_mapping.h"
#include "setup/compiler/phrase_table_dump.h"
#include "setup/model/setup_state.h"
#include "tests/compiler/phrase_table_test_support.h"

namespace ql::test {
namespace {

void Put(std::vector<uint8_t>& file, size_t offset, const std::vector<uint8_t>& bytes) {
  std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<std::ptrdiff_t>(offset));
}

TEST_F(PhraseTableTest, MainAndUserDataFilesAreByteExact) {
  // 字 alone: frequency 0 and the flag; 好 256: low byte 0 without the flag; 你 "1 2": 12; a
  // two-unit first field is not a character.
  WriteCharacterList("字\n好 256\n你 1 2\nab 5\n");
  AddDictionary(u"a.txt", "{词组}\n[Text]\n你好 5\n");
  Build();

  // Records from 10240: 字 (8 bytes), 好, 你, then 你好 (10 bytes), ending at 10274. Index in
  // text order: 你 10256, 你好 10264, 好 10248, 字 10240. IndexOffset 10274 + 102400 = 112674,
  // TotalSize 112674 + 16 + 102400 = 215090.
  std::vector<uint8_t> expected(215090, 0);
  Put(expected, 0, Bytes({0x32, 0x48, 0x03, 0,    0,    0, 0,    0, 0x22, 0x28,
                          0,    0,    0x22, 0xB8, 0x01, 0, 0x10, 0, 0,    0}));
  Put(expected, 446, Bytes({3, 0, 0, 0}));
  Put(expected, 10240, Bytes({2, 0x20, 0, 0, 0x57, 0x5B, 0, 0}));
  Put(expected, 10248, Bytes({2, 0, 0, 0, 0x7D, 0x59, 0, 0}));
  Put(expected, 10256, Bytes({2, 0, 12, 0, 0x60, 0x4F, 0, 0}));
  Put(expected, 10264, Bytes({3, 0, 5, 0, 0x60, 0x4F, 0x7D, 0x59, 0, 0}));
  Put(expected, 112674,
      Bytes({0x10, 0x28, 0, 0, 0x18, 0x28, 0, 0, 0x08, 0x28, 0, 0, 0x00, 0x28, 0, 0}));
  std::optional<std::vector<uint8_t>> main = Read(u"词库\\cz.dat");
  ASSERT_TRUE(main);
  EXPECT_TRUE(*main == expected) << DescribePhraseTableDifference(expected, *main);

  std::vector<uint8_t> user(512000, 0);
  Put(user, 0, Bytes({0x00, 0xD0, 0x07, 0, 0x00, 0x04, 0, 0, 0, 0, 0, 0, 0x00, 0xB0, 0x04, 0}));
  std::optional<std::vector<uint8_t>> userFile = Read(u"User.dat");
  ASSERT_TRUE(userFile);
  EXPECT_TRUE(*userFile == user) << DescribePhraseTableDifference(user, *userFile);

  EXPECT_EQ(state.mainDataEntryCount, 4u);
  EXPECT_EQ(state.mainDataPath.str(), folder.path() + u"词库\\cz.dat");
  EXPECT_EQ(ui.statusTexts, std::vector<std::u16string>{u"1条词组"});
  // Character list 1, the dictionary 3, the main data file 1.
  EXPECT_EQ(ui.steps, 5);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(PhraseTableTest, LaterDictionariesMergeFrequencies) {
  struct Case {
    const char* later;
    uint8_t expected;
  } cases[] = {{"你好 20", 20}, {"你好 3", 5}, {"你好", 11}, {"你好 300", 44}, {"你好 x", 11}};
  for (const Case& c : cases) {
    state = SetupState();
    state.installFolder.Assign(folder.path());
    WriteCharacterList("字 1\n");
    AddDictionary(u"a.txt", "{词组}\n[Text]\n你好 5\n");
    AddDictionary(u"b.txt", std::string("{基本词组}\n") + c.later + "\n");
    Build();
    EXPECT_EQ(Records(), (std::vector<Record>{{u"字", 0, 1}, {u"你好", 0, c.expected}})) << c.later;
  }
}

TEST_F(PhraseTableTest, PhraseRulesWithinAFile) {
  WriteCharacterList("字 1\n");
  // Lines before the first tag, empty lines and comment lines count for nothing; a phrase of one
  // unit is skipped; the same phrase twice in one file makes two records; a bracket line with
  // anything more than the part's name is ignored; 300 is stored as 44.
  AddDictionary(u"a.txt",
                "[Text]\n甲乙 9\n{词组}\n[Text] \n甲乙 9\n[Text]\n\n \n 丙丁 3\n字 7\n"
                "你好 5\n你好 6\n很长 300\n");
  // "{用户词组}" takes phrases at once; the part carries over into the next file.
  AddDictionary(u"b.txt", "{用户词组}\n用户 4\n");
  AddDictionary(u"c.txt", "{词组}\n再见 8\n");
  Build();
  EXPECT_EQ(Records(), (std::vector<Record>{{u"字", 0, 1},
                                            {u"你好", 0, 5},
                                            {u"你好", 0, 6},
                                            {u"很长", 0, 44},
                                            {u"用户", 0, 4},
                                            {u"再见", 0, 8}}));
  EXPECT_EQ(ui.statusTexts, std::vector<std::u16string>{u"5条词组"});
  EXPECT_EQ(ui.steps, 1 + 3 * 3 + 1);
}

TEST_F(PhraseTableTest, AllPhrasesByShapeCode) {
  WriteCharacterList("字 1\n");
  AddDictionary(u"a.txt", "{词组}\n[Text]\n低频 3\n高频 200\n");
  AddDictionary(u"b.txt", "{词组}\n新词 200\n低频 2\n高频 5\n", true, true);
  Build();
  EXPECT_EQ(Records(), (std::vector<Record>{
                           {u"字", 0, 1}, {u"低频", 0, 11}, {u"高频", 0, 200}, {u"新词", 0, 11}}));
}

TEST_F(PhraseTableTest, IndexIsInCodeUnitOrder) {
  // U+20000 (surrogates D840 DC00) sorts before U+FF5E in code-unit order.
  WriteCharacterList("～ 1\n");
  AddDictionary(u"a.txt", "{词组}\n[Text]\nz～ 1\n\xF0\xA0\x80\x80\xF0\xA0\x80\x80 2\nab 3\nb 9\n");
  Build();
  std::optional<std::vector<uint8_t>> file = Read(u"词库\\cz.dat");
  ASSERT_TRUE(file);
  uint32_t indexOffset = LoadU32(file->data() + kIndexOffsetOffset);
  std::vector<std::u16string> order;
  for (uint32_t i = 0; i < 4; ++i) {
    uint32_t offset = LoadU32(file->data() + indexOffset + 4 * i);
    std::u16string text;
    for (size_t u = 0; u + 1 < (*file)[offset]; ++u)
      text.push_back(LoadU16(file->data() + offset + 4 + 2 * u));
    order.push_back(text);
  }
  EXPECT_EQ(order, (std::vector<std::u16string>{u"ab", u"z～", u"\U00020000\U00020000", u"～"}));
}

TEST_F(PhraseTableTest, WithoutDictionariesTheCharactersAreStillIndexed) {
  WriteCharacterList("乙 1\n甲 2\n");
  AddDictionary(u"a.txt", "{词组}\n[Text]\n你好 5\n", false);
  Build();
  std::optional<std::vector<uint8_t>> file = Read(u"词库\\cz.dat");
  ASSERT_TRUE(file);
  ASSERT_EQ(file->size(), 10256u + 102400 + 8 + 102400);
  EXPECT_EQ(LoadU32(file->data() + kIndexSizeOffset), 8u);
  EXPECT_EQ(LoadU32(file->data() + 10256 + 102400), 10240u);  // 乙 U+4E59 before 甲 U+7532
  EXPECT_EQ(ui.statusTexts, std::vector<std::u16string>{u"0条词组"});
  EXPECT_EQ(ui.steps, 2);
  EXPECT_TRUE(Exists(u"User.dat"));
}

TEST_F(PhraseTableTest, MissingFiles) {
  // Without the character list nothing is written.
  AddDictionary(u"a.txt", "{词组}\n[Text]\n你好 5\n");
  Build();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"不能打开字库文件！");
  EXPECT_EQ(ui.messages[0].caption, u"青岚测试");
  EXPECT_FALSE(Exists(u"词库\\cz.dat"));
  EXPECT_FALSE(Exists(u"User.dat"));
  EXPECT_TRUE(state.mainDataPath.empty());
  EXPECT_EQ(ui.steps, 0);

  // A missing dictionary is named and skipped; the others are read.
  ui.messages.clear();
  WriteCharacterList("字 1\n");
  DictionaryEntry* missing = state.AddDictionary();
  missing->fileName.Assign(u"没有.txt");
  missing->selected = 1;
  Build();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, folder.path() + u"文本词库\\没有.txt");
  EXPECT_EQ(ui.messages[0].caption, u"不能打开文件！");
  EXPECT_EQ(Records(), (std::vector<Record>{{u"字", 0, 1}, {u"你好", 0, 5}}));
  EXPECT_EQ(ui.steps, 1 + 3 + 1);
}

// A data file that cannot be written is named, and neither is announced to the worker.
TEST_F(PhraseTableTest, DataFilesThatCannotBeWrittenAreNamedAndNotAnnounced) {
  WriteCharacterList("字 1\n");
  // The name each is first written under is taken by a folder.
  ASSERT_TRUE(EnsureFolder(folder.path() + u"User.dat.ql-new"));
  Build();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, folder.path() + u"User.dat");
  EXPECT_EQ(ui.messages[0].caption, u"file not open1");
  EXPECT_TRUE(state.mainDataPath.empty());

  ASSERT_TRUE(EnsureFolder(folder.path() + u"词库"));
  ASSERT_TRUE(EnsureFolder(folder.path() + u"词库\\cz.dat.ql-new"));
  ui.messages.clear();
  Build();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, folder.path() + u"词库\\cz.dat");
  EXPECT_TRUE(state.mainDataPath.empty());
}

TEST_F(PhraseTableTest, WorkBlockInUseEndsTheBuild) {
  WriteCharacterList("字 1\n");
  ScratchMapping other(u"qltestother", 4096);
  ASSERT_TRUE(other.ok());
  Build();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"can not create filemappinga");
  EXPECT_EQ(ui.messages[0].caption, u"Init");
  EXPECT_FALSE(Exists(u"User.dat"));
}

TEST_F(PhraseTableTest, SchemeStepMapsTheInstalledModuleAndStepsPerScheme) {
  WriteCharacterList("字 1\n");
  auto addScheme = [&](const char16_t* path, uint32_t selected, uint32_t aux) {
    InputScheme* scheme = state.AddScheme();
    scheme->path.Assign(path);
    scheme->selected = selected;
    scheme->auxSelected = aux;
  };
  addScheme(u"输入方案\\拼音", 1, 0);  // the pinyin index builder's: no step
  addScheme(u"输入方案\\五笔", 1, 0);  // step
  addScheme(u"输入方案\\拼音", 0, 1);  // same path as scheme 0, whose auxSelected is 0: no step
  addScheme(u"输入方案\\郑码", 0, 1);  // step
  addScheme(u"输入方案\\五笔", 0, 1);  // same path as scheme 1: no step
  addScheme(u"输入方案\\二笔", 0, 0);  // not chosen

  std::vector<std::u16string> mapped;
  void* const image = reinterpret_cast<void*>(0x1234);
  void* released = nullptr;
  int stepsWhenReleased = -1;
  ModuleImageSeam seam{[] { return std::u16string(250, u'S'); },
                       [&](std::u16string_view path) {
                         mapped.emplace_back(path);
                         return ModuleImage(image, [&](void* handle) {
                           released = handle;
                           stepsWhenReleased = ui.steps;
                         });
                       }};
  BuildPhraseTable(state, seam);
  ASSERT_EQ(mapped.size(), 1u);
  EXPECT_EQ(mapped[0], std::u16string(199, u'S') + u"\\ql1234.ime");
  EXPECT_EQ(released, image);
  // Held through the scheme step's two steps, which follow the character list's one.
  EXPECT_EQ(stepsWhenReleased, 1 + 2);
  EXPECT_EQ(ui.steps, 1 + 2 + 1);

  // A folder that ends in a backslash gets none added; a module that does not map is no error.
  mapped.clear();
  released = nullptr;
  seam.systemFolder = [] { return std::u16string(u"C:\\"); };
  seam.map = [&](std::u16string_view path) {
    mapped.emplace_back(path);
    return ModuleImage();
  };
  RunSchemeStep(state, seam);
  EXPECT_EQ(mapped, std::vector<std::u16string>{u"C:\\ql1234.ime"});
  EXPECT_EQ(released, nullptr);
}

}  // namespace
}  // namespace ql::test

namespace ql::test {
namespace {

TEST(PhraseTableModuleImage, TheSystemSeamMapsAnImageOnlyOnWindows) {
  ModuleImageSeam seam = DefaultModuleImageSeam();
  std::u16string systemFolder = seam.systemFolder();
#ifdef _WIN32
  ASSERT_FALSE(systemFolder.empty());
  ModuleImage image = seam.map(systemFolder + u"\\kernel32.dll");
  EXPECT_TRUE(image);
  image.Reset();
  EXPECT_FALSE(image);
  EXPECT_FALSE(seam.map(systemFolder + u"\\no-such-module.ime"));
#else
  EXPECT_TRUE(systemFolder.empty());
  EXPECT_FALSE(seam.map(u"/bin/sh"));
#endif
}

}  // namespace
}  // namespace ql::test
