// Entries written out as loose files under a folder, each at the path its name maps to
// (EntryPath): names that would leave the folder are refused, not written.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "archive/BigArchive.h"

namespace Extraction {

// Receives one message: a refused entry, a pattern that matched nothing, a dropped duplicate.
using Report = std::function<void(const std::string& message)>;

// The entries a user names by `patterns` as typed (UTF-8, "/" for "\", letter case aside, "*"
// and "?"), or every entry when there are none. Each pattern that matches nothing is reported.
std::vector<bool> ChooseEntries(const VTR_CORE::BigArchive& archive,
                                const std::vector<std::string>& patterns, const Report& unmatched);
// Of chosen entries whose names differ only in letter case, keeps the first and reports each
// other one.
void DropDuplicates(const VTR_CORE::BigArchive& archive, std::vector<bool>& chosen,
                    const Report& dropped);

// Writes `bytes` to `path` through a temporary file renamed over it, without flushing it to the
// disk (a crash of the program leaves the file whole or absent). A symbolic link at `path` is
// replaced, not followed, so a link in the target folder cannot send bytes outside it.
void WriteExtracted(const std::string& path, std::string_view bytes);
// Creates `folder` and the missing folders above it.
void MakeFolderPath(const std::string& folder);

// Writes entries under one folder, making the folders of their paths once each.
class Extractor {
public:
    // `releaseData`: an entry's bytes read from the archive file for the write are freed again.
    Extractor(std::string folder, Report refused, bool releaseData = true);

    // Writes entry `index` to the path `name` maps to: the entry's own name, or the part of it
    // below a folder being extracted. False when the name does not map (reported as refused);
    // a failed write throws, naming the entry.
    bool Write(VTR_CORE::BigArchive& archive, std::size_t index, std::string_view name);

private:
    void MakeFolders(const std::vector<std::string>& segments);

    std::string folder_;
    Report refused_;
    bool releaseData_;
    std::set<std::string> made_;
};

// Writes the chosen entries under `folder` (made when missing), reporting progress per entry.
// Returns false when one was refused; the others are still written.
bool ExtractChosen(VTR_CORE::BigArchive& archive, const std::vector<bool>& chosen,
                   const std::string& folder, const Report& refused,
                   const VTR_CORE::ProgressCallback& progress = {});

}  // namespace Extraction
