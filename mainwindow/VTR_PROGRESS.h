// The progress window of the load and save commands: a bar that follows the archive directory's
// LastIndex against its EntryCount, refreshed by a 100 ms timer while the window exists.
#pragma once

#include <QWidget>

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
    // Sets the bar to the archive directory's LastIndex.
    void ShowCurrent();
};
