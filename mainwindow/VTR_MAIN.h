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

#include "archive/DirectoryTree.h"
#include "archive/VTR_CORE.h"
#include "archive/VTR_STR.h"
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
    void UnloadAll();
    void AddCompanion(const VTR_STR::InterpreterInfo& info);

    // Archive commands.
    void but_Load_Click();
    // Load with `path` as the dialog's answer: the start-up argument and a dropped file come
    // here. Refused, as the buttons are, while a load or save runs.
    void LoadFile(const QString& path);
    void but_Save_Click();
    void but_Extract_Click();
    void but_Replace_Click();
    void OnlineReplace(const std::int32_t& FileEntry, const std::string& FileData) override;
    void EditorClosed() override;

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

    // True while a load or save runs; commands started meanwhile are refused.
    bool IsBusy() const { return busy_; }
    // The interpreter window that is open, if any.
    QWidget* OpenEditor() const { return editor_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class BusyScope;

    void CreatePanels();
    void CreateButtons();
    void CreateContents();
    void CreateMenu();
    void ConnectHandlers();
    QFrame* MakePanel(const char* name, int left, int top, int width, int height);
    QLabel* MakeHeading(QFrame* panel, const char* frameName, QFrame*& strip, const char* labelName,
                        const QString& caption);
    QPushButton* MakeButton(const char* name, const QString& caption, int top, bool enabled);

    // The items of the nodes under tree node `parent` (-1: the top level).
    QList<QTreeWidgetItem*> MakeItems(std::int32_t parent);
    // Gives a folder's item the items of its children, the first time it is expanded.
    void MakeFolderItems(QTreeWidgetItem* folder);
    void SetNodeImage(QTreeWidgetItem* node, int image);
    // Shows image 4 on a file node whose data was replaced, and its new size when shown.
    void MarkReplaced(QTreeWidgetItem* node);
    QTreeWidgetItem* SelectedFileNode() const;
    void ReportFailure(const QString& what, const std::exception& error);
    void ShowProgress();
    void CloseProgress();
    // Passes the engine's reports to the progress window, which opens with the first one.
    VTR_CORE::ProgressCallback ProgressReports();
    // True when the archive loaded; false after a refusal or a failure, which it reported.
    bool LoadArchive(const std::string& path);
    void SaveArchive(const std::string& path);
    void ShowEditor(QWidget* editor);
    // Centres an editor window over this one, kept on the screen.
    void PlaceOverThisWindow(QWidget* editor) const;
    void CompanionChanged(QListWidgetItem* item);
    void FinishCommand();

    // The folder tree of the loaded archive: the entry names it was made from, back to back
    // (a copy, so that the nodes' texts stay valid whatever happens to the entries), its nodes
    // and their children.
    std::string treeText_;
    std::vector<DirectoryTree::TreeNode> treeNodes_;
    DirectoryTree::ChildIndex treeChildren_;
    QString eventLog_;
    QPointer<VTR_PROGRESS> progress_;
    QPointer<QWidget> editor_;
    bool busy_ = false;
    std::int32_t infoEntry_ = -1;  // the entry whose lines lst_Info shows, -1 for none
    bool closePending_ = false;
    bool unloading_ = false;
};
