// VTR_MAIN: the archive commands Load, Save, Extract and Replace, and the editors' hand-back.
#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QTreeWidget>
#include <exception>
#include <optional>
#include <stdexcept>

#include "archive/EditLock.h"
#include "mainwindow/VTR_MAIN.h"
#include "mainwindow/VTR_PROGRESS.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"

namespace {

const QString Title = QStringLiteral("Vantor");

std::string FilePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

bool Chosen(const std::optional<QString>& answer) { return answer && !answer->isEmpty(); }

}  // namespace

// Marks the window busy while a command runs that lets events through (load and save).
class VTR_MAIN::BusyScope {
public:
    explicit BusyScope(VTR_MAIN& window) : window_(window) { window_.busy_ = true; }
    ~BusyScope() { window_.busy_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    VTR_MAIN& window_;
};

void VTR_MAIN::ReportFailure(const QString& what, const std::exception& error) {
    const QString text = what + QString::fromUtf8(error.what());
    platform::Ui().Message(this, Title, text);
    LogEvent(text, QString::fromStdString(Companions[0].Name));
}

void VTR_MAIN::ShowProgress() {
    progress_ = new VTR_PROGRESS(this);
    progress_->show();
}

void VTR_MAIN::CloseProgress() {
    if (progress_) progress_->close();  // deleted later, when the events next run
    progress_ = nullptr;
}

VTR_CORE::ProgressCallback VTR_MAIN::ProgressReports() {
    return [this](const VTR_CORE::Progress& progress) {
        if (!progress_) ShowProgress();
        progress_->Report(progress);
    };
}

QTreeWidgetItem* VTR_MAIN::SelectedFileNode() const {
    if (Archive.ArchivePath.empty()) return nullptr;
    QTreeWidgetItem* node = tv_BIGDirectory->currentItem();
    return node && NodeEntry(node) >= 0 ? node : nullptr;
}

void VTR_MAIN::but_Load_Click() {
    if (busy_) return;
    const std::optional<QString> answer =
        platform::Ui().OpenFileName(this, CD1.Filter, CD1.FileName);
    if (!Chosen(answer)) return;
    LoadFile(*answer);
}

void VTR_MAIN::LoadFile(const QString& path) {
    if (busy_) return;
    CD1.FileName = path;
    bool loaded = false;
    {
        BusyScope busy(*this);
        loaded = LoadArchive(FilePath(path));
    }
    // The dialog, which Save shares, goes back to the archive that is loaded: a refused file's
    // name must never be offered for saving the archive over it.
    if (!loaded) CD1.FileName = QFile::decodeName(QByteArray::fromStdString(Archive.ArchivePath));
    FinishCommand();
}

bool VTR_MAIN::LoadArchive(const std::string& path) {
    bool isArchive = false;
    try {
        // The progress window opens when the engine reports the entry count, before the first
        // record is read; a file refused for its signature shows none.
        isArchive = Archive.ReadDirectory(path, cb_Loadwhole->checkState() != Qt::Unchecked,
                                          ProgressReports());
        CloseProgress();
    } catch (const std::exception& error) {
        // The engine keeps the previous archive on a failed walk.
        CloseProgress();
        ReportFailure("Unable to open BIG file. Reason - ", error);
        return false;
    }
    if (!isArchive) {
        platform::Ui().Message(
            this, Title,
            "The selected file was not a valid BIG archive. Please check the filename.");
        LogEvent("Unable to open BIG file. Reason - File not in BIG format.",
                 QString::fromStdString(Companions[0].Name));
        return false;
    }
    tv_BIGDirectory->clear();
    BuildDirectoryTree();
    for (QPushButton* button : {but_Save, but_Replace, but_Extract}) button->setEnabled(true);
    return true;
}

void VTR_MAIN::but_Save_Click() {
    if (busy_) return;
    const std::optional<QString> answer =
        platform::Ui().SaveFileName(this, CD1.Filter, CD1.FileName);
    if (!Chosen(answer)) return;
    CD1.FileName = *answer;
    {
        BusyScope busy(*this);
        SaveArchive(FilePath(*answer));
    }
    FinishCommand();
}

void VTR_MAIN::SaveArchive(const std::string& path) {
    try {
        ShowProgress();
        // Over an existing file, Save holds its edit lock, as every program that rewrites an
        // archive does; another holder is waited for a while, the events going on meanwhile.
        std::optional<VTR_CORE::EditLock> lock;
        if (platform::Files().Kind(path) != platform::PathKind::Missing)
            lock.emplace(path, SaveLockWait, [] { platform::Ui().PumpEvents(); });
        Archive.WriteArchive(path, ProgressReports());
        CloseProgress();
    } catch (const std::exception& error) {
        CloseProgress();
        ReportFailure("Unable to save BIG file. Reason - ", error);
        return;
    }
    platform::Ui().Message(this, Title, "File saved.");
}

void VTR_MAIN::but_Extract_Click() {
    if (busy_) return;
    QTreeWidgetItem* node = SelectedFileNode();
    if (!node) return;
    CD2.FileName = node->text(0);
    const std::optional<QString> answer =
        platform::Ui().SaveFileName(this, CD2.Filter, CD2.FileName);
    if (!Chosen(answer)) return;
    CD2.FileName = *answer;
    try {
        Archive.GetEntryData(NodeEntry(node), FilePath(*answer), true);
    } catch (const std::exception& error) {
        ReportFailure("Unable to extract file. Reason - ", error);
        return;
    }
    platform::Ui().Message(this, Title, "File extracted.");
}

void VTR_MAIN::but_Replace_Click() {
    if (busy_) return;
    QTreeWidgetItem* node = SelectedFileNode();
    if (!node) return;
    const std::optional<QString> answer =
        platform::Ui().OpenFileName(this, CD2.Filter, CD2.FileName);
    if (!Chosen(answer)) return;
    CD2.FileName = *answer;
    try {
        Archive.ReplaceEntryFromFile(NodeEntry(node), FilePath(*answer));
    } catch (const std::exception& error) {
        ReportFailure("Unable to replace file. Reason - ", error);
        return;
    }
    platform::Ui().Message(this, Title, "File replaced.");
    MarkReplaced(node);
    LogEvent("File " + node->text(0) + " contents replaced with " + *answer + ".",
             QString::fromStdString(Companions[0].Name));
}

// Throws, changing nothing, for an index out of range or data the format cannot hold; the
// editor that called reports it.
void VTR_MAIN::OnlineReplace(const std::int32_t& FileEntry, const std::string& FileData) {
    if (FileEntry < 0) throw std::out_of_range("There is no entry with a negative number.");
    Archive.ReplaceWithBytes(static_cast<std::size_t>(FileEntry), FileData);
    // The editor was opened for the selected node, and the selection cannot change meanwhile.
    QTreeWidgetItem* node = tv_BIGDirectory->currentItem();
    if (node && NodeEntry(node) == FileEntry) MarkReplaced(node);
}

void VTR_MAIN::EditorClosed() {
    setEnabled(true);
    raise();
    activateWindow();
    setFocus();
}
