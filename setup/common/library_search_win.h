// Where the programs look for the libraries they load. Anyone may create files in an installed
// folder, and setup.exe and uninsta.exe run elevated: a library planted beside them under the name
// of one the system loads on demand must not be loaded.
#pragma once

#include <string>

#include "setup/common/win.h"

namespace ql {

// Restricts the search for libraries loaded by name to the system folder, away from the
// program's own folder and the current folder. Called first thing in a program's entry point.
// Where the system lacks SetDefaultDllDirectories (before the update of 2011), the current folder
// at least is taken out of the search. Returns whether the search is the system folder's alone.
bool RestrictLibrarySearch();

// Loads the library at `path` with full initialisation; the libraries it needs are searched in
// its own folder, then the system folder.
UniqueModule LoadLibraryWithItsFolder(const std::wstring& path);

}  // namespace ql
