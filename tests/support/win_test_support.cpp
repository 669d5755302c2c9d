#include "tests/support/win_test_support.h"

#include "setup/common/text.h"
#include "setup/common/win.h"

namespace ql::test {

std::wstring StandinPath(const std::wstring& fileName) {
  std::wstring exe(32768, L'\0');
  DWORD length = GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
  exe.resize(length);
  std::wstring folder = exe.substr(0, exe.find_last_of(L'\\') + 1);
  // QL_STANDINS_RELATIVE: the stand-ins' build folder, relative to this program's folder.
  return folder + QL_STANDINS_RELATIVE + fileName;
}

bool CopyStandin(const std::wstring& fileName, const std::wstring& target) {
  for (size_t slash = target.find(L'\\', 3); slash != std::wstring::npos;
       slash = target.find(L'\\', slash + 1)) {
    CreateDirectoryW(target.substr(0, slash).c_str(), nullptr);
  }
  return CopyFileW(StandinPath(fileName).c_str(), target.c_str(), FALSE) != 0;
}

std::optional<std::vector<uint8_t>> ReadAll(const std::wstring& path) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file)
    return std::nullopt;
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > (64 << 20))
    return std::nullopt;
  std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!bytes.empty() &&
      (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
       read != bytes.size())) {
    return std::nullopt;
  }
  return bytes;
}

std::u16string VersionString(const std::wstring& path, const wchar_t* key) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0)
    return u"<no version resource>";
  std::vector<uint8_t> info(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, info.data()))
    return u"<unreadable>";
  void* value = nullptr;
  UINT units = 0;
  std::wstring query = std::wstring(L"\\StringFileInfo\\080404b0\\") + key;
  if (!VerQueryValueW(info.data(), query.c_str(), &value, &units) || value == nullptr) {
    return u"<missing>";
  }
  return std::u16string(U(static_cast<const wchar_t*>(value)));
}

std::vector<std::u16string> ReadUtf8Lines(const std::wstring& path) {
  std::vector<std::u16string> lines;
  std::optional<std::vector<uint8_t>> bytes = ReadAll(path);
  if (!bytes)
    return lines;
  std::string text(bytes->begin(), bytes->end());
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    lines.push_back(Utf8ToUtf16(std::string_view(text).substr(start, end - start)));
    start = end + 1;
  }
  return lines;
}

ScopedEnvironment::ScopedEnvironment(const wchar_t* name, const wchar_t* value) : name_(name) {
  wchar_t buffer[1024] = {};
  DWORD length = GetEnvironmentVariableW(name, buffer, 1024);
  if (length > 0 && length < 1024)
    previous_ = std::wstring(buffer, length);
  SetEnvironmentVariableW(name, value);
}

ScopedEnvironment::~ScopedEnvironment() {
  SetEnvironmentVariableW(name_.c_str(), previous_ ? previous_->c_str() : nullptr);
}

}  // namespace ql::test
