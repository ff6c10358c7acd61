// add, replace, remove, rename: change an archive in place. The archive is rewritten through a
// temporary file renamed over it, so it is either the old one or the new one, never a mix.
#include <algorithm>

#include "archive/NamePattern.h"
#include "cli/ArchiveAccess.h"
#include "cli/ArchiveCommands.h"
#include "cli/Options.h"
#include "cli/ProgressBar.h"

namespace cli {

namespace {

void Save(VTR_CORE::BigArchive& archive, const std::string& path, Io& io) {
    ProgressBar bar(io, "writing", std::int64_t(archive.Entries.size()), archive.WrittenLength());
    archive.Write(path, bar.Callback());
}

// The entry name for a file added without --as: its path as typed, without leading "./".
std::string NameFromPath(std::string path) {
    while (path.starts_with("./")) path.erase(0, 2);
    try {
        return NewEntryName(path);
    } catch (const std::exception& error) {
        throw std::runtime_error(std::string(error.what()) + " Give the entry a name with --as.");
    }
}

// Said before anything about the name the file would get.
void RefuseMissingFile(const std::string& path) {
    switch (platform::Files().Kind(path)) {
        case platform::PathKind::Missing:
            throw platform::FileError("Cannot add " + Quoted(path) + ": there is no such file.");
        case platform::PathKind::Directory:
            throw platform::FileError("Cannot add " + Quoted(path) +
                                      ": it is a folder; \"pack\" makes an archive of a folder.");
        default:
            return;
    }
}

void RefuseTakenName(const VTR_CORE::BigArchive& archive, const std::string& name,
                     const std::string& archivePath) {
    if (const auto taken = archive.FindFirst(name))
        throw std::runtime_error(Quoted(archivePath) + " already has " +
                                 EntryLabel(*taken, archive.Entries[*taken].Name) +
                                 "; use \"replace\" to change its data.");
}

void WarnIfNamesakes(const VTR_CORE::BigArchive& archive, const std::string& typed,
                     const std::string& done, Io& io) {
    const std::vector<std::size_t> found = FindTyped(archive, typed);
    for (std::size_t i = 1; i < found.size(); ++i)
        Warn(io, EntryLabel(found[i], archive.Entries[found[i]].Name) +
                     " has the same name; only " +
                     EntryLabel(found[0], archive.Entries[found[0]].Name) + " was " + done + ".");
}

}  // namespace

int RunAdd(const std::vector<std::string>& args, Io& io) {
    const ParsedArgs parsed = ParseOptions(args, {{"as", 0, true}});
    parsed.ExpectPositional(2, SIZE_MAX, "the archive and the files to add");
    const std::vector<std::string>& positional = parsed.Positional();
    const std::optional<std::string> as = parsed.Value("as");
    if (as && positional.size() != 2)
        throw UsageError("--as names one file, but " + std::to_string(positional.size() - 1) +
                         " were given");
    VTR_CORE::BigArchive archive = OpenArchive(positional[0]);
    for (std::size_t i = 1; i < positional.size(); ++i) {
        RefuseMissingFile(positional[i]);
        const std::string name = as ? NewEntryName(*as) : NameFromPath(positional[i]);
        RefuseTakenName(archive, name, positional[0]);
        archive.AddFromFile(name, positional[i]);
    }
    Save(archive, positional[0], io);
    return ExitSuccess;
}

int RunReplace(const std::vector<std::string>& args, Io& io) {
    const ParsedArgs parsed = ParseOptions(args, {});
    parsed.ExpectPositional(3, 3, "the archive, the entry and the file with the new data");
    const std::vector<std::string>& positional = parsed.Positional();
    VTR_CORE::BigArchive archive = OpenArchive(positional[0]);
    archive.ReplaceFromFile(FindExisting(archive, positional[1], positional[0]), positional[2]);
    WarnIfNamesakes(archive, positional[1], "replaced", io);
    Save(archive, positional[0], io);
    return ExitSuccess;
}

int RunRemove(const std::vector<std::string>& args, Io& io) {
    const ParsedArgs parsed = ParseOptions(args, {});
    parsed.ExpectPositional(2, SIZE_MAX, "the archive and the entries to remove");
    const std::vector<std::string>& positional = parsed.Positional();
    VTR_CORE::BigArchive archive = OpenArchive(positional[0]);
    std::vector<std::size_t> doomed;
    for (std::size_t i = 1; i < positional.size(); ++i) {
        const std::vector<std::size_t> found = FindAll(archive, positional[i], positional[0]);
        doomed.insert(doomed.end(), found.begin(), found.end());
    }
    std::sort(doomed.begin(), doomed.end());
    doomed.erase(std::unique(doomed.begin(), doomed.end()), doomed.end());
    for (auto index = doomed.rbegin(); index != doomed.rend(); ++index) archive.Remove(*index);
    Save(archive, positional[0], io);
    return ExitSuccess;
}

int RunRename(const std::vector<std::string>& args, Io& io) {
    const ParsedArgs parsed = ParseOptions(args, {});
    parsed.ExpectPositional(3, 3, "the archive, the entry and its new name");
    const std::vector<std::string>& positional = parsed.Positional();
    VTR_CORE::BigArchive archive = OpenArchive(positional[0]);
    const std::size_t index = FindExisting(archive, positional[1], positional[0]);
    const std::string newName = NewEntryName(positional[2]);
    for (const std::size_t other : archive.Find(newName))
        if (other != index) RefuseTakenName(archive, newName, positional[0]);
    WarnIfNamesakes(archive, positional[1], "renamed", io);
    archive.Rename(index, newName);
    Save(archive, positional[0], io);
    return ExitSuccess;
}

}  // namespace cli
