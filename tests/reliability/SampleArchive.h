// The archive the reliability tests work on: folders, a string table, text files, an empty entry
// and a larger binary one, built byte by byte without the engine's writer.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tests/support/TestFiles.h"

namespace reliability {

enum SampleEntry { kGameIni = 0, kStringTable = 1, kReadme = 2, kEmpty = 3, kLogo = 4 };

// A CSF file whose labels all have one plain string (values are Latin-1 text).
std::string CsfBytes(const std::vector<std::pair<std::string, std::string>>& labels);
// The value of `label` in CSF bytes as CsfBytes lays them out; throws when it is missing.
std::string CsfValue(const std::string& csf, const std::string& label);

testsupport::NamedData SampleEntries();
// Another archive with other names and contents, for loads over a loaded one.
testsupport::NamedData OtherEntries();

}  // namespace reliability
