#include <shlobj.h>

#include <string>

#include "setup/common/com.h"
#include "setup/install/shortcuts.h"
#include "setup/model/package.h"
#include "setup/model/setup_state.h"

namespace ql {
namespace {

bool ProgramsFolderPath(std::wstring* folder) {
  wchar_t path[MAX_PATH] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, path, CSIDL_COMMON_PROGRAMS, FALSE) &&
      !::SHGetSpecialFolderPathW(nullptr, path, CSIDL_PROGRAMS, FALSE)) {
    return false;
  }
  path[MAX_PATH - 1] = 0;
  *folder = path;
  return true;
}

}  // namespace

int32_t CreateShortcut(std::u16string_view target,
                       std::u16string_view groupFolder,
                       std::u16string_view linkName) {
  const std::wstring wideTarget = WString(target);
  // Declared first, so the references below are released before COM is.
  ComScope com;
  HRESULT status = com.status();
  if (FAILED(status))
    return status;
  ComPtr<IShellLinkW> link;
  status = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.Receive());
  if (FAILED(status))
    return status;
  ComPtr<IPersistFile> file;
  status = link->QueryInterface(IID_IPersistFile, file.Receive());
  if (FAILED(status))
    return status;
  // A target that does not exist yet is no failure.
  status = link->SetPath(wideTarget.c_str());
  if (FAILED(status))
    return status;
  size_t lastBackslash = wideTarget.rfind(L'\\');
  if (lastBackslash == std::wstring::npos)
    return status;
  status = link->SetWorkingDirectory(wideTarget.substr(0, lastBackslash).c_str());
  if (FAILED(status))
    return status;
  std::wstring linkPath = WString(groupFolder) + L"\\" + WString(linkName);
  return file->Save(linkPath.c_str(), TRUE);
}

std::u16string ProgramsFolder() {
  std::wstring programs;
  return ProgramsFolderPath(&programs) ? std::u16string(U(programs.c_str())) : std::u16string();
}

void CreateProgramShortcuts(const SetupState& state) {
  const std::u16string programs = ProgramsFolder();
  if (programs.empty())
    return;
  std::u16string group = programs + u"\\" + state.displayName.str();
  // An existing group is reused.
  ::CreateDirectoryW(WString(group).c_str(), nullptr);
  const std::u16string folder = state.installFolder.str();
  for (const ProgramShortcut& shortcut : ProgramShortcuts(state.displayName.view()))
    CreateShortcut(folder + shortcut.target, group, shortcut.linkName);
}

}  // namespace ql
