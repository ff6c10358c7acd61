// VTR_MAIN: the folder tree of the loaded archive, the file information panel and the pop-up menu.
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QTreeWidget>
#include <span>
#include <string_view>
#include <vector>

#include "archive/DirectoryTree.h"
#include "mainwindow/VTR_MAIN.h"
#include "platform/CodePage.h"

namespace {

constexpr int TagRole = Qt::UserRole;
constexpr int ImageRole = Qt::UserRole + 1;
constexpr int NodeRole = Qt::UserRole + 2;  // the node's index in the tree's node list

// Entry names are bytes of the single-byte code page.
QString DisplayText(std::string_view bytes) {
    QString text(qsizetype(bytes.size()), Qt::Uninitialized);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        text[qsizetype(i)] = QChar(platform::ByteToChar(static_cast<unsigned char>(bytes[i])));
    return text;
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

// The whole tree is worked out at once, but only the top level gets items: a folder's items are
// made when it is first expanded (MakeFolderItems), so that a large archive shows at once.
void VTR_MAIN::BuildDirectoryTree() {
    infoEntry_ = -1;  // lines shown from the previous archive stay as they were
    std::size_t total = 0;
    for (const auto& entry : Archive.Entries) total += entry.Name.size();
    treeText_.clear();
    treeText_.reserve(total);
    for (const auto& entry : Archive.Entries) treeText_ += entry.Name.View();
    std::vector<std::string_view> names(Archive.Entries.size());
    std::size_t start = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        names[i] = std::string_view(treeText_).substr(start, Archive.Entries[i].Name.size());
        start += names[i].size();
    }
    treeNodes_ = DirectoryTree::BuildTreeNodes(names);
    treeChildren_ = DirectoryTree::ChildIndex(treeNodes_);
    tv_BIGDirectory->addTopLevelItems(MakeItems(-1));
}

QList<QTreeWidgetItem*> VTR_MAIN::MakeItems(std::int32_t parent) {
    QList<QTreeWidgetItem*> items;
    const std::span<const std::int32_t> children = treeChildren_.Of(parent);
    items.reserve(qsizetype(children.size()));
    for (const std::int32_t index : children) {
        const DirectoryTree::TreeNode& node = treeNodes_[std::size_t(index)];
        auto* item = new QTreeWidgetItem();
        item->setText(0, DisplayText(node.Text));
        item->setData(0, NodeRole, index);
        if (node.Kind == DirectoryTree::NodeKind::File) {
            item->setData(0, TagRole, node.Entry);
            SetNodeImage(item, ImageList::Document);
        } else {
            item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
            SetNodeImage(item, ImageList::FolderClosed);
        }
        items.append(item);
    }
    return items;
}

void VTR_MAIN::MakeFolderItems(QTreeWidgetItem* folder) {
    const QVariant node = folder->data(0, NodeRole);
    if (!node.isValid() || NodeEntry(folder) >= 0 || folder->childCount() > 0) return;
    folder->addChildren(MakeItems(node.toInt()));
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
