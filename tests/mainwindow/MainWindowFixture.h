// A main window under test: scripted dialogs, a private folder for archives, and helpers that
// act as the user would (click a button, answer the file dialog, pick a node).
#pragma once

#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>
#include <algorithm>
#include <map>
#include <optional>
#include <tuple>

#include "archive/VTR_CORE.h"
#include "mainwindow/VTR_MAIN.h"
#include "mainwindow/VTR_PROGRESS.h"
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

// One line per node in display order, two spaces per level: folders "[text]", files "text#tag"
// and a "*" after a file shown as replaced.
inline std::string Render(QTreeWidget* tree) {
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
        window.reset();
        VTR_CORE::Archive() = {};  // the engine's state outlives the window
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
    // The node of that text (the tests' names are unique), or nullptr.
    QTreeWidgetItem* Node(const QString& text) const {
        return tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive).value(0);
    }
    void Select(const QString& text) { tree->setCurrentItem(Node(text)); }
    // "Edit file" on the node; the editor that opened, if any.
    QWidget* Edit(const QString& node) {
        Select(node);
        window->rmb_Editfile_Click();
        return window->OpenEditor();
    }
    // Clicks the node (all folders expanded), or empty space below the nodes when there is none.
    void ClickNode(const QString& text, Qt::MouseButton button = Qt::LeftButton) {
        tree->expandAll();
        const QPoint below(10, tree->viewport()->height() - 2);
        QTest::mouseClick(tree->viewport(), button, {},
                          Node(text) ? tree->visualItemRect(Node(text)).center() : below);
    }
    // Right-clicks as above; tells whether the pop-up menu opened, and closes it.
    bool RightClick(const QString& text) {
        ClickNode(text, Qt::RightButton);
        const bool shown = window->tm_rmbMenu->isVisible();
        window->tm_rmbMenu->hide();
        return shown;
    }
    QString Log() const { return window->EventLogText(); }

    // What the disk, the window and the user show before a command.
    struct Marks {
        std::map<std::string, std::string> files;
        std::size_t messages = 0;
        QString log;
        std::tuple<std::string, std::string, int> archive;  // tree, path, entry count
    };
    Marks Mark() const {
        const auto& core = VTR_CORE::Archive();
        Marks marks{{}, messages.size(), Log(), {Render(tree), core.ArchivePath, core.EntryCount}};
        for (const std::string& name : dir.List())
            marks.files[name] = testsupport::ReadBytes(dir.File(name));
        return marks;
    }
    // The command since `before` failed with one message (`message` when given, else any
    // "Unable to ..."), logged it (as `logged` when given), changed or left no file, kept the
    // archive and its tree, and left the window usable with no editor or progress bar open.
    void ExpectFailedCleanly(const Marks& before, const QString& message = {},
                             const QString& logged = {}) {
        const Marks after = Mark();
        EXPECT_TRUE(after.files == before.files)
            << "files changed or were left: " << testing::PrintToString(dir.List());
        ASSERT_EQ(messages.size(), before.messages + 1);
        const QString shown = messages.back().text;
        EXPECT_EQ(messages.back().title, "Vantor");
        EXPECT_TRUE(message.isEmpty() ? shown.startsWith("Unable to") : shown == message)
            << shown.toStdString();
        EXPECT_EQ(after.log, before.log + LogLine(logged.isEmpty() ? shown : logged));
        EXPECT_EQ(after.archive, before.archive);
        EXPECT_TRUE(window->isEnabled() && Find("but_Save")->isEnabled() && !window->IsBusy());
        EXPECT_EQ(window->OpenEditor(), nullptr) << "an editor opened";
        EXPECT_TRUE(
            std::ranges::none_of(window->findChildren<VTR_PROGRESS*>(), &QWidget::isVisible));
    }

    platform::ScopedScriptedDialogs dialogs;
    std::vector<platform::ShownMessage>& messages = dialogs->messages;
    testsupport::TempDir dir;
    std::unique_ptr<VTR_MAIN> window = std::make_unique<VTR_MAIN>();
    QTreeWidget* tree = window->tv_BIGDirectory;
};

class MainWindowTest : public testing::Test, public MainWindowSession {};

}  // namespace mainwindowtest
