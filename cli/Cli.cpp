#include "cli/Cli.h"

#include <algorithm>
#include <exception>
#include <iostream>

#include "cli/Command.h"
#include "cli/Options.h"
#include "platform/Console.h"

#ifndef VANTOR_VERSION
#define VANTOR_VERSION "unknown"
#endif

namespace cli {

namespace {

const char* const ToolName = "vantor-cli";

// Takes the options every command has out of `args` (before "--").
struct CommonFlags {
    bool help = false;
    bool quiet = false;
};
CommonFlags TakeCommonOptions(std::vector<std::string>& args) {
    CommonFlags common;
    const auto end = std::find(args.begin(), args.end(), "--");
    const auto kept = std::remove_if(args.begin(), end, [&](const std::string& arg) {
        if (arg == "-h" || arg == "--help") return common.help = true;
        if (arg == "-q" || arg == "--quiet") return common.quiet = true;
        return false;
    });
    args.erase(kept, end);
    return common;
}

int RunCommand(const Command& command, const std::vector<std::string>& args, Io& io) {
    try {
        return command.run(ParseCommandLine(command, args), io);
    } catch (const UsageError& error) {
        Complain(io, error.what());
        io.err << "Try \"" << ToolName << " " << command.name << " --help\".\n";
        return ExitUsage;
    } catch (const std::exception& error) {
        Complain(io, error.what());
        return ExitFailure;
    }
}

int UsageFailure(Io& io, const std::string& message) {
    Complain(io, message);
    io.err << "Try \"" << ToolName << " --help\".\n";
    return ExitUsage;
}

}  // namespace

void Warn(Io& io, const std::string& message) {
    if (!io.quiet) Complain(io, "warning: " + message);
}

void Complain(Io& io, const std::string& message) {
    if (io.barShown) io.err << "\r\x1b[K";  // the bar is drawn again on its next update
    io.barShown = false;
    io.err << ToolName << ": " << message << "\n";
}

int Run(const std::vector<std::string>& arguments, Io& io) {
    std::vector<std::string> args = arguments;
    const CommonFlags common = TakeCommonOptions(args);
    io.quiet = io.quiet || common.quiet;
    bool helpWanted = common.help;
    if (!args.empty() && args[0] == "help") {  // "help" and "help COMMAND"
        helpWanted = true;
        args.erase(args.begin());
    }
    if (args.empty()) {
        if (!helpWanted) return UsageFailure(io, "no command given");
        io.out << ToolHelp();
        return ExitSuccess;
    }
    if (args[0] == "--version") {
        io.out << ToolName << " " << VANTOR_VERSION << "\n";
        return ExitSuccess;
    }
    const Command* command = FindCommand(args[0]);
    if (!command) {
        if (args[0].starts_with("-")) return UsageFailure(io, "unknown option " + args[0]);
        return UsageFailure(io, "unknown command \"" + args[0] + "\"");
    }
    if (helpWanted) {
        io.out << CommandHelp(*command);
        return ExitSuccess;
    }
    return RunCommand(*command, {args.begin() + 1, args.end()}, io);
}

int Main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    Io io{std::cout, std::cerr, platform::StderrIsTerminal()};
    const int status = Run(platform::Utf8Arguments(argc, argv), io);
    std::cout.flush();
    if (!std::cout) {
        std::cerr << ToolName << ": cannot write to the standard output\n";
        return ExitFailure;
    }
    return status;
}

}  // namespace cli
