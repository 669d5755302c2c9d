// Access rights of the installed folder. Wine keeps a folder's access-control list only as the
// Unix permission bits it maps it to, and reads back a list made up from those bits, so the
// construction of the new list is proved on in-memory descriptors: the same code with only the
// final read and write of the object replaced. The real account lookup, the list functions and the
// late-bound entry points are the system's. One test runs the real read and write on a folder.
#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "setup/common/text.h"
#include "setup/install/file_access.h"
#include "setup/install/file_access_win.h"
#include "tests/support/test_support.h"

namespace ql {
namespace {

constexpr BYTE kInheritable = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
constexpr BYTE kInherited = INHERITED_ACE | kInheritable;
constexpr DWORD kReadOnly = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;

// One entry of a list, with its SID as text ("S-1-1-0").
struct Entry {
  BYTE type;
  BYTE flags;
  DWORD mask;
  std::wstring sid;
  bool operator==(const Entry& other) const {
    return type == other.type && flags == other.flags && mask == other.mask && sid == other.sid;
  }
};
const wchar_t kEveryone[] = L"S-1-1-0";
const wchar_t kSystem[] = L"S-1-5-18";
const wchar_t kAdministrators[] = L"S-1-5-32-544";
const wchar_t kUsers[] = L"S-1-5-32-545";

Entry Allow(const wchar_t* sid, BYTE flags = 0, DWORD mask = kReadOnly) {
  return {ACCESS_ALLOWED_ACE_TYPE, flags, mask, sid};
}
Entry Deny(const wchar_t* sid, BYTE flags = 0, DWORD mask = FILE_GENERIC_WRITE) {
  return {ACCESS_DENIED_ACE_TYPE, flags, mask, sid};
}
// The entry the operation adds for "everyone".
const Entry kGranted = Allow(kEveryone, kInheritable, kGenericAll);

std::ostream& operator<<(std::ostream& out, const Entry& entry) {
  return out << (entry.type == ACCESS_ALLOWED_ACE_TYPE ? "allow " : "deny ")
             << Utf16ToUtf8(U(entry.sid.c_str())) << " flags " << int{entry.flags} << " mask "
             << std::hex << entry.mask << std::dec;
}

struct LocalSid {
  PSID sid = nullptr;
  explicit LocalSid(const std::wstring& text) { ConvertStringSidToSidW(text.c_str(), &sid); }
  ~LocalSid() { LocalFree(sid); }
  LocalSid(const LocalSid&) = delete;
  LocalSid& operator=(const LocalSid&) = delete;
};

// A self-relative descriptor: no list at all (nullopt), a null list, or these entries, with
// the given control bits.
enum class Dacl { kAbsent, kNull, kList };
std::vector<uint8_t> Descriptor(Dacl kind,
                                const std::vector<Entry>& entries = {},
                                SECURITY_DESCRIPTOR_CONTROL control = 0) {
  SECURITY_DESCRIPTOR descriptor;
  EXPECT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
  std::vector<uint8_t> acl(1024);
  EXPECT_TRUE(InitializeAcl(reinterpret_cast<PACL>(acl.data()), acl.size(), ACL_REVISION));
  for (const Entry& entry : entries) {
    LocalSid sid(entry.sid);
    auto* list = reinterpret_cast<PACL>(acl.data());
    if (entry.type == ACCESS_ALLOWED_ACE_TYPE) {
      EXPECT_TRUE(AddAccessAllowedAceEx(list, ACL_REVISION, entry.flags, entry.mask, sid.sid));
    } else {
      EXPECT_TRUE(AddAccessDeniedAceEx(list, ACL_REVISION, entry.flags, entry.mask, sid.sid));
    }
  }
  if (kind != Dacl::kAbsent) {
    EXPECT_TRUE(SetSecurityDescriptorDacl(
        &descriptor, TRUE, kind == Dacl::kNull ? nullptr : reinterpret_cast<PACL>(acl.data()),
        FALSE));
  }
  if (control != 0) {
    EXPECT_TRUE(SetSecurityDescriptorControl(&descriptor, control, control));
  }
  DWORD size = 0;
  MakeSelfRelativeSD(&descriptor, nullptr, &size);
  std::vector<uint8_t> bytes(size);
  EXPECT_TRUE(MakeSelfRelativeSD(&descriptor, bytes.data(), &size));
  return bytes;
}

std::vector<Entry> Entries(PSECURITY_DESCRIPTOR descriptor) {
  std::vector<Entry> entries;
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL acl = nullptr;
  EXPECT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted));
  EXPECT_TRUE(present);
  if (!present || acl == nullptr)
    return entries;
  for (DWORD i = 0; i < acl->AceCount; ++i) {
    void* raw = nullptr;
    EXPECT_TRUE(GetAce(acl, i, &raw));
    auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
    wchar_t* sidText = nullptr;
    EXPECT_TRUE(ConvertSidToStringSidW(&ace->SidStart, &sidText));
    entries.push_back({ace->Header.AceType, ace->Header.AceFlags, ace->Mask, sidText});
    LocalFree(sidText);
  }
  return entries;
}

SECURITY_DESCRIPTOR_CONTROL Control(PSECURITY_DESCRIPTOR descriptor) {
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  EXPECT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
  return control;
}

// A file or folder whose descriptor lives in memory: read as the system reads one (sizing call
// first), written as a self-relative copy of what the operation hands over, which the next read
// returns.
class InMemoryObject {
 public:
  explicit InMemoryObject(std::vector<uint8_t> descriptor) : descriptor_(std::move(descriptor)) {
    calls_ = SystemFileSecurityCalls();
    calls_.getFileSecurity = [this](const wchar_t* path, SECURITY_INFORMATION information,
                                    PSECURITY_DESCRIPTOR out, DWORD size, DWORD* needed) -> BOOL {
      EXPECT_EQ(std::wstring(path), L"C:\\青岚\\");
      EXPECT_EQ(information, DWORD{DACL_SECURITY_INFORMATION});
      ++reads;
      *needed = static_cast<DWORD>(descriptor_.size());
      if (size < descriptor_.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
      }
      std::copy(descriptor_.begin(), descriptor_.end(), static_cast<uint8_t*>(out));
      return TRUE;
    };
    calls_.setFileSecurity = [this](const wchar_t*, SECURITY_INFORMATION information,
                                    PSECURITY_DESCRIPTOR in) -> BOOL {
      EXPECT_EQ(information & ~OWNER_SECURITY_INFORMATION, DWORD{DACL_SECURITY_INFORMATION});
      if (information & OWNER_SECURITY_INFORMATION) {
        if (ownerRefused) {
          SetLastError(ERROR_INVALID_OWNER);
          return FALSE;
        }
        PSID sid = nullptr;
        BOOL defaulted = FALSE;
        EXPECT_TRUE(GetSecurityDescriptorOwner(in, &sid, &defaulted));
        wchar_t* text = nullptr;
        EXPECT_TRUE(ConvertSidToStringSidW(sid, &text));
        owner = text;
        LocalFree(text);
      }
      ++writes;
      DWORD size = 0;
      MakeSelfRelativeSD(in, nullptr, &size);
      descriptor_.assign(size, 0);
      EXPECT_TRUE(MakeSelfRelativeSD(in, descriptor_.data(), &size));
      return TRUE;
    };
    calls_.advapiExport = [this](const char* name) -> FARPROC {
      if (hiddenExports.count(name) != 0)
        return nullptr;
      return GetProcAddress(GetModuleHandleW(L"advapi32.dll"), name);
    };
    calls_.report = [this](std::u16string_view line) { lines.emplace_back(line); };
  }

  int Grant(std::u16string_view account = u"everyone") {
    return GrantFileAccess(u"C:\\青岚\\", account, kGenericAll, calls_);
  }
  std::vector<Entry> entries() { return Entries(descriptor_.data()); }
  SECURITY_DESCRIPTOR_CONTROL control() { return Control(descriptor_.data()); }

  FileSecurityCalls& calls() { return calls_; }
  std::set<std::string> hiddenExports;
  bool ownerRefused = false;
  std::wstring owner;
  std::vector<std::u16string> lines;
  int reads = 0;
  int writes = 0;

 private:
  std::vector<uint8_t> descriptor_;
  FileSecurityCalls calls_;
};

TEST(FileAccess, AnObjectWithoutAListGetsTheOneNewEntry) {
  for (Dacl kind : {Dacl::kAbsent, Dacl::kNull}) {
    SCOPED_TRACE(kind == Dacl::kAbsent ? "absent" : "null");
    InMemoryObject object(Descriptor(kind));
    EXPECT_NE(object.Grant(), 0);
    EXPECT_EQ(object.entries(), std::vector<Entry>{kGranted});
    EXPECT_TRUE(object.lines.empty());
  }
}

// The account's own explicit entries, allowing or denying, give way to the new one; the other
// explicit entries stay ahead of it and the inherited ones, the account's too, follow it.
TEST(FileAccess, ReplacesTheAccountsExplicitEntriesAndKeepsTheOrder) {
  InMemoryObject object(
      Descriptor(Dacl::kList, {Allow(kSystem), Deny(kEveryone), Allow(kEveryone, kInheritable),
                               Allow(kAdministrators, kInheritable, GENERIC_ALL),
                               Allow(kEveryone, kInherited), Allow(kSystem, kInherited)}));
  EXPECT_NE(object.Grant(), 0);
  EXPECT_EQ(
      object.entries(),
      (std::vector<Entry>{Allow(kSystem), Allow(kAdministrators, kInheritable, GENERIC_ALL),
                          kGranted, Allow(kEveryone, kInherited), Allow(kSystem, kInherited)}));

  // Once more: still one explicit entry for the account.
  EXPECT_NE(object.Grant(), 0);
  EXPECT_EQ(
      object.entries(),
      (std::vector<Entry>{Allow(kSystem), Allow(kAdministrators, kInheritable, GENERIC_ALL),
                          kGranted, Allow(kEveryone, kInherited), Allow(kSystem, kInherited)}));
  EXPECT_EQ(object.writes, 2);
}

// The copy of the explicit entries ends at the first inherited one: an explicit entry after it
// moves behind the new entry, unchanged even when it is the account's.
TEST(FileAccess, EntriesAfterTheFirstInheritedOneFollowTheNewEntry) {
  InMemoryObject object(Descriptor(Dacl::kList, {Allow(kSystem), Allow(kUsers, kInherited),
                                                 Allow(kAdministrators), Deny(kEveryone)}));
  EXPECT_NE(object.Grant(), 0);
  EXPECT_EQ(object.entries(),
            (std::vector<Entry>{Allow(kSystem), kGranted, Allow(kUsers, kInherited),
                                Allow(kAdministrators), Deny(kEveryone)}));
}

TEST(FileAccess, CarriesTheAutoInheritedOrProtectedStatusOver) {
  struct Case {
    SECURITY_DESCRIPTOR_CONTROL old;
    SECURITY_DESCRIPTOR_CONTROL expected;
  };
  const SECURITY_DESCRIPTOR_CONTROL kBits =
      SE_DACL_AUTO_INHERIT_REQ | SE_DACL_AUTO_INHERITED | SE_DACL_PROTECTED;
  const Case cases[] = {
      {0, 0},
      {SE_DACL_AUTO_INHERITED, SE_DACL_AUTO_INHERIT_REQ | SE_DACL_AUTO_INHERITED},
      {SE_DACL_AUTO_INHERIT_REQ, 0},
      {SE_DACL_PROTECTED, SE_DACL_PROTECTED},
      {SE_DACL_PROTECTED | SE_DACL_AUTO_INHERITED,
       SE_DACL_AUTO_INHERIT_REQ | SE_DACL_AUTO_INHERITED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.old);
    InMemoryObject object(Descriptor(Dacl::kList, {Allow(kSystem, kInherited)}, c.old));
    EXPECT_NE(object.Grant(), 0);
    EXPECT_EQ(object.control() & kBits, c.expected);
  }
}

// Without the later entry points of the system: an entry that is not inherited, and no control
// bits carried over.
TEST(FileAccess, WithoutTheLateBoundEntryPoints) {
  InMemoryObject object(Descriptor(Dacl::kList, {Allow(kSystem)}, SE_DACL_PROTECTED));
  object.hiddenExports = {"AddAccessAllowedAceEx", "SetSecurityDescriptorControl"};
  EXPECT_NE(object.Grant(), 0);
  EXPECT_EQ(object.entries(),
            (std::vector<Entry>{Allow(kSystem), Allow(kEveryone, 0, kGenericAll)}));
  EXPECT_EQ(object.control() & SE_DACL_PROTECTED, 0);
}

TEST(FileAccess, AnUnknownAccountEndsAtTheLookup) {
  InMemoryObject object(Descriptor(Dacl::kList, {Allow(kSystem)}));
  EXPECT_EQ(object.Grant(u"no such account 青岚"), 0);
  EXPECT_EQ(object.lines, std::vector<std::u16string>{u"LookupAccountName() failed. Error 1332\n"});
  EXPECT_EQ(object.reads, 0);
  EXPECT_EQ(object.writes, 0);
}

TEST(FileAccess, AFailingReadOrWriteIsReportedWithTheErrorCode) {
  {
    InMemoryObject object(Descriptor(Dacl::kList));
    object.calls().getFileSecurity = [](const wchar_t*, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR,
                                        DWORD, DWORD*) -> BOOL {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return FALSE;
    };
    EXPECT_EQ(object.Grant(), 0);
    EXPECT_EQ(object.lines, std::vector<std::u16string>{u"GetFileSecurity() failed. Error 2\n"});
    EXPECT_EQ(object.writes, 0);
  }
  {
    InMemoryObject object(Descriptor(Dacl::kList));
    object.calls().setFileSecurity = [](const wchar_t*, SECURITY_INFORMATION,
                                        PSECURITY_DESCRIPTOR) -> BOOL {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    };
    EXPECT_EQ(object.Grant(), 0);
    EXPECT_EQ(object.lines, std::vector<std::u16string>{u"SetFileSecurity() failed. Error 5\n"});
  }
  {
    // A sizing read that succeeds ends the operation without a line.
    InMemoryObject object(Descriptor(Dacl::kList));
    object.calls().getFileSecurity = [](const wchar_t*, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR,
                                        DWORD, DWORD*) -> BOOL { return TRUE; };
    EXPECT_EQ(object.Grant(), 0);
    EXPECT_TRUE(object.lines.empty());
    EXPECT_EQ(object.writes, 0);
  }
}

// Code gets a protected list of its own, owned by the administrators, whatever it had: nothing
// of the folder's grant to everyone reaches it. Where the owner cannot be handed over, the list
// is written all the same and the refusal is reported.
TEST(FileAccess, CodeGetsAProtectedListOnlyAdministratorsCanChange) {
  const std::vector<Entry> old = {Allow(kEveryone, kInherited, GENERIC_ALL), Allow(kUsers)};
  for (bool isFolder : {false, true}) {
    SCOPED_TRACE(isFolder);
    InMemoryObject object(Descriptor(Dacl::kList, old, SE_DACL_AUTO_INHERITED));
    EXPECT_NE(RestrictToAdministrators(u"C:\\青岚\\", isFolder, object.calls()), 0);
    const BYTE flags = isFolder ? kInheritable : 0;
    EXPECT_EQ(object.entries(), (std::vector<Entry>{Allow(kSystem, flags, FILE_ALL_ACCESS),
                                                    Allow(kAdministrators, flags, FILE_ALL_ACCESS),
                                                    Allow(kEveryone, flags, kReadOnly)}));
    EXPECT_EQ(object.control() & (SE_DACL_PROTECTED | SE_DACL_AUTO_INHERITED), SE_DACL_PROTECTED);
    EXPECT_EQ(object.owner, kAdministrators);
    EXPECT_TRUE(object.lines.empty());
  }
  InMemoryObject refused(Descriptor(Dacl::kList, old));
  refused.ownerRefused = true;
  EXPECT_NE(RestrictToAdministrators(u"C:\\青岚\\", false, refused.calls()), 0);
  EXPECT_EQ(refused.entries().size(), 3u);
  EXPECT_EQ(refused.lines,
            std::vector<std::u16string>{u"SetFileSecurity(owner) failed. Error 1307\n"});
}

// A folder that holds code denies everyone the deletion of its entries, ahead of its other
// entries; once is enough however often it is asked, and the grant to everyone, which replaces
// everyone's explicit entries, is followed by the deny again when the folder is opened.
TEST(FileAccess, AFolderHoldingCodeDeniesDeletingItsEntries) {
  const Entry kDenyDelete = Deny(kEveryone, 0, FILE_DELETE_CHILD);
  InMemoryObject object(
      Descriptor(Dacl::kList, {Allow(kSystem), Allow(kUsers, kInherited)}, SE_DACL_AUTO_INHERITED));
  EXPECT_NE(DenyDeleteChild(u"C:\\青岚\\", object.calls()), 0);
  EXPECT_NE(DenyDeleteChild(u"C:\\青岚\\", object.calls()), 0);
  EXPECT_EQ(object.entries(),
            (std::vector<Entry>{kDenyDelete, Allow(kSystem), Allow(kUsers, kInherited)}));
  EXPECT_EQ(object.control() & SE_DACL_AUTO_INHERITED, SE_DACL_AUTO_INHERITED);

  EXPECT_NE(object.Grant(), 0);
  EXPECT_NE(DenyDeleteChild(u"C:\\青岚\\", object.calls()), 0);
  EXPECT_EQ(object.entries(),
            (std::vector<Entry>{kDenyDelete, Allow(kSystem), kGranted, Allow(kUsers, kInherited)}));
  EXPECT_TRUE(object.lines.empty());

  // Without a list everyone may do anything already; nothing is written.
  InMemoryObject open(Descriptor(Dacl::kNull));
  EXPECT_EQ(DenyDeleteChild(u"C:\\青岚\\", open.calls()), 0);
  EXPECT_EQ(open.writes, 0);
}

// The real read and write on a folder. Wine turns the list into Unix permission bits and makes a
// list up from them when asked, so what can be seen is that everyone may now write: first the
// folder is opened for reading only, then the operation grants full access.
TEST(FileAccess, OpensARealFolderToEveryone) {
  test::TempFolder temp;
  std::wstring folder = WString(temp.path()) + L"安装\\";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  auto everyoneMask = [&folder] {
    DWORD size = 0;
    GetFileSecurityW(folder.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<uint8_t> descriptor(size);
    EXPECT_TRUE(GetFileSecurityW(folder.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), size,
                                 &size));
    DWORD mask = 0;
    for (const Entry& entry : Entries(descriptor.data())) {
      if (entry.sid == kEveryone && entry.type == ACCESS_ALLOWED_ACE_TYPE)
        mask |= entry.mask;
    }
    return mask;
  };
  std::vector<uint8_t> readOnly = Descriptor(
      Dacl::kList,
      {Allow(kSystem, kInheritable, FILE_ALL_ACCESS), Allow(kEveryone, kInheritable, kReadOnly)});
  ASSERT_TRUE(SetFileSecurityW(folder.c_str(), DACL_SECURITY_INFORMATION, readOnly.data()));
  ASSERT_EQ(everyoneMask() & FILE_WRITE_DATA, 0u);

  EXPECT_NE(GrantFileAccess(U(folder.c_str()), kEveryoneAccount, kGenericAll), 0);
  EXPECT_EQ(everyoneMask() & (FILE_WRITE_DATA | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD),
            DWORD{FILE_WRITE_DATA | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD});
}

}  // namespace
}  // namespace ql
