// A main window under test: scripted dialogs, a private folder for archives, and helpers that
// act as the user would (click a button, answer the file dialog, pick a node).
#pragma once

#include <gtest/gtest.h>

#include <QPushButton>
#include <QString>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "mainwindow/DirectoryTree.h"
#include "mainwindow/VTR_MAIN.h"
#include "platform/ScriptedDialogs.h"
#include "tests/support/TestFiles.h"

class QTreeWidget;
class QTreeWidgetItem;

// Readable failure output for texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace mainwindowtest {

// Blanks the archive directory, its path and its counters.
void ResetArchive();

// One line per node in display order, two spaces per level: folders "[text]", files "text#tag".
std::string Render(const std::vector<DirectoryTree::TreeNode>& nodes);
std::string Render(const QTreeWidget& tree);

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    template <typename T = QPushButton>
    T* Find(const char* name) {
        T* widget = window->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void Click(const char* name);
    // Writes a BIG archive into the test folder and returns its path.
    std::string WriteBig(const testsupport::NamedData& entries, const std::string& name = "a.big");
    // Answers the file dialog with `path` and clicks the button.
    void ClickWithFile(const char* button, const std::string& path);
    void Load(const std::string& path) { ClickWithFile("but_Load", path); }
    // The node at "Folder/Sub/name" (display texts joined by "/"), or nullptr.
    QTreeWidgetItem* Node(const QString& path) const;
    void Select(const QString& path);
    // Right-clicks the node at `path` in the tree's viewport (expanding its folders first).
    void RightClick(const QString& path);
    QString Log() const { return window->EventLogText(); }
    static QString LogLine(const QString& source, const QString& message) {
        return source + ": " + message + "\r\n\r\n";
    }

    platform::ScopedScriptedDialogs dialogs;
    testsupport::TempDir dir;
    std::unique_ptr<VTR_MAIN> window;
};

}  // namespace mainwindowtest
