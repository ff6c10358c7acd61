#include "tests/archive/ArchiveFixture.h"

#include <filesystem>

#include "platform/FileSystem.h"

namespace archivetest {

namespace {

void ResetArchive() {
    VTR_CORE::BlankEntries();
    auto& archive = VTR_CORE::Archive();
    archive.EntryCount = 0;
    archive.LastIndex = 0;
    archive.ArchivePath.clear();
    VTR_CORE::SetYieldHook({});
    platform::SetFiles(nullptr);
}

}  // namespace

Snapshot TakeSnapshot() {
    const auto& archive = VTR_CORE::Archive();
    Snapshot snapshot;
    for (const auto& e : archive.Entries)
        snapshot.slots.emplace_back(e.Name, e.Data, e.Modified, e.Loaded, e.Position, e.Size);
    snapshot.entryCount = archive.EntryCount;
    snapshot.archivePath = archive.ArchivePath;
    return snapshot;
}

testsupport::NamedData LoadedTable() {
    testsupport::NamedData table;
    auto& entries = VTR_CORE::Archive().Entries;
    for (int i = 0; i < VTR_CORE::MaxEntries && !entries[i].Name.empty(); ++i) {
        VTR_CORE::GetEntryData(i, "", false);
        EXPECT_EQ(entries[i].Size, static_cast<std::int32_t>(entries[i].Data.size()));
        table.emplace_back(entries[i].Name, entries[i].Data);
    }
    return table;
}

int OpenDescriptorCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& item : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

void ArchiveTest::SetUp() { ResetArchive(); }

void ArchiveTest::TearDown() { ResetArchive(); }

std::string ArchiveTest::Put(const std::string& name, const std::string& bytes) const {
    const std::string path = dir.File(name);
    testsupport::WriteBytes(path, bytes);
    return path;
}

}  // namespace archivetest
