// The worker's steps on Windows: the install dialog's fields, the shell's move, the in-use test,
// the module copy and the tool library; the portable steps (compilers, registry, data files)
// come from PortableInstallationSteps.
#include "setup/flow/installation_steps_win.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <vector>

#include "setup/contracts/tool_library.h"
#include "setup/flow/install_dialog.h"
#include "setup/flow/settings_dialog.h"
#include "setup/install/package_move.h"
#include "setup/resources/install_ids.h"

namespace ql {
namespace {

std::u16string FieldText(HWND dialog, int control) {
  HWND field = GetDlgItem(dialog, control);
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(field)) + 1, L'\0');
  int n = GetWindowTextW(field, &text[0], static_cast<int>(text.size()));
  return std::u16string(U(text.c_str(), n > 0 ? static_cast<size_t>(n) : 0));
}

std::u16string ProgramPath() {
  std::wstring path(32768, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
  return std::u16string(U(path.c_str(), n < path.size() ? n : 0));
}

// The folders no installation may take as its own: Windows, system, both Program Files,
// ProgramData, the user's profile and the folder of all profiles.
std::vector<std::u16string> SharedFolders() {
  std::vector<std::u16string> folders;
  for (int folder : {CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86,
                     CSIDL_COMMON_APPDATA, CSIDL_PROFILE}) {
    wchar_t path[MAX_PATH + 1] = {};
    if (FAILED(SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path)))
      continue;
    folders.emplace_back(U(path));
    if (folder == CSIDL_PROFILE) {
      const std::u16string& profile = folders.back();
      size_t slash = profile.rfind(u'\\');
      if (slash != std::u16string::npos && slash > 2)
        folders.push_back(profile.substr(0, slash));
    }
  }
  return folders;
}

bool MappingExists(std::u16string_view name) {
  UniqueKernelHandle mapping(
      OpenFileMappingW(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, WString(name).c_str()));
  return static_cast<bool>(mapping);
}

}  // namespace

InstallationSteps WindowsInstallationSteps(SetupState& state, HWND dialog) {
  InstallationSteps steps = PortableInstallationSteps(state);
  steps.folderFieldText = [dialog] { return FieldText(dialog, IDC_FOLDER_EDIT); };
  steps.nameFieldText = [dialog] { return FieldText(dialog, IDC_NAME_EDIT); };
  steps.collectSelection = [dialog] { CollectSelection(dialog); };
  steps.isRoot = [](std::u16string_view path) {
    return PathIsRootW(WString(path).c_str()) != FALSE;
  };
  steps.sharedFolders = SharedFolders;
  steps.programPath = ProgramPath;
  steps.createFolder = [](std::u16string_view folder) {
    CreateDirectoryW(WString(folder).c_str(), nullptr);
  };
  steps.movePackage = [](std::u16string_view from, std::u16string_view to) {
    return MovePackageFolder(PlatformPackageMoveSystem(), from, to);
  };
  steps.setCurrentDirectory = [](std::u16string_view folder) {
    SetCurrentDirectoryW(WString(folder).c_str());
  };
  steps.mappingExists = MappingExists;
  steps.restorPara = [&state] { CallRestorPara(state); };
  steps.buildSchemeIndex = [&state, dialog](uint8_t* mainData, uint8_t* userData, int32_t slot) {
    return CallCreateXMIdxDll(state, dialog, mainData, userData, slot);
  };
  steps.showSettingsDialog = [&state] { ShowSettingsDialog(state); };
  return steps;
}

}  // namespace ql
