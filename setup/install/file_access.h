// Access rights of the installed folder: an inheritable access-allowed entry for a named account
// is added to the folder's access-control list, replacing the account's own explicit entries and
// keeping every other entry.
#pragma once

#include <cstdint>
#include <string_view>

namespace ql {

// The account the installed folder is opened to, and the access it gets (GENERIC_ALL).
constexpr std::u16string_view kEveryoneAccount = u"everyone";
constexpr uint32_t kGenericAll = 0x10000000;

// Gives `account` the access `accessMask` to `path` (a file or folder), inherited by everything
// later created inside it. Non-zero when the new list was written. Failures are reported only as
// a line on standard output. Without the system's security functions (the host) it does nothing
// and returns 0.
int GrantFileAccess(std::u16string_view path, std::u16string_view account, uint32_t accessMask);

// Gives `path` a protected list of its own, owned by the administrators: the system and the
// administrators have full control, everyone may read and run it. `isFolder` makes the entries
// inheritable. Nothing of the parent's list flows in any more, so the grant to everyone of the
// installed folder does not reach it. Non-zero when written; failures as for GrantFileAccess.
int RestrictToAdministrators(std::u16string_view path, bool isFolder);

// Adds, ahead of the folder's own entries, one that denies everyone FILE_DELETE_CHILD on the folder
// itself (not inherited): an entry of the folder can then be deleted or renamed only by whom its
// own list allows, whatever the folder grants. Adding it again changes nothing. Non-zero when
// written.
int DenyDeleteChild(std::u16string_view folder);

}  // namespace ql
