#include "setup/common/library_search_win.h"
#include "setup/common/win.h"
#include "setup/contracts/module_contract.h"
#include "setup/contracts/safe_call.h"
#include "setup/contracts/tool_library.h"
#include "setup/model/setup_state.h"

namespace ql {
namespace {

UniqueModule LoadToolLibrary(const SetupState& state) {
  std::u16string path = state.installFolder.str() + kToolFolder + kToolLibraryFile;
  return LoadLibraryWithItsFolder(WString(path));
}

std::optional<int32_t> CallExport(const SetupState& state,
                                  const char* name,
                                  const uintptr_t* args,
                                  size_t count) {
  UniqueModule library = LoadToolLibrary(state);
  if (!library)
    return std::nullopt;
  FARPROC function = GetProcAddress(library.get(), name);
  if (function == nullptr)
    return std::nullopt;
  return static_cast<int32_t>(SafeExportCall(reinterpret_cast<const void*>(function), args, count));
}

}  // namespace

std::optional<int32_t> CallRestorPara(const SetupState& state) {
  const uintptr_t args[] = {Arg(state.displayName.c_str()), Arg(state.installFolder.c_str())};
  return CallExport(state, kRestorParaExport, args, 2);
}

std::optional<int32_t> CallCreateXMIdxDll(const SetupState& state,
                                          void* window,
                                          void* mainDataView,
                                          void* userDataView,
                                          int32_t slot) {
  const uintptr_t args[] = {Arg(window),
                            Arg(mainDataView),
                            Arg(userDataView),
                            static_cast<uintptr_t>(slot),
                            static_cast<uintptr_t>(kCreateXMIdxDllMode),
                            Arg(state.moduleSuppliedName.c_str()),
                            Arg(state.installFolder.c_str()),
                            0};
  return CallExport(state, kCreateXMIdxDllExport, args, 8);
}

}  // namespace ql
