// ql_e2e_driver: runs setup.exe on a package folder and drives its dialogs by a list of steps,
// as a user would, failing on anything it did not expect.
//
//   ql_e2e_driver --package DIR [--setup EXE] [--args TEXT] [--timeout SECONDS] [--screenshots DIR]
//                 [--wine-frames] [--require-file RELATIVE_PATH]... [--hold-mapping NAME]...
//                 [--script FILE]
//                 [--step "STEP"]...
//
// Steps come from --script files (UTF-8, one step a line, '#' starts a comment line) and --step
// arguments, in command-line order:
//   wait KIND                      until a KIND dialog of setup is shown (captured when
//                                  --screenshots is given)
//   check KIND FIELD OP VALUE      FIELD: title | text:ID | state:ID (of a control: "enabled"
//                                  or "disabled", a space, "checked" or "unchecked"); OP: ==
//                                  exact, ^= starts with, $= ends with, *= contains, =file
//                                  equals the whole UTF-16LE file VALUE (a path relative to the
//                                  package folder); passes once it holds within a second
//   click KIND ID                  presses button ID
//   tick KIND ID                   clicks control ID itself, as the mouse does: a check box or
//                                  radio button changes its own mark, then tells the dialog
//   select KIND ID INDEX           chooses item INDEX of combo box ID, as a click in its list does
//   type KIND ID TEXT              replaces the text of edit ID (or of combo box ID's edit) by
//                                  typing TEXT one unit at a time (\u0008 is a backspace;
//                                  %PACKAGE% stands for the package folder)
//   mark KIND ID on|off TEXT       sets or clears the check mark of the first item of tree view
//                                  ID whose text starts with TEXT, then asks the dialog to
//                                  refresh, as the click on the item does
//   close KIND                     closes the dialog as its close box does
//   resume KIND                    until the KIND dialog that a click or close left open takes
//                                  steps again: every window pressed after it is gone and it is
//                                  enabled (a button that opens a window of its own, or a
//                                  refusal that keeps the dialog open)
//   exit CODE                      until setup ends; its exit code must be CODE
//   answer MIN                     until setup ends, presses OK on every message and settings
//                                  dialog it shows, printing each message; at least MIN
//                                  messages must have been shown
//   kill MS                        answers as "answer" does, and terminates setup MS
//                                  milliseconds after the step began unless it ended before
// VALUE and TEXT may write a unit as \uXXXX and a backslash as \\. KIND is agreement, install,
// settings, add-dictionary, add-scheme, open-file (the system's open-file dialog), uninstall
// (uninsta.exe's confirmation; --setup names the uninstaller then) or message. Windows of the
// processes the program starts count as its own.
// A run that does not end with "exit" or "kill" ends with "exit 0".
// The run fails, and setup is killed, when a step's check fails, when a window is shown that no
// step waits for, or when the time limit passes. Exit code: 0 passed, 1 failed, 2 bad usage,
// 77 skipped (a --require-file is missing from the package). --hold-mapping keeps a named shared
// memory block open while setup runs, as the running input-method module does. --wine-frames makes
// Wine draw window frames and titles itself, for captures on a display without window manager.
#include "setup/common/win.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/window_tools.h"

namespace ql::e2e {
namespace {

constexpr int kPassed = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kSkipped = 77;
constexpr DWORD kPollMs = 50;
constexpr DWORD kSettleMs = 1000;
// An unknown window must stay this many polls before it fails the run, so a window caught in the
// middle of its creation is not mistaken for a stranger.
constexpr int kUnknownPolls = 4;

void Print(const std::wstring& text) {
  std::wstring line = text + L"\n";
  int size = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0,
                                 nullptr, nullptr);
  if (size <= 0)
    return;
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), &bytes[0], size,
                      nullptr, nullptr);
  fwrite(bytes.data(), 1, bytes.size(), stdout);
  fflush(stdout);
}

std::wstring FromUtf8(const std::string& bytes) {
  if (bytes.empty())
    return std::wstring();
  int size =
      MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (size <= 0)
    return std::wstring();
  std::wstring text(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], size);
  return text;
}

// A path given as a host path (starting with '/') names the same place through drive Z:, which
// Wine maps to the host's root.
std::wstring WindowsPath(std::wstring path) {
  if (!path.empty() && path[0] == L'/')
    path = L"Z:" + path;
  for (wchar_t& c : path) {
    if (c == L'/')
      c = L'\\';
  }
  while (path.size() > 3 && path.back() == L'\\')
    path.pop_back();
  return path;
}

// Creates the folder and any missing parents.
void CreateFolders(const std::wstring& path) {
  for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
    CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
  CreateDirectoryW(path.c_str(), nullptr);
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file)
    return false;
  bytes.clear();
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
    bytes.append(buffer, got);
  return true;
}

// Makes control characters and invisible marks visible in a report.
std::wstring Shown(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c < 0x20 || c == 0xFEFF) {
      wchar_t code[16];
      swprintf(code, 16, L"<U+%04X>", static_cast<unsigned>(c));
      out += code;
    } else {
      out += c;
    }
  }
  return out;
}

struct Step {
  std::wstring source;  // the step as written, for reports
  std::wstring verb;
  DialogKind kind = DialogKind::kUnknown;
  std::wstring field;
  std::wstring op;
  std::wstring value;
  int number = 0;
  int index = 0;
};

// Splits off the text up to the next space; `rest` keeps what follows that one space.
std::wstring NextWord(std::wstring& rest) {
  size_t space = rest.find(L' ');
  std::wstring word = rest.substr(0, space);
  rest = space == std::wstring::npos ? std::wstring() : rest.substr(space + 1);
  return word;
}

bool ParseNumber(const std::wstring& text, int& number) {
  if (text.empty() || text.size() > 9)
    return false;
  number = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9')
      return false;
    number = number * 10 + (c - L'0');
  }
  return true;
}

// Values may name a unit as \uXXXX (four hex digits); \\ is a backslash.
bool Unescape(const std::wstring& text, std::wstring& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'\\') {
      out += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == L'\\') {
      out += L'\\';
      ++i;
    } else if (i + 5 < text.size() && text[i + 1] == L'u') {
      unsigned unit = 0;
      for (size_t k = i + 2; k < i + 6; ++k) {
        wchar_t c = text[k];
        unsigned digit = c >= L'0' && c <= L'9'   ? c - L'0'
                         : c >= L'A' && c <= L'F' ? c - L'A' + 10
                         : c >= L'a' && c <= L'f' ? c - L'a' + 10
                                                  : 16u;
        if (digit > 15)
          return false;
        unit = unit * 16 + digit;
      }
      out += static_cast<wchar_t>(unit);
      i += 5;
    } else {
      return false;
    }
  }
  return true;
}

bool ParseStep(const std::wstring& line, Step& step, std::wstring& error) {
  step = Step();
  step.source = line;
  std::wstring rest = line;
  step.verb = NextWord(rest);
  auto kind = [&] {
    std::wstring name = NextWord(rest);
    if (ParseDialogKind(name, step.kind))
      return true;
    error = L"unknown dialog kind \"" + name + L"\"";
    return false;
  };
  if (step.verb == L"wait" || step.verb == L"close" || step.verb == L"resume")
    return kind();
  if (step.verb == L"click" || step.verb == L"tick" || step.verb == L"select" ||
      step.verb == L"type" || step.verb == L"mark") {
    if (!kind())
      return false;
    if (!ParseNumber(NextWord(rest), step.number)) {
      error = step.verb + L" needs a control id";
      return false;
    }
    if (step.verb == L"select" && !ParseNumber(NextWord(rest), step.index)) {
      error = L"select needs an item index";
      return false;
    }
    if (step.verb == L"mark") {
      step.op = NextWord(rest);
      if (step.op != L"on" && step.op != L"off") {
        error = L"mark needs on or off";
        return false;
      }
    }
    if ((step.verb == L"type" || step.verb == L"mark") && !Unescape(rest, step.value)) {
      error = L"bad escape in \"" + rest + L"\"";
      return false;
    }
    return true;
  }
  if (step.verb == L"exit" || step.verb == L"answer" || step.verb == L"kill") {
    if (ParseNumber(NextWord(rest), step.number))
      return true;
    error = step.verb + L" needs a number";
    return false;
  }
  if (step.verb == L"check") {
    if (!kind())
      return false;
    step.field = NextWord(rest);
    step.op = NextWord(rest);
    if (!Unescape(rest, step.value)) {
      error = L"bad escape in \"" + rest + L"\"";
      return false;
    }
    if (step.field != L"title") {
      size_t colon = step.field.find(L':');
      std::wstring source = step.field.substr(0, colon);
      if (colon == std::wstring::npos || (source != L"text" && source != L"state")) {
        error = L"check field must be title, text:ID or state:ID";
        return false;
      }
      if (!ParseNumber(step.field.substr(colon + 1), step.number)) {
        error = L"bad control id in " + step.field;
        return false;
      }
    }
    for (const wchar_t* op : {L"==", L"^=", L"$=", L"*=", L"=file"}) {
      if (step.op == op)
        return true;
    }
    error = L"unknown comparison \"" + step.op + L"\"";
    return false;
  }
  error = L"unknown step \"" + step.verb + L"\"";
  return false;
}

bool ReadScript(const std::wstring& path, std::vector<Step>& steps, std::wstring& error) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) {
    error = L"cannot read the script " + path;
    return false;
  }
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
    bytes.erase(0, 3);
  std::wstring text = FromUtf8(bytes);
  size_t start = 0;
  int lineNumber = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos)
      end = text.size();
    std::wstring line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == L'\r')
      line.pop_back();
    if (line.empty() || line[0] == L'#')
      continue;
    Step step;
    if (!ParseStep(line, step, error)) {
      error = path + L":" + std::to_wstring(lineNumber) + L": " + error;
      return false;
    }
    steps.push_back(step);
  }
  return true;
}

struct Options {
  std::wstring package;
  std::wstring setup;
  std::wstring arguments;  // after the program's name, with a leading blank
  std::wstring screenshots;
  std::vector<std::wstring> requiredFiles;
  std::vector<std::wstring> heldMappings;
  DWORD timeoutMs = 60000;
  std::vector<Step> steps;
};

// One run of setup under the driver's control.
class Run {
 public:
  explicit Run(const Options& options) : options_(options) {}

  int Execute() {
    for (const std::wstring& name : options_.requiredFiles) {
      std::wstring path = options_.package + L"\\" + WindowsPath(name);
      if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        Print(L"SKIP: the package has no " + name);
        return kSkipped;
      }
    }
    std::vector<UniqueKernelHandle> held;
    for (const std::wstring& name : options_.heldMappings) {
      held.emplace_back(
          CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, name.c_str()));
      if (!held.back()) {
        Print(L"FAIL: cannot create the shared memory " + name);
        return kFailed;
      }
    }
    if (!Start())
      return kFailed;
    for (const Step& step : options_.steps) {
      Print(L"step: " + step.source);
      if (!Perform(step))
        return Fail();
    }
    Print(L"PASS");
    return kPassed;
  }

 private:
  bool Start() {
    std::wstring commandLine = L"\"" + options_.setup + L"\"" + options_.arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    deadline_ = GetTickCount() + options_.timeoutMs;
    if (!CreateProcessW(options_.setup.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                        nullptr, options_.package.c_str(), &startup, &info)) {
      Print(L"FAIL: cannot start " + options_.setup + L" in " + options_.package + L" (error " +
            std::to_wstring(GetLastError()) + L")");
      return false;
    }
    process_.Reset(info.hProcess);
    UniqueKernelHandle thread(info.hThread);
    processId_ = info.dwProcessId;
    return true;
  }

  bool TimeLeft() const { return static_cast<LONG>(deadline_ - GetTickCount()) > 0; }

  bool Ended(DWORD& code) const {
    if (WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0)
      return false;
    code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return true;
  }

  bool IsCurrent(HWND window) const {
    for (HWND dialog : current_) {
      if (dialog == window)
        return true;
    }
    return false;
  }

  // Fails the run on a visible window of setup that is neither `wanted` nor one the steps have
  // already dealt with.
  bool NoStrangers(DialogKind wanted, bool& found) {
    found = false;
    bool unknownSeen = false;
    for (HWND window : VisibleWindowsOf(processId_)) {
      // While setup is to end, the dialogs the steps met may still be up; only new ones fail.
      if (known_.count(window) || (wanted == DialogKind::kUnknown && IsCurrent(window)))
        continue;
      DialogKind kind = IdentifyDialog(window);
      if (kind == wanted && kind != DialogKind::kUnknown) {
        if (found) {
          error_ = L"two " + std::wstring(DialogKindName(kind)) + L" dialogs are shown";
          return false;
        }
        found = true;
        current_[static_cast<int>(kind)] = window;
        continue;
      }
      if (kind == DialogKind::kUnknown && ++unknownPolls_ < kUnknownPolls) {
        unknownSeen = true;
        continue;
      }
      error_ = L"unexpected window: " + DescribeWindow(window);
      return false;
    }
    if (!unknownSeen)
      unknownPolls_ = 0;
    return true;
  }

  bool Wait(DialogKind kind) {
    for (;;) {
      bool found = false;
      if (!NoStrangers(kind, found))
        return false;
      if (found)
        break;
      DWORD code = 0;
      if (Ended(code)) {
        error_ = L"setup ended with exit code " + std::to_wstring(code) +
                 L" instead of showing the " + DialogKindName(kind) + L" dialog";
        return false;
      }
      if (!TimeLeft()) {
        error_ = L"time limit passed while waiting for the " + std::wstring(DialogKindName(kind)) +
                 L" dialog";
        return false;
      }
      Sleep(kPollMs);
    }
    HWND dialog = current_[static_cast<int>(kind)];
    WaitForInputIdle(process_.get(), 3000);
    if (!options_.screenshots.empty()) {
      // Let the dialog finish painting before it is captured.
      RedrawWindow(dialog, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
      Sleep(400);
      wchar_t name[32];
      swprintf(name, 32, L"\\%02d-", ++shots_);
      std::wstring path = options_.screenshots + name + DialogKindName(kind) + L".bmp";
      std::wstring error;
      if (!SaveWindowPicture(dialog, path, error)) {
        error_ = L"screenshot " + path + L": " + error;
        return false;
      }
      Print(L"screenshot: " + path);
    }
    return true;
  }

  HWND Current(DialogKind kind) {
    HWND dialog = current_[static_cast<int>(kind)];
    if (dialog && IsWindow(dialog) && !known_.count(dialog))
      return dialog;
    error_ =
        L"no " + std::wstring(DialogKindName(kind)) + L" dialog is open (a wait step is missing?)";
    return nullptr;
  }

  bool Check(const Step& step) {
    HWND dialog = Current(step.kind);
    if (!dialog)
      return false;
    HWND source = dialog;
    if (step.field != L"title") {
      source = Control(dialog, step.number);
      if (!source) {
        error_ = L"the dialog has no control " + std::to_wstring(step.number);
        return false;
      }
    }
    std::wstring actual =
        step.field.rfind(L"state:", 0) == 0 ? ControlState(source) : WindowText(source);
    std::wstring expected = step.value;
    bool ok = false;
    if (step.op == L"==") {
      ok = actual == expected;
    } else if (step.op == L"^=") {
      ok = actual.compare(0, expected.size(), expected) == 0;
    } else if (step.op == L"$=") {
      ok = actual.size() >= expected.size() &&
           actual.compare(actual.size() - expected.size(), expected.size(), expected) == 0;
    } else if (step.op == L"*=") {
      ok = actual.find(expected) != std::wstring::npos;
    } else {
      std::string bytes;
      std::wstring path = options_.package + L"\\" + WindowsPath(step.value);
      if (!ReadWholeFile(path, bytes)) {
        error_ = L"cannot read " + path;
        return false;
      }
      expected.assign(bytes.size() / 2, L'\0');
      for (size_t i = 0; i < expected.size(); ++i) {
        expected[i] = static_cast<wchar_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                           static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
      }
      ok = actual == expected;
    }
    if (ok)
      return true;
    size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
      ++at;
    error_ = step.field + L" " + step.op + L" failed\n  expected (" +
             std::to_wstring(expected.size()) + L" units): \"" + Shown(expected) +
             L"\"\n  actual   (" + std::to_wstring(actual.size()) + L" units): \"" + Shown(actual) +
             L"\"\n  first difference at unit " + std::to_wstring(at);
    return false;
  }

  // A check is tried again for a short while: a posted step (tick, click) may not be handled yet
  // when the next step looks.
  template <typename Test>
  bool Settled(Test test) {
    const DWORD settleEnd = GetTickCount() + kSettleMs;
    while (!test()) {
      if (static_cast<LONG>(settleEnd - GetTickCount()) <= 0)
        return false;
      Sleep(kPollMs);
    }
    return true;
  }

  bool Perform(const Step& step) {
    if (step.verb == L"wait")
      return Wait(step.kind);
    if (step.verb == L"check")
      return Settled([&] { return Check(step); });
    if (step.verb == L"click" || step.verb == L"close") {
      HWND dialog = Current(step.kind);
      if (!dialog)
        return false;
      if (step.verb == L"close") {
        AskToClose(dialog);
      } else if (!PressButton(dialog, step.number)) {
        error_ = L"the dialog has no button " + std::to_wstring(step.number);
        return false;
      }
      // From here on the dialog may stay visible until setup handles the press.
      known_.insert(dialog);
      pressed_.push_back(dialog);
      return true;
    }
    if (step.verb == L"resume")
      return Resume(step.kind);
    if (step.verb == L"answer")
      return Answer(step.number, 0);
    if (step.verb == L"kill")
      return Answer(0, static_cast<DWORD>(step.number) + 1);
    if (step.verb == L"tick" || step.verb == L"select" || step.verb == L"type" ||
        step.verb == L"mark")
      return Operate(step);
    return Exit(step.number);
  }

  // Steps that work a control of a dialog that stays open.
  bool Operate(const Step& step) {
    HWND dialog = Current(step.kind);
    if (!dialog)
      return false;
    HWND control = Control(dialog, step.number);
    if (!control) {
      error_ = L"the dialog has no control " + std::to_wstring(step.number);
      return false;
    }
    if (step.verb == L"mark")
      return Mark(dialog, control, step);
    bool ok = step.verb == L"tick"     ? ClickControl(control)
              : step.verb == L"select" ? SelectComboItem(dialog, control, step.index)
                                       : TypeText(control, Expanded(step.value));
    if (!ok)
      error_ = L"cannot " + step.verb + L" control " + std::to_wstring(step.number);
    return ok;
  }

  // A typed text with %PACKAGE% standing for the package folder: a file dialog resolves relative
  // names against a folder of its own choosing (the last one used, remembered across runs).
  std::wstring Expanded(const std::wstring& text) const {
    static const std::wstring kPackage = L"%PACKAGE%";
    wchar_t full[MAX_PATH] = {};
    DWORD n = GetFullPathNameW(options_.package.c_str(), MAX_PATH, full, nullptr);
    const std::wstring package = n > 0 && n < MAX_PATH ? full : options_.package;
    std::wstring out = text;
    for (size_t at = out.find(kPackage); at != std::wstring::npos;
         at = out.find(kPackage, at + package.size()))
      out.replace(at, kPackage.size(), package);
    return out;
  }

  // The install dialog's refresh message, which a click in its tree posts.
  static constexpr UINT kRefreshMessage = 31607;
  static constexpr WPARAM kRefreshParameter = 10000;

  bool Mark(HWND dialog, HWND tree, const Step& step) {
    std::vector<TreeItem> items;
    if (!ReadTree(tree, process_.get(), items)) {
      error_ = L"cannot read the tree";
      return false;
    }
    for (const TreeItem& item : items) {
      if (item.text.rfind(step.value, 0) != 0)
        continue;
      if (!SetTreeCheck(tree, process_.get(), item.item, step.op == L"on")) {
        error_ = L"cannot mark \"" + item.text + L"\"";
        return false;
      }
      PostMessageW(dialog, kRefreshMessage, kRefreshParameter, kRefreshParameter);
      return true;
    }
    error_ = L"no tree item starts with \"" + step.value + L"\"";
    return false;
  }

  // Takes up again the dialog of `kind` that the steps pressed or closed last, once the windows
  // pressed after it are gone and it is enabled, so that steps act on it again.
  bool Resume(DialogKind kind) {
    HWND dialog = current_[static_cast<int>(kind)];
    auto at = std::find(pressed_.rbegin(), pressed_.rend(), dialog);
    if (!dialog || at == pressed_.rend()) {
      error_ = L"no " + std::wstring(DialogKindName(kind)) + L" dialog was pressed to resume";
      return false;
    }
    const std::vector<HWND> later(at.base(), pressed_.end());
    for (;;) {
      if (!IsWindow(dialog)) {
        error_ = L"the " + std::wstring(DialogKindName(kind)) + L" dialog has ended";
        return false;
      }
      bool laterGone = std::none_of(later.begin(), later.end(),
                                    [](HWND window) { return IsWindowVisible(window); });
      if (laterGone && IsWindowEnabled(dialog))
        break;
      bool found = false;
      if (!NoStrangers(DialogKind::kUnknown, found))
        return false;
      if (!TimeLeft()) {
        error_ = L"time limit passed while waiting to resume the " +
                 std::wstring(DialogKindName(kind)) + L" dialog";
        return false;
      }
      Sleep(kPollMs);
    }
    known_.erase(dialog);
    pressed_.erase(std::prev(at.base()));
    WaitForInputIdle(process_.get(), 3000);
    return true;
  }

  // Presses OK on each message and settings dialog until setup ends, or until `killAfterMs` - 1
  // milliseconds have passed (0: no limit), when setup is terminated.
  bool Answer(int minimumMessages, DWORD killAfterMs) {
    const DWORD start = GetTickCount();
    int messages = 0;
    for (;;) {
      DWORD code = 0;
      if (Ended(code))
        break;
      if (killAfterMs != 0 && GetTickCount() - start >= killAfterMs - 1) {
        TerminateProcess(process_.get(), 1);
        WaitForSingleObject(process_.get(), 10000);
        Print(L"killed after " + std::to_wstring(killAfterMs - 1) + L" ms");
        return true;
      }
      bool unknownSeen = false;
      for (HWND window : VisibleWindowsOf(processId_)) {
        if (known_.count(window) || IsCurrent(window))
          continue;
        const DialogKind kind = IdentifyDialog(window);
        if (kind == DialogKind::kUnknown && ++unknownPolls_ < kUnknownPolls) {
          unknownSeen = true;
          continue;
        }
        if (kind != DialogKind::kMessage && kind != DialogKind::kSettings) {
          error_ = L"unexpected window: " + DescribeWindow(window);
          return false;
        }
        if (kind == DialogKind::kMessage) {
          HWND text = Control(window, 65535);
          Print(L"told: " + WindowText(window) + L": " + Shown(text ? WindowText(text) : L""));
          ++messages;
        }
        PressButton(window, IDOK);
        known_.insert(window);
      }
      if (!unknownSeen)
        unknownPolls_ = 0;
      if (!TimeLeft()) {
        error_ = L"time limit passed while answering setup";
        return false;
      }
      Sleep(kPollMs);
    }
    if (messages < minimumMessages) {
      error_ = L"setup ended after " + std::to_wstring(messages) +
               L" messages, expected at least " + std::to_wstring(minimumMessages);
      return false;
    }
    return true;
  }

  bool Exit(int expectedCode) {
    for (;;) {
      DWORD code = 0;
      if (Ended(code)) {
        if (static_cast<int>(code) == expectedCode)
          return true;
        error_ = L"setup ended with exit code " + std::to_wstring(code) + L", expected " +
                 std::to_wstring(expectedCode);
        return false;
      }
      bool found = false;
      if (!NoStrangers(DialogKind::kUnknown, found))
        return false;
      if (!TimeLeft()) {
        error_ = L"time limit passed while waiting for setup to end";
        return false;
      }
      Sleep(kPollMs);
    }
  }

  int Fail() {
    Print(L"FAIL: " + error_);
    DWORD code = 0;
    if (process_ && !Ended(code)) {
      for (HWND window : VisibleWindowsOf(processId_))
        Print(L"  shown: " + DescribeWindow(window));
      TerminateProcess(process_.get(), 1);
      WaitForSingleObject(process_.get(), 5000);
      Print(L"  setup was killed");
    }
    return kFailed;
  }

  const Options& options_;
  UniqueKernelHandle process_;
  DWORD processId_ = 0;
  DWORD deadline_ = 0;
  HWND current_[kDialogKinds] = {};
  std::set<HWND> known_;       // dialogs already pressed or closed
  std::vector<HWND> pressed_;  // the same, in the order of the steps
  int unknownPolls_ = 0;
  int shots_ = 0;
  std::wstring error_;
};

struct KeyTraits {
  using Type = HKEY;
  static HKEY Invalid() { return nullptr; }
  static void Close(HKEY key) { RegCloseKey(key); }
};

// Wine leaves window frames to the X window manager, and a virtual display has none, so captures
// would lack title bars. This asks Wine (for processes started from now on) to draw them itself.
// Windows ignores the key.
bool LetWineDrawFrames() {
  HKEY raw = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &raw, nullptr) != ERROR_SUCCESS)
    return false;
  UniqueHandle<KeyTraits> key(raw);
  const wchar_t value[] = L"N";
  return RegSetValueExW(key.get(), L"Decorated", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                        sizeof value) == ERROR_SUCCESS;
}

int Usage(const std::wstring& problem) {
  Print(L"ql_e2e_driver: " + problem);
  Print(
      L"usage: ql_e2e_driver --package DIR [--setup EXE] [--args TEXT] [--timeout SECONDS]\n"
      L"       [--screenshots DIR]\n"
      L"       [--wine-frames] [--require-file PATH]... [--hold-mapping NAME]... [--script FILE]\n"
      L"       [--step \"STEP\"]...");
  return kUsage;
}

int Main(int argc, wchar_t** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::wstring option = argv[i];
    if (option == L"--wine-frames") {
      if (!LetWineDrawFrames())
        return Usage(L"cannot set Wine's frame drawing");
      continue;
    }
    if (i + 1 >= argc)
      return Usage(option + L" needs a value");
    std::wstring value = argv[++i];
    std::wstring error;
    if (option == L"--package") {
      options.package = WindowsPath(value);
    } else if (option == L"--setup") {
      options.setup = WindowsPath(value);
    } else if (option == L"--args") {
      options.arguments += L" " + value;
    } else if (option == L"--screenshots") {
      options.screenshots = WindowsPath(value);
    } else if (option == L"--require-file") {
      options.requiredFiles.push_back(value);
    } else if (option == L"--hold-mapping") {
      options.heldMappings.push_back(value);
    } else if (option == L"--timeout") {
      int seconds = 0;
      if (!ParseNumber(value, seconds) || seconds == 0)
        return Usage(L"bad --timeout " + value);
      options.timeoutMs = static_cast<DWORD>(seconds) * 1000;
    } else if (option == L"--script") {
      if (!ReadScript(WindowsPath(value), options.steps, error))
        return Usage(error);
    } else if (option == L"--step") {
      Step step;
      if (!ParseStep(value, step, error))
        return Usage(error);
      options.steps.push_back(step);
    } else {
      return Usage(L"unknown option " + option);
    }
  }
  if (options.package.empty())
    return Usage(L"--package is required");
  if (options.setup.empty())
    options.setup = options.package + L"\\setup.exe";
  if (options.steps.empty() ||
      (options.steps.back().verb != L"exit" && options.steps.back().verb != L"kill")) {
    Step end;
    std::wstring ignored;
    ParseStep(L"exit 0", end, ignored);
    options.steps.push_back(end);
  }
  if (!options.screenshots.empty())
    CreateFolders(options.screenshots);
  return Run(options).Execute();
}

}  // namespace
}  // namespace ql::e2e

int wmain(int argc, wchar_t** argv) {
  return ql::e2e::Main(argc, argv);
}
