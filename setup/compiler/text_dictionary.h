// The two text formats the phrase-table builder reads: the character list (zk.txt) and the text
// dictionary, which is also the platform's backup format. Both are UTF-16 text with CR LF line
// ends; a line is split at its first space into a first and a second field. These readers only
// parse: what the lines mean for the phrase table is the builder's business.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "setup/common/diagnostics.h"

namespace ql {

// A field holds at most this many code units; a line with a longer field is skipped.
constexpr size_t kMaxFieldUnits = 264;
// A phrase record holds at most 254 units of text (its unit count byte also counts the
// terminator); a longer phrase is skipped.
constexpr size_t kMaxPhraseUnits = 254;

// The section tags of a text dictionary.
constexpr std::u16string_view kSettingsTag = u"{参数设置}";
constexpr std::u16string_view kDoublePinyinTag = u"{自定义双拼}";
constexpr std::u16string_view kBasicPhrasesTag = u"{基本词组}";
constexpr std::u16string_view kPhrasesTag = u"{词组}";
constexpr std::u16string_view kUserPhrasesTag = u"{用户词组}";
constexpr std::u16string_view kCustomCodesTag = u"{自定义编码}";
constexpr std::u16string_view kEndTag = u"{结束}";

// The decimal number at the start of `text`: leading white space and a sign are allowed, reading
// stops at the first non-digit, values beyond the 32-bit range saturate. nullopt when no digit is
// there.
std::optional<int32_t> ParseDecimal(std::u16string_view text);

// Frequencies are stored in 8 bits: the low 8 bits of the number read are kept.
constexpr int32_t kMaxStoredFrequency = 255;

// Reads zk.txt: calls `onCharacter` with the character and its frequency for every line whose
// first field is exactly one unit. Returning false from it stops the reading. Returns the number
// of lines skipped because a field is longer than kMaxFieldUnits. Every line skipped, every
// frequency not read as written and every frequency the 8-bit rule changes goes to `diagnostics`.
size_t ReadCharacterList(std::u16string_view text,
                         const std::function<bool(char16_t, int32_t)>& onCharacter,
                         const FileDiagnostics& diagnostics = FileDiagnostics());

// Which part of a phrases section data lines belong to. It carries over from one dictionary to
// the next within a build.
enum class DictionaryPart { none, description, text };

// What a text dictionary holds, line by line.
class TextDictionaryHandler {
 public:
  virtual ~TextDictionaryHandler() = default;
  // A phrase of 2 to kMaxPhraseUnits units, with its frequency when the line gives a number.
  // Returning false stops the reading.
  virtual bool Phrase(std::u16string_view phrase, std::optional<int32_t> frequency) = 0;
  // A description line: the key (ASCII letters lower-cased) and the value. Returns how many units
  // of the value are kept (all of them when the key stores nothing).
  virtual size_t Description(std::u16string_view key, std::u16string_view value) = 0;
  // A settings section: the tag line's first field and the text that follows it. Returning false
  // stops the reading.
  virtual bool Settings(std::u16string_view tagField, std::u16string_view content) = 0;
  // A double-pinyin section. Returning false reads the section's lines as ordinary lines.
  virtual bool DoublePinyin(std::u16string_view content) = 0;
  // A custom-code bracket line: the scheme folder it names, or nullopt when it names none that
  // stays inside the scheme folders (the data lines up to the next bracket line are dropped).
  virtual void CustomCodeFolder(std::optional<std::u16string_view> folder) = 0;
  // False when the line is dropped: no usable folder line came before it.
  virtual bool CustomCode(std::u16string_view code, std::u16string_view text) = 0;
  // The "{结束}" tag: the open custom-code file is closed.
  virtual void CustomCodeEnd() = 0;
};

struct DictionaryReadResult {
  bool stopped = false;       // a handler asked to stop
  size_t overlongLines = 0;   // lines skipped for a field or phrase beyond its bound
  size_t refusedFolders = 0;  // custom-code bracket lines naming no usable folder
};

// Reads one text dictionary. The mode starts as none; `part` is the build's and is updated. Every
// line skipped or cut, every frequency not read as written or changed by the 8-bit rule, and a
// phrase given twice in the file go to `diagnostics`.
DictionaryReadResult ReadTextDictionary(std::u16string_view text,
                                        DictionaryPart& part,
                                        TextDictionaryHandler& handler,
                                        const FileDiagnostics& diagnostics = FileDiagnostics());

// The scheme folder named by a custom-code bracket line's first field: the text between the
// leading "[" and the last "]". nullopt when there is no "]", or when the name is empty, holds a
// path separator or a drive colon, or is made of dots only (after the trailing dots and spaces
// the system drops), so that the file could land outside its own scheme folder.
std::optional<std::u16string_view> CustomCodeFolderName(std::u16string_view field);

}  // namespace ql
