#include "setup/compiler/text_dictionary.h"

#include <string>

#include "setup/common/line_reader.h"
#include "setup/common/path_names.h"
#include "setup/common/text.h"

namespace ql {
namespace {

// Fields are zero-terminated text in the format's own buffers: a U+0000 ends one.
std::u16string_view UpToNul(std::u16string_view field) {
  size_t nul = field.find(u'\0');
  return nul == std::u16string_view::npos ? field : field.substr(0, nul);
}

bool IsBlank(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r');
}

bool IsPrefixOf(std::u16string_view part, std::u16string_view whole) {
  return part.size() <= whole.size() && whole.substr(0, part.size()) == part;
}

// A dictionary line's fields: the first ends at the first space, the second is what follows the
// last space (every further space restarts it).
struct Fields {
  std::u16string_view first;
  std::u16string_view second;
  bool overlong = false;
};

Fields SplitDictionaryLine(std::u16string_view line) {
  Fields fields;
  size_t firstSpace = line.find(u' ');
  if (firstSpace == std::u16string_view::npos) {
    fields.first = line;
  } else {
    fields.first = line.substr(0, firstSpace);
    fields.second = line.substr(line.rfind(u' ') + 1);
  }
  fields.overlong = fields.first.size() > kMaxFieldUnits || fields.second.size() > kMaxFieldUnits;
  fields.first = UpToNul(fields.first);
  fields.second = UpToNul(fields.second);
  return fields;
}

enum class Mode { none, phrases, customCodes };

}  // namespace

std::optional<int32_t> ParseDecimal(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i]))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  if (i >= text.size() || text[i] < u'0' || text[i] > u'9')
    return std::nullopt;
  int64_t value = 0;
  constexpr int64_t kLimit = int64_t{INT32_MAX} + 1;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i] - u'0');
    if (value > kLimit)
      value = kLimit;
  }
  if (negative)
    return static_cast<int32_t>(-value);
  return static_cast<int32_t>(value > INT32_MAX ? INT32_MAX : value);
}

size_t ReadCharacterList(std::u16string_view text,
                         const std::function<bool(char16_t, int32_t)>& onCharacter) {
  Utf16LineReader reader(text);
  std::u16string_view line;
  std::u16string second;
  size_t overlong = 0;
  while (reader.Next(line)) {
    size_t space = line.find(u' ');
    std::u16string_view first = line.substr(0, space);
    // Every further space is dropped and the rest of the second field closes up.
    second.clear();
    if (space != std::u16string_view::npos) {
      for (char16_t c : line.substr(space + 1)) {
        if (c != u' ')
          second.push_back(c);
      }
    }
    if (first.size() > kMaxFieldUnits || second.size() > kMaxFieldUnits) {
      ++overlong;
      continue;
    }
    first = UpToNul(first);
    if (first.size() != 1)
      continue;
    int32_t frequency = ParseDecimal(UpToNul(second)).value_or(0);
    if (!onCharacter(first[0], frequency))
      break;
  }
  return overlong;
}

std::optional<std::u16string_view> CustomCodeFolderName(std::u16string_view field) {
  if (field.empty() || field[0] != u'[')
    return std::nullopt;
  size_t close = field.rfind(u']');
  if (close == std::u16string_view::npos || close == 0)
    return std::nullopt;
  std::u16string_view name = field.substr(1, close - 1);
  if (!IsPlainName(name))
    return std::nullopt;
  return name;
}

DictionaryReadResult ReadTextDictionary(std::u16string_view text,
                                        DictionaryPart& part,
                                        TextDictionaryHandler& handler) {
  DictionaryReadResult result;
  Mode mode = Mode::none;
  // The reader is moved past a settings or double-pinyin section by starting it again on the
  // rest of the text; only the first one sees the byte-order mark.
  std::u16string_view rest = text;
  Utf16LineReader reader(rest);
  std::u16string_view line;
  while (reader.Next(line)) {
    if (line.empty() || line[0] == u' ')
      continue;
    Fields fields = SplitDictionaryLine(line);
    if (fields.overlong) {
      ++result.overlongLines;
      continue;
    }
    std::u16string_view first = fields.first;

    if (line[0] == u'{') {
      bool settings = first.find(kSettingsTag) != std::u16string_view::npos;
      bool doublePinyin = !settings && first.find(kDoublePinyinTag) != std::u16string_view::npos;
      if (settings || doublePinyin) {
        size_t lineStart = static_cast<size_t>(line.data() - rest.data());
        size_t sectionStart = rest.find(u'\n', lineStart + line.size()) + 1;
        size_t sectionEnd = rest.find(u'{', sectionStart);
        if (sectionEnd == std::u16string_view::npos)
          sectionEnd = rest.size();
        std::u16string_view content = rest.substr(sectionStart, sectionEnd - sectionStart);
        if (settings) {
          if (!handler.Settings(first, content)) {
            result.stopped = true;
            return result;
          }
        } else if (!handler.DoublePinyin(content)) {
          continue;
        }
        rest = rest.substr(sectionEnd);
        reader = Utf16LineReader(rest);
      } else if (first.find(kBasicPhrasesTag) != std::u16string_view::npos ||
                 first.find(kPhrasesTag) != std::u16string_view::npos) {
        mode = Mode::phrases;
      } else if (first.find(kUserPhrasesTag) != std::u16string_view::npos) {
        mode = Mode::phrases;
        part = DictionaryPart::text;
      } else if (IsPrefixOf(first, kCustomCodesTag)) {
        mode = Mode::customCodes;
      } else if (IsPrefixOf(first, kEndTag)) {
        handler.CustomCodeEnd();
      }
      continue;
    }

    if (mode == Mode::none)
      continue;

    if (mode == Mode::customCodes) {
      if (line[0] == u'[') {
        std::optional<std::u16string_view> folder = CustomCodeFolderName(first);
        if (!folder)
          ++result.refusedFolders;
        handler.CustomCodeFolder(folder);
      } else {
        handler.CustomCode(first, fields.second);
      }
      continue;
    }

    // Phrases mode.
    if (line[0] == u'[') {
      if (line == u"[Description]")
        part = DictionaryPart::description;
      else if (line == u"[Text]")
        part = DictionaryPart::text;
      continue;
    }
    if (part == DictionaryPart::description) {
      std::u16string key(first);
      for (char16_t& c : key)
        c = AsciiLower(c);
      handler.Description(key, fields.second);
    } else if (part == DictionaryPart::text) {
      if (first.size() < 2)
        continue;
      if (first.size() > kMaxPhraseUnits) {
        ++result.overlongLines;
        continue;
      }
      std::optional<int32_t> frequency;
      if (!fields.second.empty())
        frequency = ParseDecimal(fields.second);
      if (!handler.Phrase(first, frequency)) {
        result.stopped = true;
        return result;
      }
    }
  }
  return result;
}

}  // namespace ql
