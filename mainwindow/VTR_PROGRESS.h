// The progress window of the load and save commands: a bar that shows how far the engine has
// come, from the reports of its progress callback, refreshed by a 100 ms timer while the window
// exists.
#pragma once

#include <QWidget>
#include <cstdint>

#include "archive/BigArchive.h"

class QFrame;
class QProgressBar;
class QTimer;

class VTR_PROGRESS : public QWidget {
    Q_OBJECT
public:
    explicit VTR_PROGRESS(QWidget* parent = nullptr);

    QFrame* Frame1;
    QProgressBar* BIGProgress;
    QTimer* UpdateBar;

    void Form_Load();
    void UpdateBar_Timer();

    // The engine's progress callback: keeps the report for UpdateBar and, when the bar moves (or
    // a piece of a file went out), shows it and lets the window system process pending events.
    void Report(const VTR_CORE::Progress& progress);
    // The entries of the operation: the bar's maximum.
    std::int64_t EntryCount() const { return current_.entriesTotal; }
    // How far the operation has come, as an entry index: the last entry done, or the share of
    // the bytes written scaled to the entries, whichever is further.
    std::int64_t LastIndex() const;

private:
    void ShowCurrent();

    VTR_CORE::Progress current_;
    std::int64_t shownIndex_ = -1;
    std::int64_t shownBytes_ = -1;
};
