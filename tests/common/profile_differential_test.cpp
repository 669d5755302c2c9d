// The portable INI reader must answer exactly as the system's GetPrivateProfileStringW does: the
// manifest is read by the system on Windows and by the portable reader in qlc and the host tests.
#include <windows.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "setup/common/profile_file.h"
#include "setup/common/text.h"
#include "tests/support/test_support.h"

namespace ql {
namespace {

struct Query {
  std::u16string section;
  std::u16string key;
  std::u16string defaultValue;
};

class Differential : public ::testing::Test {
 protected:
  // Writes `bytes` to a file of its own (the system caches profile files by name) and compares
  // every query at several buffer sizes.
  void Compare(const std::vector<uint8_t>& bytes,
               const std::vector<Query>& queries,
               const std::string& label) {
    std::u16string path = folder_.path() + u"f" + DecimalText(++fileNumber_) + u".ini";
    folder_.Write(u"f" + DecimalText(fileNumber_) + u".ini", bytes);
    ProfileFile file = ProfileFile::Parse(bytes.data(), bytes.size());
    static const size_t kCapacities[] = {1, 2, 3, 4, 5, 8, 16, 40, 600};
    for (const Query& q : queries) {
      for (size_t capacity : kCapacities) {
        std::u16string system(capacity, u'\x7F');
        std::u16string portable(capacity, u'\x7F');
        DWORD n = GetPrivateProfileStringW(reinterpret_cast<const wchar_t*>(q.section.c_str()),
                                           reinterpret_cast<const wchar_t*>(q.key.c_str()),
                                           reinterpret_cast<const wchar_t*>(q.defaultValue.c_str()),
                                           reinterpret_cast<wchar_t*>(system.data()),
                                           static_cast<DWORD>(capacity),
                                           reinterpret_cast<const wchar_t*>(path.c_str()));
        size_t m = file.GetString(q.section, q.key, q.defaultValue, portable.data(), capacity);
        system.resize(n);
        portable.resize(m);
        if (portable != system && ++mismatches_ <= 40) {
          ADD_FAILURE() << label << ": [" << Utf16ToUtf8(q.section) << "] " << Utf16ToUtf8(q.key)
                        << " default \"" << Utf16ToUtf8(q.defaultValue) << "\" capacity "
                        << capacity << ": portable \"" << Utf16ToUtf8(portable) << "\", system \""
                        << Utf16ToUtf8(system) << "\"";
        }
        ++comparisons_;
      }
    }
  }

  test::TempFolder folder_;
  int fileNumber_ = 0;
  int comparisons_ = 0;
  int mismatches_ = 0;
};

std::vector<Query> StandardQueries() {
  std::vector<Query> queries;
  for (const char16_t* section : {u"soft", u"SOFT", u" soft ", u"Soft", u"词库1", u"主键盘输入法1",
                                  u"", u"missing", u"ä", u"Ä"}) {
    for (const char16_t* key : {u"Name", u"name", u" NAME ", u"Path", u"Default", u"About",
                                u";Name", u"Empty", u"k", u"键"}) {
      queries.push_back({section, key, u"DEF"});
    }
  }
  queries.push_back({u"soft", u"missing", u""});
  queries.push_back({u"soft", u"missing", u"  d e  "});
  queries.push_back({u"soft", u"missing", u"\"q\""});
  return queries;
}

// Files whose treatment by the system is easy to get wrong.
const char* const kCorpus[] = {
    "[soft]\nName=青岚\nPath=拼音\n",
    "[SOFT]\nNAME=upper\nname=lower\n",
    "   [  soft  ]   \n   Name   =   spaced value   \n",
    "[soft]\nName=\nEmpty=\n",
    "[soft]\nName\nPath\n",
    "[soft]\nName=\"quoted value\"\nPath='single'\nDefault=\"open\nAbout=\"\"\nk='\n",
    "[soft]\nName=\"a\"b\"\nPath=\"mismatch'\n",
    "[soft]\nName=first\nName=second\n",
    "[soft]\nPath=1\n[soft]\nName=in second section\n",
    "k=before any section\n[soft]\nName=x\n",
    "[soft\nName=no closing bracket\n",
    "[soft]]\nName=double close\n[soft] trailing\nName=t\n",
    "[soft]\n;Name=comment-like\n#Path=hash\n",
    "[soft]\nName=a=b=c\n=no name\n",
    "[soft]\r\nName=crlf\r\n\r\n\r\nPath=after blank lines\r\n",
    "[soft]\rName=bare cr\rPath=x\r",
    "[soft]\nName=last line without end",
    "[soft]\nName=\t tab \t\n",
    "[soft]\nName=\u3000ideographic\u3000\nPath=\u00A0nbsp\u00A0\nAbout=\u2003em\u2003\n",
    "[soft]\nName=\x1A ctrl-z \x1A\n",
    "[词库1]\nname=基本词库\nFileName=jb.txt\nDefault=是\n",
    "[Ä]\nk=a-umlaut upper\n[ä]\nk=lower\n",
    "[soft]\n键=中文键\nNAME=x\n",
    "[soft]\nName=0123456789abcdefghijklmnopqrstuvwxyz0123456789abcdefghijklmnopqrstuvwxyz\n",
    "[soft]\nName=\"0123456789\"\nPath=\"0123\"\nAbout=\"01234567\"\n",
    "[soft]\nName=\U00020000\U00020001\U00020002\n",
    "",
    "\n\n\n",
    "[]\nName=empty section name\n",
    "[ ]\nName=blank section name\n",
};

TEST_F(Differential, CorpusOfTrickyFiles) {
  int index = 0;
  for (const char* text : kCorpus) {
    Compare(test::Utf16File(text), StandardQueries(), "corpus " + std::to_string(index++));
  }
}

TEST_F(Differential, EncodingsOtherThanUtf16WithMark) {
  std::string text = "[soft]\r\nName=青岚 ascii\r\n[A]\r\nName=plain\r\n";
  std::vector<uint8_t> utf8(text.begin(), text.end());
  Compare(utf8, StandardQueries(), "utf-8 without mark");
  std::string withMark = "\xEF\xBB\xBF" + text;
  Compare(std::vector<uint8_t>(withMark.begin(), withMark.end()), StandardQueries(),
          "utf-8 with mark");
  std::vector<uint8_t> bare = test::Utf16File("[soft]\nName=no mark\n");
  bare.erase(bare.begin(), bare.begin() + 2);
  Compare(bare, StandardQueries(), "utf-16 without mark");
  std::vector<uint8_t> bigEndian = {0xFE, 0xFF};
  for (char16_t c : Utf8ToUtf16("[soft]\r\nName=大端\r\n")) {
    bigEndian.push_back(static_cast<uint8_t>(c >> 8));
    bigEndian.push_back(static_cast<uint8_t>(c & 0xFF));
  }
  Compare(bigEndian, StandardQueries(), "utf-16 big-endian");
  const uint8_t latin[] = {'[', 's', 'o', 'f', 't', ']', '\n', 'N', 'a', 'm', 'e', '=', 0x80, 0xE9};
  Compare(std::vector<uint8_t>(latin, latin + sizeof latin), StandardQueries(), "ansi");
}

// Which characters count as blanks around names and values.
TEST_F(Differential, BlankCharacters) {
  std::vector<char16_t> candidates;
  for (char16_t c = 1; c <= 0x20; ++c)
    candidates.push_back(c);
  for (char16_t c : {0x7F, 0x85, 0xA0, 0x1680, 0x2000, 0x2003, 0x200B, 0x2028, 0x3000, 0xFEFF})
    candidates.push_back(c);
  for (char16_t c : candidates) {
    if (c == u'\n' || c == u'\r')
      continue;
    std::u16string text = u"\uFEFF[";
    text += c;
    text += u"s";
    text += c;
    text += u"]\r\n";
    text += c;
    text += u"k";
    text += c;
    text += u"=";
    text += c;
    text += u"v";
    text += c;
    text += u"\r\n";
    std::vector<uint8_t> bytes;
    for (char16_t u : text) {
      bytes.push_back(static_cast<uint8_t>(u & 0xFF));
      bytes.push_back(static_cast<uint8_t>(u >> 8));
    }
    std::u16string padded(1, c);
    Compare(bytes, {{u"s", u"k", u"D"}, {padded + u"s" + padded, padded + u"k" + padded, u"D"}},
            "blank U+" + std::to_string(c));
  }
}

// Generated files from the pieces that matter to the rules, compared on the same queries.
TEST_F(Differential, GeneratedFiles) {
  static const char* const kPieces[] = {
      "[",    "]",    "=",          " ",        "  ",        "\t",    "\u3000", "\"",   "'",
      ";",    "\n",   "\n",         "\n",       "\r\n",      "\r",    "soft",   "SOFT", "Soft",
      "Name", "name", "NAME",       "Path",     "词库1",     "键",    "甲乙",   "k",    "ä",
      "Ä",    "x",    "0123456789", "[soft]\n", "[词库1]\n", "Name=", "k="};
  std::mt19937 random(20261207);
  std::uniform_int_distribution<size_t> pieceIndex(0, sizeof kPieces / sizeof kPieces[0] - 1);
  std::uniform_int_distribution<int> length(0, 40);
  std::vector<Query> queries;
  for (const char16_t* section : {u"soft", u"词库1", u"", u"ä"}) {
    for (const char16_t* key : {u"Name", u"Path", u"k", u"键", u"x"}) {
      queries.push_back({section, key, u"DEF"});
    }
  }
  for (int file = 0; file < 300; ++file) {
    std::string text;
    int pieces = length(random);
    for (int i = 0; i < pieces; ++i)
      text += kPieces[pieceIndex(random)];
    std::string shown;
    for (char c : text)
      shown += c == '\n' ? std::string("\\n") : c == '\r' ? std::string("\\r") : std::string(1, c);
    Compare(test::Utf16File(text), queries, "generated: \"" + shown + "\"");
  }
  EXPECT_GT(comparisons_, 10000);
}

}  // namespace
}  // namespace ql
