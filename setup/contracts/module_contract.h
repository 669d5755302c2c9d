// What setup passes to, and relies on from, the input-method module and the tool library of the
// package. Both are built outside this project; these declarations are the contract they build
// against.
#pragma once

#include <cstddef>
#include <cstdint>

// The calling convention of every export named here: the callee removes its arguments
// (__stdcall), exported under the undecorated name. setup calls each export through
// SafeExportCall, which restores the stack pointer itself, so a module built as __cdecl by mistake
// still works and cannot corrupt setup's stack.
#if defined(_WIN32) && defined(__i386__)
#define QL_EXPORT_CALL __stdcall
#else
#define QL_EXPORT_CALL
#endif

namespace ql {

// The input-method module of the package: kPackageModuleFile; a running module holds the named
// mapping kModuleInUsePrefix + its base name (setup/model/package.h).
constexpr char kBuildCodeExport[] = "BuildCode";
// Selector of the main-name request; the module writes the name into a buffer of 50 units.
constexpr int32_t kBuildCodeMainName = 167;
constexpr size_t kModuleNameUnits = 50;

// The tool library in the package's TOOL folder.
constexpr char16_t kToolFolder[] = u"TOOL\\";
constexpr char16_t kToolLibraryFile[] = u"QLTOOL.dll";
constexpr char kRestorParaExport[] = "RestorPara";
constexpr char kCreateXMIdxDllExport[] = "CreateXMIdxDll";
constexpr int32_t kCreateXMIdxDllMode = 3;

}  // namespace ql

// Signatures of the exports, as the module and the tool library define them. The text arguments
// are zero-terminated UTF-16.
extern "C" {
typedef int32_t(QL_EXPORT_CALL* BuildCodeFn)(int32_t selector, wchar_t* nameBuffer);
typedef int32_t(QL_EXPORT_CALL* RestorParaFn)(const wchar_t* displayName,
                                              const wchar_t* installFolder);
typedef int32_t(QL_EXPORT_CALL* CreateXMIdxDllFn)(void* window,
                                                  void* mainDataView,
                                                  void* userDataView,
                                                  int32_t slot,
                                                  int32_t mode,
                                                  const wchar_t* moduleSuppliedName,
                                                  const wchar_t* installFolder,
                                                  int32_t reserved);
}
