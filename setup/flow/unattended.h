// The unattended installation (/S): the install dialog's decisions taken without the dialog. The
// choices are the marks the dialog opens with, the name and folder it proposes for them (or those
// of the command line, which then go through the same checks as the fields), and the settings
// the settings dialog writes when OK is pressed unchanged.
#pragma once

#include <functional>
#include <string>

#include "setup/flow/command_line.h"
#include "setup/flow/install_selection.h"
#include "setup/install/installation.h"

namespace ql {

struct SetupState;

struct UnattendedChoice {
  TreeMarks marks;
  std::u16string name;    // what the name field would hold
  std::u16string folder;  // what the folder field would hold
};

// The choices of an unattended run, as the install dialog would make them on opening; a name
// from the command line is what typing it into the name field makes of it (a recorded folder of
// that name is proposed), a folder from the command line replaces the proposal.
UnattendedChoice ChooseUnattended(SetupState& state,
                                  const SetupOptions& options,
                                  const std::function<std::u16string()>& programFilesFolder);

// Puts the choice in place of the dialog's steps: its fields, its marks and the settings dialog.
void UseUnattendedChoice(InstallationSteps& steps,
                         SetupState& state,
                         const UnattendedChoice& choice);

// Makes each system step of the worker note itself (Ui::Note) before it runs, for the log.
void NoteEachStep(InstallationSteps& steps);

// The exit code of an unattended run that ended with `outcome`.
int ExitCodeOf(InstallOutcome outcome);

}  // namespace ql
