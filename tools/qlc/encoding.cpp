// The encodings of a package's text files: the system reads them as UTF-16LE with byte-order
// mark and CR LF line ends; a file saved otherwise is read as nonsense without a word. Detected by
// content, so that the error names what was found, and rewritten by `qlc check --fix`.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "setup/common/bytes.h"
#include "setup/common/files.h"
#include "setup/common/text.h"
#include "setup/compiler/custom_input.h"
#include "tools/qlc/qlc.h"

namespace qlc {
namespace {

namespace fs = std::filesystem;

enum class Encoding {
  kEmpty,
  kUtf16Le,  // with byte-order mark: what the system reads
  kUtf16LeNoMark,
  kUtf16Be,
  kUtf16BeNoMark,
  kUtf8Mark,
  kUtf8,
  kGb18030,
  kUnknown,
};

const char* EncodingName(Encoding encoding) {
  switch (encoding) {
    case Encoding::kEmpty:
      return "empty";
    case Encoding::kUtf16Le:
      return "UTF-16LE with byte-order mark";
    case Encoding::kUtf16LeNoMark:
      return "UTF-16LE without byte-order mark";
    case Encoding::kUtf16Be:
      return "UTF-16BE with byte-order mark";
    case Encoding::kUtf16BeNoMark:
      return "UTF-16BE without byte-order mark";
    case Encoding::kUtf8Mark:
      return "UTF-8 with byte-order mark";
    case Encoding::kUtf8:
      return "UTF-8 without byte-order mark";
    case Encoding::kGb18030:
      return "GB18030";
    case Encoding::kUnknown:
      return "in no encoding qlc knows";
  }
  return "";
}

// Strict UTF-8: no overlong forms, no surrogates, nothing beyond U+10FFFF.
bool IsUtf8(const uint8_t* b, size_t n) {
  size_t i = 0;
  while (i < n) {
    const uint8_t c = b[i];
    size_t more = 0;
    uint32_t lowest = 0;
    uint32_t value = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      more = 1, lowest = 0x80, value = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      more = 2, lowest = 0x800, value = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      more = 3, lowest = 0x10000, value = c & 0x07;
    } else {
      return false;
    }
    if (n - i <= more)
      return false;
    for (size_t k = 1; k <= more; ++k) {
      if ((b[i + k] & 0xC0) != 0x80)
        return false;
      value = value << 6 | (b[i + k] & 0x3F);
    }
    if (value < lowest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
      return false;
    i += more + 1;
  }
  return true;
}

// UTF-16 without byte-order mark shows as zero bytes mostly on one side: the high bytes of the
// ASCII characters (digits, spaces, line ends) that every package text holds, against the few
// characters such as U+4E00 whose low byte is zero.
Encoding Utf16WithoutMark(const std::vector<uint8_t>& b) {
  if (b.size() % 2 != 0)
    return Encoding::kUnknown;
  size_t evenZeros = 0;
  size_t oddZeros = 0;
  for (size_t i = 0; i < b.size(); ++i) {
    if (b[i] == 0)
      ++(i % 2 == 0 ? evenZeros : oddZeros);
  }
  if (oddZeros > 4 * evenZeros)
    return Encoding::kUtf16LeNoMark;
  if (evenZeros > 4 * oddZeros)
    return Encoding::kUtf16BeNoMark;
  return Encoding::kUnknown;
}

Encoding Detect(const std::vector<uint8_t>& b) {
  if (b.empty())
    return Encoding::kEmpty;
  if (b.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE)
    return Encoding::kUtf16Le;
  if (b.size() >= 2 && b[0] == 0xFE && b[1] == 0xFF)
    return Encoding::kUtf16Be;
  if (b.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
    return Encoding::kUtf8Mark;
  bool zero = false;
  for (uint8_t c : b)
    zero = zero || c == 0;
  if (!zero && IsUtf8(b.data(), b.size()))
    return Encoding::kUtf8;
  const Encoding utf16 = Utf16WithoutMark(b);
  if (utf16 != Encoding::kUnknown)
    return utf16;
  if (!zero && DecodeGb18030(b))
    return Encoding::kGb18030;
  return Encoding::kUnknown;
}

std::u16string DecodeUtf16Be(const uint8_t* b, size_t n) {
  std::u16string text;
  for (size_t i = 0; i + 1 < n; i += 2)
    text.push_back(static_cast<char16_t>(b[i] << 8 | b[i + 1]));
  return text;
}

// The text without byte-order mark; nullopt for kUnknown.
std::optional<std::u16string> Decode(const std::vector<uint8_t>& b, Encoding encoding) {
  switch (encoding) {
    case Encoding::kEmpty:
      return std::u16string();
    case Encoding::kUtf16Le:
      return ql::DecodeUtf16Le(b.data() + 2, b.size() - 2);
    case Encoding::kUtf16LeNoMark:
      return ql::DecodeUtf16Le(b.data(), b.size());
    case Encoding::kUtf16Be:
      return DecodeUtf16Be(b.data() + 2, b.size() - 2);
    case Encoding::kUtf16BeNoMark:
      return DecodeUtf16Be(b.data(), b.size());
    case Encoding::kUtf8Mark:
      return ql::Utf8ToUtf16(std::string(b.begin() + 3, b.end()));
    case Encoding::kUtf8:
      return ql::Utf8ToUtf16(std::string(b.begin(), b.end()));
    case Encoding::kGb18030:
      return DecodeGb18030(b);
    case Encoding::kUnknown:
      return std::nullopt;
  }
  return std::nullopt;
}

bool IsTextFileName(const std::u16string& name) {
  size_t dot = name.rfind(u'.');
  if (dot == std::u16string::npos)
    return false;
  std::u16string_view extension = std::u16string_view(name).substr(dot);
  return ql::EqualsAsciiNoCase(extension, u".txt") || ql::EqualsAsciiNoCase(extension, u".ini");
}

// The custom-input lists are indexed by CR LF line ends alone: with LF, every entry after the
// first is lost.
bool NeedsCrLf(std::u16string_view relative) {
  const size_t slash = relative.find_last_of(u"\\/");
  const std::u16string_view name =
      slash == std::u16string_view::npos ? relative : relative.substr(slash + 1);
  return ql::EqualsAsciiNoCase(name, ql::kCustomCodeListFile) ||
         ql::EqualsAsciiNoCase(name, ql::kCustomTextListFile);
}

size_t BareLineFeeds(std::u16string_view text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'))
      ++count;
  }
  return count;
}

// The text files of a package (*.txt and *.ini, also below its folders), relative to it, sorted.
std::vector<std::u16string> PackageTextFiles(const std::u16string& package) {
  std::error_code error;
  fs::path root = ToPath(package);
  std::vector<std::u16string> files;
  for (fs::recursive_directory_iterator it(root, error), end; !error && it != end;
       it.increment(error)) {
    if (it->is_regular_file(error) && IsTextFileName(FromPath(it->path().filename())))
      files.push_back(FromPath(it->path().lexically_relative(root)));
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

std::optional<std::u16string> DecodeUnicodeText(const std::vector<uint8_t>& bytes,
                                                std::string* encoding) {
  const Encoding found = Detect(bytes);
  *encoding = EncodingName(found);
  if (found == Encoding::kGb18030 || found == Encoding::kUnknown)
    return std::nullopt;
  return Decode(bytes, found);
}

bool CheckEncodings(const std::u16string& package, DiagnosticReport& report) {
  const int before = report.errors();
  for (const std::u16string& relative : PackageTextFiles(package)) {
    std::optional<std::vector<uint8_t>> bytes = ql::ReadFileBytes(package + relative);
    if (!bytes) {
      report.Error(relative, 0, "unreadable", "cannot be read");
      continue;
    }
    const Encoding encoding = Detect(*bytes);
    if (encoding == Encoding::kEmpty)
      continue;
    if (encoding != Encoding::kUtf16Le) {
      report.Error(relative, 1, "encoding",
                   std::string("the file is ") + EncodingName(encoding) +
                       "; the system reads only UTF-16LE with byte-order mark (qlc check --fix "
                       "rewrites it)");
      continue;
    }
    if (bytes->size() % 2 != 0) {
      report.Error(relative, 0, "encoding", "an odd number of bytes: the last byte is not read");
      continue;
    }
    if (NeedsCrLf(relative)) {
      const std::u16string text = ql::DecodeUtf16Le(bytes->data(), bytes->size());
      if (const size_t bare = BareLineFeeds(text)) {
        report.Error(relative, 0, "line-end",
                     std::to_string(bare) +
                         " lines end in LF without CR: the index counts only CR LF as a line end "
                         "(qlc check --fix rewrites it)");
      }
    }
  }
  return report.errors() == before;
}

bool FixEncodings(const std::u16string& package, DiagnosticReport& report) {
  bool fixedAll = true;
  for (const std::u16string& relative : PackageTextFiles(package)) {
    const std::u16string path = package + relative;
    std::optional<std::vector<uint8_t>> bytes = ql::ReadFileBytes(path);
    if (!bytes)
      continue;  // CheckEncodings names it
    const Encoding encoding = Detect(*bytes);
    std::optional<std::u16string> text = Decode(*bytes, encoding);
    if (!text) {
      report.Error(relative, 0, "not-fixed", "the encoding cannot be told: not rewritten");
      fixedAll = false;
      continue;
    }
    const bool odd = encoding == Encoding::kUtf16Le && bytes->size() % 2 != 0;
    const size_t bare = BareLineFeeds(*text);
    const bool unended = !text->empty() && text->back() != u'\n';
    if (encoding == Encoding::kEmpty ||
        (encoding == Encoding::kUtf16Le && !odd && bare == 0 && !unended))
      continue;
    const std::u16string original = path + u".orig";
    if (ql::FileExists(original)) {
      report.Error(relative + u".orig", 0, "not-fixed",
                   "is there already: " + U8(Shown(relative)) + " is not rewritten");
      fixedAll = false;
      continue;
    }
    std::u16string fixed;
    fixed.reserve(text->size() + bare + 2);
    for (size_t i = 0; i < text->size(); ++i) {
      if ((*text)[i] == u'\n' && (i == 0 || (*text)[i - 1] != u'\r'))
        fixed.push_back(u'\r');
      fixed.push_back((*text)[i]);
    }
    if (unended)
      fixed += u"\r\n";
    std::error_code error;
    fs::rename(ToPath(path), ToPath(original), error);
    const std::vector<uint8_t> out = ql::EncodeUtf16Le(fixed, ql::Utf16Frame::kByteOrderMark);
    if (error || !ql::WriteFileBytes(path, out.data(), out.size())) {
      report.Error(relative, 0, "not-fixed",
                   "cannot be rewritten" + (error ? ": " + error.message() : std::string()));
      fixedAll = false;
      continue;
    }
    std::string changes;
    if (encoding != Encoding::kUtf16Le)
      changes +=
          std::string("from ") + EncodingName(encoding) + " to UTF-16LE with byte-order mark";
    if (odd)
      changes += std::string(changes.empty() ? "" : "; ") + "the odd last byte dropped";
    if (bare != 0) {
      changes += std::string(changes.empty() ? "" : "; ") + std::to_string(bare) +
                 " LF line ends made CR LF";
    }
    if (unended)
      changes += std::string(changes.empty() ? "" : "; ") + "the final line end added";
    std::printf("fixed %s: %s (the original is %s.orig)\n", U8(Shown(relative)).c_str(),
                changes.c_str(), U8(Shown(relative)).c_str());
  }
  return fixedAll;
}

}  // namespace qlc
