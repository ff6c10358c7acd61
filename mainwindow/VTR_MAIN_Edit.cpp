// VTR_MAIN: switching interpreters on and off, and "Edit file", which opens an entry in the
// interpreter that understands it.
#include <QListWidget>
#include <QScreen>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <algorithm>
#include <exception>

#include "mainwindow/VTR_MAIN.h"
#include "platform/Dialogs.h"
#include "stringtable/VTR_CSF.h"
#include "stringtable/VTR_CSFWND.h"
#include "textinterp/VTR_TEXT.h"
#include "textinterp/VTR_TXTHTML.h"

namespace {

constexpr int BigSlot = 0;
constexpr int CsfSlot = 1;
constexpr int TextSlot = 2;

QString NoInterpreterMessage() {
    return QStringLiteral(
               "Either this file doesn't currently have interpreter support, or the interpreter "
               "has been deactivated.") +
           "\r\n\r\n" + " If you'd like support for this format, please email the author at " +
           QStringLiteral(VANTOR_CONTACT) + ".";
}

}  // namespace

void VTR_MAIN::CompanionChanged(QListWidgetItem* line) {
    const int item = lst_Companions->row(line);
    if (item < 0 || item >= CompanionSlots) return;
    if (busy_) {
        // Refused while a load or save runs: the mark goes back to the interpreter's state.
        const QSignalBlocker quiet(lst_Companions);
        line->setCheckState(item == BigSlot || Companions[item].Active ? Qt::Checked
                                                                       : Qt::Unchecked);
        return;
    }
    lst_Companions_ItemCheck(item);
}

void VTR_MAIN::lst_Companions_ItemCheck(int item) {
    QListWidgetItem* line = lst_Companions->item(item);
    if (!line) return;
    if (item == BigSlot) {
        // The archive engine cannot be switched off.
        const QSignalBlocker quiet(lst_Companions);
        line->setCheckState(Qt::Checked);
        return;
    }
    const bool active = line->checkState() == Qt::Checked;
    Companions[item].Active = active;
    LogEvent(active ? "Interpreter activated." : "Interpreter deactivated.",
             QString::fromStdString(Companions[item].Name));
}

void VTR_MAIN::rmb_Editfile_Click() {
    if (busy_) return;
    QTreeWidgetItem* node = SelectedFileNode();
    if (!node) return;
    const std::int32_t entry = NodeEntry(node);
    const std::string* data = nullptr;
    try {
        data = &Archive.Data(static_cast<std::size_t>(entry));
    } catch (const std::exception& error) {
        ReportFailure("Unable to read file. Reason - ", error);
        return;
    }
    if (VTR_CSF::IsCsfData(*data) && Companions[CsfSlot].Active) {
        ShowEditor(new VTR_CSFWND(*this, entry, *data));
        return;
    }
    if (VTR_TXTHTML::IsTextFile(Archive.Entries[entry].Name) && Companions[TextSlot].Active) {
        ShowEditor(new VTR_TEXT(*this, entry, *data));
        return;
    }
    platform::Ui().Message(this, "Vantor", NoInterpreterMessage());
}

void VTR_MAIN::PlaceOverThisWindow(QWidget* editor) const {
    QRect place(QPoint(), editor->size());
    place.moveCenter(frameGeometry().center());
    if (const QScreen* display = screen()) {
        const QRect available = display->availableGeometry();
        place.moveRight(std::min(place.right(), available.right()));
        place.moveBottom(std::min(place.bottom(), available.bottom()));
        place.moveLeft(std::max(place.left(), available.left()));
        place.moveTop(std::max(place.top(), available.top()));
    }
    editor->move(place.topLeft());
}

void VTR_MAIN::ShowEditor(QWidget* editor) {
    // The editor is a window of its own rather than a child: a child would be disabled with
    // this window.
    setEnabled(false);
    editor_ = editor;
    PlaceOverThisWindow(editor);
    editor->show();
    editor->activateWindow();
}
