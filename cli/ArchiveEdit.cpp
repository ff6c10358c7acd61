#include "cli/ArchiveEdit.h"

#include <charconv>

#include "archive/EditLock.h"
#include "archive/VTR_STR.h"
#include "cli/ArchiveAccess.h"
#include "cli/ProgressBar.h"

namespace cli {

namespace {

constexpr std::chrono::milliseconds DefaultWait{10000};
// A day: longer waits are surely a typing mistake.
constexpr double LongestWait = 86400;

bool ChangedMeanwhile(const VTR_CORE::BigArchive& archive) {
    try {
        return archive.SourceChanged();
    } catch (const std::exception&) {
        return false;  // the failure that led here is the one to report
    }
}

}  // namespace

std::chrono::milliseconds WaitTime(const ParsedArgs& args) {
    const std::optional<std::string> value = args.Value("wait");
    if (!value) return DefaultWait;
    double seconds = -1;
    const char* end = value->data() + value->size();
    const auto [stop, error] = std::from_chars(value->data(), end, seconds);
    if (value->empty() || error != std::errc() || stop != end || !(seconds >= 0) ||
        seconds > LongestWait)
        throw UsageError("--wait takes a number of seconds from 0 to 86400, not " + Quoted(*value));
    return std::chrono::milliseconds(static_cast<std::int64_t>(seconds * 1000));
}

void EditArchive(const std::string& path, const ParsedArgs& args, Io& io,
                 const std::function<void(VTR_CORE::BigArchive&)>& change) {
    const std::chrono::milliseconds wait = WaitTime(args);
    // A missing archive gets the usual message, and no lock file beside it.
    if (platform::Files().Kind(path) != platform::PathKind::RegularFile) OpenArchive(path);
    const VTR_CORE::EditLock lock(path, wait);
    VTR_CORE::BigArchive archive = OpenArchive(path);
    change(archive);
    ProgressBar bar(io, "writing", std::int64_t(archive.Entries.size()), archive.WrittenLength());
    try {
        archive.Write(path, bar.Callback());
    } catch (const platform::FileError&) {
        // Its entries could not be read because a program that does not wait changed it.
        if (ChangedMeanwhile(archive)) throw VTR_STR::ArchiveBusy(VTR_CORE::BusyMessage(path));
        throw;
    }
}

}  // namespace cli
