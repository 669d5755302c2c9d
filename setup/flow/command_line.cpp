#include "setup/flow/command_line.h"

#include "setup/common/command_words.h"
#include "setup/common/text.h"

namespace ql {
namespace {

constexpr std::u16string_view kFolderLast = u"/D= 必须是最后一个参数，文件夹中不能有引号";

bool Refuse(std::u16string_view why, std::u16string* error) {
  *error = std::u16string(why);
  return false;
}

// One value switch: its text after the '=' when `argument` is it; false, with the error, when it
// is repeated or empty.
bool TakeValue(std::u16string_view argument,
               std::u16string_view prefix,
               bool* seen,
               std::u16string* value,
               std::u16string* error) {
  if (*seen) {
    *error = std::u16string(prefix.substr(0, prefix.size() - 1)) + u" 只能给出一次";
    return false;
  }
  *seen = true;
  *value = std::u16string(argument.substr(prefix.size()));
  if (value->empty()) {
    *error = std::u16string(prefix) + u" 后面缺少内容";
    return false;
  }
  return true;
}

bool TakeFlag(bool* flag, std::u16string_view name, std::u16string* error) {
  if (*flag) {
    *error = std::u16string(name) + u" 只能给出一次";
    return false;
  }
  *flag = true;
  return true;
}

}  // namespace

bool ParseSetupCommandLine(std::u16string_view line, SetupOptions* options, std::u16string* error) {
  *options = SetupOptions();
  bool hasLog = false;
  size_t at = 0;
  while (SkipCommandBlanks(line, &at)) {
    // As installers read it: /D= is the last switch and keeps its blanks. A folder in quotes, or
    // the whole switch in quotes as programs that start setup write an argument with blanks, is
    // taken too.
    if (StartsWithAsciiNoCase(line.substr(at), u"/D=")) {
      std::u16string_view rest = line.substr(at + 3);
      while (!rest.empty() && IsCommandBlank(rest.back()))
        rest.remove_suffix(1);
      if (rest.size() >= 2 && rest.front() == u'"' && rest.back() == u'"')
        rest = rest.substr(1, rest.size() - 2);
      if (rest.find(u'"') != std::u16string_view::npos)
        return Refuse(kFolderLast, error);
      if (!TakeValue(std::u16string(u"/D=") + std::u16string(rest), u"/D=", &options->hasFolder,
                     &options->folder, error))
        return false;
      break;
    }
    const std::u16string argument = NextCommandWord(line, &at);
    bool ok = true;
    if (StartsWithAsciiNoCase(argument, u"/D="))
      ok = SkipCommandBlanks(line, &at)
               ? Refuse(kFolderLast, error)
               : TakeValue(argument, u"/D=", &options->hasFolder, &options->folder, error);
    else if (EqualsAsciiNoCase(argument, u"/S"))
      ok = TakeFlag(&options->silent, u"/S", error);
    else if (EqualsAsciiNoCase(argument, u"/UPGRADE"))
      ok = TakeFlag(&options->upgrade, u"/UPGRADE", error);
    else if (argument == u"/?")
      ok = TakeFlag(&options->help, u"/?", error);
    else if (StartsWithAsciiNoCase(argument, u"/NAME="))
      ok = TakeValue(argument, u"/NAME=", &options->hasName, &options->name, error);
    else if (StartsWithAsciiNoCase(argument, u"/LOG="))
      ok = TakeValue(argument, u"/LOG=", &hasLog, &options->logFile, error);
    else
      ok = Refuse(u"不认识的参数：" + argument, error);
    if (!ok)
      return false;
  }
  if (!options->silent && !options->help &&
      (options->hasFolder || options->hasName || options->upgrade)) {
    *error = u"/D=、/NAME= 和 /UPGRADE 只用于无人值守安装（/S）";
    return false;
  }
  return true;
}

std::u16string SetupUsage() {
  return u"setup.exe [/S [/UPGRADE] [/NAME=名称]] [/LOG=日志文件] [/D=安装文件夹]\n"
         u"\n"
         u"  /S          无人值守安装：不显示任何窗口，安装默认选择的输入法和词库\n"
         u"  /UPGRADE    升级安装（只替换输入法模块），与 /S 一起使用\n"
         u"  /NAME=名称  输入法名称，默认与安装对话框相同\n"
         u"  /LOG=文件   把每个步骤、每条消息和结果写入 UTF-8 日志文件\n"
         u"  /D=文件夹   安装文件夹，必须是最后一个参数，可以含空格\n"
         u"  /?          显示本说明\n"
         u"\n"
         u"退出代码：0 安装完成，2 参数错误，3 安装文件夹被拒绝，4 输入法正在使用，"
         u"5 安装中途停止";
}

}  // namespace ql
