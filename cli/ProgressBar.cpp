#include "cli/ProgressBar.h"

#include <algorithm>

#include "platform/Console.h"

namespace cli {

namespace {

constexpr auto RedrawInterval = std::chrono::milliseconds(100);
// Carriage return, then erase to the end of the line.
constexpr const char* ClearLine = "\r\x1b[K";

}  // namespace

ProgressBar::ProgressBar(Io& io, std::string label, std::int64_t entriesTotal,
                         std::int64_t bytesTotal)
    : io_(io), label_(std::move(label)), entriesTotal_(entriesTotal), bytesTotal_(bytesTotal) {}

ProgressBar::~ProgressBar() { Finish(); }

void ProgressBar::Update(std::int64_t entriesDone, std::int64_t bytesDone) {
    if (!io_.errIsTerminal || !Long()) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastDraw_ < RedrawInterval) return;
    lastDraw_ = now;
    // Bytes tell the time better than entries when there are many of them.
    const double fraction = bytesTotal_ > 0     ? double(bytesDone) / double(bytesTotal_)
                            : entriesTotal_ > 0 ? double(entriesDone) / double(entriesTotal_)
                                                : 1.0;
    Draw(std::clamp(fraction, 0.0, 1.0), entriesDone);
}

VTR_CORE::ProgressCallback ProgressBar::Callback() {
    if (!io_.errIsTerminal) return {};
    return [this](const VTR_CORE::Progress& progress) {
        if (progress.entriesTotal > 0) entriesTotal_ = progress.entriesTotal;
        if (progress.bytesTotal > 0) bytesTotal_ = progress.bytesTotal;
        Update(progress.entriesDone, progress.bytesDone);
    };
}

void ProgressBar::Finish() {
    if (io_.barShown) io_.err << ClearLine << std::flush;
    io_.barShown = false;
}

void ProgressBar::Draw(double fraction, std::int64_t entriesDone) {
    std::string counts = " " + std::to_string(int(fraction * 100)) + "%";
    if (entriesTotal_ > 0)
        counts += " " + std::to_string(entriesDone) + "/" + std::to_string(entriesTotal_);
    const int room = platform::TerminalWidth() - 1 - int(label_.size() + counts.size()) - 3;
    const int width = std::clamp(room, 0, 50);
    const int filled = int(fraction * width);
    io_.err << '\r' << label_ << " [" << std::string(filled, '#')
            << std::string(width - filled, '-') << "]" << counts << std::flush;
    io_.barShown = true;
}

}  // namespace cli
