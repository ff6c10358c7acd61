// The inputs the benchmark makes for itself: BIG archives and CSF string tables, built byte by
// byte here rather than by the engine under test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// `count` entry names in three folder levels; every folder name is unique in the archive and
// the number of folders grows with `count` (16 files per innermost folder).
std::vector<std::string> TreeNames(int count);

// Deterministic contents of entry `index`.
std::string EntryBytes(int index, std::size_t size);

// Writes a BIG archive with the given names and data sizes (entry i holds EntryBytes(i, ...)),
// laid out as the engine writes one: header, directory, "L225" trailer, data in order.
// Returns the offset just past the directory (the directory bytes are [16, that offset)).
std::int64_t WriteBigArchive(const std::string& path, const std::vector<std::string>& names,
                             const std::vector<std::size_t>& sizes);

// A CSF file with `labels` labels, each with one string (some holding line breaks), and a
// header as the engine writes it, so that reading and writing it again gives the same bytes.
std::string MakeCsf(int labels);

}  // namespace bench
