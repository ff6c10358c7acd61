// pack: a new archive from every regular file under a folder.
#include <algorithm>
#include <unordered_map>

#include "archive/EntryPath.h"
#include "archive/NamePattern.h"
#include "archive/PackWriter.h"
#include "cli/ArchiveAccess.h"
#include "cli/ArchiveCommands.h"
#include "cli/Options.h"
#include "cli/ProgressBar.h"
#include "platform/Console.h"

namespace cli {

namespace {

class FolderWalk {
public:
    FolderWalk(std::string root, Io& io) : root_(std::move(root)), io_(io) {}

    // Every regular file under the root, sorted by entry name (byte order), so that the same
    // folder always gives the same archive whatever order the system lists it in.
    std::vector<PackWriter::LooseFile> Files() {
        std::vector<std::string> segments;
        Visit(root_, segments);
        std::sort(files_.begin(), files_.end(),
                  [](const PackWriter::LooseFile& a, const PackWriter::LooseFile& b) {
                      return a.name < b.name;
                  });
        return std::move(files_);
    }

private:
    void Visit(const std::string& folder, std::vector<std::string>& segments) {
        for (const platform::FolderItem& item : platform::Files().ListFolder(folder)) {
            const std::string path = folder + "/" + item.name;
            segments.push_back(item.name);
            if (item.kind == platform::PathKind::Directory) {
                Visit(path, segments);
            } else if (item.kind == platform::PathKind::RegularFile) {
                files_.push_back({NameFor(segments), path});
            } else {
                Warn(io_, Quoted(path) + " is skipped: it is not a regular file or a folder.");
            }
            segments.pop_back();
        }
    }

    std::string NameFor(const std::vector<std::string>& segments) {
        try {
            return EntryPath::PathToName(segments);
        } catch (const std::exception& error) {
            throw std::runtime_error("Cannot pack " + Quoted(root_) + ": " + error.what());
        }
    }

    std::string root_;
    Io& io_;
    std::vector<PackWriter::LooseFile> files_;
};

// Names that differ only in letter case are one name to the archive's readers.
void WarnAboutCaseTwins(const std::vector<PackWriter::LooseFile>& files, Io& io) {
    std::unordered_map<std::string, const PackWriter::LooseFile*> seen;
    for (const PackWriter::LooseFile& file : files) {
        const auto [first, isNew] = seen.emplace(NamePattern::FoldedName(file.name), &file);
        if (!isNew)
            Warn(io, Quoted(file.path) + " and " + Quoted(first->second->path) +
                         " differ only in letter case; readers find only the first by name.");
    }
}

std::string LastSegment(const std::string& path) {
    const std::size_t separator = path.find_last_of(platform::WindowsFileNames ? "/\\" : "/");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

// An earlier copy of the archive being written, lying in the folder, is not packed into it.
void LeaveOutTheOutput(std::vector<PackWriter::LooseFile>& files, const std::string& output,
                       Io& io) {
    if (platform::Files().Kind(output) != platform::PathKind::RegularFile) return;
    const platform::FileStamp outputStamp = platform::Files().OpenRead(output)->Stamp();
    const std::string outputName = LastSegment(output);
    std::erase_if(files, [&](const PackWriter::LooseFile& file) {
        if (LastSegment(file.path) != outputName) return false;
        if (!(platform::Files().OpenRead(file.path)->Stamp() == outputStamp)) return false;
        Warn(io, Quoted(file.path) + " is left out: it is the archive being written.");
        return true;
    });
}

std::string SignatureOption(const ParsedArgs& parsed) {
    const std::string signature = parsed.Value("signature").value_or("BIGF");
    if (!VTR_CORE::IsBigSignature(signature))
        throw UsageError("the signature must be BIGF or BIG4, not " + Quoted(signature));
    return signature;
}

}  // namespace

int RunPack(const std::vector<std::string>& args, Io& io) {
    const ParsedArgs parsed = ParseOptions(args, {{"output", 'o', true}, {"signature", 's', true}});
    parsed.ExpectPositional(1, 1, "the folder to pack");
    const std::optional<std::string> output = parsed.Value("output");
    if (!output) throw UsageError("missing the archive to write (-o ARCHIVE)");
    const std::string& folder = parsed.Positional()[0];
    if (platform::Files().Kind(folder) != platform::PathKind::Directory)
        throw platform::FileError("Cannot pack " + Quoted(folder) + ": it is not a folder.");

    const std::string signature = SignatureOption(parsed);
    std::vector<PackWriter::LooseFile> files = FolderWalk(folder, io).Files();
    LeaveOutTheOutput(files, *output, io);
    WarnAboutCaseTwins(files, io);
    ProgressBar bar(io, "packing", std::int64_t(files.size()), 0);
    // Not flushed to the disk (as tar does not): the files it is made from are still there.
    PackWriter::WritePacked(*output, signature, files, bar.Callback(), false);
    return ExitSuccess;
}

}  // namespace cli
