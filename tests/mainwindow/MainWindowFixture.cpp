#include "tests/mainwindow/MainWindowFixture.h"

#include <QTest>
#include <QTreeWidget>
#include <functional>

#include "archive/VTR_CORE.h"

namespace mainwindowtest {

void ResetArchive() {
    VTR_CORE::BlankEntries();
    auto& archive = VTR_CORE::Archive();
    archive.ArchivePath.clear();
    archive.EntryCount = 0;
    archive.LastIndex = 0;
}

std::string Render(const std::vector<DirectoryTree::TreeNode>& nodes) {
    std::function<std::string(int, int)> below = [&](int parent, int depth) {
        std::string text;
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            const auto& node = nodes[i];
            if (node.Parent != parent) continue;
            text += std::string(2 * depth, ' ');
            text += node.Kind == DirectoryTree::NodeKind::Folder
                        ? "[" + node.Text + "]\n"
                        : node.Text + "#" + node.Tag + "\n";
            text += below(static_cast<int>(i), depth + 1);
        }
        return text;
    };
    return below(-1, 0);
}

namespace {
std::string RenderItem(const QTreeWidgetItem& item, int depth) {
    const QString tag = VTR_MAIN::NodeTag(&item);
    std::string text =
        std::string(2 * depth, ' ') +
        (tag.isEmpty() ? "[" + item.text(0).toStdString() + "]\n"
                       : item.text(0).toStdString() + "#" + tag.toStdString() + "\n");
    for (int i = 0; i < item.childCount(); ++i) text += RenderItem(*item.child(i), depth + 1);
    return text;
}
}  // namespace

std::string Render(const QTreeWidget& tree) {
    std::string text;
    for (int i = 0; i < tree.topLevelItemCount(); ++i) text += RenderItem(*tree.topLevelItem(i), 0);
    return text;
}

void MainWindowTest::SetUp() {
    ResetArchive();
    window = std::make_unique<VTR_MAIN>();
    window->show();
}

void MainWindowTest::TearDown() {
    window.reset();
    ResetArchive();
}

void MainWindowTest::Click(const char* name) { QTest::mouseClick(Find(name), Qt::LeftButton); }

std::string MainWindowTest::WriteBig(const testsupport::NamedData& entries,
                                     const std::string& name) {
    const std::string path = dir.File(name);
    testsupport::WriteBytes(path, testsupport::MakeBig(entries));
    return path;
}

void MainWindowTest::ClickWithFile(const char* button, const std::string& path) {
    dialogs->fileAnswers.push_back(QString::fromStdString(path));
    Click(button);
}

QTreeWidgetItem* MainWindowTest::Node(const QString& path) const {
    QTreeWidgetItem* found = nullptr;
    for (const QString& part : path.split('/')) {
        const int count =
            found ? found->childCount() : window->tv_BIGDirectory->topLevelItemCount();
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < count && !next; ++i) {
            QTreeWidgetItem* child =
                found ? found->child(i) : window->tv_BIGDirectory->topLevelItem(i);
            if (child->text(0) == part) next = child;
        }
        if (!next) return nullptr;
        found = next;
    }
    return found;
}

void MainWindowTest::Select(const QString& path) {
    QTreeWidgetItem* node = Node(path);
    ASSERT_NE(node, nullptr) << path.toStdString();
    window->tv_BIGDirectory->setCurrentItem(node);
}

void MainWindowTest::RightClick(const QString& path) {
    QTreeWidgetItem* node = Node(path);
    ASSERT_NE(node, nullptr) << path.toStdString();
    for (QTreeWidgetItem* up = node->parent(); up; up = up->parent()) up->setExpanded(true);
    window->tv_BIGDirectory->scrollToItem(node);
    const QPoint at = window->tv_BIGDirectory->visualItemRect(node).center();
    QTest::mouseClick(window->tv_BIGDirectory->viewport(), Qt::RightButton, {}, at);
}

}  // namespace mainwindowtest
