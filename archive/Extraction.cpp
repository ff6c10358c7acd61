#include "archive/Extraction.h"

#include <algorithm>

#include "archive/CaseFold.h"
#include "archive/EntryPath.h"
#include "archive/NamePattern.h"
#include "platform/Console.h"

namespace Extraction {

namespace {

// Frees the memory of an entry whose data was read from the archive file.
void ReleaseData(VTR_CORE::ArchiveEntry& entry) {
    if (entry.Modified) return;
    std::string().swap(entry.Data);
    entry.Loaded = false;
}

std::string Capitalized(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = char(text[0] - 32);
    return text;
}

}  // namespace

std::vector<bool> ChooseEntries(const VTR_CORE::BigArchive& archive,
                                const std::vector<std::string>& patterns, const Report& unmatched) {
    std::vector<bool> chosen(archive.Entries.size(), patterns.empty());
    for (const std::string& typed : patterns) {
        const std::string pattern = EntryPath::Utf8ToName(typed);
        bool matched = false;
        for (std::size_t i = 0; i < archive.Entries.size(); ++i)
            if (NamePattern::Matches(pattern, archive.Entries[i].Name)) chosen[i] = matched = true;
        if (!matched && unmatched) unmatched("No entry matches " + platform::Quoted(typed) + ".");
    }
    return chosen;
}

void DropDuplicates(const VTR_CORE::BigArchive& archive, std::vector<bool>& chosen,
                    const Report& dropped) {
    std::vector<std::size_t> picked;
    for (std::size_t i = 0; i < chosen.size(); ++i)
        if (chosen[i]) picked.push_back(i);
    const std::vector<std::size_t> first = CaseFold::FirstOfSameName(
        picked.size(), [&](std::size_t k) { return archive.Entries[picked[k]].Name.View(); });
    for (std::size_t k = 0; k < picked.size(); ++k) {
        if (first[k] == k) continue;
        const std::size_t i = picked[k];
        chosen[i] = false;
        if (dropped)
            dropped(EntryPath::EntryLabel(i, archive.Entries[i].Name) +
                    " has the same name as entry " + std::to_string(picked[first[k]] + 1) +
                    "; only the first is extracted.");
    }
}

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

void MakeFolderPath(const std::string& folder) {
    if (platform::Files().Kind(folder) != platform::PathKind::Missing) return;
    const std::size_t separator = folder.find_last_of(platform::WindowsFileNames ? "/\\" : "/");
    if (separator != std::string::npos && separator > 0)
        MakeFolderPath(folder.substr(0, separator));
    platform::Files().CreateFolder(folder);
}

Extractor::Extractor(std::string folder, Report refused, bool releaseData)
    : folder_(std::move(folder)), refused_(std::move(refused)), releaseData_(releaseData) {}

bool Extractor::Write(VTR_CORE::BigArchive& archive, std::size_t index, std::string_view name) {
    VTR_CORE::ArchiveEntry& entry = archive.Entries[index];
    const EntryPath::PathMapping mapping = EntryPath::NameToPath(name, platform::WindowsFileNames);
    if (!mapping.Maps()) {
        if (refused_)
            refused_(Capitalized(EntryPath::EntryLabel(index, entry.Name)) +
                     " is not extracted: " + mapping.problem + ".");
        return false;
    }
    const bool wasInMemory = entry.InMemory();
    try {
        MakeFolders(mapping.segments);
        WriteExtracted(folder_ + "/" + EntryPath::JoinSegments(mapping.segments),
                       archive.Data(index));
    } catch (const std::exception& error) {
        if (releaseData_ && !wasInMemory) ReleaseData(entry);
        throw std::runtime_error(Capitalized(EntryPath::EntryLabel(index, entry.Name)) + ": " +
                                 error.what());
    }
    if (releaseData_ && !wasInMemory) ReleaseData(entry);
    return true;
}

void Extractor::MakeFolders(const std::vector<std::string>& segments) {
    std::string path = folder_;
    for (std::size_t i = 0; i + 1 < segments.size(); ++i) {
        path += "/" + segments[i];
        if (made_.insert(path).second) platform::Files().CreateFolder(path);
    }
}

bool ExtractChosen(VTR_CORE::BigArchive& archive, const std::vector<bool>& chosen,
                   const std::string& folder, const Report& refused,
                   const VTR_CORE::ProgressCallback& progress) {
    VTR_CORE::Progress done;
    for (std::size_t i = 0; i < chosen.size(); ++i)
        if (chosen[i]) ++done.entriesTotal, done.bytesTotal += archive.Entries[i].Size;
    if (done.entriesTotal == 0) return true;
    MakeFolderPath(folder);
    Extractor extractor(folder, refused);
    bool allWritten = true;
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        if (!chosen[i]) continue;
        const std::int64_t size = archive.Entries[i].Size;
        allWritten = extractor.Write(archive, i, archive.Entries[i].Name) && allWritten;
        ++done.entriesDone;
        done.bytesDone += size;
        if (progress) progress(done);
    }
    return allWritten;
}

}  // namespace Extraction
