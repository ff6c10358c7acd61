#include "cli/ArchiveAccess.h"

#include <algorithm>

#include "archive/EntryPath.h"
#include "archive/NamePattern.h"
#include "archive/VTR_STR.h"
#include "platform/Console.h"

namespace cli {

namespace {

// Some of the loader's messages name only the entry; the user also needs the file.
template <typename Error>
[[noreturn]] void RethrowNamingFile(const Error& error, const std::string& path) {
    const std::string message = error.what();
    if (message.find(Quoted(path)) != std::string::npos) throw error;
    throw Error(Quoted(path) + ": " + message);
}

}  // namespace

VTR_CORE::BigArchive OpenArchive(const std::string& path) {
    VTR_CORE::BigArchive archive;
    try {
        archive.Open(path, false);
    } catch (const VTR_STR::MalformedData& error) {
        RethrowNamingFile(error, path);
    } catch (const VTR_STR::LimitExceeded& error) {
        RethrowNamingFile(error, path);
    }
    return archive;
}

std::string TypedName(const std::string& typed) {
    std::string name = EntryPath::Utf8ToName(typed);
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

std::string NewEntryName(const std::string& typed) {
    const std::string name = TypedName(typed);
    const EntryPath::PathMapping mapping = EntryPath::NameToPath(name, platform::WindowsFileNames);
    if (!mapping.Maps())
        throw VTR_STR::MalformedData(ShownName(name) +
                                     " cannot be an entry name: " + mapping.problem + ".");
    return name;
}

std::vector<std::size_t> FindTyped(const VTR_CORE::BigArchive& archive, const std::string& typed) {
    const std::string name = EntryPath::Utf8ToName(typed);
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < archive.Entries.size(); ++i)
        if (NamePattern::Matches(name, archive.Entries[i].Name, false)) found.push_back(i);
    return found;
}

std::vector<std::size_t> FindAll(const VTR_CORE::BigArchive& archive, const std::string& typed,
                                 const std::string& archivePath) {
    std::vector<std::size_t> found = FindTyped(archive, typed);
    if (found.empty())
        throw std::runtime_error(Quoted(archivePath) + " has no entry named " + Quoted(typed) +
                                 ".");
    return found;
}

std::size_t FindExisting(const VTR_CORE::BigArchive& archive, const std::string& typed,
                         const std::string& archivePath) {
    return FindAll(archive, typed, archivePath).front();
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

}  // namespace cli
