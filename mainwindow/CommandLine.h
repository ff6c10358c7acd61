// The program's command line: `vantor [ARCHIVE]` starts with that archive loaded, as if the user
// had chosen it with "Load BIG file..."; --help and --version print and exit.
#pragma once

#include <QString>
#include <QStringList>

class VTR_MAIN;

struct CommandLine {
    enum class Action { Run, Print, Fail };
    Action action = Action::Run;
    QString text;     // Print: for standard output; Fail: for standard error
    QString archive;  // Run: the archive to load at start, as an absolute path; empty for none
};

// `arguments` without the program's name. "--" ends the options, so a file named like one can
// still be given after it.
CommandLine ReadCommandLine(const QStringList& arguments);

// Shows `window` and, once the event loop runs, loads the archive the command line names.
void StartWith(VTR_MAIN& window, const CommandLine& line);

// The whole program: the command line, then the main window until it closes. The result is the
// process's exit code.
int RunProgram(int argc, char** argv);
