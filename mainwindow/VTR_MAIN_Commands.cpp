// VTR_MAIN: the archive commands Load, Save, Extract and Replace, and the editors' hand-back.
#include <QCheckBox>
#include <QPushButton>
#include <QTreeWidget>
#include <exception>
#include <optional>
#include <stdexcept>

#include "archive/EditLock.h"
#include "mainwindow/VTR_MAIN.h"
#include "mainwindow/VTR_PROGRESS.h"
#include "mainwindow/WindowText.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"

using windowtext::Chosen;
using windowtext::FilePath;
using windowtext::Title;

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
    if (!archiveOpen_) return nullptr;
    QTreeWidgetItem* node = tv_BIGDirectory->currentItem();
    return node && NodeEntry(node) >= 0 ? node : nullptr;
}

void VTR_MAIN::but_Load_Click() {
    if (busy_) return;
    if (SaveChangesFirst()) {
        const std::optional<QString> answer =
            platform::Ui().OpenFileName(this, CD1.Filter, CD1.FileName);
        if (Chosen(answer)) LoadPath(*answer);
    }
    FinishCommand();
}

void VTR_MAIN::LoadFile(const QString& path) {
    if (busy_) return;
    if (SaveChangesFirst()) LoadPath(path);
    FinishCommand();
}

void VTR_MAIN::LoadPath(const QString& path) {
    CD1.FileName = path;
    bool loaded = false;
    {
        BusyScope busy(*this);
        loaded = LoadArchive(FilePath(path));
    }
    if (loaded) {
        ShowNewArchive(path);
    } else {
        // The dialog, which Save shares, goes back to the archive shown: a refused file's name
        // must never be offered for saving the archive over it.
        CD1.FileName = documentPath_;
    }
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
    return true;
}

void VTR_MAIN::ShowNewArchive(const QString& documentPath) {
    documentPath_ = documentPath;
    archiveOpen_ = true;
    changed_ = false;
    tv_BIGDirectory->clear();
    BuildDirectoryTree();
    for (QPushButton* button : {but_Save, but_Replace, but_Extract, but_Addfile, But_Delfile})
        button->setEnabled(true);
}

void VTR_MAIN::but_Save_Click() {
    if (busy_) return;
    SaveWithDialog();
    FinishCommand();
}

bool VTR_MAIN::SaveWithDialog() {
    const std::optional<QString> answer =
        platform::Ui().SaveFileName(this, CD1.Filter, CD1.FileName);
    if (!Chosen(answer)) return false;
    CD1.FileName = *answer;
    BusyScope busy(*this);
    if (!SaveArchive(FilePath(*answer))) return false;
    documentPath_ = *answer;
    changed_ = false;
    return true;
}

bool VTR_MAIN::SaveArchive(const std::string& path) {
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
        return false;
    }
    platform::Ui().Message(this, Title, "File saved.");
    return true;
}

void VTR_MAIN::but_Extract_Click() {
    if (busy_ || !archiveOpen_) return;
    if (QTreeWidgetItem* folder = tv_BIGDirectory->currentItem();
        folder && NodeEntry(folder) < 0 && TreeNodeOf(folder) >= 0) {
        ExtractFolder(TreeNodeOf(folder));
        FinishCommand();
        return;
    }
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
    changed_ = true;
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
    changed_ = true;
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

void VTR_MAIN::LogEditorEvent(const std::string& msgString, const std::string& msgSource) {
    LogEvent(QString::fromStdString(msgString), QString::fromStdString(msgSource));
}
