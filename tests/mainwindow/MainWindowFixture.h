// A main window under test: scripted dialogs, a private folder for archives, and helpers that
// act as the user would (click a button, answer the file dialog, pick a node).
#pragma once

#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>
#include <optional>

#include "mainwindow/VTR_MAIN.h"
#include "platform/ScriptedDialogs.h"
#include "tests/support/TestFiles.h"

// Readable failure output for texts.
inline void PrintTo(const QString& text, std::ostream* out) { *out << text.toStdString(); }

namespace mainwindowtest {

// Two folders named X under different parents, an entry of a grouped size, an empty one.
const testsupport::NamedData kEntries{{"Data\\INI\\game.ini", std::string(12345, 'x')},
                                      {"Data\\c.txt", "hello"},
                                      {"A\\X\\f1", "1"},
                                      {"B\\X\\f2", "2"},
                                      {"readme.txt", ""}};

inline QString Text(const std::string& bytes) { return QString::fromStdString(bytes); }

inline QString LogLine(const QString& message,
                       const QString& source = "BIG file format interpreter") {
    return source + ": " + message + "\r\n\r\n";
}

// Expands every folder, as a user opening them all would; a folder's items are made then.
inline void ExpandAll(QTreeWidget* tree) {
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if (VTR_MAIN::NodeEntry(*it) < 0) tree->expandItem(*it);
}

// One line per node in display order, every folder expanded, two spaces per level: folders
// "[text]", files "text#tag" and a "*" after a file shown as replaced.
inline std::string Render(QTreeWidget* tree) {
    ExpandAll(tree);
    std::string text;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        for (auto* up = (*it)->parent(); up; up = up->parent()) text += "  ";
        const QString tag = VTR_MAIN::NodeTag(*it), name = (*it)->text(0);
        const bool replaced = VTR_MAIN::NodeImage(*it) == ImageList::ReplacedDocument;
        text += (tag.isEmpty() ? "[" + name + "]" : name + "#" + tag).toStdString() +
                (replaced ? "*\n" : "\n");
    }
    return text;
}

class MainWindowSession {
public:
    MainWindowSession() { window->show(); }
    ~MainWindowSession() {
        delete window->OpenEditor();  // a window of its own
    }
    QPushButton* Find(const char* name) { return window->findChild<QPushButton*>(name); }
    void Click(const char* name) { QTest::mouseClick(Find(name), Qt::LeftButton); }
    // Selects `node` when given, answers the file dialog with `path` and clicks the button.
    void ClickWithFile(const char* button, const std::string& path, const QString& node = {}) {
        if (!node.isEmpty()) Select(node);
        dialogs->fileAnswers.push_back(Text(path));
        Click(button);
    }
    // Loads with "Load whole" ticked as `whole`, or as it is.
    void Load(const std::string& path, std::optional<bool> whole = {}) {
        if (whole) window->cb_Loadwhole->setChecked(*whole);
        ClickWithFile("but_Load", path);
    }
    std::string WriteBig(const testsupport::NamedData& entries = kEntries,
                         const std::string& name = "a.big") {
        testsupport::WriteBytes(dir.File(name), testsupport::MakeBig(entries));
        return dir.File(name);
    }
    // The node of that text (the tests' names are unique), or nullptr; folders are expanded
    // only when it is not shown yet.
    QTreeWidgetItem* Node(const QString& text) const {
        const auto find = [&] {
            return tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive).value(0);
        };
        if (QTreeWidgetItem* shown = find()) return shown;
        ExpandAll(tree);
        return find();
    }
    void Select(const QString& text) { tree->setCurrentItem(Node(text)); }
    // The node at `path` (folders and file separated by "\\"), expanding only the folders on the
    // way; nullptr when there is none.
    QTreeWidgetItem* NodeAt(const QString& path) const {
        QTreeWidgetItem* node = nullptr;
        for (const QString& part : path.split('\\')) {
            if (node) tree->expandItem(node);
            const int count = node ? node->childCount() : tree->topLevelItemCount();
            QTreeWidgetItem* next = nullptr;
            for (int i = 0; i < count && !next; ++i) {
                QTreeWidgetItem* child = node ? node->child(i) : tree->topLevelItem(i);
                if (child->text(0) == part) next = child;
            }
            if (!next) return nullptr;
            node = next;
        }
        return node;
    }
    // Clicks the node (all folders expanded), or empty space below the nodes when there is none;
    // tells whether the pop-up menu opened, and closes it.
    bool ClickNode(const QString& text, Qt::MouseButton button = Qt::LeftButton) {
        ExpandAll(tree);
        const QPoint below(10, tree->viewport()->height() - 2);
        QTest::mouseClick(tree->viewport(), button, {},
                          Node(text) ? tree->visualItemRect(Node(text)).center() : below);
        const bool shown = window->tm_rmbMenu->isVisible();
        window->tm_rmbMenu->hide();
        return shown;
    }
    bool RightClick(const QString& text) { return ClickNode(text, Qt::RightButton); }
    // Drags `urls` onto `target` (the window when none) at `at` and drops them; whether both
    // steps were accepted.
    bool Drop(const QList<QUrl>& urls, QWidget* target = nullptr, QPoint at = QPoint(5, 5)) {
        QMimeData data;
        data.setUrls(urls);
        if (!target) target = window.get();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(target, &enter);
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(target, &dropped);
        EXPECT_EQ(enter.isAccepted(), dropped.isAccepted());
        return dropped.isAccepted();
    }
    QString Log() const { return window->EventLogText(); }
    // The bar of the progress window that is open (closed ones go only later), or nullptr.
    QProgressBar* OpenProgressBar() const {
        for (auto* bar : window->findChildren<QProgressBar*>("BIGProgress"))
            if (bar->isVisible()) return bar;
        return nullptr;
    }
    platform::ScopedScriptedDialogs dialogs;
    std::vector<platform::ShownMessage>& messages = dialogs->messages;
    testsupport::TempDir dir;
    std::unique_ptr<VTR_MAIN> window = std::make_unique<VTR_MAIN>();
    QTreeWidget* tree = window->tv_BIGDirectory;
};

class MainWindowTest : public testing::Test, public MainWindowSession {};

}  // namespace mainwindowtest
