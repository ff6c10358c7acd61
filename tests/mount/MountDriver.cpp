// Runs the mount command as a program of its own: "mount_driver ARCHIVE DIR [-f]".
#include <iostream>

#include "cli/MountCommand.h"
#include "cli/Options.h"
#include "platform/Console.h"

int main(int argc, char** argv) {
    cli::Io io{std::cout, std::cerr, false};
    try {
        return cli::RunMount(platform::Utf8Arguments(argc, argv), io);
    } catch (const cli::UsageError& error) {
        cli::Complain(io, error.what());
        return cli::ExitUsage;
    } catch (const std::exception& error) {
        cli::Complain(io, error.what());
        return cli::ExitFailure;
    }
}
