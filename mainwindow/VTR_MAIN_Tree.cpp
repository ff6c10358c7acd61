// VTR_MAIN: the folder tree of the loaded archive, the file information panel and the pop-up menu.
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QTreeWidget>
#include <vector>

#include "archive/DirectoryTree.h"
#include "mainwindow/VTR_MAIN.h"
#include "platform/CodePage.h"

namespace {

constexpr int TagRole = Qt::UserRole;
constexpr int ImageRole = Qt::UserRole + 1;

// Entry names are bytes of the single-byte code page.
QString DisplayText(const std::string& bytes) {
    return QString::fromStdU16String(platform::BytesToText(bytes));
}

}  // namespace

// A file node carries its entry index; a folder node carries nothing.
std::int32_t VTR_MAIN::NodeEntry(const QTreeWidgetItem* node) {
    const QVariant entry = node->data(0, TagRole);
    return entry.isValid() ? entry.toInt() : -1;
}

QString VTR_MAIN::NodeTag(const QTreeWidgetItem* node) {
    const std::int32_t entry = NodeEntry(node);
    return entry < 0 ? QString() : QString::number(entry);
}

int VTR_MAIN::NodeImage(const QTreeWidgetItem* node) { return node->data(0, ImageRole).toInt(); }

int VTR_MAIN::NodeExpandedImage(const QTreeWidgetItem* node) {
    return NodeEntry(node) < 0 ? ImageList::FolderOpen : 0;
}

void VTR_MAIN::MarkReplaced(QTreeWidgetItem* node) {
    SetNodeImage(node, ImageList::ReplacedDocument);
    // The panel shows the size of the moment; when it shows this entry, it shows the new one.
    const std::int32_t entry = NodeEntry(node);
    if (entry == infoEntry_) ShowFileInfo(entry, node->text(0));
}

void VTR_MAIN::SetNodeImage(QTreeWidgetItem* node, int image) {
    node->setData(0, ImageRole, image);
    const int expanded = NodeExpandedImage(node);
    node->setIcon(0, il_BIGFileIcons.Icon(node->isExpanded() && expanded ? expanded : image));
}

void VTR_MAIN::BuildDirectoryTree() {
    infoEntry_ = -1;  // lines shown from the previous archive stay as they were
    std::vector<std::string> names;
    const auto& entries = Archive.Entries;
    names.reserve(entries.size());
    for (const auto& entry : entries) names.push_back(entry.Name.Str());
    const std::vector<DirectoryTree::TreeNode> nodes = DirectoryTree::BuildTreeNodes(names);
    std::vector<QTreeWidgetItem*> items;
    items.reserve(nodes.size());
    QList<QTreeWidgetItem*> roots;
    for (const auto& node : nodes) {
        auto* item =
            node.Parent < 0 ? new QTreeWidgetItem() : new QTreeWidgetItem(items[node.Parent]);
        if (node.Parent < 0) roots.append(item);
        item->setText(0, DisplayText(node.Text));
        if (node.Kind == DirectoryTree::NodeKind::File) item->setData(0, TagRole, node.Entry);
        SetNodeImage(item, node.Kind == DirectoryTree::NodeKind::Folder ? ImageList::FolderClosed
                                                                        : ImageList::Document);
        items.push_back(item);
    }
    tv_BIGDirectory->addTopLevelItems(roots);
}

void VTR_MAIN::ShowFileInfo(std::int32_t index, const QString& name) {
    lst_Info->clear();
    infoEntry_ = index;
    if (index < 0 || std::size_t(index) >= Archive.Entries.size()) return;
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    const qlonglong size = Archive.Entries[index].Size;
    lst_Info->addItem("Name:\t" + name);
    lst_Info->addItem("Size:\t" + locale.toString(size) + " bytes");
}

void VTR_MAIN::tv_BIGDirectory_NodeClick(QTreeWidgetItem* node) {
    if (busy_ || !node) return;
    const std::int32_t entry = NodeEntry(node);
    if (entry < 0) {
        lst_Info->clear();
        infoEntry_ = -1;
    } else {
        ShowFileInfo(entry, node->text(0));
    }
}

void VTR_MAIN::tv_BIGDirectory_MouseDown(int button, int /*shift*/, float x, float y) {
    if (busy_ || button != 2 || Archive.ArchivePath.empty()) return;
    const QPoint at(static_cast<int>(x), static_cast<int>(y));
    QTreeWidgetItem* node = tv_BIGDirectory->itemAt(at);
    if (!node) return;
    tv_BIGDirectory->setCurrentItem(node);
    if (NodeEntry(node) < 0) return;
    tm_rmbMenu->popup(tv_BIGDirectory->viewport()->mapToGlobal(at));
}
