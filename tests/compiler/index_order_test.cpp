// The order of both indexes on many generated entries, checked against a plain reference: the
// phrase index in text order with equal texts in record order, whatever order the dictionaries
// come in; the pinyin index in key order, the most frequent first among equal keys and equal
// frequencies in order of creation, with keys longer than eight bytes that share their start; and
// typed pinyin over that index against a plain pass.
#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <tuple>

#include "setup/common/bytes.h"
#include "setup/common/text.h"
#include "setup/compiler/phrase_table.h"
#include "setup/compiler/pinyin_index.h"
#include "setup/compiler/pinyin_query.h"
#include "setup/compiler/syllables.h"
#include "setup/model/setup_state.h"
#include "tests/compiler/phrase_table_test_support.h"
#include "tests/compiler/pinyin_index_test_support.h"

namespace ql::test {
namespace {

// Texts of 2 to 6 units from a few units that share their high and low bytes, so that many texts
// share their first units; a third of them repeat an earlier text.
std::vector<std::u16string> GeneratedTexts(size_t count, uint32_t seed) {
  const char16_t units[] = {0x4E00, 0x4E01, 0x0061, 0x3000, 0xD840, 0xDC00, 0xFF5E, 0x4E61};
  std::mt19937 random(seed);
  std::vector<std::u16string> texts;
  for (size_t i = 0; i < count; ++i) {
    if (!texts.empty() && random() % 3 == 0) {
      texts.push_back(texts[random() % texts.size()]);
      continue;
    }
    std::u16string text;
    for (size_t n = 2 + random() % 5; n != 0; --n)
      text.push_back(units[random() % std::size(units)]);
    texts.push_back(text);
  }
  return texts;
}

std::u16string DictionaryOf(const std::vector<std::u16string>& texts) {
  std::u16string text = u"\uFEFF{词组}\r\n[Text]\r\n";
  for (size_t i = 0; i < texts.size(); ++i)
    text += texts[i] + u" " + DecimalText(static_cast<int64_t>(i % 200)) + u"\r\n";
  return text;
}

std::u16string RecordText(const std::vector<uint8_t>& block, uint32_t offset) {
  std::u16string text;
  for (size_t u = 0; u + 1 < block[offset]; ++u)
    text.push_back(LoadU16(&block[offset + kRecordFixedSize + 2 * u]));
  return text;
}

TEST(PhraseIndexOrder, AnyInputOrderGivesTextOrderWithOlderRecordsFirst) {
  RecordingUi ui;
  ScopedUi scope(ui);
  std::vector<std::u16string> texts = GeneratedTexts(3000, 7);
  std::vector<std::u16string> sorted = texts;
  std::sort(sorted.begin(), sorted.end());
  std::vector<std::u16string> reversed(sorted.rbegin(), sorted.rend());
  // Three ascending runs, as three sorted files joined.
  std::vector<std::u16string> runs;
  for (size_t part = 0; part < 3; ++part) {
    std::vector<std::u16string> piece(texts.begin() + part * 1000,
                                      texts.begin() + (part + 1) * 1000);
    std::sort(piece.begin(), piece.end());
    runs.insert(runs.end(), piece.begin(), piece.end());
  }
  const std::vector<std::u16string> later = GeneratedTexts(500, 11);
  const std::pair<const char*, std::vector<std::u16string>> orders[] = {
      {"as generated", texts}, {"sorted", sorted}, {"reversed", reversed}, {"three runs", runs}};
  for (const auto& [name, order] : orders) {
    std::vector<uint8_t> block(4 << 20, 0);
    NoOutputs outputs;
    PhraseTableBuilder builder(block.data(), block.size(), 2 << 20, outputs);
    ASSERT_TRUE(builder.AddCharacterList(u"\uFEFF乙 1\r\n甲 2\r\na 3\r\n", u"zk.txt"));
    ASSERT_TRUE(builder.AddDictionary(DictionaryOf(order), false, u"a.txt"));
    // A second file merges what it repeats and indexes the rest after the first file's entries.
    ASSERT_TRUE(builder.AddDictionary(DictionaryOf(later), false, u"b.txt"));
    ASSERT_TRUE(builder.FinishMainData());

    std::vector<std::pair<std::u16string, uint32_t>> records;
    for (uint32_t offset = kPhraseHeaderSize; block[offset] != 0;
         offset += static_cast<uint32_t>(kRecordFixedSize + 2 * block[offset]))
      records.push_back({RecordText(block, offset), offset});
    std::stable_sort(records.begin(), records.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    const uint32_t indexOffset = LoadU32(&block[kIndexOffsetOffset]);
    ASSERT_EQ(LoadU32(&block[kIndexSizeOffset]), 4 * records.size()) << name;
    for (size_t i = 0; i < records.size(); ++i)
      ASSERT_EQ(LoadU32(&block[indexOffset + 4 * i]), records[i].second) << name << " at " << i;
  }
  EXPECT_TRUE(ui.messages.empty());
}

TEST(PhraseIndexOrder, AMergeRaisesTheOlderOfEqualRecords) {
  RecordingUi ui;
  ScopedUi scope(ui);
  std::vector<uint8_t> block(1 << 20, 0);
  NoOutputs outputs;
  PhraseTableBuilder builder(block.data(), block.size(), 1 << 19, outputs);
  ASSERT_TRUE(builder.AddCharacterList(u"\uFEFF甲 1\r\n", u"zk.txt"));
  ASSERT_TRUE(builder.AddDictionary(u"\uFEFF{词组}\r\n[Text]\r\n甲乙 6\r\n丙丁 1\r\n甲乙 5\r\n",
                                    false, u"a"));
  ASSERT_TRUE(builder.AddDictionary(u"\uFEFF{词组}\r\n甲乙 20\r\n", false, u"b"));
  ASSERT_TRUE(builder.FinishMainData());
  // 甲 at 10240 (8 bytes), 甲乙 at 10248 and 10268 (10 bytes each after 丙丁 at 10258).
  EXPECT_EQ(block[10248 + 2], 20);
  EXPECT_EQ(block[10268 + 2], 5);
  const uint32_t indexOffset = LoadU32(&block[kIndexOffsetOffset]);
  EXPECT_EQ(LoadU32(&block[indexOffset + 8]), 10248u);
  EXPECT_EQ(LoadU32(&block[indexOffset + 12]), 10268u);
}

// Characters with their readings: several with further readings of other codes, so that entries
// get key records besides their default key.
constexpr std::string_view kOrderMb =
    "[Description]\nName=拼音\n"
    "一 yi1\n二 er4\n三 san1\n的 de0\n行 xing2 hang2 heng4\n长 chang2 zhang3\n"
    "重 zhong4 chong2\n和 he2 huo2 hu2 he4\n乐 le4 yue4\n";
constexpr std::u16string_view kOrderCharacters = u"一二三的行长重和乐";

std::vector<uint8_t> KeyBytes(const uint8_t* key) {
  std::vector<uint8_t> bytes;
  for (; *key != 0; ++key)
    bytes.push_back(*key);
  return bytes;
}

// The default key of a text whose characters all have a reading: the first reading of each.
std::vector<uint8_t> DefaultKey(std::u16string_view text) {
  std::map<char16_t, SyllableCode> first = {
      {u'一', FindSyllableCode(u"yi")},    {u'二', FindSyllableCode(u"er")},
      {u'三', FindSyllableCode(u"san")},   {u'的', FindSyllableCode(u"de")},
      {u'行', FindSyllableCode(u"xing")},  {u'长', FindSyllableCode(u"chang")},
      {u'重', FindSyllableCode(u"zhong")}, {u'和', FindSyllableCode(u"he")},
      {u'乐', FindSyllableCode(u"le")}};
  std::vector<uint8_t> key;
  for (char16_t c : text)
    AppendU16(key, first.at(c));
  return key;
}

// Generated entries, their index checked against the plain order; `entryCount` entries give
// about `entryCount` * 3 index values, so the runs below cover both ways of sorting: one
// comparison sort for a few values, radix passes for many.
class IndexOrder : public PinyinIndexTest {
 protected:
  void BuildGenerated(size_t entryCount);
  void CheckOrder(size_t entryCount, size_t minimumValues, size_t maximumValues);
};

TEST_F(IndexOrder, OrderIsKeyThenFrequencyThenCreation) {
  CheckOrder(150, 1, 4095);
  CheckOrder(1500, 4096, SIZE_MAX);
}

// Typed pinyin over a generated index: the search, which skips from one stretch of matching keys
// to the next, finds exactly the values that a plain pass over the whole index matches, in the
// index's order. Every third value's key is typed whole, with its last syllable begun, by initials,
// and with every other syllable an initial, and a few patterns match nothing.
TEST_F(IndexOrder, QueriesFindWhatAPlainPassFinds) {
  BuildGenerated(400);
  std::optional<std::vector<uint8_t>> file = Index();
  ASSERT_TRUE(file);
  const QueryResult all = ListPinyinIndex(*file, main.bytes);
  ASSERT_TRUE(all.ok) << all.problem;
  using Pattern = std::vector<SyllableCode>;  // an initial alone is its low byte
  using Found = std::vector<std::pair<uint32_t, Pattern>>;
  // A value matches every pattern that takes each of its syllables whole or by its initial.
  std::map<Pattern, Found> expected;
  std::set<Pattern> typed;
  for (size_t v = 0; v < all.candidates.size(); ++v) {
    const QueryCandidate& value = all.candidates[v];
    const size_t n = value.key.size();
    ASSERT_LE(n, 8u);
    for (uint32_t initials = 0; initials < (1u << n); ++initials) {
      Pattern pattern = value.key;
      for (size_t i = 0; i < n; ++i) {
        if (initials & (1u << i))
          pattern[i] &= 0xFF;
      }
      expected[pattern].push_back({value.entry, value.key});
      const uint32_t all1 = (1u << n) - 1;
      const bool typedForm = initials == 0 || initials == 1u << (n - 1) || initials == all1 ||
                             initials == (0x55555555u & all1);
      if (v % 3 == 0 && typedForm)
        typed.insert(pattern);
    }
  }
  for (const char* other : {"a", "b", "xing'a", "yi'yi'yi'yi'yi'yi", "x'x'x'x'x'x"}) {
    std::string error;
    Pattern pattern;
    for (QuerySyllable syllable : ParsePinyinQuery(other, &error))
      pattern.push_back(syllable.code);
    ASSERT_EQ(error, "");
    typed.insert(pattern);
  }
  ASSERT_GT(typed.size(), 1000u);
  for (const Pattern& pattern : typed) {
    std::vector<QuerySyllable> query;
    for (SyllableCode code : pattern)
      query.push_back(QuerySyllable{code});
    const QueryResult answer = QueryPinyinIndex(*file, main.bytes, query);
    ASSERT_TRUE(answer.ok) << answer.problem;
    Found found;
    for (const QueryCandidate& candidate : answer.candidates)
      found.push_back({candidate.entry, candidate.key});
    const auto want = expected.find(pattern);
    ASSERT_EQ(found, want == expected.end() ? Found{} : want->second) << SpellPattern(query);
  }
}

void IndexOrder::BuildGenerated(size_t entryCount) {
  WriteSchemeFile(u"mb.txt", kOrderMb);
  std::mt19937 random(3);
  std::vector<std::pair<std::u16string, int>> entries;
  for (size_t i = 0; i < entryCount; ++i) {
    if (!entries.empty() && random() % 5 == 0) {
      entries.push_back({entries[random() % entries.size()].first, static_cast<int>(random() % 3)});
      continue;
    }
    std::u16string text;
    for (size_t n = 1 + random() % 6; n != 0; --n)
      text.push_back(kOrderCharacters[random() % kOrderCharacters.size()]);
    entries.push_back({text, static_cast<int>(random() % 3)});
  }
  // Stated readings for some entries that hold 行: their keys come first, and they get no default
  // value.
  std::u16string dycz = u"\uFEFF";
  for (size_t i = 0, lines = 0; i < entries.size() && lines < 40; ++i) {
    const std::u16string& text = entries[i].first;
    size_t at = text.find(u'行');
    if (text.size() < 2 || at == std::u16string::npos)
      continue;
    dycz += text.substr(0, at + 1) + u"(hang2)" + text.substr(at + 1) + u"\r\n";
    ++lines;
  }
  folder.Write(std::u16string(kPinyinSchemePath) + u"\\dycz.txt", RawUtf16(dycz));
  SetEntries(entries);
  Build();
  EXPECT_TRUE(ui.messages.empty());
}

void IndexOrder::CheckOrder(size_t entryCount, size_t minimumValues, size_t maximumValues) {
  SCOPED_TRACE(entryCount);
  BuildGenerated(entryCount);
  std::optional<std::vector<uint8_t>> file = Index();
  ASSERT_TRUE(file);
  const uint8_t* b = file->data();
  const uint32_t keyStart = LoadU32(b + 20);
  const uint32_t keyEnd = keyStart + LoadU32(b + 24);
  const uint32_t indexAt = LoadU32(b + 28);
  const size_t count = LoadU32(b + 32) / 4;
  EXPECT_GE(count, minimumValues);
  EXPECT_LE(count, maximumValues);
  std::map<uint32_t, size_t> position;  // entry offset to its place in the file
  for (size_t i = 0; i < main.offsets.size(); ++i)
    position[main.offsets[i]] = i;

  // Every key record and every entry's default key: key, frequency rank, creation rank.
  using Sort = std::tuple<std::vector<uint8_t>, int, int, size_t, uint32_t>;
  std::vector<uint32_t> values(count);
  std::map<uint32_t, bool> hasDefault;
  for (size_t i = 0; i < count; ++i) {
    values[i] = LoadU32(b + indexAt + 4 * i);
    if ((values[i] & 0x80000000u) == 0)
      hasDefault[values[i]] = true;
  }
  std::map<uint32_t, size_t> seen;
  std::vector<Sort> keys;
  for (uint32_t value : values) {
    ++seen[value];
    if ((value & 0x80000000u) == 0) {
      ASSERT_TRUE(position.count(value));
      keys.push_back({DefaultKey(RecordText(main.bytes, value)), 255 - main.bytes[value + 2], 1,
                      position[value], 0});
      continue;
    }
    const uint32_t record = value & 0x7FFFFFFFu;
    ASSERT_TRUE(record >= keyStart && record < keyEnd);
    const uint32_t entry = LoadU32(b + record) & 0x7FFFFFFFu;
    ASSERT_TRUE(position.count(entry));
    // Records of stated readings are made before the main pass, in file order of dycz.txt.
    const bool stated = !hasDefault.count(entry);
    keys.push_back({KeyBytes(b + record + 4), 255 - main.bytes[entry + 2], stated ? 0 : 1,
                    stated ? 0 : position[entry], record});
  }
  for (size_t i = 1; i < keys.size(); ++i)
    ASSERT_LT(keys[i - 1], keys[i]) << "at " << i;

  // Each key record of the file is in the index once, and each entry without stated readings once
  // by its default key.
  size_t records = 0;
  for (uint32_t at = keyStart; at < keyEnd;
       at += 5 + static_cast<uint32_t>(KeyBytes(b + at + 4).size())) {
    EXPECT_EQ(seen[at | 0x80000000u], 1u);
    ++records;
  }
  EXPECT_EQ(count, records + hasDefault.size());
  const size_t statedEntries = main.offsets.size() - hasDefault.size();
  EXPECT_TRUE(statedEntries >= 1 && statedEntries <= 40) << statedEntries;
  size_t longKeys = 0;
  for (const Sort& key : keys)
    longKeys += std::get<0>(key).size() > 8;
  EXPECT_GT(longKeys, entryCount * 2 / 3);
}

}  // namespace
}  // namespace ql::test
