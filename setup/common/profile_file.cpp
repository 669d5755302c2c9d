#include "setup/common/profile_file.h"

#include "setup/common/bytes.h"
#include "setup/common/fixed_text.h"
#include "setup/common/text.h"

namespace ql {

bool IsProfileSpace(char16_t c) {
  switch (c) {
    case 0x09:
    case 0x0A:
    case 0x0B:
    case 0x0C:
    case 0x0D:
    case 0x20:
    case 0x1A:  // Ctrl-Z, an old end-of-file mark, counts as a blank
      return true;
    default:
      return false;
  }
}

namespace {

// Names and values are C strings to the system: anything after a NUL is invisible.
std::u16string UpToNul(std::u16string_view text) {
  size_t nul = text.find(u'\0');
  return std::u16string(nul == std::u16string_view::npos ? text : text.substr(0, nul));
}

std::u16string_view Trim(std::u16string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && IsProfileSpace(text[b]))
    ++b;
  while (e > b && IsProfileSpace(text[e - 1]))
    --e;
  return text.substr(b, e - b);
}

}  // namespace

ProfileFile ProfileFile::Parse(const uint8_t* bytes, size_t size) {
  std::u16string text;
  Encoding encoding = Encoding::kAnsi;
  if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    encoding = Encoding::kUtf16Le;
    text = DecodeUtf16Le(bytes + 2, size - 2);
  } else if (size >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
    encoding = Encoding::kUtf16Be;
    for (size_t i = 2; i + 1 < size; i += 2)
      text.push_back(static_cast<char16_t>((bytes[i] << 8) | bytes[i + 1]));
  } else if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    encoding = Encoding::kUtf8;
    text = Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(bytes) + 3, size - 3));
  } else {
    text = DecodeWindows1252(bytes, size);
  }
  ProfileFile file = ParseText(text);
  file.encoding_ = encoding;
  return file;
}

ProfileFile ProfileFile::ParseText(std::u16string_view text) {
  ProfileFile file;
  file.sections_.push_back(Section{});  // keys before the first section header
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = pos;
    while (end < text.size() && text[end] != u'\n' && text[end] != u'\r')
      ++end;
    std::u16string_view line = Trim(text.substr(pos, end - pos));
    pos = end;
    while (pos < text.size() && (text[pos] == u'\n' || text[pos] == u'\r'))
      ++pos;
    if (line.empty())
      continue;

    if (line[0] == u'[') {
      size_t close = line.rfind(u']');
      if (close != std::u16string_view::npos && close > 0) {
        file.sections_.push_back(Section{UpToNul(Trim(line.substr(1, close - 1))), {}});
        continue;
      }
    }
    Key key;
    size_t eq = line.find(u'=');
    if (eq == std::u16string_view::npos) {
      key.name = UpToNul(line);
    } else {
      key.name = UpToNul(Trim(line.substr(0, eq)));
      key.value = UpToNul(Trim(line.substr(eq + 1)));
    }
    file.sections_.back().keys.push_back(std::move(key));
  }
  return file;
}

const std::u16string* ProfileFile::Find(std::u16string_view section,
                                        std::u16string_view key) const {
  section = Trim(section);
  key = Trim(key);
  for (const Section& s : sections_) {
    if (!EqualsAsciiNoCase(s.name, section))
      continue;
    // Only the first section of a name is searched.
    for (const Key& k : s.keys) {
      if (EqualsAsciiNoCase(k.name, key))
        return k.value ? &*k.value : nullptr;
    }
    return nullptr;
  }
  return nullptr;
}

size_t ProfileFile::GetString(std::u16string_view section,
                              std::u16string_view key,
                              std::u16string_view defaultValue,
                              char16_t* buffer,
                              size_t capacity) const {
  if (capacity == 0)
    return 0;
  std::u16string fallback;
  const std::u16string* found = Find(section, key);
  if (found == nullptr) {
    // The default loses its trailing spaces.
    size_t e = defaultValue.size();
    while (e > 0 && defaultValue[e - 1] == u' ')
      --e;
    fallback = UpToNul(defaultValue.substr(0, e));
    found = &fallback;
  }
  std::u16string_view value = *found;
  bool quoted =
      value.size() >= 2 && (value[0] == u'"' || value[0] == u'\'') && value.back() == value[0];
  if (quoted)
    value.remove_prefix(1);
  size_t written = CopyTruncatedUnits(buffer, capacity, value);
  // The closing quote goes only when the whole rest of the value fitted.
  if (quoted && capacity >= value.size() && written > 0)
    buffer[--written] = 0;
  return written;
}

std::u16string ProfileFile::Get(std::u16string_view section,
                                std::u16string_view key,
                                std::u16string_view defaultValue,
                                size_t capacity) const {
  std::u16string buffer(capacity, u'\0');
  size_t n = GetString(section, key, defaultValue, buffer.data(), capacity);
  buffer.resize(n);
  return buffer;
}

}  // namespace ql
