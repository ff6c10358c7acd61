// VTR_MAIN: the commands that change which entries the archive holds (New, Add and files dropped
// on the tree, Delete, Rename), Extract on a folder, and the question that keeps unsaved changes
// from being lost.
#include <QDropEvent>
#include <QFileInfo>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>
#include <optional>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

#include "archive/CaseFold.h"
#include "archive/EntryPath.h"
#include "archive/Extraction.h"
#include "archive/PackWriter.h"
#include "archive/VTR_STR.h"
#include "mainwindow/VTR_MAIN.h"
#include "mainwindow/WindowText.h"
#include "platform/Console.h"
#include "platform/Dialogs.h"

namespace {

using windowtext::Chosen;
using windowtext::DisplayText;
using windowtext::FilePath;
using windowtext::Title;

// A name in quotes, as the messages show names.
QString Quoted(std::string_view name) { return '"' + DisplayText(name) + '"'; }

// The names an entry being added or renamed must not take: those of the archive's entries
// (letter case aside), but for the one being renamed, and those the same command gives.
class TakenNames {
public:
    TakenNames(const VTR_CORE::BigArchive& archive, std::int32_t renamed, std::size_t checks)
        : archive_(archive), renamed_(renamed) {
        // Many names are looked up in a table; a few by going through the entries.
        if (checks <= 16) return;
        for (std::size_t i = 0; i < archive.Entries.size(); ++i)
            entries_.try_emplace(CaseFold::FoldedName(archive.Entries[i].Name), i);
    }

    // Throws, naming `name`, when it is taken; takes it otherwise.
    void Take(const std::string& name) {
        if (const std::optional<std::size_t> holder = Holder(name))
            throw VTR_STR::MalformedData(
                Quoted(name).toStdString() + ": the archive already has " +
                EntryPath::EntryLabel(*holder, archive_.Entries[*holder].Name) + ".");
        if (!given_.insert(CaseFold::FoldedName(name)).second)
            throw VTR_STR::MalformedData(Quoted(name).toStdString() +
                                         ": two of the files added would have that name.");
    }

private:
    std::optional<std::size_t> Holder(const std::string& name) const {
        if (entries_.empty()) {
            for (const std::size_t i : archive_.Find(name))
                if (std::int64_t(i) != renamed_) return i;
            return std::nullopt;
        }
        const auto found = entries_.find(CaseFold::FoldedName(name));
        if (found == entries_.end() || std::int64_t(found->second) == renamed_) return std::nullopt;
        return found->second;
    }

    const VTR_CORE::BigArchive& archive_;
    std::int64_t renamed_;
    std::unordered_map<std::string, std::size_t> entries_;
    std::unordered_set<std::string> given_;
};

// The bytes of `text`, a name or part of one as the user sees it; `shown` is the whole name,
// for the message. Throws for a character the code page does not hold.
std::string NameBytes(const QString& text, const QString& shown) {
    std::ptrdiff_t bad = -1;
    std::string bytes = platform::TextToBytes(text.toStdU16String(), bad);
    if (bad < 0) return bytes;
    const QString character = text.mid(bad, text.at(bad).isHighSurrogate() ? 2 : 1);
    throw VTR_STR::LimitExceeded(('"' + shown + "\": the character \"" + character +
                                  "\" is not in the code page of entry names.")
                                     .toStdString());
}

// A file's or folder's own name as part of an entry name below `prefix`.
std::string FileNamePart(const QString& fileName, const std::string& prefix) {
    const QString shown = DisplayText(prefix) + fileName;
    if (fileName.contains('\\'))
        throw VTR_STR::MalformedData(
            ('"' + shown +
             "\": the file name holds a \"\\\", which separates folders in entry "
             "names.")
                .toStdString());
    return NameBytes(fileName, shown);
}

// Throws, naming `name`, when it cannot be an entry's new name: over the format's length, a
// name `vantor-cli extract` would refuse here, or taken.
void CheckNewName(const std::string& name, TakenNames& taken) {
    if (name.size() > VTR_CORE::MaxNameLength)
        throw VTR_STR::LimitExceeded(Quoted(name).toStdString() + ": the name has " +
                                     std::to_string(name.size()) + " bytes; a name holds at most " +
                                     std::to_string(VTR_CORE::MaxNameLength) + ".");
    const EntryPath::PathMapping mapping = EntryPath::NameToPath(name, platform::WindowsFileNames);
    if (!mapping.Maps())
        throw VTR_STR::MalformedData(Quoted(name).toStdString() + ": " + mapping.problem + ".");
    taken.Take(name);
}

// The local files a drag carries; empty when anything else comes with them.
QStringList DraggedPaths(const QMimeData* data) {
    QStringList paths;
    for (const QUrl& url : data ? data->urls() : QList<QUrl>()) {
        if (!url.isLocalFile()) return {};
        paths << url.toLocalFile();
    }
    return paths;
}

QString FilesCounted(std::size_t count) {
    return count == 1 ? QStringLiteral("1 file") : QString::number(count) + " files";
}

}  // namespace

bool VTR_MAIN::SaveChangesFirst() {
    if (!changed_) return true;
    const QString name =
        documentPath_.isEmpty() ? "the new archive" : QFileInfo(documentPath_).fileName();
    switch (platform::Ui().AskYesNoCancel(this, Title, "Save changes to " + name + "?")) {
        case platform::Answer::Yes:
            return SaveWithDialog();
        case platform::Answer::No:
            return true;
        default:
            return false;
    }
}

void VTR_MAIN::Command1_Click() {
    if (busy_) return;
    if (SaveChangesFirst()) {
        Archive = VTR_CORE::ArchiveDirectory();
        CD1.FileName.clear();  // Save offers no name
        ShowNewArchive(QString());
        LogEvent("New BIG file created in memory.", QString::fromStdString(Companions[0].Name));
    }
    FinishCommand();
}

void VTR_MAIN::but_Addfile_Click() {
    if (busy_ || !archiveOpen_) return;
    const std::optional<QStringList> answer =
        platform::Ui().OpenFileNames(this, CD2.Filter, CD2.FileName);
    if (!answer || answer->isEmpty()) return;
    CD2.FileName = answer->front();
    AddEntriesBelow(*answer, tree_.FolderPrefix(FolderOf(tv_BIGDirectory->currentItem())));
}

std::vector<std::pair<std::string, std::string>> VTR_MAIN::NewEntries(
    const QStringList& paths, const std::string& prefix) const {
    std::vector<std::pair<std::string, std::string>> entries;  // name, source file
    for (const QString& path : paths) {
        const std::string name = prefix + FileNamePart(QFileInfo(path).fileName(), prefix);
        if (platform::Files().Kind(FilePath(path)) != platform::PathKind::Directory) {
            entries.emplace_back(name, FilePath(path));
            continue;
        }
        // A folder brings every file under it, as `vantor-cli pack` finds them; what is not a
        // file (a device, a socket) has no bytes to add and is left out.
        for (PackWriter::LooseFile& file : PackWriter::CollectFolder(FilePath(path), {}))
            entries.emplace_back(name + '\\' + file.name, std::move(file.path));
    }
    TakenNames taken(Archive, -1, entries.size());
    for (const auto& entry : entries) CheckNewName(entry.first, taken);
    return entries;
}

void VTR_MAIN::AddEntriesBelow(const QStringList& paths, const std::string& prefix) {
    if (busy_ || !archiveOpen_ || paths.isEmpty()) return;
    std::vector<std::pair<std::string, std::string>> entries;
    const std::size_t before = Archive.Entries.size();
    try {
        entries = NewEntries(paths, prefix);
        for (const auto& [name, file] : entries) Archive.AddFromFile(name, file);
    } catch (const std::exception& error) {
        // All or nothing: the entries of the files read before the failure go again.
        Archive.Entries.erase(Archive.Entries.begin() + std::ptrdiff_t(before),
                              Archive.Entries.end());
        ReportFailure("Unable to add file. Reason - ", error);
        return;
    }
    if (entries.empty()) return;  // an empty folder
    for (const auto& entry : entries) ShowTreeChange(tree_.AddEntry(entry.first));
    changed_ = true;
    const QString where = prefix.empty() ? QStringLiteral("the top level")
                                         : DisplayText(prefix.substr(0, prefix.size() - 1));
    LogEvent(entries.size() == 1 ? "File " + windowtext::ShownPath(entries[0].second) +
                                       " added as " + DisplayText(entries[0].first) + "."
                                 : FilesCounted(entries.size()) + " added to " + where + ".",
             QString::fromStdString(Companions[0].Name));
}

bool VTR_MAIN::TreeDragEvent(QEvent* event) {
    auto* drag = static_cast<QDropEvent*>(event);  // enter and move events are drop events too
    if (!archiveOpen_) {
        // With no archive shown, a file dropped on the tree loads, as anywhere on the window.
        if (event->type() == QEvent::Drop)
            dropEvent(drag);
        else
            dragEnterEvent(static_cast<QDragEnterEvent*>(event));
        return true;
    }
    const QStringList paths = DraggedPaths(drag->mimeData());
    if (busy_ || !isEnabled() || paths.isEmpty()) {
        drag->ignore();
        return true;
    }
    drag->acceptProposedAction();
    if (event->type() != QEvent::Drop) return true;
    // Added after the drop has been answered, so the program the files came from does not wait.
    const std::string prefix =
        tree_.FolderPrefix(FolderOf(tv_BIGDirectory->itemAt(drag->position().toPoint())));
    QTimer::singleShot(0, this, [this, paths, prefix] { AddEntriesBelow(paths, prefix); });
    return true;
}

void VTR_MAIN::DeleteEntries(const std::vector<std::int32_t>& entries) {
    Archive.Remove(std::vector<std::size_t>(entries.begin(), entries.end()));
    ShowTreeChange(tree_.RemoveEntries(entries));
    changed_ = true;
    if (infoEntry_ < 0) return;
    const auto at = std::lower_bound(entries.begin(), entries.end(), infoEntry_);
    if (at != entries.end() && *at == infoEntry_) {
        lst_Info->clear();
        infoEntry_ = -1;
    } else {
        infoEntry_ -= std::int32_t(at - entries.begin());
    }
}

void VTR_MAIN::But_Delfile_Click() {
    if (busy_ || !archiveOpen_) return;
    const std::int32_t node = TreeNodeOf(tv_BIGDirectory->currentItem());
    if (node < 0) return;
    if (tree_.At(node).IsFile()) {
        rmb_Deletefile_Click();
        return;
    }
    const std::vector<std::int32_t> entries = tree_.EntriesUnder(node);
    const std::string prefix = tree_.FolderPrefix(node);
    const QString folder = DisplayText(prefix.substr(0, prefix.size() - 1));
    const QString question = entries.size() == 1
                                 ? "Delete the folder " + folder + " and the file in it?"
                                 : "Delete the folder " + folder + " and the " +
                                       QString::number(entries.size()) + " files in it?";
    if (platform::Ui().AskYesNo(this, Title, question) != platform::Answer::Yes) return;
    DeleteEntries(entries);
    LogEvent("Folder " + folder + " deleted with " + FilesCounted(entries.size()) + ".",
             QString::fromStdString(Companions[0].Name));
}

void VTR_MAIN::rmb_Deletefile_Click() {
    if (busy_) return;
    const QTreeWidgetItem* node = SelectedFileNode();
    if (!node) return;
    const std::int32_t entry = NodeEntry(node);
    const QString name = DisplayText(Archive.Entries[std::size_t(entry)].Name);
    DeleteEntries({entry});
    LogEvent("File " + name + " deleted.", QString::fromStdString(Companions[0].Name));
}

void VTR_MAIN::rmb_Renamefile_Click() {
    if (busy_) return;
    const QTreeWidgetItem* node = SelectedFileNode();
    if (!node) return;
    const std::int32_t entry = NodeEntry(node);
    const QString oldName = DisplayText(Archive.Entries[std::size_t(entry)].Name);
    const QString answer =
        platform::Ui().Input(this, Title, "Enter the new name for the file:", oldName);
    if (answer.isEmpty() || answer == oldName) return;
    std::string name;
    try {
        name = NameBytes(answer, answer);
        TakenNames taken(Archive, entry, 1);
        CheckNewName(name, taken);
        Archive.Rename(std::size_t(entry), name);
    } catch (const std::exception& error) {
        ReportFailure("Unable to rename file. Reason - ", error);
        return;
    }
    ShowTreeChange(tree_.RenameEntry(entry, name));
    changed_ = true;
    if (infoEntry_ == entry) ShowFileInfo(entry, DisplayText(tree_.At(tree_.FileNode(entry)).Text));
    LogEvent("File " + oldName + " renamed to " + answer + ".",
             QString::fromStdString(Companions[0].Name));
}

void VTR_MAIN::ExtractFolder(std::int32_t folder) {
    const std::optional<QString> answer = platform::Ui().FolderName(this, extractFolder_);
    if (!Chosen(answer)) return;
    extractFolder_ = *answer;
    const std::string prefix = tree_.FolderPrefix(folder);
    std::vector<bool> chosen(Archive.Entries.size(), false);
    for (const std::int32_t entry : tree_.EntriesUnder(folder)) chosen[std::size_t(entry)] = true;
    // Names the tool does not write (and all but the first of names equal letter case aside)
    // are reported together at the end; the others are written.
    QStringList refused;
    const Extraction::Report refuse = [&](const std::string& message) {
        QString sentence = QString::fromStdString(message);
        if (!sentence.isEmpty()) sentence[0] = sentence[0].toUpper();
        refused << sentence;
    };
    Extraction::DropDuplicates(Archive, chosen, refuse);
    VTR_CORE::Progress done;
    for (std::size_t i = 0; i < chosen.size(); ++i)
        if (chosen[i]) ++done.entriesTotal, done.bytesTotal += Archive.Entries[i].Size;
    try {
        BusyScope busy(*this);
        const VTR_CORE::ProgressCallback report = ProgressReports();
        Extraction::Extractor extractor(FilePath(*answer), refuse);
        for (std::size_t i = 0; i < chosen.size(); ++i) {
            if (!chosen[i]) continue;
            report(done);
            const std::int64_t size = Archive.Entries[i].Size;
            extractor.Write(Archive, i, Archive.Entries[i].Name.View().substr(prefix.size()));
            ++done.entriesDone;
            done.bytesDone += size;
        }
        CloseProgress();
    } catch (const std::exception& error) {
        CloseProgress();
        ReportFailure("Unable to extract file. Reason - ", error);
        return;
    }
    if (!refused.isEmpty()) {
        ReportFailure("Unable to extract file. Reason - ",
                      std::runtime_error(refused.join(' ').toStdString()));
        return;
    }
    platform::Ui().Message(this, Title, "Folder extracted.");
    LogEvent("Folder " + DisplayText(prefix.substr(0, prefix.size() - 1)) + " extracted to " +
                 *answer + ".",
             QString::fromStdString(Companions[0].Name));
}
