// The two phases of a run. The original, in the installed folder, cannot delete itself while it
// runs: it copies itself into the temporary folder, starts the copy and waits for the exit code
// the copy hands back through a pipe, then ends. The copy removes the installation, hands the code
// back, waits for the original to end and then removes it and the emptied folders; the copy itself
// goes at the next restart.
#include <string>

#include "setup/common/command_words.h"
#include "setup/common/files.h"
#include "setup/common/run_log.h"
#include "setup/common/text.h"
#include "setup/model/package.h"
#include "uninstall/uninstall_command_line.h"
#include "uninstall/uninstaller_win.h"

namespace ql {
namespace {

constexpr DWORD kOriginalEndMs = 30000;
constexpr std::u16string_view kCaption = u"卸载";
constexpr std::u16string_view kUsage =
    u"uninsta.exe [/S] [/KEEPDATA] [/LOG=日志文件]\n\n"
    u"  /S          不显示任何窗口，卸载全部内容\n"
    u"  /KEEPDATA   保留用户词库和设置\n"
    u"  /LOG=文件   把每个步骤和结果写入 UTF-8 日志文件\n\n"
    u"退出代码：0 已卸载，3010 重新启动后完成，1 有些项目没有删除，2 参数错误，"
    u"3 没有安装，1602 取消";

std::u16string ProgramPath() {
  std::wstring path(32768, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
  return std::u16string(U(path.c_str(), n < path.size() ? n : 0));
}

std::u16string FolderOf(const std::u16string& path) {
  return path.substr(0, path.rfind(u'\\') + 1);
}

std::u16string TempFolder() {
  wchar_t path[MAX_PATH + 1] = {};
  DWORD n = GetTempPathW(MAX_PATH + 1, path);
  return n > 0 && n <= MAX_PATH ? std::u16string(U(path)) : std::u16string();
}

// A copy of the running program under a fresh name in the temporary folder; empty when none
// could be made.
std::u16string CopyToTemp(const std::u16string& program) {
  const std::u16string temp = TempFolder();
  if (temp.empty())
    return std::u16string();
  for (DWORD attempt = 0; attempt < 100; ++attempt) {
    wchar_t name[32];
    swprintf(name, 32, L"qlun%08lX.exe", static_cast<unsigned long>(GetTickCount() + attempt));
    const std::u16string copy = temp + U(name);
    if (CopyFileW(WString(program).c_str(), WString(copy).c_str(), TRUE))
      return copy;
  }
  return std::u16string();
}

int ExitCodeOf(RemovalEnd end) {
  switch (end) {
    case RemovalEnd::kRemoved:
      return kUninstallRemoved;
    case RemovalEnd::kRestartNeeded:
      return kUninstallRestartNeeded;
    case RemovalEnd::kIncomplete:
      break;
  }
  return kUninstallFailed;
}

std::u16string FinalMessage(const std::u16string& name, RemovalEnd end) {
  switch (end) {
    case RemovalEnd::kRemoved:
      return u"“" + name + u"”已从计算机上删除。";
    case RemovalEnd::kRestartNeeded:
      return u"“" + name + u"”已删除。输入法模块正在使用，重新启动计算机后才能删除它。";
    case RemovalEnd::kIncomplete:
      break;
  }
  return u"“" + name + u"”没有全部删除，有些项目不能删除。";
}

// The removal proper, in the copy. `spared` is the original, which the copy removes once the
// original has ended; `handBack` gives the exit code to the waiting original.
int Remove(HINSTANCE instance,
           const UninstallOptions& options,
           const std::u16string& spared,
           const std::function<void(int code)>& handBack,
           const std::function<void()>& awaitOriginal) {
  RunLog log(options.logFile);
  LoggingUi ui(log, options.silent ? nullptr : &PlatformUi());
  ScopedUi scope(ui);
  log.Line(u"uninsta：卸载安装在 " + options.folder + u" 的输入法" +
           (options.keepData ? u"，保留用户词库和设置" : u""));
  const UninstallSystem system = WindowsUninstallSystem();
  const std::optional<Installation> installation = FindInstallation(options.folder);
  if (!installation) {
    ui.ShowMessage(u"没有找到安装在 " + options.folder + u" 的输入法，不需要卸载。", kCaption,
                   MB_ICONINFORMATION);
    log.Line(u"结果：没有安装，退出代码 " + DecimalText(kUninstallNotInstalled));
    handBack(kUninstallNotInstalled);
    return kUninstallNotInstalled;
  }
  log.Line(u"输入法 " + installation->name + u"，模块 " + installation->imeFile);
  auto remove = [&](bool keepData) {
    return RemoveInstallation(*installation, keepData, system, spared);
  };
  std::optional<RemovalEnd> end;
  if (options.silent) {
    end = remove(options.keepData);
  } else {
    end = ShowUninstallDialog(instance, installation->name, remove);
  }
  if (!end) {
    log.Line(u"结果：取消，退出代码 " + DecimalText(kUninstallCancelled));
    handBack(kUninstallCancelled);
    return kUninstallCancelled;
  }
  const int code = ExitCodeOf(*end);
  ui.ShowMessage(FinalMessage(installation->name, *end), kCaption,
                 *end == RemovalEnd::kRemoved ? MB_ICONINFORMATION : MB_ICONWARNING);
  log.Line(u"结果：退出代码 " + DecimalText(code));
  handBack(code);
  awaitOriginal();
  log.Line(u"步骤：删除卸载程序和空下来的文件夹");
  FinishRemoval(*installation, system, spared);
  return code;
}

// The original's part: the copy does the work; its code is this run's.
int HandOver(HINSTANCE instance, const UninstallOptions& given) {
  UninstallOptions options = given;
  const std::u16string program = ProgramPath();
  options.folder = FolderOf(program);
  if (!options.logFile.empty())
    options.logFile = FullPath(options.logFile);
  const std::u16string copy = CopyToTemp(program);
  if (copy.empty()) {
    // Without a copy the removal runs here; the running program, which cannot be deleted now,
    // goes at the next restart.
    return Remove(
        instance, options, program, [](int) {}, [] {});
  }
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
    return kUninstallFailed;
  UniqueKernelHandle reader(readEnd);
  UniqueKernelHandle writer(writeEnd);
  SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);
  HANDLE self = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                       SYNCHRONIZE, TRUE, 0))
    return kUninstallFailed;
  UniqueKernelHandle original(self);
  options.handedOff = true;
  options.resultPipe = reinterpret_cast<uintptr_t>(writer.get());
  options.original = reinterpret_cast<uintptr_t>(original.get());
  std::wstring commandLine = WString(QuotedCommandWord(copy) + HandOffCommandLine(options));
  const std::wstring folder = WString(FolderOf(copy));
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  // The copy works in the temporary folder, so no process keeps the installed folder open.
  if (!CreateProcessW(WString(copy).c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                      folder.c_str(), &startup, &info)) {
    DeleteFileW(WString(copy).c_str());
    return kUninstallFailed;
  }
  UniqueKernelHandle process(info.hProcess);
  UniqueKernelHandle thread(info.hThread);
  writer.Reset();
  original.Reset();
  SetCurrentDirectoryW(folder.c_str());
  DWORD code = 0;
  DWORD read = 0;
  if (ReadFile(reader.get(), &code, sizeof code, &read, nullptr) && read == sizeof code)
    return static_cast<int>(code);
  // The copy ended without handing a code back: its own exit code tells.
  WaitForSingleObject(process.get(), INFINITE);
  return GetExitCodeProcess(process.get(), &code) ? static_cast<int>(code) : kUninstallFailed;
}

// The copy's part.
int RunHandedOver(HINSTANCE instance, const UninstallOptions& options) {
  UniqueKernelHandle pipe(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(options.resultPipe)));
  UniqueKernelHandle original(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(options.original)));
  auto handBack = [&pipe](int code) {
    DWORD value = static_cast<DWORD>(code);
    DWORD written = 0;
    WriteFile(pipe.get(), &value, sizeof value, &written, nullptr);
    pipe.Reset();
  };
  auto awaitOriginal = [&original] { WaitForSingleObject(original.get(), kOriginalEndMs); };
  const std::u16string folder = WithTrailingBackslash(options.folder);
  UninstallOptions own = options;
  own.folder = folder;
  const int code =
      Remove(instance, own, folder + std::u16string(kUninstallerFile), handBack, awaitOriginal);
  MoveFileExW(WString(ProgramPath()).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return code;
}

}  // namespace

int RunUninstaller(HINSTANCE instance, std::u16string_view commandLine) {
  UninstallOptions options;
  std::u16string error;
  if (!ParseUninstallCommandLine(commandLine, &options, &error)) {
    if (!options.silent)
      MessageBoxW(nullptr, WString(error + u"\n\n" + std::u16string(kUsage)).c_str(),
                  WString(kCaption).c_str(), MB_ICONWARNING);
    return kUninstallBadCommandLine;
  }
  return options.handedOff ? RunHandedOver(instance, options) : HandOver(instance, options);
}

}  // namespace ql
