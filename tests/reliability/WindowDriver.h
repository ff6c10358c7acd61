// Drives the main window the way a user would, through its handlers, with scripted dialogs, and
// reads back what the user would see: messages, event-log lines, the tree and the files on disk.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "mainwindow/VTR_MAIN.h"
#include "platform/ScriptedDialogs.h"
#include "tests/support/TestFiles.h"

class QTreeWidgetItem;

namespace reliability {

// Every file in a folder, name to bytes.
using FolderSnapshot = std::map<std::string, std::string>;
FolderSnapshot Snapshot(const testsupport::TempDir& dir);
// The files that differ between two snapshots, by name and size; empty when they are equal.
std::string SnapshotDifferences(const FolderSnapshot& before, const FolderSnapshot& after);

// Reads a BIG archive with a parser of its own (not the engine's), for checking what was saved.
testsupport::NamedData ParseBig(const std::string& bytes);

// Kibibytes of resident memory of this process (VmRSS).
long ResidentKib();

// Deletes the windows that were closed (they delete themselves later, from the event loop).
void DeleteClosedWindows();

class WindowDriver {
public:
    WindowDriver();
    ~WindowDriver();
    WindowDriver(const WindowDriver&) = delete;
    WindowDriver& operator=(const WindowDriver&) = delete;

    VTR_MAIN& window() { return *window_; }
    platform::ScriptedDialogs& dialogs() { return scripted_.dialogs; }

    void Load(const std::string& path, bool loadWhole);
    void Save(const std::string& path);
    void Extract(int entry, const std::string& destination);
    void Replace(int entry, const std::string& source);
    // Selects the entry's node and runs "Edit file"; returns the editor window it opened.
    QWidget* Edit(int entry);

    void Select(int entry);
    QTreeWidgetItem* FileNode(int entry) const;

    std::size_t MessageCount() const { return scripted_.dialogs.messages.size(); }
    QString LastMessage() const;
    // Lines written to the event log so far.
    int LogLineCount() const;

private:
    platform::ScopedScriptedDialogs scripted_;
    std::unique_ptr<VTR_MAIN> window_;
};

}  // namespace reliability
