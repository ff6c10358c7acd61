// The main window: the command buttons, the folder tree of the loaded archive, the file
// information panel, the interpreter list and the event log. It is the host of the editors.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <chrono>
#include <cstdint>
#include <string>

#include "archive/VTR_CORE.h"
#include "archive/VTR_STR.h"
#include "mainwindow/ArchiveTree.h"
#include "mainwindow/Icons.h"

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class VTR_PROGRESS;

// A common file dialog's settings that outlive one use: its filter and the last file name.
struct FileDialogState {
    QString Filter;
    QString FileName;
};

class VTR_MAIN : public QWidget, public VTR_STR::EditorHost {
    Q_OBJECT
public:
    static constexpr int CompanionSlots = 32;
    // The program's name and version, as the caption shows them.
    static QString NameAndVersion();

    explicit VTR_MAIN(QWidget* parent = nullptr);
    ~VTR_MAIN() override;

    // Panels and their headings.
    QFrame *Frame1, *Frame2, *Frame3, *Frame4, *Frame5, *Frame6, *Frame7, *Frame8, *Frame9,
        *Frame10;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5;
    // Left column.
    QPushButton *Command1, *but_Load, *but_Save, *but_Replace, *but_Extract, *but_Addfile,
        *But_Delfile;
    QCheckBox* cb_Loadwhole;
    QPushButton *but_About, *but_Exit;
    // Middle and right columns.
    QTreeWidget* tv_BIGDirectory;
    QListWidget* lst_Info;
    QListWidget* lst_Companions;
    QPlainTextEdit* txt_EventLog;
    // Non-visual components.
    ImageList il_BIGFileIcons;
    QMenu* tm_rmbMenu;
    QAction* rmb_Editfile;
    QAction* rmb_Deletefile;
    QAction* rmb_Renamefile;
    FileDialogState CD1;
    FileDialogState CD2;

    std::array<VTR_STR::InterpreterInfo, CompanionSlots> Companions;
    // The loaded archive: empty, with an empty ArchivePath, until the first load.
    VTR_CORE::ArchiveDirectory Archive;
    // How long Save waits for another program's edit lock on the file it is to replace.
    std::chrono::milliseconds SaveLockWait{5000};

    // Start-up, log, About and exit.
    void Form_Load();
    void LogEvent(const QString& msgString, const QString& msgSource);
    QString EventLogText() const { return eventLog_; }
    void but_About_Click();
    void but_Exit_Click();
    // Exit: closes every window of the program, after the question about unsaved changes.
    void UnloadAll();
    void AddCompanion(const VTR_STR::InterpreterInfo& info);

    // Archive commands.
    // "New BIG file...": an empty "BIGF" archive in memory, written only by Save.
    void Command1_Click();
    void but_Load_Click();
    // Load with `path` as the dialog's answer (after the question about unsaved changes): the
    // start-up argument and a dropped file come here. Refused, as the buttons are, while a
    // load or save runs.
    void LoadFile(const QString& path);
    void but_Save_Click();
    void but_Extract_Click();
    void but_Replace_Click();
    // "Add file...": the files chosen become entries in the folder of the selected node.
    void but_Addfile_Click();
    // "Delete file...": the selected file's entry, or after a question every entry of the
    // selected folder.
    void But_Delfile_Click();
    void rmb_Deletefile_Click();
    // "Rename file..." of the pop-up menu.
    void rmb_Renamefile_Click();
    void OnlineReplace(const std::int32_t& FileEntry, const std::string& FileData) override;
    void EditorClosed() override;
    void LogEditorEvent(const std::string& msgString, const std::string& msgSource) override;

    // Folder tree and file information.
    void BuildDirectoryTree();
    void ShowFileInfo(std::int32_t index, const QString& name);
    void tv_BIGDirectory_NodeClick(QTreeWidgetItem* node);
    // `button`: 1 left, 2 right, 4 middle; `shift`: 1 Shift, 2 Ctrl, 4 Alt; x, y in the tree's
    // viewport.
    void tv_BIGDirectory_MouseDown(int button, int shift, float x, float y);

    // Interpreters.
    void lst_Companions_ItemCheck(int item);
    void rmb_Editfile_Click();

    // A node's tag (entry index in decimal, empty for folders), that entry index (-1 for
    // folders) and its image indices.
    static QString NodeTag(const QTreeWidgetItem* node);
    static std::int32_t NodeEntry(const QTreeWidgetItem* node);
    static int NodeImage(const QTreeWidgetItem* node);
    static int NodeExpandedImage(const QTreeWidgetItem* node);

    // True while a load, a save or the extraction of a folder runs; commands started meanwhile
    // are refused.
    bool IsBusy() const { return busy_; }
    // True from the first Load or New on.
    bool HasArchive() const { return archiveOpen_; }
    // True when the archive has changes that were not saved.
    bool HasChanges() const { return changed_; }
    // The interpreter window that is open, if any.
    QWidget* OpenEditor() const { return editor_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Marks the window busy while a command runs that lets events through.
    class BusyScope {
    public:
        explicit BusyScope(VTR_MAIN& window) : window_(window) { window_.busy_ = true; }
        ~BusyScope() { window_.busy_ = false; }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        VTR_MAIN& window_;
    };

    void CreatePanels();
    void CreateButtons();
    void CreateContents();
    void CreateMenu();
    void ConnectHandlers();
    QFrame* MakePanel(const char* name, int left, int top, int width, int height);
    QLabel* MakeHeading(QFrame* panel, const char* frameName, QFrame*& strip, const char* labelName,
                        const QString& caption);
    QPushButton* MakeButton(const char* name, const QString& caption, int top, bool enabled);

    QTreeWidgetItem* MakeItem(std::int32_t node);
    // The items of the nodes under tree node `parent` (-1: the top level).
    QList<QTreeWidgetItem*> MakeItems(std::int32_t parent);
    // Gives a folder's item the items of its children, the first time it is expanded.
    void MakeFolderItems(QTreeWidgetItem* folder);
    // Brings the items in step with a change of the tree's nodes.
    void ShowTreeChange(const ArchiveTree::Change& change);
    // The tree node of an item, -1 for none.
    static std::int32_t TreeNodeOf(const QTreeWidgetItem* item);
    // The folder a command on `item` works in: a folder's own node, a file's folder, -1 (the
    // top level) for none.
    std::int32_t FolderOf(const QTreeWidgetItem* item) const;
    void SetNodeImage(QTreeWidgetItem* node, int image);
    // Shows image 4 on a file node whose data was replaced, and its new size when shown.
    void MarkReplaced(QTreeWidgetItem* node);
    QTreeWidgetItem* SelectedFileNode() const;
    void ReportFailure(const QString& what, const std::exception& error);
    void ShowProgress();
    void CloseProgress();
    // Passes the engine's reports to the progress window, which opens with the first one.
    VTR_CORE::ProgressCallback ProgressReports();
    // Loads `path`, chosen or given, without a question.
    void LoadPath(const QString& path);
    // True when the archive loaded; false after a refusal or a failure, which it reported.
    bool LoadArchive(const std::string& path);
    // Save with its dialog; true when the archive was written.
    bool SaveWithDialog();
    bool SaveArchive(const std::string& path);
    // Asks "Save changes to NAME?" when there are unsaved changes; true when the command that
    // asks may go on (nothing to save, No, or Yes and a save that went through).
    bool SaveChangesFirst();
    // The archive shown from now on: a fresh tree, the archive commands enabled, no changes.
    void ShowNewArchive(const QString& documentPath);
    // Removes the entries `entries` (ascending) from the archive and the tree.
    void DeleteEntries(const std::vector<std::int32_t>& entries);
    // Writes every entry under folder `folder` below the folder the user chooses.
    void ExtractFolder(std::int32_t folder);
    // The entries to add for `paths` below the folder `prefix` (entry names and source files),
    // checked as new names; throws, naming the name, for one that cannot be added.
    std::vector<std::pair<std::string, std::string>> NewEntries(const QStringList& paths,
                                                                const std::string& prefix) const;
    // Adds the files and folders at `paths` (folders with every file under them) as entries
    // whose names start with `prefix`: all of them, or none and a message.
    void AddEntriesBelow(const QStringList& paths, const std::string& prefix);
    bool Unload();
    // Files and folders dropped on the tree while an archive is shown are added to it; true
    // when the event was taken.
    bool TreeDragEvent(QEvent* event);
    void ShowEditor(QWidget* editor);
    // Centres an editor window over this one, kept on the screen.
    void PlaceOverThisWindow(QWidget* editor) const;
    void CompanionChanged(QListWidgetItem* item);
    void FinishCommand();

    // The folder tree of the archive, and the item of each node that has one.
    ArchiveTree tree_;
    std::vector<QTreeWidgetItem*> items_;
    QString eventLog_;
    // The file the archive was last loaded from or saved to; empty for a new archive.
    QString documentPath_;
    QString extractFolder_;  // the folder last chosen for extracting a folder
    QPointer<VTR_PROGRESS> progress_;
    QPointer<QWidget> editor_;
    bool busy_ = false;
    bool archiveOpen_ = false;
    bool changed_ = false;
    std::int32_t infoEntry_ = -1;  // the entry whose lines lst_Info shows, -1 for none
    bool closePending_ = false;
    bool unloading_ = false;
};
