// The command table. A command is one file defining its `...Command()` declaration, and one
// line here.
#include "cli/Command.h"

namespace cli {

const Command& ListCommand();
const Command& InfoCommand();
const Command& ExtractCommand();
const Command& PackCommand();
const Command& AddCommand();
const Command& ReplaceCommand();
const Command& RemoveCommand();
const Command& RenameCommand();
const Command& VerifyCommand();
const Command& DiffCommand();
const Command& OverlayCommand();
const Command& Csf2StrCommand();
const Command& Str2CsfCommand();
const Command& CsfDiffCommand();
const Command& CsfMergeCommand();
#ifdef VANTOR_HAVE_FUSE
const Command& MountCommand();
#endif

const std::vector<const Command*>& AllCommands() {
    static const std::vector<const Command*> commands = {
        &ListCommand(),    &InfoCommand(),    &ExtractCommand(), &PackCommand(),
        &AddCommand(),     &ReplaceCommand(), &RemoveCommand(),  &RenameCommand(),
        &VerifyCommand(),  &DiffCommand(),    &OverlayCommand(), &Csf2StrCommand(),
        &Str2CsfCommand(), &CsfDiffCommand(), &CsfMergeCommand(),
#ifdef VANTOR_HAVE_FUSE
        &MountCommand(),  // Linux, where libfuse3 is found
#endif
    };
    return commands;
}

}  // namespace cli
