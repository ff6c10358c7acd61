#include "mainwindow/VTR_PROGRESS.h"

#include <QFrame>
#include <QGuiApplication>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "archive/VTR_CORE.h"
#include "platform/Dialogs.h"

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
    // A range of 0..0 would turn the bar into a busy indicator; an empty archive shows an empty
    // bar.
    BIGProgress->setRange(0, std::max(1, VTR_CORE::Archive().EntryCount));
}

void VTR_PROGRESS::UpdateBar_Timer() {
    ShowCurrent();
    platform::Ui().PumpEvents();
}

void VTR_PROGRESS::ShowCurrent() {
    BIGProgress->setValue(std::clamp(VTR_CORE::Archive().LastIndex, 0, BIGProgress->maximum()));
}
