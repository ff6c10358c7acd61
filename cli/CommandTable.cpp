// The command table: one line per command, in the order the tool's help lists them. A command
// is one file defining `const Command& <Name>Command()`, and its line here.
#include "cli/Command.h"

#ifdef VANTOR_HAVE_FUSE
#define VANTOR_MOUNT_COMMAND(X) X(Mount)  // Linux, where libfuse3 is found
#else
#define VANTOR_MOUNT_COMMAND(X)
#endif

// clang-format off
#define VANTOR_COMMANDS(X) \
    X(List)                \
    X(Info)                \
    X(Extract)             \
    X(Pack)                \
    X(Add)                 \
    X(Replace)             \
    X(Remove)              \
    X(Rename)              \
    X(Verify)              \
    X(Diff)                \
    X(Overlay)             \
    X(Csf2Str)             \
    X(Str2Csf)             \
    X(CsfDiff)             \
    X(CsfMerge)            \
    VANTOR_MOUNT_COMMAND(X)
// clang-format on

namespace cli {

#define VANTOR_DECLARE_COMMAND(Name) const Command& Name##Command();
VANTOR_COMMANDS(VANTOR_DECLARE_COMMAND)
#undef VANTOR_DECLARE_COMMAND

const std::vector<const Command*>& AllCommands() {
#define VANTOR_COMMAND_ENTRY(Name) &Name##Command(),
    static const std::vector<const Command*> commands = {VANTOR_COMMANDS(VANTOR_COMMAND_ENTRY)};
#undef VANTOR_COMMAND_ENTRY
    return commands;
}

}  // namespace cli
