#include "setup/install/profile_writer.h"

#include <cstddef>
#include <cstdint>
#include <vector>

#include "setup/common/bytes.h"
#include "setup/common/files.h"
#include "setup/common/profile_file.h"
#include "setup/common/text.h"

namespace ql {
namespace {

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && IsProfileSpace(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsProfileSpace(text.back()))
    text.remove_suffix(1);
  return text;
}

// The section a line opens, or nullopt for a line that opens none.
std::optional<std::u16string_view> SectionOf(std::u16string_view line) {
  line = Trim(line);
  size_t close = line.rfind(u']');
  if (line.empty() || line.front() != u'[' || close == std::u16string_view::npos)
    return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

std::u16string_view KeyOf(std::u16string_view line) {
  return Trim(line.substr(0, line.find(u'=')));
}

}  // namespace

std::u16string SetProfileValue(std::u16string_view text,
                               std::u16string_view section,
                               std::u16string_view key,
                               std::u16string_view value) {
  // Lines with their ends, so everything not touched is kept as it was.
  std::vector<std::u16string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(u'\n', start);
    end = end == std::u16string_view::npos ? text.size() : end + 1;
    lines.emplace_back(text.substr(start, end - start));
    start = end;
  }
  auto body = [](const std::u16string& line) {
    std::u16string_view v(line);
    while (!v.empty() && (v.back() == u'\n' || v.back() == u'\r'))
      v.remove_suffix(1);
    return v;
  };
  std::u16string entry = std::u16string(key) + u"=" + std::u16string(value) + u"\r\n";

  auto join = [&lines] {
    std::u16string out;
    for (const std::u16string& line : lines)
      out += line;
    return out;
  };
  for (size_t i = 0; i < lines.size(); ++i) {
    std::optional<std::u16string_view> name = SectionOf(body(lines[i]));
    if (!name || !EqualsAsciiNoCase(*name, section))
      continue;
    size_t insertAt = i + 1;  // after the section's last non-blank line
    for (size_t j = i + 1; j < lines.size() && !SectionOf(body(lines[j])); ++j) {
      std::u16string_view line = body(lines[j]);
      if (Trim(line).empty())
        continue;
      if (EqualsAsciiNoCase(KeyOf(line), key)) {
        lines[j] = entry;
        return join();
      }
      insertAt = j + 1;
    }
    std::u16string& before = lines[insertAt - 1];
    if (body(before).size() == before.size())
      before += u"\r\n";
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
    return join();
  }
  std::u16string out(text);
  if (!out.empty() && out.back() != u'\n')
    out += u"\r\n";
  out += u"[" + std::u16string(section) + u"]\r\n" + entry;
  return out;
}

bool WriteProfileStringToFile(std::u16string_view path,
                              std::u16string_view section,
                              std::u16string_view key,
                              std::u16string_view value) {
  std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(path);
  // A file that is there but cannot be read is not replaced by one holding only this value.
  if (!bytes && PathExists(path))
    return false;
  std::u16string text;
  if (bytes) {
    if (bytes->size() < 2 || (*bytes)[0] != 0xFF || (*bytes)[1] != 0xFE)
      return false;
    text = DecodeUtf16Le(bytes->data() + 2, bytes->size() - 2);
  }
  std::u16string updated = SetProfileValue(text, section, key, value);
  std::vector<uint8_t> out = EncodeUtf16Le(updated, Utf16Frame::kByteOrderMark);
  return WriteFileBytes(path, out.data(), out.size());
}

}  // namespace ql
