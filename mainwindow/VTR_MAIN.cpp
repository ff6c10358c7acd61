// VTR_MAIN: construction and layout, start-up, the event log, About and exit.
#include "mainwindow/VTR_MAIN.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include "mainwindow/VTR_PROGRESS.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "stringtable/VTR_CSF.h"
#include "textinterp/VTR_TXTHTML.h"

namespace {

const QString ProgramCaption = QStringLiteral("Vantor 0.4 Beta");

// Control geometry comes in twips; the window is laid out at 15 twips per pixel.
constexpr int Px(int twips) { return twips / 15; }

// The strip at the top of each panel that carries its heading.
constexpr int StripMargin = 4;
constexpr int StripHeight = 20;
constexpr int ContentTop = StripMargin + StripHeight + 4;

QFont WindowFont(const char* family, bool bold = false) {
    return platform::WindowFont(QString::fromLatin1(family), 8.25, bold);
}

// The one local file that a drag carries; empty for anything else.
QString DraggedFile(const QMimeData* data) {
    const QList<QUrl> urls = data ? data->urls() : QList<QUrl>();
    return urls.size() == 1 && urls[0].isLocalFile() ? urls[0].toLocalFile() : QString();
}

int MouseButtonCode(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return 1;
        case Qt::RightButton:
            return 2;
        case Qt::MiddleButton:
            return 4;
        default:
            return 0;
    }
}

int ShiftCode(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

}  // namespace

VTR_MAIN::VTR_MAIN(QWidget* parent) : QWidget(parent) {
    setObjectName("VTR_MAIN");
    setFont(WindowFont("Tahoma"));
    setWindowIcon(ProgramIcon());
    setAcceptDrops(true);
    setFixedSize(Px(11535), Px(6375));
    CD1 = {"BIG files (*.big)|*.big|All files (*.*)|*.*", "*.big"};
    CD2 = {"All files (*.*)|*.*", QString()};
    CreatePanels();
    CreateButtons();
    CreateContents();
    CreateMenu();
    ConnectHandlers();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    Form_Load();
}

// The items read the tree's nodes; they go first.
VTR_MAIN::~VTR_MAIN() { tv_BIGDirectory->clear(); }

QString VTR_MAIN::NameAndVersion() { return ProgramCaption; }

QFrame* VTR_MAIN::MakePanel(const char* name, int left, int top, int width, int height) {
    auto* panel = new QFrame(this);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setGeometry(Px(left), Px(top), Px(width), Px(height));
    return panel;
}

QLabel* VTR_MAIN::MakeHeading(QFrame* panel, const char* frameName, QFrame*& strip,
                              const char* labelName, const QString& caption) {
    strip = new QFrame(panel);
    strip->setObjectName(frameName);
    strip->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    strip->setGeometry(StripMargin, StripMargin, panel->width() - 2 * StripMargin, StripHeight);
    auto* label = new QLabel(caption, strip);
    label->setObjectName(labelName);
    label->setFont(WindowFont("Tahoma", true));
    label->setGeometry(6, 1, strip->width() - 12, StripHeight - 2);
    return label;
}

void VTR_MAIN::CreatePanels() {
    Frame5 = MakePanel("Frame5", 120, 0, 2655, 6255);
    Frame1 = MakePanel("Frame1", 2880, 0, 5295, 4935);
    Frame2 = MakePanel("Frame2", 2880, 4920, 5295, 1335);
    Frame7 = MakePanel("Frame7", 8280, 0, 3135, 3015);
    Frame9 = MakePanel("Frame9", 8280, 3000, 3135, 3255);
    Label3 = MakeHeading(Frame5, "Frame6", Frame6, "Label3", "Options");
    Label1 = MakeHeading(Frame1, "Frame3", Frame3, "Label1", "BIG File Explorer");
    Label2 = MakeHeading(Frame2, "Frame4", Frame4, "Label2", "File information");
    Label4 = MakeHeading(Frame7, "Frame8", Frame8, "Label4", "Companions");
    Label5 = MakeHeading(Frame9, "Frame10", Frame10, "Label5", "Event log");
}

QPushButton* VTR_MAIN::MakeButton(const char* name, const QString& caption, int top, bool enabled) {
    auto* button = new QPushButton(caption, Frame5);
    button->setObjectName(name);
    button->setGeometry(Px(120), top, Px(2415), Px(375));
    button->setEnabled(enabled);
    return button;
}

void VTR_MAIN::CreateButtons() {
    constexpr int Step = 30;
    int top = ContentTop + 4;
    Command1 = MakeButton("Command1", "New BIG file...", top, true);
    but_Load = MakeButton("but_Load", "Load BIG file...", top += Step, true);
    but_Save = MakeButton("but_Save", "Save BIG file...", top += Step, false);
    but_Replace = MakeButton("but_Replace", "Replace...", top += Step, false);
    but_Extract = MakeButton("but_Extract", "Extract...", top += Step, false);
    but_Addfile = MakeButton("but_Addfile", "Add file...", top += Step, false);
    But_Delfile = MakeButton("But_Delfile", "Delete file...", top += Step, false);
    cb_Loadwhole = new QCheckBox("Load whole file into memory", Frame5);
    cb_Loadwhole->setObjectName("cb_Loadwhole");
    cb_Loadwhole->setGeometry(Px(120), top += Step + 2, Px(2415), Px(375));
    const int bottom = Frame5->height() - 8;
    // Made in the order of the column, which is also the focus order: About, then Exit.
    but_About = MakeButton("but_About", "About", bottom - Px(375) - Step, true);
    but_Exit = MakeButton("but_Exit", "Exit program", bottom - Px(375), true);
}

void VTR_MAIN::CreateContents() {
    tv_BIGDirectory = new QTreeWidget(Frame1);
    tv_BIGDirectory->setObjectName("tv_BIGDirectory");
    tv_BIGDirectory->setHeaderHidden(true);
    tv_BIGDirectory->setColumnCount(1);
    tv_BIGDirectory->setIconSize(QSize(16, 16));
    tv_BIGDirectory->setFont(WindowFont("Tahoma"));
    tv_BIGDirectory->setGeometry(4, ContentTop, Frame1->width() - 8,
                                 Frame1->height() - ContentTop - 4);
    tv_BIGDirectory->viewport()->setAcceptDrops(true);  // files dropped on it are added

    lst_Info = new QListWidget(Frame2);
    lst_Info->setObjectName("lst_Info");
    lst_Info->setFont(WindowFont("Trebuchet MS"));
    lst_Info->setGeometry(4, ContentTop, Frame2->width() - 8, Frame2->height() - ContentTop - 4);

    lst_Companions = new QListWidget(Frame7);
    lst_Companions->setObjectName("lst_Companions");
    lst_Companions->setGeometry(4, ContentTop, Frame7->width() - 8,
                                Frame7->height() - ContentTop - 4);

    txt_EventLog = new QPlainTextEdit(Frame9);
    txt_EventLog->setObjectName("txt_EventLog");
    txt_EventLog->setReadOnly(true);
    txt_EventLog->setAcceptDrops(false);  // a file dropped on it goes to the window
    txt_EventLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txt_EventLog->setGeometry(4, ContentTop, Frame9->width() - 8,
                              Frame9->height() - ContentTop - 4);
}

void VTR_MAIN::CreateMenu() {
    tm_rmbMenu = new QMenu("rmbMenu", this);
    tm_rmbMenu->setObjectName("tm_rmbMenu");
    tm_rmbMenu->setFont(WindowFont("Tahoma"));  // a pop-up does not take its parent's font
    rmb_Editfile = tm_rmbMenu->addAction("Edit file");
    rmb_Editfile->setObjectName("rmb_Editfile");
    rmb_Deletefile = tm_rmbMenu->addAction("Delete file");
    rmb_Deletefile->setObjectName("rmb_Deletefile");
    rmb_Renamefile = tm_rmbMenu->addAction("Rename file...");
    rmb_Renamefile->setObjectName("rmb_Renamefile");
}

void VTR_MAIN::ConnectHandlers() {
    connect(Command1, &QPushButton::clicked, this, &VTR_MAIN::Command1_Click);
    connect(but_Load, &QPushButton::clicked, this, &VTR_MAIN::but_Load_Click);
    connect(but_Save, &QPushButton::clicked, this, &VTR_MAIN::but_Save_Click);
    connect(but_Replace, &QPushButton::clicked, this, &VTR_MAIN::but_Replace_Click);
    connect(but_Extract, &QPushButton::clicked, this, &VTR_MAIN::but_Extract_Click);
    connect(but_Addfile, &QPushButton::clicked, this, &VTR_MAIN::but_Addfile_Click);
    connect(But_Delfile, &QPushButton::clicked, this, &VTR_MAIN::But_Delfile_Click);
    connect(but_About, &QPushButton::clicked, this, &VTR_MAIN::but_About_Click);
    connect(but_Exit, &QPushButton::clicked, this, &VTR_MAIN::but_Exit_Click);
    connect(tv_BIGDirectory, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* node) { tv_BIGDirectory_NodeClick(node); });
    connect(tv_BIGDirectory, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* node) {
        MakeFolderItems(node);
        SetNodeImage(node, NodeImage(node));
    });
    connect(tv_BIGDirectory, &QTreeWidget::itemCollapsed, this,
            [this](QTreeWidgetItem* node) { SetNodeImage(node, NodeImage(node)); });
    tv_BIGDirectory->viewport()->installEventFilter(this);
    tv_BIGDirectory->installEventFilter(this);
    connect(rmb_Editfile, &QAction::triggered, this, &VTR_MAIN::rmb_Editfile_Click);
    connect(rmb_Deletefile, &QAction::triggered, this, &VTR_MAIN::rmb_Deletefile_Click);
    connect(rmb_Renamefile, &QAction::triggered, this, &VTR_MAIN::rmb_Renamefile_Click);
    connect(lst_Companions, &QListWidget::itemChanged, this, &VTR_MAIN::CompanionChanged);
}

void VTR_MAIN::Form_Load() {
    setWindowTitle(ProgramCaption);
    Companions[0] = VTR_CORE::BigInitialise();
    Companions[1] = VTR_CSF::CsfInitialise();
    Companions[2] = VTR_TXTHTML::TextInitialise();
    LogEvent(QString::fromStdString(Companions[0].StatusMessage),
             QString::fromStdString(Companions[0].Name));
    for (int slot = 0; slot < 3; ++slot) AddCompanion(Companions[slot]);
    // The start-up marks only show what the registrations set; they are not user changes.
    const QSignalBlocker quiet(lst_Companions);
    for (int line = 0; line < 3; ++line) lst_Companions->item(line)->setCheckState(Qt::Checked);
}

void VTR_MAIN::AddCompanion(const VTR_STR::InterpreterInfo& info) {
    auto* line = new QListWidgetItem(QString::fromStdString(info.Name + " " + info.Version));
    line->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    line->setCheckState(Qt::Unchecked);
    const QSignalBlocker quiet(lst_Companions);
    lst_Companions->addItem(line);
}

void VTR_MAIN::LogEvent(const QString& msgString, const QString& msgSource) {
    const QString line = msgSource + ": " + msgString + "\r\n\r\n";
    eventLog_ += line;
    // Appended through a cursor of its own, so the view keeps its scroll position.
    QTextCursor end(txt_EventLog->document());
    end.movePosition(QTextCursor::End);
    end.insertText(QString(line).replace("\r\n", "\n"));
}

void VTR_MAIN::but_About_Click() {
    if (busy_) return;
    const QStringList lines{ProgramCaption,
                            QString(),
                            QStringLiteral("Copyright %1 %2").arg(VANTOR_YEAR, VANTOR_OWNER),
                            QStringLiteral("Written by %1").arg(VANTOR_AUTHOR),
                            QString(),
                            QStringLiteral("Email comments, bugs and suggestions to: "),
                            QStringLiteral(VANTOR_CONTACT)};
    platform::Ui().Message(this, "About", lines.join("\r\n"));
}

void VTR_MAIN::but_Exit_Click() { UnloadAll(); }

void VTR_MAIN::UnloadAll() { Unload(); }

bool VTR_MAIN::Unload() {
    if (busy_) {
        closePending_ = true;
        return false;
    }
    if (unloading_) return true;
    if (!SaveChangesFirst()) return false;
    unloading_ = true;
    if (editor_) editor_->close();
    Archive.Entries.clear();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != this && window->isVisible()) window->close();
    close();
    unloading_ = false;
    return true;
}

void VTR_MAIN::FinishCommand() {
    if (!closePending_) return;
    closePending_ = false;
    UnloadAll();
}

void VTR_MAIN::closeEvent(QCloseEvent* event) {
    if (busy_) {
        closePending_ = true;
        event->ignore();
        return;
    }
    // Closing through the frame is the exit command, which the user may cancel. Its own close()
    // of this window is a no-op while this close runs, so the event is accepted here.
    if (!unloading_ && !Unload()) {
        event->ignore();
        return;
    }
    event->accept();
}

// A file dragged onto the window is offered to Load, unless a load or save runs or an editor is
// open (the window is disabled then).
void VTR_MAIN::dragEnterEvent(QDragEnterEvent* event) {
    if (!busy_ && isEnabled() && !DraggedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

// The load runs after the drop has been answered, so the program the file came from does not
// wait for it.
void VTR_MAIN::dropEvent(QDropEvent* event) {
    const QString path = DraggedFile(event->mimeData());
    if (busy_ || !isEnabled() || path.isEmpty()) return;
    event->acceptProposedAction();
    QTimer::singleShot(0, this, [this, path] { LoadFile(path); });
}

bool VTR_MAIN::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tv_BIGDirectory->viewport() &&
        (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
         event->type() == QEvent::Drop))
        return TreeDragEvent(event);
    if (watched == tv_BIGDirectory->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPointF at = mouse->position();
        const int button = MouseButtonCode(mouse->button());
        tv_BIGDirectory_MouseDown(button, ShiftCode(mouse->modifiers()), float(at.x()),
                                  float(at.y()));
        // The right button selects in the handler; the tree itself ignores it, and nothing
        // reaches the tree while a load or save runs.
        return button == 2 || busy_;
    }
    if (watched == tv_BIGDirectory && event->type() == QEvent::ContextMenu) {
        // The menu key acts as a right click on the selected node.
        const auto* request = static_cast<QContextMenuEvent*>(event);
        if (request->reason() == QContextMenuEvent::Keyboard) {
            if (QTreeWidgetItem* node = tv_BIGDirectory->currentItem()) {
                const QPoint centre = tv_BIGDirectory->visualItemRect(node).center();
                tv_BIGDirectory_MouseDown(2, 0, float(centre.x()), float(centre.y()));
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
