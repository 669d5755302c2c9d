#include "setup/common/files.h"
#include "setup/common/win.h"

namespace ql {

std::optional<std::vector<uint8_t>> ReadFileBytes(std::u16string_view path, size_t maxBytes) {
  UniqueFile file(CreateFileW(WString(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file)
    return std::nullopt;
  std::vector<uint8_t> bytes;
  // Sized at once from the file's length, rather than grown and copied chunk by chunk.
  LARGE_INTEGER length{};
  if (GetFileSizeEx(file.get(), &length) && length.QuadPart > 0)
    bytes.reserve(static_cast<uint64_t>(length.QuadPart) < maxBytes
                      ? static_cast<size_t>(length.QuadPart)
                      : maxBytes);
  uint8_t chunk[65536];
  while (bytes.size() < maxBytes) {
    DWORD want = static_cast<DWORD>(maxBytes - bytes.size() < sizeof chunk ? maxBytes - bytes.size()
                                                                           : sizeof chunk);
    DWORD got = 0;
    // A read that fails is no end of the file: the caller would take a part for the whole.
    if (!ReadFile(file.get(), chunk, want, &got, nullptr))
      return std::nullopt;
    if (got == 0)
      break;
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  return bytes;
}

namespace {

constexpr wchar_t kTemporarySuffix[] = L".ql-new";

// Writes all of `bytes` to the new file `path` and flushes it to the disk.
bool WriteNewFile(const std::wstring& path, const uint8_t* bytes, size_t size) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file)
    return false;
  size_t done = 0;
  while (done < size) {
    DWORD chunk = static_cast<DWORD>(size - done > (1u << 30) ? (1u << 30) : size - done);
    DWORD wrote = 0;
    if (!WriteFile(file.get(), bytes + done, chunk, &wrote, nullptr) || wrote == 0)
      return false;
    done += wrote;
  }
  return FlushFileBuffers(file.get()) != FALSE;
}

// A whole file is made beside its target under this suffix by `make` and then takes the target's
// name, so that a full disk or a run stopped half-way leaves the target as it was, never cut
// short.
template <typename Make>
bool ReplaceWhole(std::u16string_view path, Make make) {
  const std::wstring target = WString(path);
  const std::wstring temporary = target + kTemporarySuffix;
  if (!make(temporary) || !MoveFileExW(temporary.c_str(), target.c_str(),
                                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace

bool WriteFileBytes(std::u16string_view path, const uint8_t* bytes, size_t size) {
  return ReplaceWhole(
      path, [&](const std::wstring& temporary) { return WriteNewFile(temporary, bytes, size); });
}

bool CopyFileReplacing(std::u16string_view from, std::u16string_view to) {
  return ReplaceWhole(to, [&](const std::wstring& temporary) {
    return CopyFileW(WString(from).c_str(), temporary.c_str(), FALSE) != FALSE;
  });
}

NewEntry WriteNewFileBytes(std::u16string_view path, const uint8_t* bytes, size_t size) {
  const std::wstring target = WString(path);
  const std::wstring temporary = target + kTemporarySuffix;
  if (WriteNewFile(temporary, bytes, size) &&
      MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH))
    return NewEntry::kCreated;
  const DWORD error = GetLastError();
  DeleteFileW(temporary.c_str());
  return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? NewEntry::kExists
                                                                     : NewEntry::kFailed;
}

NewEntry CreateNewFolder(std::u16string_view path) {
  if (CreateDirectoryW(WString(path).c_str(), nullptr))
    return NewEntry::kCreated;
  return GetLastError() == ERROR_ALREADY_EXISTS ? NewEntry::kExists : NewEntry::kFailed;
}

bool FileExists(std::u16string_view path) {
  DWORD attributes = GetFileAttributesW(WString(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathExists(std::u16string_view path) {
  return GetFileAttributesW(WString(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RemoveFile(std::u16string_view path) {
  return DeleteFileW(WString(path).c_str()) != 0;
}

bool EnsureFolder(std::u16string_view path) {
  std::wstring widePath = WString(path);
  if (CreateDirectoryW(widePath.c_str(), nullptr))
    return true;
  DWORD attributes = GetFileAttributesW(widePath.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::u16string SystemFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  UINT length = GetSystemDirectoryW(buffer, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH)
    return std::u16string();
  return std::u16string(buffer, buffer + length);
}

std::u16string FullPath(std::u16string_view path) {
  const std::wstring widePath = WString(path);
  DWORD needed = GetFullPathNameW(widePath.c_str(), 0, nullptr, nullptr);
  if (needed == 0)
    return std::u16string();
  std::wstring buffer(needed, L'\0');
  DWORD length = GetFullPathNameW(widePath.c_str(), needed, &buffer[0], nullptr);
  if (length == 0 || length >= needed)
    return std::u16string();
  return std::u16string(U(buffer.c_str(), length));
}

ModuleImage MapModuleImage(std::u16string_view path) {
  HMODULE image = LoadLibraryExW(WString(path).c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  // The module's owner frees it when the image goes.
  return ModuleImage(image, [](void* mapped) { UniqueModule owner(static_cast<HMODULE>(mapped)); });
}

}  // namespace ql
