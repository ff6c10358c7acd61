// Writes a new BIG archive straight from loose files, reading each in pieces, so that packing a
// folder takes a few MiB of memory whatever its size (BigArchive::Write holds every entry's data).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/BigArchive.h"

namespace PackWriter {

struct LooseFile {
    std::string name;  // the entry name
    std::string path;  // the file whose bytes become the entry's data
};

// Writes an archive of `files`, in this order, to `path` atomically, as BigArchive::Write would
// lay it out. Throws like BigArchive (a name or size the format cannot hold, a file that cannot
// be read) and platform::FileError when a file's length changes while it is packed. `durable`:
// flushed to the disk before it appears at `path`.
void WritePacked(const std::string& path, std::string_view signature,
                 const std::vector<LooseFile>& files,
                 const VTR_CORE::ProgressCallback& progress = {}, bool durable = true);

// Receives one warning of the folder walk.
using Warning = std::function<void(const std::string& message)>;

// Every regular file under `root`, named by its path relative to it (EntryPath::PathToName), in
// byte order of the names, so that the same folder always gives the same archive whatever order
// the system lists it in. What is neither a file nor a folder is skipped with a warning; empty
// folders give nothing. Throws for a name the format cannot hold.
std::vector<LooseFile> CollectFolder(const std::string& root, const Warning& warn);
// Leaves out the files that are `path` itself (an earlier copy of the archive being written,
// lying in the folder) or its lock file, with a warning each.
void LeaveOut(std::vector<LooseFile>& files, const std::string& path, const Warning& warn);
// Warns of files whose names differ only in letter case: one name to the archive's readers.
void WarnAboutCaseTwins(const std::vector<LooseFile>& files, const Warning& warn);

}  // namespace PackWriter
