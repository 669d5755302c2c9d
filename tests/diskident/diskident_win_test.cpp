// diskident on the system, under Wine. The program itself sends to a window of this test: what
// arrives must be what the same run sends in process, over WM_COPYDATA with identifier 1 and the
// window as wParam. Wine answers the storage query of drive 0 with an empty 40-byte descriptor and
// has no other drives and no removable one, so the USB walk is proved in process: drives made up
// behind the seam, the registry keys written here, the system's ANSI conversion and SendMessageW.
#include <windows.h>

#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "diskident/machine_win.h"
#include "tests/diskident/test_bytes.h"

namespace diskident {
namespace {

using test::DescriptorBytes;
using test::ExpectedRecord;
using test::RecordBytes;

using Bytes = std::vector<uint8_t>;

std::wstring Hex(uint32_t value) {
  wchar_t text[16];
  wsprintfW(text, L"%lx", static_cast<unsigned long>(value));
  return text;
}

// A hidden window that keeps every WM_COPYDATA it gets.
class Receiver {
 public:
  struct Received {
    WPARAM wParam;
    ULONG_PTR identifier;
    Bytes bytes;
  };

  Receiver() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClass;
    RegisterClassW(&windowClass);  // fails harmlessly when already registered
    window_ = CreateWindowExW(0, kClass, L"", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                              GetModuleHandleW(nullptr), this);
  }
  ~Receiver() { DestroyWindow(window_); }
  Receiver(const Receiver&) = delete;
  Receiver& operator=(const Receiver&) = delete;

  HWND window() const { return window_; }
  uint32_t handle() const { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window_)); }
  const std::vector<Received>& received() const { return received_; }

  // Runs diskident.exe with `arguments` after its name and handles messages until it ends. Its exit
  // code; -1 when it cannot be started or has not ended within 30 seconds.
  long RunProgram(const std::wstring& arguments) {
    wchar_t self[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring program(self, length);
    program = program.substr(0, program.rfind(L'\\') + 1) + QL_DISKIDENT_RELATIVE;
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
      return -1;
    CloseHandle(process.hThread);
    DWORD deadline = GetTickCount() + 30000;
    long code = -1;
    for (;;) {
      DWORD now = GetTickCount();
      DWORD wait = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE,
                                             now < deadline ? deadline - now : 0, QS_ALLINPUT);
      if (wait == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
          DispatchMessageW(&message);
        continue;
      }
      DWORD exitCode = 0;
      if (wait == WAIT_OBJECT_0 && GetExitCodeProcess(process.hProcess, &exitCode))
        code = static_cast<long>(exitCode);
      else
        TerminateProcess(process.hProcess, 1);
      break;
    }
    CloseHandle(process.hProcess);
    return code;
  }

 private:
  static constexpr const wchar_t* kClass = L"QlDiskidentReceiver";

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Receiver*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_COPYDATA && self != nullptr) {
      auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      const uint8_t* begin = static_cast<const uint8_t*>(data->lpData);
      self->received_.push_back({wParam, data->dwData, Bytes(begin, begin + data->cbData)});
      return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  HWND window_ = nullptr;
  std::vector<Received> received_;
};

// The system's drives, with the records kept instead of sent.
class RecordingMachine : public WindowsMachine {
 public:
  void Send(uint32_t, const DriveIdentityRecord& record) override {
    records.push_back(RecordBytes(record));
  }
  std::vector<Bytes> records;
};

TEST(DiskidentProgram, SendsTheRecordsOfTheRunToTheWindow) {
  RecordingMachine inProcess;
  ReportDriveIdentities({u"diskident.exe", u"probe", u"1234"}, inProcess);
  // Wine's drive 0: neither a product nor a serial string, not removable.
  EXPECT_EQ(inProcess.records, std::vector<Bytes>{ExpectedRecord("", "", 1)});

  Receiver receiver;
  ASSERT_NE(receiver.window(), nullptr);
  EXPECT_EQ(receiver.RunProgram(L"probe " + Hex(receiver.handle())), 0);
  ASSERT_EQ(receiver.received().size(), inProcess.records.size());
  for (size_t i = 0; i < inProcess.records.size(); ++i) {
    const Receiver::Received& received = receiver.received()[i];
    EXPECT_EQ(received.identifier, 1u);
    EXPECT_EQ(received.wParam, reinterpret_cast<WPARAM>(receiver.window()));
    EXPECT_EQ(received.bytes, inProcess.records[i]);
  }
}

TEST(DiskidentProgram, SendsNothingWithoutAWindowAndAlwaysExitsZero) {
  Receiver receiver;
  ASSERT_NE(receiver.window(), nullptr);
  std::wstring window = Hex(receiver.handle());
  // The handle as the only argument is argument 1, which is not used.
  for (const std::wstring& arguments :
       std::vector<std::wstring>{L"", window, L"probe 0", L"probe zz", L"\"\" 0x0"}) {
    EXPECT_EQ(receiver.RunProgram(arguments), 0) << arguments.c_str();
    EXPECT_TRUE(receiver.received().empty()) << arguments.c_str();
  }
  EXPECT_EQ(receiver.RunProgram(L"\"a b\" 0X" + window + L" extra"), 0);
  EXPECT_EQ(receiver.received().size(), 1u);
}

// Drives made up behind the seam; everything else is the system's.
class MadeUpDrives : public WindowsMachine {
 public:
  explicit MadeUpDrives(std::map<int, Bytes> drives) : drives_(std::move(drives)) {}
  bool QueryStorageDescriptor(int number,
                              uint8_t* buffer,
                              size_t capacity,
                              size_t* returned) override {
    auto drive = drives_.find(number);
    if (drive == drives_.end())
      return false;
    *returned = std::min(capacity, drive->second.size());
    std::memcpy(buffer, drive->second.data(), *returned);
    return true;
  }

 private:
  std::map<int, Bytes> drives_;
};

std::u16string WindowArgument(const Receiver& receiver) {
  std::wstring hex = Hex(receiver.handle());
  return std::u16string(hex.begin(), hex.end());
}

const wchar_t kServiceKey[] = L"SYSTEM\\CurrentControlSet\\Services\\USBSTOR";
const wchar_t kListKey[] = L"SYSTEM\\CurrentControlSet\\Services\\USBSTOR\\Enum";
const wchar_t kDevicesKey[] = L"SYSTEM\\CurrentControlSet\\Enum\\USBSTOR";
const wchar_t kMarker[] = L"QlDiskidentTest";

// The USB list and device keys this test writes into HKEY_LOCAL_MACHINE, removed afterwards. A
// machine that has them already is left alone (the test is skipped); keys left by an interrupted
// run of this test carry its marker and are replaced.
class UsbRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const wchar_t* path : {kServiceKey, kDevicesKey}) {
      HKEY key = nullptr;
      if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        continue;
      bool ours = RegQueryValueExW(key, kMarker, nullptr, nullptr, nullptr, nullptr) == 0;
      RegCloseKey(key);
      if (!ours)
        GTEST_SKIP() << "the machine has a USB storage list of its own";
      SHDeleteKeyW(HKEY_LOCAL_MACHINE, path);
    }
    created_ = true;
    SetDword(kServiceKey, kMarker, 1);
    SetDword(kDevicesKey, kMarker, 1);
  }
  void TearDown() override {
    if (!created_)
      return;
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, kServiceKey);
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, kDevicesKey);
  }

  static HKEY Create(const std::wstring& path) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    return key;
  }
  static void SetDword(const std::wstring& path, const wchar_t* name, DWORD value) {
    HKEY key = Create(path);
    ASSERT_NE(key, nullptr);
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
  }
  static void SetString(const std::wstring& path, const wchar_t* name, const std::wstring& text) {
    HKEY key = Create(path);
    ASSERT_NE(key, nullptr);
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
  static void AddInstance(const std::wstring& device, const std::wstring& instance) {
    HKEY key = Create(std::wstring(kDevicesKey) + L"\\" + device + L"\\" + instance);
    ASSERT_NE(key, nullptr);
    RegCloseKey(key);
  }

  bool created_ = false;
};

TEST_F(UsbRegistry, FixedDrivesThenTheFirstPresentUsbDevice) {
  const std::wstring serial = L"4C530001230815117103\u00E9";  // one byte in code page 1252
  const std::wstring path = L"USB\\Vid_0781&Pid_5567\\" + serial;
  const std::wstring other = L"USB\\Vid_0951&Pid_1643\\OTHER0001";
  // 227 units and the terminator fill the 456-byte buffer exactly; one more unit does not fit,
  // so value "0" cannot be read although its device is present.
  SetDword(kListKey, L"Count", 3);
  SetString(kListKey, L"0", std::wstring(228 - other.size(), L'\\') + other);
  SetString(kListKey, L"1", L"USB\\Vid_1234&Pid_0001\\GONE0001");
  SetString(kListKey, L"2", std::wstring(227 - path.size(), L'\\') + path);
  AddInstance(L"Disk&Ven_Kingston&Prod_DT&Rev_1.00", L"OTHER0001&0");
  AddInstance(L"Disk&Ven_SanDisk&Prod_Cruzer&Rev_1.00", serial + L"&0");

  MadeUpDrives machine({
      {0, DescriptorBytes(false, "ST3500418AS", "            5VM1XYZ1")},
      {1, DescriptorBytes(true, "Cruzer", std::nullopt)},
      {2, DescriptorBytes(false, "ST2000DM001", std::nullopt)},
      {4, DescriptorBytes(false, std::string(40, 'P'), "S4")},
      {10, DescriptorBytes(false, "Never probed", "S10")},
  });
  Receiver receiver;
  ASSERT_NE(receiver.window(), nullptr);
  ReportDriveIdentities({u"diskident.exe", u"probe", u"0x" + WindowArgument(receiver)}, machine);

  std::vector<Bytes> expected = {
      ExpectedRecord("ST3500418AS", "            5VM1XYZ1", 1),
      ExpectedRecord("ST2000DM001", "", 1),
      ExpectedRecord("", "S4", 1),
      ExpectedRecord("Vid_0781&Pid_5567", "4C530001230815117103\xE9", 2),
  };
  ASSERT_EQ(receiver.received().size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(receiver.received()[i].bytes, expected[i]) << "record " << i;
    EXPECT_EQ(receiver.received()[i].identifier, 1u);
  }
}

TEST_F(UsbRegistry, NoRemovableDriveLeavesTheListUnread) {
  SetDword(kListKey, L"Count", 1);
  SetString(kListKey, L"0", L"USB\\Vid_0781&Pid_5567\\SERIAL1");
  AddInstance(L"Disk&Ven_SanDisk", L"SERIAL1&0");
  Receiver receiver;
  ASSERT_NE(receiver.window(), nullptr);
  MadeUpDrives fixedOnly(
      {{0, DescriptorBytes(false, "A", "1")}, {1, DescriptorBytes(false, "B", "2")}});
  std::u16string window = WindowArgument(receiver);
  ReportDriveIdentities({u"diskident.exe", u"probe", window}, fixedOnly);
  ASSERT_EQ(receiver.received().size(), 2u);
  EXPECT_EQ(receiver.received()[0].bytes, ExpectedRecord("A", "1", 1));
  EXPECT_EQ(receiver.received()[1].bytes, ExpectedRecord("B", "2", 1));

  MadeUpDrives withStick({{3, DescriptorBytes(true, "Stick", std::nullopt)}});
  ReportDriveIdentities({u"diskident.exe", u"probe", window}, withStick);
  ASSERT_EQ(receiver.received().size(), 3u);
  EXPECT_EQ(receiver.received()[2].bytes, ExpectedRecord("Vid_0781&Pid_5567", "SERIAL1", 2));
}

}  // namespace
}  // namespace diskident
