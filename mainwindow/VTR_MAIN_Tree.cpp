// VTR_MAIN: the folder tree of the loaded archive, the file information panel and the pop-up menu.
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QTreeWidget>
#include <span>
#include <string_view>
#include <vector>

#include "mainwindow/VTR_MAIN.h"
#include "mainwindow/WindowText.h"

namespace {

constexpr int TagRole = Qt::UserRole;
constexpr int ImageRole = Qt::UserRole + 1;
constexpr int NodeRole = Qt::UserRole + 2;       // the node's number in the tree
constexpr int PopulatedRole = Qt::UserRole + 3;  // a folder whose children have items

using windowtext::DisplayText;

// The item of a tree node. Its tag is the entry's index as the tree has it now: deleting an
// entry moves the later ones up, and their items need not change.
class NodeItem : public QTreeWidgetItem {
public:
    NodeItem(const ArchiveTree& tree, std::int32_t node) : tree_(tree), node_(node) {
        setData(0, NodeRole, node);
    }
    QVariant data(int column, int role) const override {
        if (role != TagRole || column != 0) return QTreeWidgetItem::data(column, role);
        const std::int32_t entry = tree_.EntryOf(node_);
        return entry >= 0 ? QVariant(entry) : QVariant();
    }

private:
    const ArchiveTree& tree_;
    std::int32_t node_;
};

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

std::int32_t VTR_MAIN::TreeNodeOf(const QTreeWidgetItem* item) {
    const QVariant node = item ? item->data(0, NodeRole) : QVariant();
    return node.isValid() ? node.toInt() : -1;
}

std::int32_t VTR_MAIN::FolderOf(const QTreeWidgetItem* item) const {
    const std::int32_t node = TreeNodeOf(item);
    if (node < 0) return -1;
    return tree_.At(node).IsFile() ? tree_.At(node).Parent : node;
}

void VTR_MAIN::MarkReplaced(QTreeWidgetItem* node) {
    if (const std::int32_t number = TreeNodeOf(node); number >= 0) tree_.MarkReplaced(number);
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
    std::vector<std::string_view> names(Archive.Entries.size());
    for (std::size_t i = 0; i < names.size(); ++i) names[i] = Archive.Entries[i].Name.View();
    tree_.Build(names);
    items_.assign(tree_.NodeCount(), nullptr);
    tv_BIGDirectory->addTopLevelItems(MakeItems(-1));
}

QTreeWidgetItem* VTR_MAIN::MakeItem(std::int32_t number) {
    const ArchiveTree::Node& node = tree_.At(number);
    auto* item = new NodeItem(tree_, number);
    item->setText(0, DisplayText(node.Text));
    if (node.IsFile()) {
        SetNodeImage(item, node.Replaced ? ImageList::ReplacedDocument : ImageList::Document);
    } else {
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        SetNodeImage(item, ImageList::FolderClosed);
    }
    if (std::size_t(number) >= items_.size()) items_.resize(tree_.NodeCount(), nullptr);
    items_[std::size_t(number)] = item;
    return item;
}

QList<QTreeWidgetItem*> VTR_MAIN::MakeItems(std::int32_t parent) {
    QList<QTreeWidgetItem*> items;
    const std::span<const std::int32_t> children = tree_.Children(parent);
    items.reserve(qsizetype(children.size()));
    for (const std::int32_t child : children) items.append(MakeItem(child));
    return items;
}

void VTR_MAIN::MakeFolderItems(QTreeWidgetItem* folder) {
    const std::int32_t node = TreeNodeOf(folder);
    if (node < 0 || NodeEntry(folder) >= 0 || folder->data(0, PopulatedRole).toBool()) return;
    folder->setData(0, PopulatedRole, true);
    folder->addChildren(MakeItems(node));
}

void VTR_MAIN::ShowTreeChange(const ArchiveTree::Change& change) {
    if (std::size_t(tree_.NodeCount()) > items_.size()) items_.resize(tree_.NodeCount(), nullptr);
    // An item goes with the item above it; only the topmost of the removed ones is deleted.
    for (const std::int32_t node : change.Removed) {
        const std::int32_t parent = tree_.At(node).Parent;
        if (items_[std::size_t(node)] && (parent < 0 || !tree_.At(parent).Removed))
            delete items_[std::size_t(node)];
    }
    for (const std::int32_t node : change.Removed) items_[std::size_t(node)] = nullptr;
    for (const std::int32_t node : change.Retitled)
        if (QTreeWidgetItem* item = items_[std::size_t(node)])
            item->setText(0, DisplayText(tree_.At(node).Text));
    // A new node gets an item where its siblings have theirs; an unopened folder makes it later.
    for (const std::int32_t node : change.Added) {
        const std::int32_t parent = tree_.At(node).Parent;
        if (parent < 0) {
            tv_BIGDirectory->addTopLevelItem(MakeItem(node));
        } else if (QTreeWidgetItem* folder = items_[std::size_t(parent)];
                   folder && folder->data(0, PopulatedRole).toBool()) {
            folder->addChild(MakeItem(node));
        }
    }
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
    if (busy_ || button != 2 || !archiveOpen_) return;
    const QPoint at(static_cast<int>(x), static_cast<int>(y));
    QTreeWidgetItem* node = tv_BIGDirectory->itemAt(at);
    if (!node) return;
    tv_BIGDirectory->setCurrentItem(node);
    if (NodeEntry(node) < 0) return;
    tm_rmbMenu->popup(tv_BIGDirectory->viewport()->mapToGlobal(at));
}
