// ql_e2e_inspect: prepares the Wine prefix for an installation run and reports or checks what
// the run left behind.
//
//   ql_e2e_inspect prepare NAME TARGET [SEED...]
//                                         removes TARGET, NAME's program group, install record,
//                                         settings and Programs-and-Features entry, and the
//                                         deletions pending at restart,
//                                         seeds the keyboard-layouts key (absent in a fresh
//                                         prefix) with US English and Simplified Chinese, and
//                                         resets the preload list to US English; then each SEED:
//       settings N          NAME's settings key with N values, as an earlier installation's
//       layout ID IMEFILE   a layout ID whose text names NAME and whose module is IMEFILE
//       file REL TEXT       TARGET\REL holding TEXT (UTF-16LE, "|" for a line end), as an
//                           earlier installation left it
//   ql_e2e_inspect summary NAME TARGET    prints the installed files, the registry values the
//                                         run wrote and the decoded header of the installed
//                                         cz.dat
//   ql_e2e_inspect snapshot NAME TARGET   prints what an installation of NAME into TARGET
//                                         touches, sorted: every keyboard layout, the preload
//                                         list, NAME's record, settings, Programs-and-Features
//                                         entry and program group, TARGET's files with sizes and
//                                         hashes, the system folder's modules and those deleted
//                                         at restart; the installed module's name is
//                                         written <module>, so two installations compare
//   ql_e2e_inspect module NAME            prints the base name of NAME's installed module
//   ql_e2e_inspect hold MAPPING EXE [ARGS...]
//                                         runs EXE while holding the named shared memory MAPPING
//                                         (as the running module does); prints "exit code N"
//                                         with EXE's whole code and exits with it
//   ql_e2e_inspect expect NAME TARGET WHAT...
//                                         checks each WHAT and fails (exit 1) on the first that
//                                         does not hold:
//       installed       the data files, the record, the layout and the system module are there
//       not-installed   no record, no compiled data, no layout of NAME
//       moved PACKAGE   PACKAGE (a folder) is empty: everything moved into TARGET
//       slot N TEXT     slot N of the installed cz.dat holds TEXT ("-": the slot is free)
//       settings N      NAME's settings key holds N values
//       phrase TEXT     the installed cz.dat holds the phrase TEXT
//       fuzzy DIGITS    the nine fuzzy-pinyin bytes of the installed cz.dat, e.g. 010000011
//       module-copied   the system folder holds the module named in TARGET's setup.ini
//       shortcuts N     the program group named NAME holds N links
//       file REL        TARGET holds the file REL; no-file REL: it does not
//       whole           every data file in TARGET is whole by the project's decoders
//       sound           whole, and no file is left under the temporary name of an interrupted
//                       write (a killed run leaves its last one; the next write replaces it)
//
// Output is UTF-8. NAME and TARGET are given as on the command line of a Windows program.
#include "setup/common/win.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "setup/common/bytes.h"
#include "setup/common/files.h"
#include "setup/common/registry.h"
#include "setup/common/text.h"
#include "setup/compiler/compiled_file_check.h"
#include "setup/compiler/first_install_dump.h"
#include "setup/compiler/phrase_table_dump.h"
#include "setup/compiler/phrase_table_format.h"
#include "setup/compiler/punctuation.h"
#include "setup/install/scheme_slots.h"
#include "setup/model/package.h"

namespace {

using ql::kErrorSuccess;
using ql::RegKey;

const char16_t kCurrentVersion[] = u"Software\\Microsoft\\Windows\\CurrentVersion";
const char16_t kLayouts[] = u"System\\CurrentControlSet\\Control\\Keyboard Layouts";
const char16_t kPreload[] = u"Keyboard Layout\\Preload";
const char16_t kInputMethod[] = u"Control Panel\\Input Method";
const char16_t kUninstall[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

void Print(const std::u16string& text) {
  std::string bytes = ql::Utf16ToUtf8(text) + "\n";
  fwrite(bytes.data(), 1, bytes.size(), stdout);
}

void PrintIndented(const std::string& lines) {
  size_t start = 0;
  while (start < lines.size()) {
    size_t end = lines.find('\n', start);
    if (end == std::string::npos)
      end = lines.size();
    std::string line = "    " + lines.substr(start, end - start) + "\n";
    fwrite(line.data(), 1, line.size(), stdout);
    start = end + 1;
  }
}

std::u16string WithBackslash(std::u16string folder) {
  if (folder.empty() || folder.back() != u'\\')
    folder += u'\\';
  return folder;
}

// Deletes a key and everything below it.
void DeleteTree(ql::RegHandle root, const std::u16string& path) {
  ql::Registry& registry = ql::TheRegistry();
  RegKey key;
  if (registry.OpenKey(root, path, ql::kKeyAllAccess, key.Receive()) != kErrorSuccess)
    return;
  std::u16string child;
  while (registry.EnumKey(key.get(), 0, &child) == kErrorSuccess)
    DeleteTree(root, path + u"\\" + child);
  key.Reset();
  size_t slash = path.rfind(u'\\');
  RegKey parent;
  if (registry.OpenKey(root, path.substr(0, slash), ql::kKeyAllAccess, parent.Receive()) ==
      kErrorSuccess)
    registry.DeleteKey(parent.get(), path.substr(slash + 1));
}

void SetText(ql::RegHandle root,
             const std::u16string& path,
             const std::u16string& name,
             const std::u16string& value) {
  RegKey key;
  if (ql::TheRegistry().CreateKey(root, path, ql::kKeyAllAccess, key.Receive()) != kErrorSuccess)
    return;
  std::vector<uint8_t> bytes = ql::RegStringBytes(value);
  ql::TheRegistry().SetValue(key.get(), name, ql::kRegSz, bytes.data(), bytes.size());
}

void DeleteFolder(const std::u16string& folder) {
  std::wstring from = ql::WString(folder);
  while (!from.empty() && from.back() == L'\\')
    from.pop_back();
  from.append(2, L'\0');
  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
  SHFileOperationW(&operation);
}

std::u16string ProgramGroup(const std::u16string& name);

bool Seed(const std::u16string& name,
          const std::u16string& target,
          const std::vector<std::u16string>& args,
          size_t* i) {
  const std::u16string& what = args[(*i)++];
  auto next = [&]() -> std::u16string { return *i < args.size() ? args[(*i)++] : u""; };
  if (what == u"settings") {
    std::u16string count = next();
    RegKey key;
    if (ql::TheRegistry().CreateKey(ql::kHkeyCurrentUser,
                                    std::u16string(kCurrentVersion) + u"\\" + name,
                                    ql::kKeyAllAccess, key.Receive()) != kErrorSuccess)
      return false;
    for (int n = 0; ql::DecimalText(n) != count && n < 1000; ++n) {
      const uint8_t zero[4] = {};
      ql::TheRegistry().SetValue(key.get(), u"kept" + ql::DecimalText(n), ql::kRegDword, zero, 4);
    }
    return true;
  }
  if (what == u"layout") {
    std::u16string id = next();
    std::u16string module = next();
    std::u16string path = std::u16string(kLayouts) + u"\\" + id;
    SetText(ql::kHkeyLocalMachine, path, u"IME file", module);
    SetText(ql::kHkeyLocalMachine, path, u"layout file", u"kbdus.dll");
    SetText(ql::kHkeyLocalMachine, path, u"layout text", u"中文(简体) - " + name);
    return true;
  }
  if (what == u"file") {
    // A file of an earlier installation: UTF-16LE with byte-order mark, each "|" a line end.
    std::u16string relative = next();
    std::u16string text = next();
    for (char16_t& c : text)
      c = c == u'|' ? u'\n' : c;
    std::u16string path = ql::WithTrailingBackslash(target) + relative;
    for (size_t slash = path.find(u'\\', 3); slash != std::u16string::npos;
         slash = path.find(u'\\', slash + 1))
      ql::EnsureFolder(path.substr(0, slash));
    std::u16string withLineEnds;
    for (char16_t c : text)
      withLineEnds += c == u'\n' ? std::u16string(u"\r\n") : std::u16string(1, c);
    std::vector<uint8_t> bytes = ql::EncodeUtf16Le(withLineEnds, ql::Utf16Frame::kByteOrderMark);
    return ql::WriteFileBytes(path, bytes.data(), bytes.size());
  }
  Print(u"unknown seed " + what);
  return false;
}

int Prepare(const std::u16string& name,
            const std::u16string& target,
            const std::vector<std::u16string>& seeds) {
  DeleteFolder(target);
  if (!ProgramGroup(name).empty())
    DeleteFolder(ProgramGroup(name));
  DeleteTree(ql::kHkeyLocalMachine, std::u16string(kCurrentVersion) + u"\\" + name);
  DeleteTree(ql::kHkeyCurrentUser, std::u16string(kCurrentVersion) + u"\\" + name);
  DeleteTree(ql::kHkeyLocalMachine, std::u16string(kUninstall) + u"\\" + name);
  {
    // Deletions an earlier run left pending at restart.
    RegKey session;
    if (ql::TheRegistry().OpenKey(ql::kHkeyLocalMachine,
                                  u"System\\CurrentControlSet\\Control\\Session Manager",
                                  ql::kKeyAllAccess, session.Receive()) == kErrorSuccess)
      ql::TheRegistry().DeleteValue(session.get(), u"PendingFileRenameOperations");
  }
  DeleteTree(ql::kHkeyLocalMachine, kLayouts);
  SetText(ql::kHkeyLocalMachine, std::u16string(kLayouts) + u"\\00000409", u"layout file",
          u"kbdus.dll");
  SetText(ql::kHkeyLocalMachine, std::u16string(kLayouts) + u"\\00000409", u"layout text", u"US");
  SetText(ql::kHkeyLocalMachine, std::u16string(kLayouts) + u"\\00000804", u"layout file",
          u"kbdus.dll");
  SetText(ql::kHkeyLocalMachine, std::u16string(kLayouts) + u"\\00000804", u"layout text",
          u"Chinese (Simplified) - US Keyboard");
  DeleteTree(ql::kHkeyCurrentUser, kPreload);
  SetText(ql::kHkeyCurrentUser, kPreload, u"1", u"00000409");
  for (size_t i = 0; i < seeds.size();) {
    if (!Seed(name, target, seeds, &i))
      return 1;
  }
  return 0;
}

struct Value {
  std::u16string name;
  uint32_t type = 0;
  std::vector<uint8_t> data;
};

std::vector<Value> Values(ql::RegHandle root, const std::u16string& path, bool* exists) {
  std::vector<Value> values;
  RegKey key;
  *exists = ql::TheRegistry().OpenKey(root, path, ql::kKeyRead, key.Receive()) == kErrorSuccess;
  Value value;
  for (uint32_t i = 0;
       *exists && ql::TheRegistry().EnumValue(key.get(), i, &value.name, &value.type,
                                              &value.data) == kErrorSuccess;
       ++i)
    values.push_back(value);
  return values;
}

std::u16string Describe(const Value& value) {
  if (value.type == 7) {  // REG_MULTI_SZ
    std::u16string text = value.name + u" = multi";
    std::u16string item;
    for (size_t i = 0; i + 1 < value.data.size(); i += 2) {
      char16_t c = static_cast<char16_t>(value.data[i] | value.data[i + 1] << 8);
      if (c != 0) {
        item += c;
      } else if (!item.empty()) {
        text += u" \"" + item + u"\"";
        item.clear();
      }
    }
    return text;
  }
  if (value.type == ql::kRegSz)
    return value.name + u" = \"" + ql::RegStringText(value.data) + u"\"";
  if (value.type == ql::kRegDword && value.data.size() == 4)
    return value.name + u" = dword " +
           ql::DecimalText(value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                           static_cast<uint32_t>(value.data[3]) << 24);
  std::u16string text = value.name + u" = binary";
  for (uint8_t byte : value.data)
    text += u" " + ql::DecimalText(byte);
  return text;
}

void PrintKey(ql::RegHandle root, const std::u16string& rootName, const std::u16string& path) {
  bool exists = false;
  std::vector<Value> values = Values(root, path, &exists);
  Print(rootName + u"\\" + path + (exists ? u"" : u"  (absent)"));
  for (const Value& value : values)
    Print(u"    " + Describe(value));
}

std::vector<std::u16string> Subkeys(ql::RegHandle root, const std::u16string& path) {
  std::vector<std::u16string> names;
  RegKey key;
  if (ql::TheRegistry().OpenKey(root, path, ql::kKeyRead, key.Receive()) != kErrorSuccess)
    return names;
  std::u16string name;
  for (uint32_t i = 0; ql::TheRegistry().EnumKey(key.get(), i, &name) == kErrorSuccess; ++i)
    names.push_back(name);
  return names;
}

// Files below `folder`, relative, with their sizes.
void ListFiles(const std::u16string& folder,
               const std::u16string& relative,
               std::vector<std::u16string>* lines) {
  WIN32_FIND_DATAW found = {};
  HANDLE search = FindFirstFileW(ql::WString(folder + relative + u"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE)
    return;
  do {
    std::u16string name(ql::U(found.cFileName));
    if (name == u"." || name == u"..")
      continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      ListFiles(folder, relative + name + u"\\", lines);
    else
      lines->push_back(relative + name + u"  " + ql::DecimalText(found.nFileSizeLow));
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

// The layouts whose text names the installation.
std::vector<std::u16string> LayoutsOf(const std::u16string& name) {
  std::vector<std::u16string> ids;
  for (const std::u16string& id : Subkeys(ql::kHkeyLocalMachine, kLayouts)) {
    bool exists = false;
    for (const Value& value :
         Values(ql::kHkeyLocalMachine, std::u16string(kLayouts) + u"\\" + id, &exists)) {
      if (ql::EqualsAsciiNoCase(value.name, u"layout text") &&
          ql::RegStringText(value.data) == u"中文(简体) - " + name)
        ids.push_back(id);
    }
  }
  return ids;
}

// The installed module: the "IME file" of the name's layout, or else the name the run wrote into
// the target's setup.ini (an upgrade registers nothing).
std::u16string SystemModulePath(const std::u16string& name, const std::u16string& target) {
  for (const std::u16string& id : LayoutsOf(name)) {
    bool exists = false;
    for (const Value& value :
         Values(ql::kHkeyLocalMachine, std::u16string(kLayouts) + u"\\" + id, &exists)) {
      if (ql::EqualsAsciiNoCase(value.name, u"IME file")) {
        // Wine's own registration names the module by its full path.
        const std::u16string file = ql::RegStringText(value.data);
        return file.find(u'\\') != std::u16string::npos ? file
                                                        : WithBackslash(ql::SystemFolder()) + file;
      }
    }
  }
  wchar_t stem[64] = {};
  GetPrivateProfileStringW(L"soft", L"ImeFileName", L"", stem, 64,
                           ql::WString(target + u"setup.ini").c_str());
  if (stem[0] == 0)
    return std::u16string();
  return WithBackslash(ql::SystemFolder()) + ql::U(stem) + u".ime";
}

// The version strings stamped into the installed module.
void PrintVersionStrings(const std::u16string& module) {
  std::wstring path = ql::WString(module);
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  std::vector<uint8_t> info(size);
  if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, info.data())) {
    Print(u"    (no version resource)");
    return;
  }
  struct Translation {
    WORD language;
    WORD codePage;
  }* translation = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&translation), &length) ||
      length < sizeof(Translation))
    return;
  wchar_t block[64];
  swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\", translation->language,
           translation->codePage);
  for (const wchar_t* key : {L"FileDescription", L"InternalName", L"PrivateBuild"}) {
    wchar_t* text = nullptr;
    std::wstring query = std::wstring(block) + key;
    if (VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&text), &length))
      Print(u"    " + std::u16string(ql::U(key)) + u" = \"" + ql::U(text) + u"\"");
  }
}

std::u16string ProgramGroup(const std::u16string& name) {
  wchar_t programs[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(nullptr, programs, CSIDL_COMMON_PROGRAMS, FALSE) &&
      !SHGetSpecialFolderPathW(nullptr, programs, CSIDL_PROGRAMS, FALSE))
    return std::u16string();
  return std::u16string(ql::U(programs)) + u"\\" + name + u"\\";
}

// The links of the group, each with its target (read through the item list, which keeps every
// character) and its working folder.
std::vector<std::u16string> Shortcuts(const std::u16string& group) {
  std::vector<std::u16string> lines;
  WIN32_FIND_DATAW found = {};
  HANDLE search = FindFirstFileW(ql::WString(group + u"*.lnk").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE)
    return lines;
  HRESULT com = CoInitialize(nullptr);
  do {
    std::u16string line = ql::U(found.cFileName);
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
      IPersistFile* file = nullptr;
      if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        std::wstring path = ql::WString(group) + found.cFileName;
        if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
          LPITEMIDLIST items = nullptr;
          wchar_t targetPath[MAX_PATH] = {};
          wchar_t folder[MAX_PATH] = {};
          if (SUCCEEDED(link->GetIDList(&items)) && items != nullptr) {
            SHGetPathFromIDListW(items, targetPath);
            CoTaskMemFree(items);
          }
          link->GetWorkingDirectory(folder, MAX_PATH);
          line += u" -> " + std::u16string(ql::U(targetPath)) + u"  (in " + ql::U(folder) + u")";
        }
        file->Release();
      }
      link->Release();
    }
    lines.push_back(line);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  if (SUCCEEDED(com))
    CoUninitialize();
  return lines;
}

int Summary(const std::u16string& name, const std::u16string& target) {
  Print(u"== installed folder " + target);
  std::vector<std::u16string> files;
  ListFiles(target, u"", &files);
  for (const std::u16string& line : files)
    Print(u"    " + line);
  std::u16string module = SystemModulePath(name, target);
  Print(u"== module in the system folder: " + module +
        (ql::FileExists(module) ? u"  (present)" : u"  (absent)"));
  PrintVersionStrings(module);
  std::u16string group = ProgramGroup(name);
  Print(u"== program group " + group);
  for (const std::u16string& line : Shortcuts(group))
    Print(u"    " + line);
  Print(u"== registry");
  PrintKey(ql::kHkeyLocalMachine, u"HKLM", std::u16string(kCurrentVersion) + u"\\" + name);
  PrintKey(ql::kHkeyLocalMachine, u"HKLM", std::u16string(kUninstall) + u"\\" + name);
  for (const std::u16string& id : LayoutsOf(name))
    PrintKey(ql::kHkeyLocalMachine, u"HKLM", std::u16string(kLayouts) + u"\\" + id);
  PrintKey(ql::kHkeyCurrentUser, u"HKCU", kPreload);
  PrintKey(ql::kHkeyCurrentUser, u"HKCU", kInputMethod);
  bool exists = false;
  std::u16string settings = std::u16string(kCurrentVersion) + u"\\" + name;
  std::vector<Value> values = Values(ql::kHkeyCurrentUser, settings, &exists);
  Print(u"HKCU\\" + settings + u"  (" + ql::DecimalText(static_cast<int64_t>(values.size())) +
        u" values)");
  const Value* keySymbols = nullptr;
  const Value* outputPunctuation = nullptr;
  for (const Value& value : values) {
    Print(u"    " + Describe(value));
    if (value.name == ql::kKeySymbolsValue)
      keySymbols = &value;
    if (value.name == ql::kOutputPunctuationValue)
      outputPunctuation = &value;
  }
  Print(u"== the punctuation table, decoded");
  std::string table = ql::DumpPunctuationTables(
      keySymbols ? keySymbols->data.data() : nullptr, keySymbols ? keySymbols->data.size() : 0,
      outputPunctuation ? outputPunctuation->data.data() : nullptr,
      outputPunctuation ? outputPunctuation->data.size() : 0);
  PrintIndented(table);
  for (auto [list, text, index] :
       {std::tuple(ql::CustomInputList::kCodes, ql::kCustomCodeListFile, ql::kCustomCodeIndexFile),
        std::tuple(ql::CustomInputList::kTexts, ql::kCustomTextListFile,
                   ql::kCustomTextIndexFile)}) {
    std::u16string folder = target + u"自定义输入\\";
    Print(u"== custom input " + std::u16string(index) + u", decoded");
    std::optional<std::vector<uint8_t>> textBytes =
        ql::ReadFileBytes(folder + std::u16string(text));
    std::optional<std::vector<uint8_t>> indexBytes =
        ql::ReadFileBytes(folder + std::u16string(index));
    if (!indexBytes) {
      Print(u"    (none)");
      continue;
    }
    PrintIndented(ql::DumpCustomInputIndex(list, indexBytes->data(), indexBytes->size(),
                                           textBytes ? textBytes->data() : nullptr,
                                           textBytes ? textBytes->size() : 0));
  }
  Print(u"== header of the installed cz.dat");
  std::optional<std::vector<uint8_t>> data = ql::ReadFileBytes(target + u"词库\\cz.dat");
  if (!data) {
    Print(u"    (none)");
    return 0;
  }
  std::string dump = ql::DumpPhraseTable(data->data(), data->size());
  // The header lines come before the first record.
  size_t records = dump.find("\nrecord ");
  fputs(dump.substr(0, records == std::string::npos ? dump.size() : records + 1).c_str(), stdout);
  fputs(ql::DescribeSchemeSlotsAndFuzzyPairs(data->data(), data->size()).c_str(), stdout);
  return 0;
}

bool Fail(const std::u16string& what) {
  Print(u"FAIL: " + what);
  return false;
}

// An existing folder with no file left in it.
bool FolderIsEmpty(const std::u16string& folder) {
  DWORD attributes = GetFileAttributesW(ql::WString(folder).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  std::vector<std::u16string> files;
  ListFiles(WithBackslash(folder), u"", &files);
  return files.empty();
}

bool EndsWith(const std::u16string& text, std::u16string_view end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Every data file of the installation that is in TARGET is whole by the project's own decoders;
// with `noTemporary`, no file is left under the temporary name of an interrupted write either.
bool DataFilesAreWhole(const std::u16string& target, bool noTemporary) {
  std::vector<std::u16string> lines;
  ListFiles(target, u"", &lines);
  for (const std::u16string& line : lines) {
    const std::u16string file = line.substr(0, line.rfind(u"  "));
    if (EndsWith(file, u".ql-new")) {
      if (noTemporary)
        return Fail(file + u" is left under its temporary name");
      continue;
    }
    // The data files by name, with the format each must have.
    const bool customIndex =
        file == std::u16string(ql::kCustomInputFolder) + std::u16string(ql::kCustomCodeIndexFile) ||
        file == std::u16string(ql::kCustomInputFolder) + std::u16string(ql::kCustomTextIndexFile);
    ql::CompiledFileFormat expected = ql::CompiledFileFormat::kUnknown;
    if (file == u"词库\\cz.dat" || file == u"User.dat")
      expected = ql::CompiledFileFormat::kPhraseTable;
    else if (file.rfind(u"输入方案\\", 0) == 0 && EndsWith(file, u".idx"))
      expected = ql::CompiledFileFormat::kPinyinIndex;
    else if (customIndex)
      expected = ql::CompiledFileFormat::kCustomInputIndex;
    if (expected == ql::CompiledFileFormat::kUnknown)
      continue;
    std::optional<std::vector<uint8_t>> bytes = ql::ReadFileBytes(target + file);
    if (!bytes)
      return Fail(file + u" cannot be read");
    std::string problem;
    if (ql::RecogniseCompiledFile(*bytes, customIndex) != expected) {
      problem = "it is not a file of its kind";
    } else if (file == u"User.dat" && bytes->size() != ql::kUserDataSize) {
      problem = "it is not of the user data file's size";
    } else {
      const bool codes = EndsWith(file, ql::kCustomCodeIndexFile);
      // A custom-input index is read with its text, the pinyin index with the main data file.
      std::optional<std::vector<uint8_t>> companion;
      if (customIndex) {
        companion = ql::ReadFileBytes(
            target + std::u16string(ql::kCustomInputFolder) +
            std::u16string(codes ? ql::kCustomCodeListFile : ql::kCustomTextListFile));
      } else if (EndsWith(file, u"\\" + std::u16string(ql::kPinyinIndexName))) {
        companion = ql::ReadFileBytes(target + std::u16string(ql::kMainDataFile));
      }
      const std::vector<std::string> problems =
          ql::VerifyCompiledFile(expected, *bytes, companion ? &*companion : nullptr, codes);
      if (!problems.empty())
        problem = problems.front();
    }
    if (!problem.empty())
      return Fail(file + u" is damaged: " + ql::Utf8ToUtf16(problem));
  }
  return true;
}

bool Expect(const std::u16string& name,
            const std::u16string& target,
            const std::vector<std::u16string>& args,
            size_t* i) {
  const std::u16string& what = args[(*i)++];
  auto next = [&]() -> std::u16string { return *i < args.size() ? args[(*i)++] : u""; };
  bool exists = false;
  const std::u16string record = std::u16string(kCurrentVersion) + u"\\" + name;
  if (what == u"installed" || what == u"not-installed") {
    bool installed = what == u"installed";
    std::vector<Value> values = Values(ql::kHkeyLocalMachine, record, &exists);
    if (exists != installed)
      return Fail(u"install record " + std::u16string(exists ? u"present" : u"absent"));
    if (installed) {
      bool pathOk = false, ckOk = false;
      for (const Value& value : values) {
        pathOk |= value.name == u"path" && ql::RegStringText(value.data) == target;
        ckOk |= value.name == u"ck" && ql::RegStringText(value.data) == u"cz.dat";
      }
      if (!pathOk || !ckOk)
        return Fail(u"install record values");
    }
    for (const char16_t* file : {u"词库\\cz.dat", u"User.dat"}) {
      if (ql::FileExists(target + file) != installed)
        return Fail(std::u16string(file) + (installed ? u" missing" : u" present"));
    }
    // Setup's own Simplified-Chinese layout; Wine's ImmInstallIMEW adds one of its own under
    // the user's locale, which is not counted.
    size_t chinese = 0;
    for (const std::u16string& id : LayoutsOf(name))
      chinese += id.size() == 8 && ql::EqualsAsciiNoCase(id.substr(4), u"0804");
    if (chinese != (installed ? 1u : 0u))
      return Fail(u"Simplified-Chinese keyboard layouts of the name: " +
                  ql::DecimalText(static_cast<int64_t>(chinese)));
    return true;
  }
  if (what == u"moved") {
    std::u16string package = next();
    return FolderIsEmpty(package) || Fail(u"package folder not empty: " + package);
  }
  if (what == u"slot") {
    std::u16string number = next();
    if (number.size() != 1 || number[0] < u'0' || number[0] > u'5')
      return Fail(u"slot needs a number from 0 to 5");
    int32_t slot = number[0] - u'0';
    std::u16string text = next();
    if (text == u"-")
      text.clear();
    std::optional<std::vector<uint8_t>> data = ql::ReadFileBytes(target + u"词库\\cz.dat");
    if (!data)
      return Fail(u"no cz.dat");
    std::optional<std::u16string> slotText = ql::ReadSchemeSlot(data->data(), data->size(), slot);
    return (slotText && *slotText == text) ||
           Fail(u"slot " + ql::DecimalText(slot) + u" holds \"" + slotText.value_or(u"?") + u"\"");
  }
  if (what == u"settings") {
    std::u16string count = next();
    std::vector<Value> values = Values(ql::kHkeyCurrentUser, record, &exists);
    return ql::DecimalText(static_cast<int64_t>(values.size())) == count ||
           Fail(u"settings values: " + ql::DecimalText(static_cast<int64_t>(values.size())));
  }
  if (what == u"phrase") {
    std::u16string text = next();
    std::optional<std::vector<uint8_t>> data = ql::ReadFileBytes(target + u"词库\\cz.dat");
    if (!data)
      return Fail(u"no cz.dat");
    std::string dump = ql::DumpPhraseTable(data->data(), data->size());
    return dump.find("\"" + ql::Utf16ToUtf8(text) + "\"") != std::string::npos ||
           Fail(u"no phrase " + text);
  }
  if (what == u"fuzzy") {
    std::u16string digits = next();
    std::optional<std::vector<uint8_t>> data = ql::ReadFileBytes(target + u"词库\\cz.dat");
    std::optional<ql::FuzzyPairBytes> fuzzy;
    if (data)
      fuzzy = ql::ReadFuzzyPairs(data->data(), data->size());
    if (!fuzzy)
      return Fail(u"no fuzzy-pinyin bytes");
    std::u16string actual;
    for (uint8_t pair : fuzzy->pairs)
      actual += ql::DecimalText(pair);
    return actual == digits || Fail(u"fuzzy-pinyin bytes " + actual);
  }
  if (what == u"shortcuts") {
    std::u16string count = next();
    size_t links = Shortcuts(ProgramGroup(name)).size();
    return ql::DecimalText(static_cast<int64_t>(links)) == count ||
           Fail(u"links in the program group: " + ql::DecimalText(static_cast<int64_t>(links)));
  }
  if (what == u"module-copied") {
    std::u16string module = SystemModulePath(name, target);
    return (!module.empty() && ql::FileExists(module)) || Fail(u"no module " + module);
  }
  if (what == u"sound" || what == u"whole")
    return DataFilesAreWhole(target, what == u"sound");
  if (what == u"file" || what == u"no-file") {
    std::u16string file = next();
    return ql::FileExists(target + file) == (what == u"file") ||
           Fail(file + (what == u"file" ? u" missing" : u" present"));
  }
  return Fail(u"unknown expectation " + what);
}

std::u16string ModuleStem(const std::u16string& name, const std::u16string& target) {
  bool exists = false;
  for (const Value& value :
       Values(ql::kHkeyLocalMachine, std::u16string(kUninstall) + u"\\" + name, &exists)) {
    if (value.name == u"ImeFile") {
      std::u16string file = ql::RegStringText(value.data);
      return file.substr(0, file.rfind(u'.'));
    }
  }
  wchar_t stem[64] = {};
  GetPrivateProfileStringW(L"soft", L"ImeFileName", L"", stem, 64,
                           ql::WString(target + u"setup.ini").c_str());
  return std::u16string(ql::U(stem));
}

// `text` with every spelling of `stem` (ASCII case aside) written <module>.
std::u16string Normalized(std::u16string text, const std::u16string& stem) {
  if (stem.empty())
    return text;
  for (size_t at = 0; at + stem.size() <= text.size();) {
    if (ql::EqualsAsciiNoCase(std::u16string_view(text).substr(at, stem.size()), stem)) {
      text.replace(at, stem.size(), u"<module>");
      at += 8;
    } else {
      ++at;
    }
  }
  return text;
}

// File bytes with the stem, as UTF-16LE or as single bytes (ASCII case aside), written <module>
// the same way: the installation writes the module's name into setup.ini and into the stamped
// module.
std::vector<uint8_t> NormalizedBytes(const std::vector<uint8_t>& bytes,
                                     const std::u16string& stem) {
  if (stem.empty())
    return bytes;
  std::vector<uint8_t> out;
  const std::u16string mark = u"<module>";
  for (size_t at = 0; at < bytes.size();) {
    bool wide = at + 2 * stem.size() <= bytes.size();
    for (size_t i = 0; wide && i < stem.size(); ++i)
      wide = bytes[at + 2 * i + 1] == 0 &&
             ql::AsciiLower(bytes[at + 2 * i]) == ql::AsciiLower(stem[i]);
    bool narrow = !wide && at + stem.size() <= bytes.size();
    for (size_t i = 0; narrow && i < stem.size(); ++i)
      narrow = ql::AsciiLower(bytes[at + i]) == ql::AsciiLower(stem[i]);
    if (wide || narrow) {
      for (char16_t c : mark) {
        out.push_back(static_cast<uint8_t>(c));
        if (wide)
          out.push_back(0);
      }
      at += wide ? 2 * stem.size() : stem.size();
    } else {
      out.push_back(bytes[at++]);
    }
  }
  return out;
}

uint64_t Fnv1a(const std::vector<uint8_t>& bytes) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (uint8_t byte : bytes)
    hash = (hash ^ byte) * 0x100000001b3ull;
  return hash;
}

void PrintSortedKey(ql::RegHandle root,
                    const std::u16string& label,
                    const std::u16string& path,
                    const std::u16string& stem) {
  bool exists = false;
  std::vector<Value> values = Values(root, path, &exists);
  std::sort(values.begin(), values.end(), [](const Value& a, const Value& b) {
    return ql::Utf16ToUtf8(a.name) < ql::Utf16ToUtf8(b.name);
  });
  Print(label + (exists ? u"" : u"  (absent)"));
  for (const Value& value : values)
    Print(u"    " + Normalized(Describe(value), stem));
}

int Snapshot(const std::u16string& name, const std::u16string& target) {
  const std::u16string stem = ModuleStem(name, target);
  std::vector<std::u16string> ids = Subkeys(ql::kHkeyLocalMachine, kLayouts);
  std::sort(ids.begin(), ids.end());
  for (const std::u16string& id : ids)
    PrintSortedKey(ql::kHkeyLocalMachine, u"layout " + id, std::u16string(kLayouts) + u"\\" + id,
                   stem);
  PrintSortedKey(ql::kHkeyCurrentUser, u"preload", kPreload, stem);
  const std::u16string keyed = std::u16string(kCurrentVersion) + u"\\" + name;
  PrintSortedKey(ql::kHkeyLocalMachine, u"install record", keyed, stem);
  PrintSortedKey(ql::kHkeyCurrentUser, u"settings", keyed, stem);
  PrintSortedKey(ql::kHkeyLocalMachine, u"Programs and Features",
                 std::u16string(kUninstall) + u"\\" + name, stem);
  std::vector<std::u16string> lines;
  ListFiles(ProgramGroup(name), u"", &lines);
  std::sort(lines.begin(), lines.end());
  Print(u"program group" +
        std::u16string(ql::PathExists(ProgramGroup(name)) ? u"" : u"  (absent)"));
  for (const std::u16string& line : lines)
    Print(u"    " + line);
  lines.clear();
  WIN32_FIND_DATAW found = {};
  std::vector<std::u16string> files;
  ListFiles(target, u"", &files);
  for (const std::u16string& line : files) {
    const std::u16string file = line.substr(0, line.rfind(u"  "));
    const std::vector<uint8_t> bytes =
        NormalizedBytes(ql::ReadFileBytes(target + file).value_or(std::vector<uint8_t>()), stem);
    lines.push_back(line + u"  " + ql::DecimalText(static_cast<int64_t>(Fnv1a(bytes) >> 1)));
  }
  std::sort(lines.begin(), lines.end());
  Print(u"installed folder" + std::u16string(ql::PathExists(target) ? u"" : u"  (absent)"));
  for (const std::u16string& line : lines)
    Print(u"    " + line);
  lines.clear();
  const std::u16string system = WithBackslash(ql::SystemFolder());
  HANDLE search = FindFirstFileW(ql::WString(system + u"*.ime").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do
      lines.push_back(Normalized(ql::U(found.cFileName), stem) + u"  " +
                      ql::DecimalText(found.nFileSizeLow));
    while (FindNextFileW(search, &found));
    FindClose(search);
  }
  std::sort(lines.begin(), lines.end());
  Print(u"system modules");
  for (const std::u16string& line : lines)
    Print(u"    " + line);
  // Of the deletions pending at restart, the modules'; the uninstaller's own copy in the
  // temporary folder is always among them.
  Print(u"modules deleted at restart");
  bool exists = false;
  for (const Value& value :
       Values(ql::kHkeyLocalMachine, u"System\\CurrentControlSet\\Control\\Session Manager",
              &exists)) {
    if (value.name != u"PendingFileRenameOperations")
      continue;
    std::u16string item;
    for (size_t i = 0; i + 1 < value.data.size(); i += 2) {
      char16_t c = static_cast<char16_t>(value.data[i] | value.data[i + 1] << 8);
      if (c != 0) {
        item += c;
        continue;
      }
      if (item.size() > 4 && ql::EqualsAsciiNoCase(item.substr(item.size() - 4), u".ime"))
        Print(u"    " + Normalized(item, stem));
      item.clear();
    }
  }
  return 0;
}

int Hold(const std::vector<std::u16string>& args) {
  ql::UniqueKernelHandle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                                    0, 4096, ql::WString(args[0]).c_str()));
  if (!mapping)
    return 100;
  std::wstring commandLine = L"\"" + ql::WString(args[1]) + L"\"";
  for (size_t i = 2; i < args.size(); ++i)
    commandLine += L" " + ql::WString(args[i]);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(ql::WString(args[1]).c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                      nullptr, nullptr, &startup, &info))
    return 101;
  ql::UniqueKernelHandle process(info.hProcess);
  ql::UniqueKernelHandle thread(info.hThread);
  WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 102;
  GetExitCodeProcess(process.get(), &code);
  // The host sees only the low 8 bits of an exit code; 3010 is told in full here.
  Print(u"exit code " + ql::DecimalText(code));
  return static_cast<int>(code);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 3 && std::u16string(ql::U(argv[1])) == u"module") {
    Print(ModuleStem(ql::U(argv[2]), u""));
    return 0;
  }
  if (argc >= 4 && std::u16string(ql::U(argv[1])) == u"hold") {
    std::vector<std::u16string> args;
    for (int i = 2; i < argc; ++i)
      args.emplace_back(ql::U(argv[i]));
    return Hold(args);
  }
  if (argc < 4) {
    fputs(
        "usage: ql_e2e_inspect prepare|summary|snapshot|expect NAME TARGET [WHAT...]\n"
        "       ql_e2e_inspect module NAME | hold MAPPING EXE [ARGS...]\n",
        stderr);
    return 2;
  }
  std::u16string command(ql::U(argv[1]));
  std::u16string name(ql::U(argv[2]));
  std::u16string target = WithBackslash(std::u16string(ql::U(argv[3])));
  std::vector<std::u16string> args;
  for (int i = 4; i < argc; ++i)
    args.emplace_back(ql::U(argv[i]));
  if (command == u"prepare")
    return Prepare(name, target, args);
  if (command == u"summary")
    return Summary(name, target);
  if (command == u"snapshot")
    return Snapshot(name, target);
  if (command == u"expect") {
    for (size_t i = 0; i < args.size();) {
      if (!Expect(name, target, args, &i))
        return 1;
    }
    Print(u"all expectations hold");
    return 0;
  }
  fputs("unknown command\n", stderr);
  return 2;
}
