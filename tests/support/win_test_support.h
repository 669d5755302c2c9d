// Helpers of the Windows contract tests: where the built stand-ins are, copying them into a test's
// package folder, reading files back, and scoped environment variables.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ql::test {

// Full path of a built stand-in (e.g. L"qlsrfpt-cdecl.ime").
std::wstring StandinPath(const std::wstring& fileName);

// Copies a stand-in to `target` (a full path, folders created). False when the copy fails.
bool CopyStandin(const std::wstring& fileName, const std::wstring& target);

// The whole content of a file; nullopt when it cannot be read.
std::optional<std::vector<uint8_t>> ReadAll(const std::wstring& path);

// A string of the file's version resource (block 080404b0) read through the system's version
// functions, or a text in angle brackets saying why there is none.
std::u16string VersionString(const std::wstring& path, const wchar_t* key);

// The lines of a UTF-8 text file, without their line ends; empty when it cannot be read.
std::vector<std::u16string> ReadUtf8Lines(const std::wstring& path);

// Sets an environment variable for the lifetime of the object and restores it afterwards.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const wchar_t* name, const wchar_t* value);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::wstring name_;
  std::optional<std::wstring> previous_;
};

}  // namespace ql::test
