// Shared setup of the archive tests: a clean archive directory, a private folder, and helpers
// that compare the loaded table with what an archive was built from.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "archive/VTR_CORE.h"
#include "tests/support/TestFiles.h"

namespace archivetest {

// Every field of every slot, for "nothing changed" checks.
struct Snapshot {
    std::vector<std::tuple<std::string, std::string, bool, bool, std::int32_t, std::int32_t>> slots;
    std::int32_t entryCount = 0;
    std::string archivePath;
    bool operator==(const Snapshot&) const = default;
};

Snapshot TakeSnapshot();

// Names and contents of the entries before the first empty name, fetching data as needed.
testsupport::NamedData LoadedTable();

// Number of descriptors this process holds open.
int OpenDescriptorCount();

class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Writes `bytes` to `name` in the test folder and returns its path.
    std::string Put(const std::string& name, const std::string& bytes) const;

    testsupport::TempDir dir;
    const testsupport::NamedData sample{{"data\\ini\\game.ini", "[Game]\r\nSpeed=3\r\n"},
                                        {"empty.bin", ""},
                                        {"art\\logo.tga", std::string("\0\x01\x80\xff tga", 8)}};
};

}  // namespace archivetest
