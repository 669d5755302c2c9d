#include "setup/compiler/text_dictionary.h"

#include <map>
#include <string>

#include "setup/common/line_reader.h"
#include "setup/common/path_names.h"
#include "setup/common/text.h"
#include "setup/compiler/phrase_table_format.h"

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

std::string U8(std::u16string_view text) {
  return Utf16ToUtf8(text);
}

std::string Quoted(std::u16string_view text) {
  return "\"" + U8(text) + "\"";
}

bool IsAllDigits(std::u16string_view field) {
  for (char16_t c : field) {
    if (c < u'0' || c > u'9')
      return false;
  }
  return !field.empty();
}

// A frequency field that is not a plain number, and a number the 8-bit rule changes. `read` is
// what the builder takes, nullopt when it takes `otherwise` instead.
void NoteFrequency(const FileDiagnostics& diagnostics,
                   size_t line,
                   std::u16string_view field,
                   std::optional<int32_t> read,
                   int32_t otherwise) {
  if (!diagnostics.active() || field.empty())
    return;
  if (!IsAllDigits(field)) {
    diagnostics.Warning(line, "frequency-not-a-number",
                        "frequency " + Quoted(field) + " is not a number: read as " +
                            std::to_string(read.value_or(otherwise)));
  }
  if (read && (*read < 0 || *read > kMaxStoredFrequency)) {
    diagnostics.Warning(line, "frequency-8-bit",
                        "frequency " + std::to_string(*read) + " is stored as " +
                            std::to_string(*read & 0xFF) + " (frequencies keep 8 bits, 0..255)");
  }
}

void NoteOverlong(const FileDiagnostics& diagnostics, size_t line) {
  diagnostics.Warning(
      line, "line-too-long",
      "a field longer than " + std::to_string(kMaxFieldUnits) + " units: the line is skipped");
}

void NoteUnendedLine(const FileDiagnostics& diagnostics,
                     const Utf16LineReader& reader,
                     size_t base) {
  if (reader.unendedLine()) {
    diagnostics.Warning(base + reader.lineNumber() + 1, "no-line-end",
                        "the last line has no line end and is not read");
  }
}

// What a phrase holds that it should not: a control character (only a space separates fields) or
// a character beyond U+FFFF, which the pinyin index leaves out of the phrase's key.
void NotePhraseText(const FileDiagnostics& diagnostics, size_t line, std::u16string_view phrase) {
  for (char16_t c : phrase) {
    if (c < 0x20) {
      diagnostics.Warning(line, "control-character",
                          "the phrase " + Quoted(phrase) +
                              " holds a control character (only a space separates fields)");
      break;
    }
  }
  for (char16_t c : phrase) {
    if (c >= 0xD800 && c <= 0xDFFF) {
      diagnostics.Warning(line, "beyond-16-bit",
                          "the phrase " + Quoted(phrase) +
                              " holds a character beyond U+FFFF: the pinyin index leaves it out");
      break;
    }
  }
}

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
                         const std::function<bool(char16_t, int32_t)>& onCharacter,
                         const FileDiagnostics& diagnostics) {
  Utf16LineReader reader(text);
  std::u16string_view line;
  std::u16string second;
  size_t overlong = 0;
  bool stopped = false;
  while (reader.Next(line)) {
    const size_t number = reader.lineNumber();
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
      NoteOverlong(diagnostics, number);
      continue;
    }
    first = UpToNul(first);
    if (first.size() != 1) {
      if (!line.empty()) {
        diagnostics.Warning(
            number, "not-one-character",
            "the first field " + Quoted(first) + " is not one UTF-16 unit: the line is skipped");
      }
      continue;
    }
    std::u16string_view field = UpToNul(second);
    std::optional<int32_t> read = ParseDecimal(field);
    if (diagnostics.active() && space != std::u16string_view::npos) {
      std::u16string_view written = line.substr(space + 1);
      const size_t begin = written.find_first_not_of(u' ');
      if (begin != std::u16string_view::npos &&
          written.substr(begin, written.find_last_not_of(u' ') + 1 - begin).find(u' ') !=
              std::u16string_view::npos) {
        diagnostics.Warning(
            number, "spaces-in-frequency",
            "the spaces inside " + Quoted(written) + " are dropped: read as " + Quoted(field));
      }
    }
    NoteFrequency(diagnostics, number, field, read, 0);
    if (!onCharacter(first[0], read.value_or(0))) {
      stopped = true;
      break;
    }
  }
  if (!stopped)
    NoteUnendedLine(diagnostics, reader, 0);
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
                                        TextDictionaryHandler& handler,
                                        const FileDiagnostics& diagnostics) {
  DictionaryReadResult result;
  Mode mode = Mode::none;
  // The reader is moved past a settings or double-pinyin section by starting it again on the
  // rest of the text; only the first one sees the byte-order mark. `base` counts the lines
  // before the current reader's first.
  std::u16string_view rest = text;
  Utf16LineReader reader(rest);
  size_t base = 0;
  std::u16string_view line;
  // Where each phrase of this file first stood, to name a second one (only when reporting).
  std::map<std::u16string, size_t, std::less<>> phraseLines;
  while (reader.Next(line)) {
    const size_t number = base + reader.lineNumber();
    if (line.empty() || line[0] == u' ')
      continue;
    Fields fields = SplitDictionaryLine(line);
    if (fields.overlong) {
      ++result.overlongLines;
      NoteOverlong(diagnostics, number);
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
        size_t contentLines = 0;
        for (char16_t c : content)
          contentLines += c == u'\n' ? 1 : 0;
        base = number + contentLines;
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
      } else {
        diagnostics.Warning(number, "unknown-tag",
                            "the tag line " + Quoted(line) + " names no section: it is ignored");
      }
      continue;
    }

    if (mode == Mode::none) {
      diagnostics.Warning(number, "before-first-tag",
                          "a line before the first tag line: it is ignored");
      continue;
    }

    if (mode == Mode::customCodes) {
      if (line[0] == u'[') {
        std::optional<std::u16string_view> folder = CustomCodeFolderName(first);
        if (!folder) {
          ++result.refusedFolders;
          diagnostics.Warning(
              number, "custom-code-folder",
              Quoted(first) + " names no usable scheme folder: its codes are skipped");
        }
        handler.CustomCodeFolder(folder);
      } else if (!handler.CustomCode(first, fields.second)) {
        diagnostics.Warning(number, "custom-code-dropped",
                            "a custom code with no usable scheme folder line before it: dropped");
      }
      continue;
    }

    // Phrases mode.
    if (line[0] == u'[') {
      if (line == u"[Description]")
        part = DictionaryPart::description;
      else if (line == u"[Text]")
        part = DictionaryPart::text;
      else
        diagnostics.Warning(number, "unknown-part",
                            Quoted(line) + " is neither [Description] nor [Text]: ignored");
      continue;
    }
    if (part == DictionaryPart::description) {
      std::u16string key(first);
      for (char16_t& c : key)
        c = AsciiLower(c);
      const size_t kept = handler.Description(key, fields.second);
      if (kept < fields.second.size()) {
        diagnostics.Warning(
            number, "value-cut",
            "the value of " + Quoted(first) + " is cut to " + std::to_string(kept) + " units");
      }
    } else if (part == DictionaryPart::text) {
      if (first.size() < 2) {
        diagnostics.Warning(number, "one-character-phrase",
                            "a phrase of one unit: the line is skipped (characters belong in "
                            "zk.txt)");
        continue;
      }
      if (first.size() > kMaxPhraseUnits) {
        ++result.overlongLines;
        diagnostics.Warning(number, "phrase-too-long",
                            "a phrase longer than " + std::to_string(kMaxPhraseUnits) +
                                " units: the line is skipped");
        continue;
      }
      std::optional<int32_t> frequency;
      if (!fields.second.empty())
        frequency = ParseDecimal(fields.second);
      if (diagnostics.active()) {
        const size_t firstSpace = line.find(u' ');
        const size_t lastSpace = line.rfind(u' ');
        if (firstSpace != lastSpace) {
          std::u16string_view middle = line.substr(firstSpace + 1, lastSpace - firstSpace - 1);
          if (middle.find_first_not_of(u' ') != std::u16string_view::npos) {
            diagnostics.Warning(number, "text-between-spaces",
                                "only the text before the first and after the last space is "
                                "read: " +
                                    Quoted(middle) + " is lost");
          }
        }
        NotePhraseText(diagnostics, number, first);
        NoteFrequency(diagnostics, number, fields.second, frequency, kDefaultPhraseFrequency);
        auto [at, added] = phraseLines.emplace(std::u16string(first), number);
        if (!added) {
          diagnostics.Warning(number, "duplicate-phrase",
                              "the phrase " + Quoted(first) + " is also on line " +
                                  std::to_string(at->second) +
                                  ": it is stored twice unless an earlier dictionary has it");
        }
      }
      if (!handler.Phrase(first, frequency)) {
        result.stopped = true;
        return result;
      }
    } else {
      diagnostics.Warning(number, "before-text-part",
                          "a line before [Description] or [Text]: it is ignored");
    }
  }
  NoteUnendedLine(diagnostics, reader, base);
  return result;
}

}  // namespace ql
