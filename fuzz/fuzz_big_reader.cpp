// The BIG reader on arbitrary bytes, read from memory. Properties:
// - a failed read leaves the archive object as it was;
// - whatever reads can be written, and the written bytes read back to the same entries (names,
//   contents, signature) and are a fixed point of reading and writing.
#include <cstdint>
#include <exception>
#include <string>

#include "archive/BigArchive.h"
#include "fuzz/FuzzSupport.h"

using fuzzsupport::Require;

namespace {

bool SameEntries(const VTR_CORE::BigArchive& a, const VTR_CORE::BigArchive& b) {
    if (a.Signature() != b.Signature() || a.Entries.size() != b.Entries.size()) return false;
    for (std::size_t i = 0; i < a.Entries.size(); ++i) {
        const auto& x = a.Entries[i];
        const auto& y = b.Entries[i];
        if (x.Name != y.Name || x.Data != y.Data || x.Size != y.Size) return false;
    }
    return true;
}

// A recognisable archive, so that a failed read can be checked against it.
VTR_CORE::BigArchive Sentinel() {
    VTR_CORE::BigArchive archive("BIG4");
    archive.Add("sentinel\\kept.txt", "kept");
    return archive;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = fuzzsupport::AsBytes(data, size);
    static const VTR_CORE::BigArchive sentinel = Sentinel();
    VTR_CORE::BigArchive archive = sentinel;
    try {
        archive.OpenBytes(input);
    } catch (const std::exception&) {
        Require(SameEntries(archive, sentinel), "a failed read changed the archive");
        return 0;
    }
    std::string written;
    try {
        written = archive.ToBytes();
    } catch (const std::exception& error) {
        fuzzsupport::Fail(std::string("an archive that was read could not be written: ") +
                          error.what());
    }
    VTR_CORE::BigArchive again;
    try {
        again.OpenBytes(written);
    } catch (const std::exception& error) {
        fuzzsupport::Fail(std::string("written bytes do not read again: ") + error.what());
    }
    Require(SameEntries(archive, again), "write and read again: different entries");
    Require(again.ToBytes() == written, "writing the archive read from written bytes differs");
    return 0;
}
