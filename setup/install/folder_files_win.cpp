#include "setup/common/win.h"
#include "setup/install/folder_files.h"

#include <cwchar>

namespace ql {
namespace {

void ListBelow(const std::u16string& folder,
               const std::u16string& relative,
               std::vector<FolderFile>* files) {
  WIN32_FIND_DATAW found = {};
  UniqueFind search(FindFirstFileW(WString(folder + relative + u"*").c_str(), &found));
  if (!search)
    return;
  do {
    const std::u16string name(U(found.cFileName));
    if (name == u"." || name == u"..")
      continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ListBelow(folder, relative + name + u"\\", files);
      continue;
    }
    FolderFile file;
    file.path = relative + name;
    file.size = static_cast<uint64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
    file.writeTime = static_cast<uint64_t>(found.ftLastWriteTime.dwHighDateTime) << 32 |
                     found.ftLastWriteTime.dwLowDateTime;
    files->push_back(file);
  } while (FindNextFileW(search.get(), &found));
}

}  // namespace

std::vector<FolderFile> ListFolderFiles(std::u16string_view folder) {
  std::vector<FolderFile> files;
  std::u16string base(folder);
  if (base.empty())
    return files;
  if (base.back() != u'\\')
    base += u'\\';
  ListBelow(base, u"", &files);
  return files;
}

std::u16string TodayText() {
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  wchar_t text[16] = {};
  swprintf(text, 16, L"%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
  return std::u16string(U(text));
}

}  // namespace ql
