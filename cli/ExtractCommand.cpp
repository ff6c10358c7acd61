// extract: entries to files under a folder, named by their paths inside the archive.
#include <algorithm>
#include <set>
#include <unordered_map>

#include "archive/EntryPath.h"
#include "archive/NamePattern.h"
#include "cli/ArchiveAccess.h"
#include "cli/ArchiveCommands.h"
#include "cli/Options.h"
#include "cli/ProgressBar.h"
#include "platform/Console.h"

namespace cli {

namespace {

// Writes `bytes` to `path` through a temporary file renamed over it, without flushing each file
// to the disk (as tar does). Unlike platform::AtomicFile this replaces a symbolic link at `path`
// instead of the file it points to, so a link in the target folder cannot send bytes outside it.
void WriteExtracted(const std::string& path, std::string_view bytes) {
    std::string tempPath;
    auto file = platform::Files().CreateTempBeside(path, tempPath);
    try {
        file->Write({bytes});
        file->Close();
        platform::Files().Rename(tempPath, path, false);
    } catch (...) {
        file.reset();
        try {
            platform::Files().Remove(tempPath);
        } catch (...) {
            // The failure that led here is the one to report.
        }
        throw;
    }
}

// Marks the entries named by `patterns` (all when there are none); complains about a pattern
// that matches nothing. Returns false when one did.
bool ChooseEntries(const VTR_CORE::BigArchive& archive, const std::vector<std::string>& patterns,
                   std::vector<bool>& chosen, Io& io) {
    chosen.assign(archive.Entries.size(), patterns.empty());
    bool allMatched = true;
    for (const std::string& typed : patterns) {
        const std::string pattern = EntryPath::Utf8ToName(typed);
        bool matched = false;
        for (std::size_t i = 0; i < archive.Entries.size(); ++i)
            if (NamePattern::Matches(pattern, archive.Entries[i].Name)) chosen[i] = matched = true;
        if (!matched) Complain(io, "No entry matches " + Quoted(typed) + ".");
        allMatched = allMatched && matched;
    }
    return allMatched;
}

// Unchooses every entry whose name an earlier chosen entry already has, with a warning.
void DropDuplicates(const VTR_CORE::BigArchive& archive, std::vector<bool>& chosen, Io& io) {
    std::unordered_map<std::string, std::size_t> firstByName;
    for (std::size_t i = 0; i < archive.Entries.size(); ++i) {
        if (!chosen[i]) continue;
        const auto [first, isNew] =
            firstByName.emplace(NamePattern::FoldedName(archive.Entries[i].Name), i);
        if (isNew) continue;
        chosen[i] = false;
        Warn(io, EntryLabel(i, archive.Entries[i].Name) + " has the same name as entry " +
                     std::to_string(first->second + 1) + "; only the first is extracted.");
    }
}

// Creates `folder` and the folders above it that are missing.
void MakeFolderPath(const std::string& folder) {
    if (platform::Files().Kind(folder) != platform::PathKind::Missing) return;
    const std::size_t separator = folder.find_last_of(platform::WindowsFileNames ? "/\\" : "/");
    if (separator != std::string::npos && separator > 0)
        MakeFolderPath(folder.substr(0, separator));
    platform::Files().CreateFolder(folder);
}

class Extraction {
public:
    Extraction(VTR_CORE::BigArchive& archive, std::string folder, Io& io)
        : archive_(archive), folder_(std::move(folder)), io_(io) {}

    // Writes the chosen entries; returns false when one was refused. A failed write throws.
    bool Run(const std::vector<bool>& chosen) {
        std::int64_t count = 0, bytes = 0;
        for (std::size_t i = 0; i < chosen.size(); ++i)
            if (chosen[i]) ++count, bytes += archive_.Entries[i].Size;
        ProgressBar bar(io_, "extracting", count, bytes);
        bool allWritten = true;
        std::int64_t entriesDone = 0, bytesDone = 0;
        for (std::size_t i = 0; i < chosen.size(); ++i) {
            if (!chosen[i]) continue;
            allWritten = Extract(i) && allWritten;
            bytesDone += archive_.Entries[i].Size;
            bar.Update(++entriesDone, bytesDone);
        }
        return allWritten;
    }

private:
    bool Extract(std::size_t index) {
        VTR_CORE::ArchiveEntry& entry = archive_.Entries[index];
        const EntryPath::PathMapping mapping =
            EntryPath::NameToPath(entry.Name, platform::WindowsFileNames);
        if (!mapping.Maps()) {
            Complain(io_, Capitalized(EntryLabel(index, entry.Name)) +
                              " is not extracted: " + mapping.problem + ".");
            return false;
        }
        try {
            MakeFolders(mapping.segments);
            WriteExtracted(folder_ + "/" + EntryPath::JoinSegments(mapping.segments),
                           archive_.Data(index));
        } catch (const std::exception& error) {
            ReleaseData(entry);
            throw std::runtime_error(Capitalized(EntryLabel(index, entry.Name)) + ": " +
                                     error.what());
        }
        ReleaseData(entry);
        return true;
    }

    // Creates the folders above the file, each once per run.
    void MakeFolders(const std::vector<std::string>& segments) {
        std::string path = folder_;
        for (std::size_t i = 0; i + 1 < segments.size(); ++i) {
            path += "/" + segments[i];
            if (made_.insert(path).second) platform::Files().CreateFolder(path);
        }
    }

    VTR_CORE::BigArchive& archive_;
    std::string folder_;
    Io& io_;
    std::set<std::string> made_;
};

}  // namespace

int RunExtract(const std::vector<std::string>& args, Io& io) {
    const ParsedArgs parsed = ParseOptions(args, {{"directory", 'C', true}});
    parsed.ExpectPositional(1, SIZE_MAX, "the archive to extract from");
    const std::vector<std::string>& positional = parsed.Positional();
    const std::string folder = parsed.Value("directory").value_or(".");
    VTR_CORE::BigArchive archive = OpenArchive(positional[0]);
    std::vector<bool> chosen;
    const bool allMatched =
        ChooseEntries(archive, {positional.begin() + 1, positional.end()}, chosen, io);
    DropDuplicates(archive, chosen, io);
    if (std::find(chosen.begin(), chosen.end(), true) != chosen.end()) MakeFolderPath(folder);
    const bool allWritten = Extraction(archive, folder, io).Run(chosen);
    return allMatched && allWritten ? ExitSuccess : ExitFailure;
}

}  // namespace cli
