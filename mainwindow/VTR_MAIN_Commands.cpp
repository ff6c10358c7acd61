// VTR_MAIN: the archive commands Load, Save, Extract and Replace, and the editors' hand-back.
#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QTreeWidget>
#include <exception>

#include "archive/VTR_CORE.h"
#include "mainwindow/VTR_MAIN.h"
#include "mainwindow/VTR_PROGRESS.h"
#include "platform/Dialogs.h"

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
    if (progress_) progress_->close();
}

QTreeWidgetItem* VTR_MAIN::SelectedFileNode() const {
    if (VTR_CORE::Archive().ArchivePath.empty()) return nullptr;
    QTreeWidgetItem* node = tv_BIGDirectory->currentItem();
    return node && !NodeTag(node).isEmpty() ? node : nullptr;
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
    if (!loaded) CD1.FileName = QFile::decodeName(QByteArray::fromStdString(
                     VTR_CORE::Archive().ArchivePath));
    FinishCommand();
}

bool VTR_MAIN::LoadArchive(const std::string& path) {
    auto& directory = VTR_CORE::Archive();
    const std::int32_t previousCount = directory.EntryCount;
    const std::int32_t previousIndex = directory.LastIndex;
    try {
        if (!VTR_CORE::IsBigArchive(path)) {
            platform::Ui().Message(
                this, Title,
                "The selected file was not a valid BIG archive. Please check the filename.");
            LogEvent("Unable to open BIG file. Reason - File not in BIG format.",
                     QString::fromStdString(Companions[0].Name));
            return false;
        }
        VTR_CORE::ReadEntryCount(path);
        ShowProgress();
        VTR_CORE::ReadDirectory(path, cb_Loadwhole->checkState() != Qt::Unchecked);
        CloseProgress();
    } catch (const std::exception& error) {
        // The engine keeps the previous directory on a failed walk; the count and index that
        // the progress window used go back too.
        CloseProgress();
        directory.EntryCount = previousCount;
        directory.LastIndex = previousIndex;
        ReportFailure("Unable to open BIG file. Reason - ", error);
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
    const std::int32_t previousIndex = VTR_CORE::Archive().LastIndex;
    try {
        ShowProgress();
        VTR_CORE::WriteArchive(path);
        CloseProgress();
    } catch (const std::exception& error) {
        CloseProgress();
        VTR_CORE::Archive().LastIndex = previousIndex;
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
        VTR_CORE::GetEntryData(NodeTag(node).toInt(), FilePath(*answer), true);
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
        VTR_CORE::ReplaceEntryFromFile(NodeTag(node).toInt(), FilePath(*answer));
    } catch (const std::exception& error) {
        ReportFailure("Unable to replace file. Reason - ", error);
        return;
    }
    platform::Ui().Message(this, Title, "File replaced.");
    MarkReplaced(node);
    LogEvent("File " + node->text(0) + " contents replaced with " + *answer + ".",
             QString::fromStdString(Companions[0].Name));
}

void VTR_MAIN::OnlineReplace(const std::int16_t& FileEntry, const std::string& FileData) {
    if (FileEntry < 0 || std::size_t(FileEntry) >= VTR_CORE::Archive().Entries.size()) return;
    auto& entry = VTR_CORE::Archive().Entries[FileEntry];
    entry.Data = FileData;
    entry.Modified = true;
    entry.Size = static_cast<std::int32_t>(FileData.size());
    // The editor was opened for the selected node, and the selection cannot change meanwhile.
    QTreeWidgetItem* node = tv_BIGDirectory->currentItem();
    if (node && NodeTag(node) == QString::number(FileEntry))
        MarkReplaced(node);
}

void VTR_MAIN::EditorClosed() {
    setEnabled(true);
    raise();
    activateWindow();
    setFocus();
}
