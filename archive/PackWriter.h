// Writes a new BIG archive straight from loose files, reading each in pieces, so that packing a
// folder takes a few MiB of memory whatever its size (BigArchive::Write holds every entry's data).
#pragma once

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

}  // namespace PackWriter
