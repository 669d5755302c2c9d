#include "tests/support/test_support.h"

#include <filesystem>
#include <fstream>
#include <random>

#include "setup/common/bytes.h"
#include "setup/common/text.h"

namespace ql::test {

namespace fs = std::filesystem;

std::vector<uint8_t> Utf16File(std::string_view utf8Text) {
  std::u16string text = Utf8ToUtf16(utf8Text);
  std::vector<uint8_t> bytes = EncodeUtf16Le(u"", Utf16Frame::kByteOrderMark);
  for (char16_t c : text) {
    if (c == u'\n')
      AppendU16(bytes, u'\r');
    AppendU16(bytes, c);
  }
  return bytes;
}

std::vector<uint8_t> RawUtf16(std::u16string_view text) {
  return EncodeUtf16Le(text);
}

namespace {

fs::path ToPath(std::u16string_view text) {
#ifdef _WIN32
  return fs::path(std::wstring(text.begin(), text.end()));
#else
  std::string s = Utf16ToUtf8(text);
  for (char& c : s) {
    if (c == '\\')
      c = '/';
  }
  return fs::path(s);
#endif
}

std::u16string FromPath(const fs::path& path) {
#ifdef _WIN32
  std::wstring w = path.wstring();
  return std::u16string(w.begin(), w.end());
#else
  return Utf8ToUtf16(path.string());
#endif
}

}  // namespace

TempFolder::TempFolder() {
  std::random_device random;
  fs::path base = fs::temp_directory_path() / ("qltest-" + std::to_string(random()));
  fs::create_directories(base);
  path_ = FromPath(base);
#ifdef _WIN32
  path_.push_back(u'\\');
#else
  path_.push_back(u'/');
#endif
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::remove_all(ToPath(path_), ignored);
}

void TempFolder::Write(std::u16string_view relative, const std::vector<uint8_t>& bytes) const {
  fs::path file = ToPath(path_ + std::u16string(relative));
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

}  // namespace ql::test
