#include <cstdio>
#include <cstring>
#include <string>

#include "setup/common/text.h"
#include "setup/install/file_access.h"
#include "setup/install/file_access_win.h"

namespace ql {
namespace {

// The failure lines, each followed by the system's last-error code and a line end.
constexpr std::u16string_view kLookupFailed = u"LookupAccountName() failed. Error ";
constexpr std::u16string_view kHeapFailed = u"HeapAlloc() failed. Error ";
constexpr std::u16string_view kGetSecurityFailed = u"GetFileSecurity() failed. Error ";
constexpr std::u16string_view kInitDescriptorFailed =
    u"InitializeSecurityDescriptor() failed.Error ";
constexpr std::u16string_view kGetDaclFailed = u"GetSecurityDescriptorDacl() failed. Error ";
constexpr std::u16string_view kAclInformationFailed = u"GetAclInformation() failed. Error ";
constexpr std::u16string_view kInitAclFailed = u"InitializeAcl() failed. Error ";
constexpr std::u16string_view kGetAceFailed = u"GetAce() failed. Error ";
constexpr std::u16string_view kAddAceFailed = u"AddAce() failed. Error ";
constexpr std::u16string_view kAddAllowedExFailed = u"AddAccessAllowedAceEx() failed. Error";
constexpr std::u16string_view kAddAllowedFailed = u"AddAccessAllowedAce() failed. Error";
constexpr std::u16string_view kSetDaclFailed = u"SetSecurityDescriptorDacl() failed. Error";
constexpr std::u16string_view kGetControlFailed = u"GetSecurityDescriptorControl() failed.Error ";
constexpr std::u16string_view kSetControlFailed = u"SetSecurityDescriptorControl() failed.Error ";
constexpr std::u16string_view kSetSecurityFailed = u"SetFileSecurity() failed. Error ";
constexpr std::u16string_view kWellKnownSidFailed = u"CreateWellKnownSid() failed. Error ";
constexpr std::u16string_view kSetOwnerFailed = u"SetFileSecurity(owner) failed. Error ";

using AddAccessAllowedAceExFunction = BOOL(WINAPI*)(PACL, DWORD, DWORD, DWORD, PSID);
using SetSecurityDescriptorControlFunction = BOOL(WINAPI*)(PSECURITY_DESCRIPTOR,
                                                           SECURITY_DESCRIPTOR_CONTROL,
                                                           SECURITY_DESCRIPTOR_CONTROL);

template <typename Function>
Function LateBound(const FileSecurityCalls& calls, const char* name) {
  // Through a plain function pointer type, which any function pointer converts to and from.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(calls.advapiExport(name)));
}

HeapBlock ZeroedBlock(size_t bytes) {
  return HeapBlock(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, bytes));
}

// Reports the failure of a step with the system's last-error code; the operation's result is 0.
int Fail(const FileSecurityCalls& calls, std::u16string_view line) {
  DWORD error = ::GetLastError();
  calls.report(std::u16string(line) + DecimalText(static_cast<int32_t>(error)) + u"\n");
  return 0;
}

// True when the entry's SID, read where an access-allowed entry holds it (after the entry's
// header and mask), is `sid`. An entry too short to hold the SID there does not hold it.
bool HoldsSid(const ACE_HEADER* ace, PSID sid, DWORD sidLength) {
  constexpr DWORD kSidOffset = sizeof(ACE_HEADER) + sizeof(ACCESS_MASK);
  return ace->AceSize >= kSidOffset + sidLength &&
         std::memcmp(reinterpret_cast<const uint8_t*>(ace) + kSidOffset, sid, sidLength) == 0;
}

enum EntryCopy { kExplicitOnly, kAllTheRest };

// Appends the entries of `from`, beginning at *index, to `to`: with kExplicitOnly up to the first
// inherited one and without the account's, with kAllTheRest all of them unchanged. *index is left
// where the copy ended. Returns the failure line of a step that failed, else an empty text.
std::u16string_view CopyEntries(PACL from,
                                DWORD count,
                                DWORD* index,
                                PACL to,
                                PSID accountSid,
                                EntryCopy which) {
  const DWORD sidLength = ::GetLengthSid(accountSid);
  for (; *index < count; ++*index) {
    void* entry = nullptr;
    if (!::GetAce(from, *index, &entry))
      return kGetAceFailed;
    const auto* ace = static_cast<const ACE_HEADER*>(entry);
    if (which == kExplicitOnly) {
      if (ace->AceFlags & INHERITED_ACE)
        break;
      if (HoldsSid(ace, accountSid, sidLength))
        continue;
    }
    if (!::AddAce(to, ACL_REVISION, MAXDWORD, entry, ace->AceSize))
      return kAddAceFailed;
  }
  return {};
}

// The object's descriptor with its access-control list, sized by a first call without a buffer.
// Empty when it cannot be read: the failure is reported, except that of a sizing call that
// succeeds, which ends the operation without a line.
HeapBlock ReadDescriptor(const FileSecurityCalls& calls, const std::wstring& path) {
  DWORD size = 0;
  if (calls.getFileSecurity(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size))
    return HeapBlock();
  if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
    Fail(calls, kGetSecurityFailed);
    return HeapBlock();
  }
  HeapBlock descriptor = ZeroedBlock(size);
  if (!descriptor) {
    Fail(calls, kHeapFailed);
    return HeapBlock();
  }
  if (!calls.getFileSecurity(path.c_str(), DACL_SECURITY_INFORMATION, descriptor.get(), size,
                             &size)) {
    Fail(calls, kGetSecurityFailed);
    return HeapBlock();
  }
  return descriptor;
}

// The control bits a rewritten list takes over from the old descriptor: an automatically
// inherited list stays so, and a protected one stays protected.
SECURITY_DESCRIPTOR_CONTROL ControlToCarry(SECURITY_DESCRIPTOR_CONTROL old) {
  if (old & SE_DACL_AUTO_INHERITED)
    return SE_DACL_AUTO_INHERIT_REQ | SE_DACL_AUTO_INHERITED;
  if (old & SE_DACL_PROTECTED)
    return SE_DACL_PROTECTED;
  return 0;
}

// Writes `acl` as the list of `path` in a new descriptor that carries the old descriptor's
// control bits (ControlToCarry). `setControl` is SetSecurityDescriptorControl, or null where the
// system lacks it: the new descriptor then keeps its own bits.
int WriteListKeepingControl(const FileSecurityCalls& calls,
                            const std::wstring& path,
                            PSECURITY_DESCRIPTOR oldDescriptor,
                            PACL acl,
                            SetSecurityDescriptorControlFunction setControl) {
  SECURITY_DESCRIPTOR descriptor;
  if (!::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION))
    return Fail(calls, kInitDescriptorFailed);
  if (!::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE))
    return Fail(calls, kSetDaclFailed);
  if (setControl != nullptr) {
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!::GetSecurityDescriptorControl(oldDescriptor, &control, &revision))
      return Fail(calls, kGetControlFailed);
    const SECURITY_DESCRIPTOR_CONTROL bits = ControlToCarry(control);
    if (bits != 0 && !setControl(&descriptor, bits, bits))
      return Fail(calls, kSetControlFailed);
  }
  if (!calls.setFileSecurity(path.c_str(), DACL_SECURITY_INFORMATION, &descriptor))
    return Fail(calls, kSetSecurityFailed);
  return 1;
}

// A well-known SID in a buffer of its own.
struct WellKnownSid {
  BYTE bytes[SECURITY_MAX_SID_SIZE] = {};
  PSID get() { return bytes; }
  bool Create(WELL_KNOWN_SID_TYPE type) {
    DWORD size = sizeof bytes;
    return ::CreateWellKnownSid(type, nullptr, bytes, &size) != FALSE;
  }
};

// The bytes an access entry for `sid` takes in a list.
DWORD EntrySize(PSID sid) {
  return sizeof(ACE_HEADER) + sizeof(ACCESS_MASK) + ::GetLengthSid(sid);
}

}  // namespace

FileSecurityCalls SystemFileSecurityCalls() {
  FileSecurityCalls calls;
  calls.getFileSecurity = [](const wchar_t* path, SECURITY_INFORMATION information,
                             PSECURITY_DESCRIPTOR descriptor, DWORD size, DWORD* needed) {
    return ::GetFileSecurityW(path, information, descriptor, size, needed);
  };
  calls.setFileSecurity = [](const wchar_t* path, SECURITY_INFORMATION information,
                             PSECURITY_DESCRIPTOR descriptor) {
    return ::SetFileSecurityW(path, information, descriptor);
  };
  calls.advapiExport = [](const char* name) -> FARPROC {
    HMODULE advapi = ::GetModuleHandleW(L"advapi32.dll");
    return advapi != nullptr ? ::GetProcAddress(advapi, name) : nullptr;
  };
  calls.report = [](std::u16string_view line) {
    std::fputws(WString(line).c_str(), stdout);
    std::fflush(stdout);
  };
  return calls;
}

int GrantFileAccess(std::u16string_view path, std::u16string_view account, uint32_t accessMask) {
  return GrantFileAccess(path, account, accessMask, SystemFileSecurityCalls());
}

int RestrictToAdministrators(std::u16string_view path, bool isFolder) {
  return RestrictToAdministrators(path, isFolder, SystemFileSecurityCalls());
}

int DenyDeleteChild(std::u16string_view folder) {
  return DenyDeleteChild(folder, SystemFileSecurityCalls());
}

int GrantFileAccess(std::u16string_view path,
                    std::u16string_view account,
                    uint32_t accessMask,
                    const FileSecurityCalls& calls) {
  const std::wstring widePath = WString(path);
  const std::wstring wideAccount = WString(account);

  // The account's SID, sized by a first call without buffers.
  DWORD sidSize = 0;
  DWORD domainUnits = 0;
  SID_NAME_USE use;
  if (::LookupAccountNameW(nullptr, wideAccount.c_str(), nullptr, &sidSize, nullptr, &domainUnits,
                           &use)) {
    return 0;
  }
  if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
    return Fail(calls, kLookupFailed);
  HeapBlock sid = ZeroedBlock(sidSize);
  if (!sid)
    return Fail(calls, kHeapFailed);
  HeapBlock domain = ZeroedBlock(domainUnits * sizeof(wchar_t));
  if (!domain)
    return Fail(calls, kHeapFailed);
  if (!::LookupAccountNameW(nullptr, wideAccount.c_str(), sid.get(), &sidSize,
                            static_cast<wchar_t*>(domain.get()), &domainUnits, &use)) {
    return Fail(calls, kLookupFailed);
  }

  HeapBlock oldDescriptor = ReadDescriptor(calls, widePath);
  if (!oldDescriptor)
    return 0;

  BOOL daclPresent = FALSE;
  BOOL daclDefaulted = FALSE;
  PACL oldAcl = nullptr;
  if (!::GetSecurityDescriptorDacl(oldDescriptor.get(), &daclPresent, &oldAcl, &daclDefaulted))
    return Fail(calls, kGetDaclFailed);
  // A missing list, or one reported present but null, counts as an empty one: no entries and
  // its 8-byte header.
  ACL_SIZE_INFORMATION oldSize = {};
  oldSize.AclBytesInUse = sizeof(ACL);
  if (daclPresent && oldAcl != nullptr &&
      !::GetAclInformation(oldAcl, &oldSize, sizeof oldSize, AclSizeInformation)) {
    return Fail(calls, kAclInformationFailed);
  }

  // Room for the old entries and one access-allowed entry for the account.
  const DWORD sidLength = ::GetLengthSid(sid.get());
  const DWORD newAclSize =
      oldSize.AclBytesInUse + sizeof(ACE_HEADER) + sizeof(ACCESS_MASK) + sidLength;
  HeapBlock newAcl = ZeroedBlock(newAclSize);
  if (!newAcl)
    return Fail(calls, kHeapFailed);
  PACL acl = static_cast<PACL>(newAcl.get());
  if (!::InitializeAcl(acl, newAclSize, ACL_REVISION))
    return Fail(calls, kInitAclFailed);

  // The object's own entries come first, without the account's; they end at the first inherited
  // one.
  DWORD index = 0;
  std::u16string_view failure =
      CopyEntries(oldAcl, oldSize.AceCount, &index, acl, sid.get(), kExplicitOnly);
  if (!failure.empty())
    return Fail(calls, failure);

  // The account's entry, inherited by files and folders created inside where the system can say
  // so.
  if (auto addAllowedEx =
          LateBound<AddAccessAllowedAceExFunction>(calls, "AddAccessAllowedAceEx")) {
    if (!addAllowedEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, accessMask,
                      sid.get())) {
      return Fail(calls, kAddAllowedExFailed);
    }
  } else if (!::AddAccessAllowedAce(acl, ACL_REVISION, accessMask, sid.get())) {
    return Fail(calls, kAddAllowedFailed);
  }

  // The inherited entries, and whatever follows them, after it.
  failure = CopyEntries(oldAcl, oldSize.AceCount, &index, acl, sid.get(), kAllTheRest);
  if (!failure.empty())
    return Fail(calls, failure);

  // An automatically inherited list stays so, and a protected one stays protected.
  return WriteListKeepingControl(
      calls, widePath, oldDescriptor.get(), acl,
      LateBound<SetSecurityDescriptorControlFunction>(calls, "SetSecurityDescriptorControl"));
}

int RestrictToAdministrators(std::u16string_view path,
                             bool isFolder,
                             const FileSecurityCalls& calls) {
  WellKnownSid system;
  WellKnownSid administrators;
  WellKnownSid everyone;
  if (!system.Create(WinLocalSystemSid) || !administrators.Create(WinBuiltinAdministratorsSid) ||
      !everyone.Create(WinWorldSid)) {
    return Fail(calls, kWellKnownSidFailed);
  }
  const DWORD aclSize = sizeof(ACL) + EntrySize(system.get()) + EntrySize(administrators.get()) +
                        EntrySize(everyone.get());
  HeapBlock aclBlock = ZeroedBlock(aclSize);
  if (!aclBlock)
    return Fail(calls, kHeapFailed);
  PACL acl = static_cast<PACL>(aclBlock.get());
  if (!::InitializeAcl(acl, aclSize, ACL_REVISION))
    return Fail(calls, kInitAclFailed);
  const DWORD flags = isFolder ? OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE : 0;
  if (!::AddAccessAllowedAceEx(acl, ACL_REVISION, flags, FILE_ALL_ACCESS, system.get()) ||
      !::AddAccessAllowedAceEx(acl, ACL_REVISION, flags, FILE_ALL_ACCESS, administrators.get()) ||
      !::AddAccessAllowedAceEx(acl, ACL_REVISION, flags, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE,
                               everyone.get())) {
    return Fail(calls, kAddAllowedExFailed);
  }

  SECURITY_DESCRIPTOR descriptor;
  if (!::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION))
    return Fail(calls, kInitDescriptorFailed);
  if (!::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE))
    return Fail(calls, kSetDaclFailed);
  if (!::SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
    return Fail(calls, kSetControlFailed);
  if (!::SetSecurityDescriptorOwner(&descriptor, administrators.get(), FALSE))
    return Fail(calls, kSetOwnerFailed);

  // Whoever owns a file may change its list: a file moved in from a package the user unpacked is
  // the user's. An elevated administrator may hand it to the administrators; where that is refused
  // the line says so, and the list is written all the same.
  const std::wstring widePath = WString(path);
  if (!calls.setFileSecurity(widePath.c_str(),
                             OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &descriptor)) {
    Fail(calls, kSetOwnerFailed);
    if (!calls.setFileSecurity(widePath.c_str(), DACL_SECURITY_INFORMATION, &descriptor))
      return Fail(calls, kSetSecurityFailed);
  }
  return 1;
}

int DenyDeleteChild(std::u16string_view folder, const FileSecurityCalls& calls) {
  const std::wstring widePath = WString(folder);
  WellKnownSid everyone;
  if (!everyone.Create(WinWorldSid))
    return Fail(calls, kWellKnownSidFailed);

  HeapBlock oldDescriptor = ReadDescriptor(calls, widePath);
  if (!oldDescriptor)
    return 0;
  BOOL daclPresent = FALSE;
  BOOL daclDefaulted = FALSE;
  PACL oldAcl = nullptr;
  if (!::GetSecurityDescriptorDacl(oldDescriptor.get(), &daclPresent, &oldAcl, &daclDefaulted))
    return Fail(calls, kGetDaclFailed);
  // No list at all lets everyone do everything: there is nothing to keep, and nothing to add to
  // that would not take rights away from others.
  if (!daclPresent || oldAcl == nullptr)
    return 0;
  ACL_SIZE_INFORMATION oldSize = {};
  if (!::GetAclInformation(oldAcl, &oldSize, sizeof oldSize, AclSizeInformation))
    return Fail(calls, kAclInformationFailed);

  const DWORD newAclSize = oldSize.AclBytesInUse + EntrySize(everyone.get());
  HeapBlock newAcl = ZeroedBlock(newAclSize);
  if (!newAcl)
    return Fail(calls, kHeapFailed);
  PACL acl = static_cast<PACL>(newAcl.get());
  if (!::InitializeAcl(acl, newAclSize, ACL_REVISION))
    return Fail(calls, kInitAclFailed);
  // Denying entries come first, so the new one leads; an equal one from an earlier call goes.
  if (!::AddAccessDeniedAceEx(acl, ACL_REVISION, 0, FILE_DELETE_CHILD, everyone.get()))
    return Fail(calls, kAddAceFailed);
  const DWORD sidLength = ::GetLengthSid(everyone.get());
  for (DWORD i = 0; i < oldSize.AceCount; ++i) {
    void* entry = nullptr;
    if (!::GetAce(oldAcl, i, &entry))
      return Fail(calls, kGetAceFailed);
    const auto* ace = static_cast<const ACE_HEADER*>(entry);
    if (ace->AceType == ACCESS_DENIED_ACE_TYPE && (ace->AceFlags & INHERITED_ACE) == 0 &&
        static_cast<const ACCESS_DENIED_ACE*>(entry)->Mask == FILE_DELETE_CHILD &&
        HoldsSid(ace, everyone.get(), sidLength)) {
      continue;
    }
    if (!::AddAce(acl, ACL_REVISION, MAXDWORD, entry, ace->AceSize))
      return Fail(calls, kAddAceFailed);
  }

  return WriteListKeepingControl(calls, widePath, oldDescriptor.get(), acl,
                                 &::SetSecurityDescriptorControl);
}

}  // namespace ql
