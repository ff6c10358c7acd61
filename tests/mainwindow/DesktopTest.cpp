// The program on the desktop: the real file dialogs and message boxes, the command line, a file
// dropped on the window, the Save dialog's name after a refused load, and the focus order.
#include <functional>

#include "mainwindow/CommandLine.h"
#include "tests/mainwindow/MainWindowFixture.h"
#include "tests/support/CsfBuilder.h"

namespace mainwindowtest {
namespace {

using namespace testsupport;

const QString NotBig = "The selected file was not a valid BIG archive. Please check the filename.";

// Runs `examine` on the next modal dialog once the event loop is in it, then closes the dialog.
void ExamineNextDialog(std::function<void(QDialog*)> examine) {
    QTimer::singleShot(0, [examine] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        examine(dialog);
        dialog->reject();
    });
}

// The names a file dialog lists, sorted, once it shows `count` of them (or after two seconds).
QStringList Listed(QFileDialog* dialog, int count) {
    auto* view = dialog->findChild<QListView*>("listView");
    const auto names = [&] {
        QStringList shown;
        for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
            shown << view->model()->index(row, 0, view->rootIndex()).data().toString();
        shown.sort();
        return shown;
    };
    QTest::qWaitFor([&] { return names().size() == count; }, 2000);
    return names();
}

TEST(RealDialogs, AllFilesListsEveryFileSavingAsksNothingAndMessagesHaveNoIcon) {
    TempDir dir;
    for (const char* name : {"README", "mod", "a.big", "b.txt"}) WriteBytes(dir.File(name), "");
    const QString folder = QString::fromStdString(dir.path());
    const QStringList all{"README", "a.big", "b.txt", "mod"};
    // Open or save, the window's filter, and for each of its choices the names listed.
    const std::tuple<bool, QString, std::vector<std::pair<QString, QStringList>>> rows[] = {
        {true,
         "BIG files (*.big)|*.big|All files (*.*)|*.*",
         {{"BIG files (*.big)", {"a.big"}}, {"All files (*.*)", all}}},
        {false, "All files (*.*)|*.*", {{"All files (*.*)", all}}}};
    for (const auto& [open, filter, choices] : rows) {
        SCOPED_TRACE(filter.toStdString());
        ExamineNextDialog([&](QDialog* shown) {
            auto* dialog = qobject_cast<QFileDialog*>(shown);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->testOption(QFileDialog::DontConfirmOverwrite), !open);
            auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
            ASSERT_EQ(types->count(), int(choices.size()));
            for (int i = 0; i < types->count(); ++i) {
                EXPECT_EQ(types->itemText(i), choices[i].first);  // as the window names it
                dialog->selectNameFilter(dialog->nameFilters().at(i));
                EXPECT_EQ(Listed(dialog, choices[i].second.size()), choices[i].second);
            }
        });
        const auto answer = open ? platform::Ui().OpenFileName(nullptr, filter, folder)
                                 : platform::Ui().SaveFileName(nullptr, filter, folder);
        EXPECT_FALSE(answer.has_value());
    }
    for (const bool question : {false, true}) {
        ExamineNextDialog([&](QDialog* shown) {
            auto* box = qobject_cast<QMessageBox*>(shown);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle(), "Vantor");
            EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
            EXPECT_EQ(box->standardButtons(),
                      question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
        });
        if (question)
            platform::Ui().AskYesNo(nullptr, "Vantor", "Again?");
        else
            platform::Ui().Message(nullptr, "Vantor", "Done.");
    }
}

TEST(CommandLineTest, ReadsOneArchiveHelpAndVersionAndRefusesTheRest) {
    const QString version = VTR_MAIN::NameAndVersion() + "\n";
    const QString here = QDir::currentPath();
    using Action = CommandLine::Action;
    // Arguments, then the action and its archive or the start of its text.
    const std::tuple<QStringList, Action, QString> rows[] = {
        {{}, Action::Run, ""},
        {{"a.big"}, Action::Run, here + "/a.big"},
        {{"/x/../y.big"}, Action::Run, "/y.big"},
        {{"--", "-n.big"}, Action::Run, here + "/-n.big"},
        {{"--help"}, Action::Print, "Usage: vantor [ARCHIVE]\n"},
        {{"-q", "a.big", "-v"}, Action::Print, version},
        {{"--", "--help"}, Action::Run, here + "/--help"},
        {{"-q"}, Action::Fail, "vantor: unknown option '-q'\n"},
        {{"a.big", "b.big"}, Action::Fail, "vantor: give one archive at most\n"}};
    for (const auto& [arguments, action, expected] : rows) {
        const CommandLine line = ReadCommandLine(arguments);
        EXPECT_EQ(line.action, action) << arguments.join(' ').toStdString();
        if (action == Action::Run)
            EXPECT_EQ(line.archive, expected);
        else
            EXPECT_TRUE(line.text.startsWith(expected) && line.archive.isEmpty())
                << line.text.toStdString();
    }
}

// Started with an archive as the user's Load would have it, or with a refusal shown and logged;
// later loads that are refused leave the Save dialog on the archive still loaded.
TEST(StartUp, LoadsTheArgumentAsLoadDoesAndRefusedLoadsLeaveSaveOnTheLoadedArchive) {
    const NamedData entries{{"Data\\one.ini", "1"}};
    for (const bool good : {true, false}) {
        SCOPED_TRACE(good ? "an archive" : "not an archive");
        MainWindowSession session;
        const std::string path = good ? session.WriteBig(entries) : session.dir.File("notes.txt");
        if (!good) WriteBytes(path, "BIGnot");
        StartWith(*session.window, ReadCommandLine({Text(path)}));
        QTRY_VERIFY(session.tree->topLevelItemCount() > 0 || !session.messages.empty());
        EXPECT_EQ(Render(session.tree), good ? "[Data]\n  one.ini#0\n" : "");
        EXPECT_EQ(session.Find("but_Save")->isEnabled(), good);
        if (good) EXPECT_FALSE(VTR_CORE::Archive().Entries.at(0).Loaded);  // "whole" unticked
        const QString loaded = good ? Text(path) : QString();
        EXPECT_EQ(session.Log(), LogLine("Initialisation completed.") +
                                     (good ? ""
                                           : LogLine("Unable to open BIG file. Reason - "
                                                     "File not in BIG format.")));
        // A refused file, then a walk that fails: the dialogs offer the loaded archive.
        WriteBytes(session.dir.File("cut.big"), MakeBig(entries).substr(0, 20));
        for (const char* refused : {"notes.txt", "cut.big"}) {
            WriteBytes(session.dir.File("notes.txt"), "text");
            session.Load(session.dir.File(refused));
            EXPECT_EQ(session.messages.back().title, "Vantor");
            const auto& shown = session.dialogs->fileDialogs;
            const std::size_t before = shown.size();
            session.dialogs->fileAnswers = {std::nullopt, std::nullopt};
            session.Click("but_Save");  // disabled while nothing is loaded
            session.Click("but_Load");
            session.dialogs->fileAnswers.clear();
            QStringList offered;
            for (std::size_t i = before; i < shown.size(); ++i) offered << shown[i].initialName;
            EXPECT_EQ(offered, good ? QStringList({loaded, loaded}) : QStringList({""})) << refused;
        }
        EXPECT_EQ(Render(session.tree), good ? "[Data]\n  one.ini#0\n" : "");
    }
}

TEST_F(MainWindowTest, ADroppedFileLoadsUnlessALoadRunsOrItIsNotOneLocalFile) {
    const std::string first = WriteBig({{"first.txt", "1"}}, "first.big");
    const std::string second = WriteBig({{"second.txt", "2"}}, "second.big");
    const auto drop = [&](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(window.get(), &enter);
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(window.get(), &dropped);
        EXPECT_EQ(enter.isAccepted(), dropped.isAccepted());
        return dropped.isAccepted();
    };
    const QUrl firstUrl = QUrl::fromLocalFile(Text(first));
    EXPECT_FALSE(drop({firstUrl, QUrl::fromLocalFile(Text(second))}));
    EXPECT_FALSE(drop({QUrl("https://example.org/first.big")}));
    EXPECT_TRUE(drop({firstUrl}));
    QTRY_COMPARE(Render(tree), std::string("first.txt#0\n"));
    // While a load runs a drop is refused, as the buttons are.
    bool refused = false;
    VTR_CORE::SetYieldHook([&] {
        if (!refused) refused = !drop({firstUrl});
    });
    window->LoadFile(Text(second));
    QTest::qWait(50);
    EXPECT_TRUE(refused);
    EXPECT_EQ(Render(tree), "second.txt#0\n");
    EXPECT_EQ(VTR_CORE::Archive().ArchivePath, second);
}

// Names of the window and of the controls that Tab reaches, in the order it reaches them.
QString FocusChain(QWidget* window) {
    QStringList names{window->objectName() + ":"};
    for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && w->window() == window) names << w->objectName();
    return names.join(' ');
}

TEST_F(MainWindowTest, TabFollowsTheControlTablesInEveryWindowAndEditorsShareItsFonts) {
    const std::string ini = "[a]\r\n";
    Load(WriteBig({{"t.csf", csftest::File({csftest::Label("L", u"v")})}, {"t.ini", ini}}));
    EXPECT_EQ(FocusChain(window.get()),
              "VTR_MAIN: Command1 but_Load but_Save but_Replace but_Extract but_Addfile "
              "But_Delfile cb_Loadwhole but_About but_Exit tv_BIGDirectory lst_Info "
              "lst_Companions txt_EventLog");
    const std::pair<const char*, QString> editors[] = {
        {"t.csf",
         "VTR_CSFWND: cmb_Flags lst_CSFEntries txt_Search but_Search but_AddEntry "
         "but_DeleteEntry but_Save Command1 but_Close txt_sValue but_SaveText"},
        {"t.ini", "VTR_TEXT: txt_TextWindow but_Font but_IE but_Close but_Save"}};
    for (const auto& [node, chain] : editors) {
        QWidget* editor = Edit(node);
        ASSERT_NE(editor, nullptr) << node;
        EXPECT_EQ(FocusChain(editor), chain);
        EXPECT_EQ(editor->font().families(), window->font().families()) << node;
        editor->close();
        QTRY_VERIFY(window->OpenEditor() == nullptr);
    }
}

}  // namespace
}  // namespace mainwindowtest
