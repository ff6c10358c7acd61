// The program on the desktop: the real file dialogs and message boxes, the command line, a
// file dropped on the window and files dropped on its tree.
#include <filesystem>
#include <functional>

#include "mainwindow/CommandLine.h"
#include "tests/mainwindow/MainWindowFixture.h"

namespace mainwindowtest {
namespace {

using namespace testsupport;

// Runs `examine` on the next modal dialog once the event loop is in it, then closes the dialog.
void ExamineNextDialog(std::function<void(QDialog*)> examine) {
    QTimer::singleShot(0, [examine] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        examine(dialog);
        dialog->reject();
    });
}

TEST(RealDialogs, AllFilesListsEveryFileSavingAsksNothingAndMessagesHaveNoIcon) {
    TempDir dir;
    for (const char* name : {"README", "mod", "a.big", "b.txt"}) WriteBytes(dir.File(name), "");
    const QString filter = "BIG files (*.big)|*.big|All files (*.*)|*.*";
    // Each choice as the window names it, and the names it lists.
    const std::pair<QString, QStringList> choices[] = {
        {"BIG files (*.big)", {"a.big"}}, {"All files (*.*)", {"README", "a.big", "b.txt", "mod"}}};
    ExamineNextDialog([&](QDialog* shown) {
        auto* dialog = qobject_cast<QFileDialog*>(shown);
        auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
        auto* view = dialog->findChild<QListView*>("listView");
        ASSERT_EQ(types->count(), 2);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(types->itemText(i), choices[i].first);
            dialog->selectNameFilter(dialog->nameFilters().at(i));
            QStringList names;
            const auto listed = [&] {
                names.clear();
                for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
                    names << view->model()->index(row, 0, view->rootIndex()).data().toString();
                names.sort();
                return names == choices[i].second;
            };
            EXPECT_TRUE(QTest::qWaitFor(listed, 2000)) << names.join(' ').toStdString();
        }
    });
    EXPECT_FALSE(platform::Ui().OpenFileName(nullptr, filter, Text(dir.path())));
    ExamineNextDialog([](QDialog* shown) {
        EXPECT_TRUE(
            static_cast<QFileDialog*>(shown)->testOption(QFileDialog::DontConfirmOverwrite));
    });
    EXPECT_FALSE(platform::Ui().SaveFileName(nullptr, filter, Text(dir.path())));
    // A message, a question, a question that can be cancelled (closing it cancels it): their
    // buttons.
    const QMessageBox::StandardButtons boxes[] = {
        QMessageBox::Ok, QMessageBox::Yes | QMessageBox::No,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel};
    for (const QMessageBox::StandardButtons buttons : boxes) {
        ExamineNextDialog([&](QDialog* shown) {
            auto* box = qobject_cast<QMessageBox*>(shown);
            ASSERT_NE(box, nullptr);
            EXPECT_TRUE(box->windowTitle() == "Vantor" && box->icon() == QMessageBox::NoIcon);
            EXPECT_EQ(box->standardButtons(), buttons);
        });
        if (buttons == QMessageBox::Ok)
            platform::Ui().Message(nullptr, "Vantor", "Done.");
        else if (buttons & QMessageBox::Cancel)
            EXPECT_EQ(platform::Ui().AskYesNoCancel(nullptr, "Vantor", "Save?"),
                      platform::Answer::Cancel);
        else
            platform::Ui().AskYesNo(nullptr, "Vantor", "Again?");
    }
    // The input box shows the text it is given; several files may be chosen in the open dialog.
    ExamineNextDialog([](QDialog* shown) {
        EXPECT_EQ(qobject_cast<QInputDialog*>(shown)->textValue(), "Data\\a.ini");
    });
    EXPECT_EQ(platform::Ui().Input(nullptr, "Vantor", "Name:", "Data\\a.ini"), "");
    ExamineNextDialog([](QDialog* shown) {
        EXPECT_EQ(static_cast<QFileDialog*>(shown)->fileMode(), QFileDialog::ExistingFiles);
    });
    EXPECT_FALSE(platform::Ui().OpenFileNames(nullptr, filter, Text(dir.path())));
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
        EXPECT_EQ(action == Action::Run ? line.archive : line.text.left(expected.size()), expected);
        EXPECT_TRUE(action == Action::Run || line.archive.isEmpty());
    }
}

// Started with a file that is no archive, the window shows and logs the refusal and never
// offers the file again; started with an archive, or given one by a drop, it loads it as Load
// would. A drop of anything but one local file is refused (and so is one while a load runs:
// see WhileALoadRunsCommandsAndDropsAreRefusedAndClosingWaits).
TEST_F(MainWindowTest, AnArchiveOnTheCommandLineOrDroppedLoadsAsLoadDoesAnyOtherFileIsRefused) {
    const std::string notes = dir.File("notes.txt"), archive = WriteBig({{"Data\\one.ini", "1"}});
    WriteBytes(notes, "BIGnot");
    StartWith(*window, ReadCommandLine({Text(notes)}));
    QTRY_COMPARE(messages.size(), 1u);
    EXPECT_EQ(Log(), LogLine("Initialisation completed.") +
                         LogLine("Unable to open BIG file. Reason - File not in BIG format."));
    EXPECT_FALSE(Find("but_Save")->isEnabled());
    dialogs->fileAnswers = {std::nullopt};
    Click("but_Load");
    EXPECT_EQ(dialogs->fileDialogs.at(0).initialName, "");
    StartWith(*window, ReadCommandLine({Text(archive)}));
    QTRY_COMPARE(Render(tree), std::string("[Data]\n  one.ini#0\n"));
    EXPECT_TRUE(Find("but_Save")->isEnabled() && messages.size() == 1);
    EXPECT_FALSE(window->Archive.Entries.at(0).Loaded);  // "Load whole" unticked
    const QUrl dropped = QUrl::fromLocalFile(Text(WriteBig({{"first.txt", "1"}}, "first.big")));
    EXPECT_FALSE(Drop({dropped, QUrl::fromLocalFile(Text(notes))}));
    EXPECT_FALSE(Drop({QUrl("https://example.org/first.big")}));
    EXPECT_TRUE(Drop({dropped}));
    QTRY_COMPARE(Render(tree), std::string("first.txt#0\n"));

    // On the tree, files and folders (with everything under them) are added to the folder of
    // the node they are dropped on; with no archive shown, an archive loads there too.
    WriteBytes(dir.File("loose.txt"), "L");
    std::filesystem::create_directories(FsPath(dir.File("drop/sub")));
    WriteBytes(dir.File("drop/a.txt"), "A");
    WriteBytes(dir.File("drop/sub/b.txt"), "B");
    const QPoint onOne = [&] {
        window->LoadFile(Text(archive));
        return tree->visualItemRect(NodeAt("Data\\one.ini")).center();
    }();
    EXPECT_TRUE(Drop({QUrl::fromLocalFile(Text(dir.File("drop"))),
                      QUrl::fromLocalFile(Text(dir.File("loose.txt")))},
                     tree->viewport(), onOne));
    QTRY_COMPARE(Render(tree), std::string("[Data]\n  one.ini#0\n  [drop]\n    a.txt#1\n    [sub]\n"
                                           "      b.txt#2\n  loose.txt#3\n"));
    EXPECT_TRUE(Log().endsWith(LogLine("3 files added to Data.")));
    EXPECT_EQ(window->Archive.Data(2), "B");
    MainWindowSession none;  // nothing loaded: the archive dropped on the tree loads
    EXPECT_TRUE(none.Drop({dropped}, none.tree->viewport()));
    QTRY_COMPARE(Render(none.tree), std::string("first.txt#0\n"));
}

}  // namespace
}  // namespace mainwindowtest
