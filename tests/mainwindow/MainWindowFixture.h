// A main window under test: scripted dialogs, a private folder for archives, and helpers that
// act as the user would (click a button, answer the file dialog, pick a node).
#pragma once

#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>

#include "archive/VTR_CORE.h"
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

// One line per node in display order, two spaces per level: folders "[text]", files "text#tag".
inline std::string Render(QTreeWidget* tree) {
    std::string text;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        for (auto* up = (*it)->parent(); up; up = up->parent()) text += "  ";
        const QString tag = VTR_MAIN::NodeTag(*it), name = (*it)->text(0);
        text += (tag.isEmpty() ? "[" + name + "]" : name + "#" + tag).toStdString() + "\n";
    }
    return text;
}

class MainWindowTest : public testing::Test {
protected:
    MainWindowTest() { window->show(); }
    ~MainWindowTest() override {
        window.reset();
        VTR_CORE::Archive() = {};
    }
    QPushButton* Find(const char* name) { return window->findChild<QPushButton*>(name); }
    void Click(const char* name) { QTest::mouseClick(Find(name), Qt::LeftButton); }
    // Answers the file dialog with `path` and clicks the button.
    void ClickWithFile(const char* button, const std::string& path) {
        dialogs->fileAnswers.push_back(Text(path));
        Click(button);
    }
    void Load(const std::string& path) { ClickWithFile("but_Load", path); }
    std::string WriteBig(const testsupport::NamedData& entries = kEntries) {
        testsupport::WriteBytes(dir.File("a.big"), testsupport::MakeBig(entries));
        return dir.File("a.big");
    }
    // The node of that text (the tests' names are unique), or nullptr.
    QTreeWidgetItem* Node(const QString& text) const {
        return tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive).value(0);
    }
    void Select(const QString& text) { tree->setCurrentItem(Node(text)); }
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

    platform::ScopedScriptedDialogs dialogs;
    std::vector<platform::ShownMessage>& messages = dialogs->messages;
    testsupport::TempDir dir;
    std::unique_ptr<VTR_MAIN> window = std::make_unique<VTR_MAIN>();
    QTreeWidget* tree = window->tv_BIGDirectory;
};

}  // namespace mainwindowtest
