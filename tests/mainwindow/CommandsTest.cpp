// Load, Save, Extract and Replace as the user runs them, including their failures.
#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

#include "archive/VTR_CORE.h"
#include "mainwindow/Icons.h"
#include "mainwindow/VTR_PROGRESS.h"
#include "tests/mainwindow/MainWindowFixture.h"
#include "tests/support/FaultyFileSystem.h"

namespace mainwindowtest {
namespace {

using testsupport::ReadBytes;
const QString kBig = "BIG file format interpreter";
const QString kBigFilter = "BIG files (*.big)|*.big|All files (*.*)|*.*";
const testsupport::NamedData kEntries{
    {"Data\\INI\\game.ini", "[a]\r\nx=1\r\n"}, {"Data\\c.txt", "hello"}, {"readme.txt", ""}};

bool ProgressOpen() {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == "VTR_PROGRESS" && top->isVisible()) return true;
    return false;
}

// Everything a failed command must leave as it was.
struct Snapshot {
    std::string tree;
    std::vector<std::string> names;
    std::string path;
    std::int32_t count, last;
    int replacedImage;
    std::vector<std::string> files;
    bool operator==(const Snapshot&) const = default;
};

class Commands : public MainWindowTest {
protected:
    Snapshot Take() const {
        Snapshot shot{Render(*window->tv_BIGDirectory),
                      {},
                      VTR_CORE::Archive().ArchivePath,
                      VTR_CORE::Archive().EntryCount,
                      VTR_CORE::Archive().LastIndex,
                      Node("Data/c.txt") ? VTR_MAIN::NodeImage(Node("Data/c.txt")) : 0,
                      dir.List()};
        for (const auto& entry : VTR_CORE::Archive().Entries) shot.names.push_back(entry.Name);
        return shot;
    }
    // Runs `command` with the n-th file operation failing, n = 1, 2, ... until it succeeds;
    // each failure must show `prefix` + reason, log it once and change nothing.
    void FailEachStep(const std::function<void()>& command, const QString& prefix) {
        for (int failAt = 1;; ++failAt) {
            ASSERT_LT(failAt, 40) << "the command never succeeded";
            const Snapshot before = Take();
            const QString log = Log();
            const std::size_t shown = dialogs->messages.size();
            {
                testsupport::ScopedFaultyFiles faulty;
                faulty.files.failAt = failAt;
                command();
            }
            if (dialogs->messages.size() == shown) return;  // a load that went through
            ASSERT_EQ(dialogs->messages.size(), shown + 1) << failAt;
            const auto& message = dialogs->messages.back();
            if (!message.text.startsWith(prefix)) return;  // the command went through
            SCOPED_TRACE(message.text.toStdString());
            EXPECT_EQ(message.title, "Vantor");
            EXPECT_GT(message.text.size(), prefix.size());
            EXPECT_EQ(Log(), log + LogLine(kBig, message.text));
            EXPECT_TRUE(Take() == before);
            EXPECT_FALSE(ProgressOpen());
        }
    }
    void Replace(const QString& node, const std::string& source) {
        Select(node);
        ClickWithFile("but_Replace", source);
    }
};

TEST_F(Commands, LoadBuildsTheTreeAndEnablesTheArchiveButtonsSilently) {
    const std::string path = WriteBig(kEntries);
    Load(path);
    ASSERT_EQ(dialogs->fileDialogs.size(), 1u);
    EXPECT_EQ(dialogs->fileDialogs[0].filter, kBigFilter);
    EXPECT_EQ(dialogs->fileDialogs[0].initialName, "*.big");
    EXPECT_EQ(Render(*window->tv_BIGDirectory),
              "[Data]\n  [INI]\n    game.ini#0\n  c.txt#1\nreadme.txt#2\n");
    for (const char* name : {"but_Save", "but_Replace", "but_Extract"})
        EXPECT_TRUE(Find(name)->isEnabled()) << name;
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_EQ(Log(), LogLine(kBig, "Initialisation completed."));
    EXPECT_FALSE(VTR_CORE::Archive().Entries[1].Loaded);
    EXPECT_FALSE(ProgressOpen());

    Find<QCheckBox>("cb_Loadwhole")->setChecked(true);
    Load(path);
    EXPECT_EQ(dialogs->fileDialogs[1].initialName, QString::fromStdString(path));
    EXPECT_EQ(VTR_CORE::Archive().Entries[1].Data, "hello");
}

TEST_F(Commands, EmptyArchiveLoadsAndTheProgressBarCopesWithIt) {
    Load(WriteBig({}));
    EXPECT_EQ(window->tv_BIGDirectory->topLevelItemCount(), 0);
    EXPECT_TRUE(Find("but_Save")->isEnabled());
    EXPECT_TRUE(dialogs->messages.empty());

    VTR_PROGRESS empty;
    EXPECT_EQ(empty.BIGProgress->value(), 0);
    EXPECT_GT(empty.BIGProgress->maximum(), empty.BIGProgress->minimum());  // not a busy bar
    VTR_CORE::Archive().EntryCount = 5;
    VTR_CORE::Archive().LastIndex = 3;
    VTR_PROGRESS five;
    EXPECT_EQ(five.BIGProgress->maximum(), 5);
    EXPECT_EQ(five.UpdateBar->interval(), 100);
    QTRY_COMPARE(five.BIGProgress->value(), 3);
}

TEST_F(Commands, NonBigFileIsRefusedWhileTheLoadedArchiveStays) {
    Load(WriteBig(kEntries));
    const Snapshot before = Take();
    for (const char* bytes : {"bigf....", "BIG", "plain text", ""}) {
        const std::string other = dir.File("other.big");
        testsupport::WriteBytes(other, bytes);
        const QString log = Log();
        dialogs->messages.clear();
        Load(other);
        ASSERT_EQ(dialogs->messages.size(), 1u);
        EXPECT_EQ(dialogs->messages[0].title, "Vantor");
        EXPECT_EQ(dialogs->messages[0].text,
                  "The selected file was not a valid BIG archive. Please check the filename.");
        EXPECT_EQ(Log(), log + LogLine(kBig,
                                       "Unable to open BIG file. Reason - File not in BIG "
                                       "format."));
        std::filesystem::remove(other);
        EXPECT_TRUE(Take() == before);
    }
}

TEST_F(Commands, FailedLoadLeavesArchiveTreeMarksAndButtonsAsTheyWere) {
    Load(WriteBig(kEntries));
    testsupport::WriteBytes(dir.File("new.txt"), "new");
    Replace("Data/c.txt", dir.File("new.txt"));
    ASSERT_EQ(VTR_MAIN::NodeImage(Node("Data/c.txt")), ImageList::ReplacedDocument);
    const std::string second = WriteBig({{"Other\\one.txt", "1"}, {"two.txt", "22"}}, "b.big");
    FailEachStep([&] { Load(second); }, "Unable to open BIG file. Reason - ");
    EXPECT_EQ(Render(*window->tv_BIGDirectory), "[Other]\n  one.txt#0\ntwo.txt#1\n");

    // A directory that breaks off: its reason is the engine's, and the loaded archive stays.
    std::string cut = testsupport::MakeBig(kEntries);
    testsupport::WriteBytes(dir.File("cut.big"), cut.substr(0, 30));
    const Snapshot before = Take();
    Load(dir.File("cut.big"));
    EXPECT_TRUE(dialogs->messages.back().text.startsWith("Unable to open BIG file. Reason - "));
    EXPECT_TRUE(Take() == before);
    EXPECT_TRUE(Find("but_Save")->isEnabled());
}

TEST_F(Commands, ExtractWritesTheEntryOrReportsWhyNot) {
    Load(WriteBig(kEntries));
    Select("Data/INI/game.ini");
    const std::string target = dir.File("out.ini");
    FailEachStep([&] { ClickWithFile("but_Extract", target); },
                 "Unable to extract file. Reason - ");
    EXPECT_EQ(dialogs->messages.back().text, "File extracted.");
    EXPECT_EQ(ReadBytes(target), "[a]\r\nx=1\r\n");
    EXPECT_EQ(dialogs->fileDialogs.back().filter, "All files (*.*)|*.*");
    EXPECT_EQ(dialogs->fileDialogs.back().initialName, "game.ini");

    // The archive file vanished: an entry not yet read cannot be extracted.
    std::filesystem::remove(dir.File("a.big"));
    Select("Data/c.txt");
    const QString log = Log();
    ClickWithFile("but_Extract", dir.File("c.txt"));
    EXPECT_TRUE(dialogs->messages.back().text.startsWith("Unable to extract file. Reason - "));
    EXPECT_EQ(Log(), log + LogLine(kBig, dialogs->messages.back().text));
    EXPECT_FALSE(std::filesystem::exists(dir.File("c.txt")));
}

TEST_F(Commands, ReplaceMarksTheNodeLogsAndShowsTheNewSize) {
    Load(WriteBig(kEntries));
    const std::string source = dir.File("source.txt");
    testsupport::WriteBytes(source, "replaced!");
    Select("Data/c.txt");
    FailEachStep([&] { ClickWithFile("but_Replace", source); },
                 "Unable to replace file. Reason - ");
    EXPECT_EQ(dialogs->messages.back().text, "File replaced.");
    EXPECT_EQ(VTR_MAIN::NodeImage(Node("Data/c.txt")), ImageList::ReplacedDocument);
    EXPECT_TRUE(Log().endsWith(LogLine(
        kBig, "File c.txt contents replaced with " + QString::fromStdString(source) + ".")));
    EXPECT_EQ(VTR_CORE::Archive().Entries[1].Data, "replaced!");
    window->tv_BIGDirectory_NodeClick(Node("Data/c.txt"));
    EXPECT_EQ(window->lst_Info->item(1)->text(), "Size:\t9 bytes");

    // A source that does not exist changes nothing.
    Select("Data/INI/game.ini");
    const Snapshot before = Take();
    ClickWithFile("but_Replace", dir.File("missing.txt"));
    EXPECT_TRUE(dialogs->messages.back().text.startsWith("Unable to replace file. Reason - "));
    EXPECT_TRUE(Take() == before);
    EXPECT_EQ(VTR_MAIN::NodeImage(Node("Data/INI/game.ini")), ImageList::Document);
    EXPECT_EQ(dialogs->fileDialogs.back().initialName, QString::fromStdString(source));
}

TEST_F(Commands, ReplaceThenSaveOverTheLoadedFileAndReloadGivesTheSameContents) {
    const std::string path = WriteBig(kEntries);
    Load(path);
    testsupport::WriteBytes(dir.File("new.txt"), "new contents");
    Replace("Data/c.txt", dir.File("new.txt"));
    FailEachStep([&] { ClickWithFile("but_Save", path); }, "Unable to save BIG file. Reason - ");
    EXPECT_EQ(dialogs->messages.back().text, "File saved.");
    EXPECT_EQ(dialogs->fileDialogs.back().initialName, QString::fromStdString(path));
    EXPECT_EQ(VTR_MAIN::NodeImage(Node("Data/c.txt")), ImageList::ReplacedDocument);
    testsupport::NamedData expected = kEntries;
    expected[1].second = "new contents";
    EXPECT_EQ(ReadBytes(path), testsupport::MakeBig(expected));

    Find<QCheckBox>("cb_Loadwhole")->setChecked(true);
    Load(path);
    EXPECT_EQ(VTR_MAIN::NodeImage(Node("Data/c.txt")), ImageList::Document);
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(VTR_CORE::Archive().Entries[i].Data, expected[i].second) << i;
}

TEST_F(Commands, CancelledDialogsAndMissingSelectionsStaySilent) {
    window->but_Extract_Click();  // no archive yet
    window->but_Replace_Click();
    EXPECT_TRUE(dialogs->fileDialogs.empty());
    dialogs->fileAnswers.push_back(std::nullopt);
    Click("but_Load");
    Load(WriteBig(kEntries));
    const std::size_t asked = dialogs->fileDialogs.size();
    for (const char* node : {"", "Data"}) {
        if (*node) Select(node);
        window->but_Extract_Click();
        window->but_Replace_Click();
    }
    EXPECT_EQ(dialogs->fileDialogs.size(), asked);
    Select("Data/c.txt");
    for (const char* button : {"but_Extract", "but_Replace", "but_Save", "but_Load"}) {
        dialogs->fileAnswers.push_back(std::nullopt);
        Click(button);
    }
    EXPECT_EQ(dialogs->fileDialogs.size(), asked + 4);
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_EQ(Log(), LogLine(kBig, "Initialisation completed."));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"a.big"});
}

// Dialogs that act on the window at the first event pump of a load or save.
class PumpingDialogs : public platform::ScriptedDialogs {
public:
    std::function<void()> atFirstPump;
    void PumpEvents() override {
        if (auto act = std::exchange(atFirstPump, nullptr)) act();
        ScriptedDialogs::PumpEvents();
    }
};

TEST_F(Commands, WhileALoadRunsOtherCommandsAreRefusedAndClosingWaits) {
    PumpingDialogs pumping;
    platform::SetUi(&pumping);
    const std::string path = WriteBig(kEntries);
    pumping.fileAnswers.push_back(QString::fromStdString(path));
    QTest::mouseClick(Find("but_Load"), Qt::LeftButton);
    Select("Data/c.txt");
    pumping.fileAnswers.push_back(QString::fromStdString(path));
    pumping.atFirstPump = [&] {
        for (int i = 0; i < 4; ++i) pumping.fileAnswers.push_back(std::nullopt);
        for (const char* name : {"but_Load", "but_Save", "but_Extract", "but_Replace", "but_About"})
            QTest::mouseClick(Find(name), Qt::LeftButton);
        window->lst_Companions->item(1)->setCheckState(Qt::Unchecked);
        RightClick("Data/c.txt");
        window->close();
        EXPECT_TRUE(window->isVisible());
    };
    QTest::mouseClick(Find("but_Load"), Qt::LeftButton);
    platform::SetUi(&dialogs.dialogs);
    EXPECT_EQ(pumping.fileDialogs.size(), 2u);
    EXPECT_TRUE(pumping.messages.empty());
    EXPECT_EQ(window->lst_Companions->item(1)->checkState(), Qt::Checked);
    EXPECT_TRUE(window->Companions[1].Active);
    EXPECT_EQ(Log(), LogLine(kBig, "Initialisation completed."));
    EXPECT_FALSE(window->tm_rmbMenu->isVisible());
    // The close waited for the load and then ran the exit.
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(VTR_CORE::Archive().Entries[0].Name.empty());
}

}  // namespace
}  // namespace mainwindowtest
