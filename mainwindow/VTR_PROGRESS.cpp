#include "mainwindow/VTR_PROGRESS.h"

#include <QFrame>
#include <QGuiApplication>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <limits>

#include "platform/Dialogs.h"

namespace {

// A directory of many entries reports each one; the window is given the events (and the bar
// repainted) after about this many steps of the bar, a pixel or two each, so that showing the
// progress does not cost more than the walk itself.
constexpr std::int64_t BarSteps = 200;

}  // namespace

VTR_PROGRESS::VTR_PROGRESS(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("VTR_PROGRESS");
    setWindowTitle("Processing BIG file...");
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(298, 50);

    Frame1 = new QFrame(this);
    Frame1->setObjectName("Frame1");
    Frame1->setFrameShape(QFrame::StyledPanel);
    Frame1->setGeometry(0, 0, 298, 50);

    BIGProgress = new QProgressBar(Frame1);
    BIGProgress->setObjectName("BIGProgress");
    BIGProgress->setGeometry(8, 16, 281, 25);
    BIGProgress->setTextVisible(false);

    UpdateBar = new QTimer(this);
    UpdateBar->setObjectName("UpdateBar");
    UpdateBar->setInterval(100);
    connect(UpdateBar, &QTimer::timeout, this, &VTR_PROGRESS::UpdateBar_Timer);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    Form_Load();
}

void VTR_PROGRESS::Form_Load() {
    UpdateBar->start();
    BIGProgress->setValue(0);
    ShowCurrent();
}

void VTR_PROGRESS::UpdateBar_Timer() {
    ShowCurrent();
    platform::Ui().PumpEvents();
}

std::int64_t VTR_PROGRESS::LastIndex() const {
    const VTR_CORE::Progress& now = current_;
    std::int64_t index = std::min(now.entriesDone, now.entriesTotal) - 1;
    if (now.bytesTotal > 0)
        index = std::max(index, (now.entriesTotal - 1) * now.bytesDone / now.bytesTotal);
    return std::max<std::int64_t>(index, 0);
}

void VTR_PROGRESS::Report(const VTR_CORE::Progress& progress) {
    current_ = progress;
    const std::int64_t step = std::max<std::int64_t>(1, progress.entriesTotal / BarSteps);
    const std::int64_t index = LastIndex();
    if (shownIndex_ >= 0 && index - shownIndex_ < step && progress.bytesDone == shownBytes_) return;
    shownIndex_ = index;
    shownBytes_ = progress.bytesDone;
    ShowCurrent();
    platform::Ui().PumpEvents();
}

void VTR_PROGRESS::ShowCurrent() {
    constexpr std::int64_t Largest = std::numeric_limits<int>::max();
    // A range of 0..0 would turn the bar into a busy indicator; an empty archive shows an empty
    // bar.
    const int maximum = static_cast<int>(std::clamp<std::int64_t>(EntryCount(), 1, Largest));
    if (BIGProgress->maximum() != maximum) BIGProgress->setRange(0, maximum);
    BIGProgress->setValue(static_cast<int>(std::min<std::int64_t>(LastIndex(), maximum)));
}
