// A progress bar on the last line of a terminal, for long work only. Nothing is drawn when
// standard error is not a terminal, so logs and pipes stay clean.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "archive/BigArchive.h"
#include "cli/Cli.h"

namespace cli {

class ProgressBar {
public:
    // Work below both thresholds finishes too soon for a bar to help.
    static constexpr std::int64_t ManyEntries = 1000;
    static constexpr std::int64_t LargeData = 64ll * 1024 * 1024;

    // `label` says what is being done ("extracting"); the totals decide whether a bar is shown.
    ProgressBar(Io& io, std::string label, std::int64_t entriesTotal, std::int64_t bytesTotal);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void Update(std::int64_t entriesDone, std::int64_t bytesDone);
    // A callback for the engine's long operations; the totals it reports replace the ones given.
    VTR_CORE::ProgressCallback Callback();
    // Erases the bar.
    void Finish();

private:
    bool Long() const { return entriesTotal_ >= ManyEntries || bytesTotal_ >= LargeData; }
    void Draw(double fraction, std::int64_t entriesDone);

    Io& io_;
    std::string label_;
    std::int64_t entriesTotal_;
    std::int64_t bytesTotal_;
    std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace cli
