// The calls of GrantFileAccess that reach beyond memory, replaceable so that the construction of
// the new access-control list runs unchanged on an in-memory descriptor: the system stores a
// folder's list only as far as its file system can express it, so what it reads back does not
// show what was built.
#pragma once

#include <functional>
#include <string_view>

#include "setup/common/win.h"

namespace ql {

struct FileSecurityCalls {
  // GetFileSecurityW and SetFileSecurityW.
  std::function<BOOL(const wchar_t* path,
                     SECURITY_INFORMATION,
                     PSECURITY_DESCRIPTOR,
                     DWORD size,
                     DWORD* needed)>
      getFileSecurity;
  std::function<BOOL(const wchar_t* path, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR)>
      setFileSecurity;
  // An export of advapi32.dll by name, or nullptr when it has none.
  std::function<FARPROC(const char* name)> advapiExport;
  // One failure line; the system's version writes it to standard output.
  std::function<void(std::u16string_view line)> report;
};

FileSecurityCalls SystemFileSecurityCalls();

int GrantFileAccess(std::u16string_view path,
                    std::u16string_view account,
                    uint32_t accessMask,
                    const FileSecurityCalls& calls);
int RestrictToAdministrators(std::u16string_view path,
                             bool isFolder,
                             const FileSecurityCalls& calls);
int DenyDeleteChild(std::u16string_view folder, const FileSecurityCalls& calls);

}  // namespace ql
