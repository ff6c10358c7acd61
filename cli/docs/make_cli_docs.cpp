// Writes the manual page and the bash completion of vantor-cli, made from the commands'
// declarations, at build time: make_cli_docs VERSION MAN-PAGE COMPLETION.
#include <cstdio>
#include <exception>

#include "cli/docs/BashCompletion.h"
#include "cli/docs/ManPage.h"
#include "platform/FileSystem.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_cli_docs VERSION MAN-PAGE COMPLETION\n");
        return 2;
    }
    try {
        platform::WriteFileAtomic(argv[2], {clidocs::ManPage(argv[1])});
        platform::WriteFileAtomic(argv[3], {clidocs::BashCompletion()});
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_cli_docs: %s\n", error.what());
        return 1;
    }
    return 0;
}
