#include "setup/install/shortcuts.h"
#include "setup/model/package.h"

namespace ql {

std::vector<ProgramShortcut> ProgramShortcuts(std::u16string_view displayName) {
  return {
      {u"TOOL\\qlcz.exe", u"多音词组提取程序.lnk"},
      {u"TOOL\\qlmb.exe", u"码表处理程序.lnk"},
      {u"setup.exe", u"重新安装.lnk"},
      {u"IMEHELP.CHM", u"软件帮助.lnk"},
      {std::u16string(kUninstallerFile), u"卸载 " + std::u16string(displayName) + u".lnk"},
  };
}

}  // namespace ql
