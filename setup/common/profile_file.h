// Portable reader of the Unicode INI files that the system's profile functions read.
//
// It reproduces what GetPrivateProfileStringW does with a file, so the manifest reader gives the
// same answers natively (in qlc and the host tests) as on Windows. The rules:
//  - Encoding by signature: UTF-16LE or UTF-16BE with byte-order mark, UTF-8 with byte-order
//    mark; anything else is read as the ANSI code page (Windows-1252), which leaves Chinese names
//    unreadable, just as on the system.
//  - Lines end at CR or LF. Blanks (ASCII white space and Ctrl-Z) around a line, around a key
//    name and before a value are dropped.
//  - "[name]" starts a section; its name runs to the last "]". A line with "[" but no "]" is an
//    ordinary key line. Lines before the first section belong to a section with an empty name.
//  - "key=value" is split at the first "="; a line without "=" is a key without value, which
//    yields the default.
//  - Section and key names compare ignoring the case of ASCII letters only; the first section of
//    a name is the only one searched, and within it the first key of a name wins.
//  - A value enclosed in matching single or double quotes loses them. The result is cut to the
//    buffer's capacity minus one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ql {

class ProfileFile {
 public:
  ProfileFile() = default;

  static ProfileFile Parse(const uint8_t* bytes, size_t size);
  static ProfileFile ParseText(std::u16string_view text);

  // Same contract as GetPrivateProfileStringW with a section and a key: fills `buffer` (capacity
  // units, terminator included) and returns the number of units written before the terminator.
  size_t GetString(std::u16string_view section,
                   std::u16string_view key,
                   std::u16string_view defaultValue,
                   char16_t* buffer,
                   size_t capacity) const;

  // Convenience for tools and tests: the value as GetString would give it with `capacity`.
  std::u16string Get(std::u16string_view section,
                     std::u16string_view key,
                     std::u16string_view defaultValue,
                     size_t capacity) const;

  // Which encoding the bytes were read as; qlc uses it to warn about files the system misreads.
  enum class Encoding { kAnsi, kUtf8, kUtf16Le, kUtf16Be };
  Encoding encoding() const { return encoding_; }

 private:
  struct Key {
    std::u16string name;
    std::optional<std::u16string> value;
  };
  struct Section {
    std::u16string name;
    std::vector<Key> keys;
  };

  const std::u16string* Find(std::u16string_view section, std::u16string_view key) const;

  std::vector<Section> sections_;
  Encoding encoding_ = Encoding::kAnsi;
};

// The blanks the profile functions drop: ASCII white space and Ctrl-Z. The ideographic space and
// other Unicode blanks are kept as part of names and values.
bool IsProfileSpace(char16_t c);

}  // namespace ql
