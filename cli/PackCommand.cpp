// pack: a new archive from every regular file under a folder.
#include <memory>

#include "archive/EditLock.h"
#include "archive/PackWriter.h"
#include "cli/ArchiveAccess.h"
#include "cli/ArchiveEdit.h"
#include "cli/CommandParts.h"
#include "cli/ProgressBar.h"

namespace cli {

namespace {

std::string SignatureOption(const ParsedArgs& args) {
    const std::string signature = args.Value("signature").value_or("BIGF");
    if (!VTR_CORE::IsBigSignature(signature))
        throw UsageError("the signature must be BIGF or BIG4, not " + Quoted(signature));
    return signature;
}

int Run(const ParsedArgs& args, Io& io) {
    const std::optional<std::string> output = args.Value("output");
    if (!output) throw UsageError("missing the archive to write (-o ARCHIVE)");
    const std::string& folder = args.Positional()[0];
    if (platform::Files().Kind(folder) != platform::PathKind::Directory)
        throw platform::FileError("Cannot pack " + Quoted(folder) + ": it is not a folder.");
    const std::string signature = SignatureOption(args);
    const std::chrono::milliseconds wait = WaitTime(args);
    // An existing archive is replaced under its lock, as the in-place edits replace it.
    std::unique_ptr<VTR_CORE::EditLock> lock;
    if (platform::Files().Kind(*output) == platform::PathKind::RegularFile)
        lock = std::make_unique<VTR_CORE::EditLock>(*output, wait);
    const auto warn = [&](const std::string& message) { Warn(io, message); };
    std::vector<PackWriter::LooseFile> files = PackWriter::CollectFolder(folder, warn);
    PackWriter::LeaveOut(files, *output, warn);
    PackWriter::WarnAboutCaseTwins(files, warn);
    ProgressBar bar(io, "packing", std::int64_t(files.size()), 0);
    // Not flushed to the disk (as tar does not): the files it is made from are still there.
    PackWriter::WritePacked(*output, signature, files, bar.Callback(), false);
    return ExitSuccess;
}

}  // namespace

const Command& PackCommand() {
    static const Command command{
        "pack",
        "make an archive from every file under a folder",
        {"DIR -o ARCHIVE [--signature BIGF|BIG4]"},
        {{"DIR", ValueKind::Folder}},
        "the folder to pack",
        {{"output", 'o', "ARCHIVE", "the archive to write (replaced if it exists)",
          ValueKind::Archive},
         {"signature",
          's',
          "BIGF|BIG4",
          "the signature to write (default BIGF)",
          ValueKind::Choice,
          {"BIGF", "BIG4"}},
         WaitOption()},
        "Makes ARCHIVE from every regular file under DIR, named by its path relative\n"
        "to DIR with \"\\\" between folders, in byte order of those names, so that the\n"
        "same folder always gives the same archive. Empty folders are not kept.\n"
        "A file name the code page cannot hold, or a name longer than 255 bytes,\n"
        "fails the pack; ARCHIVE is written completely or not at all. An existing\n"
        "ARCHIVE is replaced under its lock (ARCHIVE.lock), as the editing commands\n"
        "replace it; ARCHIVE and its lock file are left out when they lie in DIR.\n",
        NamesNote(),
        {{"pack mod -o mod.big", "Packs every file under mod into mod.big."},
         {"pack mod -o mod.big --signature BIG4", "The same with the signature BIG4."}},
        Run};
    return command;
}

}  // namespace cli
