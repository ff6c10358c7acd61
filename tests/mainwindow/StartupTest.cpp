// The main window right after start, its event log, its layout, About and exit.
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeWidget>

#include "archive/VTR_CORE.h"
#include "tests/mainwindow/MainWindowFixture.h"

namespace mainwindowtest {
namespace {

using Startup = MainWindowTest;

TEST_F(Startup, CaptionLogAndCompanionsAreSet) {
    EXPECT_EQ(window->windowTitle(), "Vantor 0.4 Beta");
    EXPECT_EQ(Log(), "BIG file format interpreter: Initialisation completed.\r\n\r\n");
    EXPECT_EQ(window->txt_EventLog->toPlainText(),
              "BIG file format interpreter: Initialisation completed.\n\n");
    const QStringList lines{"BIG file format interpreter v0.2b",
                            "CSF file format interpreter v0.1b", "ASCII/HTML parser v0.1b"};
    auto* list = Find<QListWidget>("lst_Companions");
    ASSERT_EQ(list->count(), lines.size());
    for (int i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(list->item(i)->text(), lines[i]);
        EXPECT_EQ(list->item(i)->checkState(), Qt::Checked) << i;
        EXPECT_TRUE(window->Companions[i].Active) << i;
    }
    EXPECT_EQ(window->Companions[1].HeaderBytes, std::string("\x03\0\0\0", 4));
    for (int slot = 3; slot < VTR_MAIN::CompanionSlots; ++slot)
        EXPECT_TRUE(window->Companions[slot].Name.empty()) << slot;
}

TEST_F(Startup, OnlyLoadAboutExitTheCheckBoxAndTheListsAreEnabled) {
    const std::vector<std::pair<const char*, bool>> buttons{
        {"Command1", false},    {"but_Load", true},     {"but_Save", false},
        {"but_Replace", false}, {"but_Extract", false}, {"but_Addfile", false},
        {"But_Delfile", false}, {"but_About", true},    {"but_Exit", true}};
    for (const auto& [name, enabled] : buttons) EXPECT_EQ(Find(name)->isEnabled(), enabled) << name;
    auto* loadWhole = Find<QCheckBox>("cb_Loadwhole");
    EXPECT_TRUE(loadWhole->isEnabled());
    EXPECT_EQ(loadWhole->checkState(), Qt::Unchecked);
    EXPECT_EQ(loadWhole->text(), "Load whole file into memory");
    for (const char* name : {"lst_Companions", "lst_Info"})
        EXPECT_TRUE(Find<QListWidget>(name)->isEnabled()) << name;
    EXPECT_TRUE(Find<QTreeWidget>("tv_BIGDirectory")->isEnabled());
    EXPECT_TRUE(Find<QPlainTextEdit>("txt_EventLog")->isReadOnly());
    auto* menu = Find<QMenu>("tm_rmbMenu");
    EXPECT_EQ(menu->title(), "rmbMenu");
    EXPECT_TRUE(window->rmb_Editfile->isEnabled());
    EXPECT_FALSE(window->rmb_Deletefile->isEnabled());
    EXPECT_EQ(window->rmb_Deletefile->text(), "Delete file");
}

TEST_F(Startup, PanelsFollowTheTwipLayout) {
    EXPECT_EQ(window->size(), QSize(769, 425));
    const std::vector<std::pair<const char*, QRect>> panels{{"Frame5", {8, 0, 177, 417}},
                                                            {"Frame1", {192, 0, 353, 329}},
                                                            {"Frame2", {192, 328, 353, 89}},
                                                            {"Frame7", {552, 0, 209, 201}},
                                                            {"Frame9", {552, 200, 209, 217}}};
    for (const auto& [name, rect] : panels) EXPECT_EQ(Find<QFrame>(name)->geometry(), rect) << name;
    const std::vector<std::pair<const char*, const char*>> headings{{"Label3", "Options"},
                                                                    {"Label1", "BIG File Explorer"},
                                                                    {"Label2", "File information"},
                                                                    {"Label4", "Companions"},
                                                                    {"Label5", "Event log"}};
    for (const auto& [name, caption] : headings) {
        auto* label = Find<QLabel>(name);
        EXPECT_EQ(label->text(), caption);
        EXPECT_TRUE(label->font().bold()) << name;
        EXPECT_EQ(label->font().families().value(0), "Tahoma") << name;
    }
    EXPECT_EQ(window->font().families().value(0), "Tahoma");
    EXPECT_DOUBLE_EQ(window->font().pointSizeF(), 8.25);
    EXPECT_EQ(window->lst_Info->font().families().value(0), "Trebuchet MS");
    for (QPushButton* button : Find<QFrame>("Frame5")->findChildren<QPushButton*>())
        EXPECT_EQ(button->size(), QSize(161, 25)) << button->objectName().toStdString();
}

TEST_F(Startup, LogEventAppendsSourceColonMessageAndAnEmptyLine) {
    const QString start = Log();
    window->LogEvent("x", "A");
    window->LogEvent("y", "B");
    window->LogEvent("z", "");
    EXPECT_EQ(Log(), start + "A: x\r\n\r\nB: y\r\n\r\n: z\r\n\r\n");
    EXPECT_TRUE(window->txt_EventLog->toPlainText().endsWith("A: x\n\nB: y\n\n: z\n\n"));
}

TEST_F(Startup, AboutShowsSevenLines) {
    Click("but_About");
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].title, "About");
    const QStringList lines = dialogs->messages[0].text.split("\r\n");
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines[0], "Vantor 0.4 Beta");
    EXPECT_TRUE(lines[1].isEmpty());
    EXPECT_TRUE(lines[2].contains(VANTOR_YEAR) && lines[2].contains(VANTOR_OWNER))
        << lines[2].toStdString();
    EXPECT_TRUE(lines[3].contains(VANTOR_AUTHOR));
    EXPECT_TRUE(lines[4].isEmpty());
    EXPECT_EQ(lines[5], "Email comments, bugs and suggestions to: ");
    EXPECT_EQ(lines[6], VANTOR_CONTACT);
}

TEST_F(Startup, ExitAndClosingTheFrameBlankTheArchiveAndCloseEveryWindow) {
    for (const bool throughFrame : {false, true}) {
        SCOPED_TRACE(throughFrame ? "frame" : "button");
        VTR_CORE::Archive().Entries[0].Name = "kept.txt";
        QWidget other;
        other.show();
        window->show();
        if (throughFrame)
            window->close();
        else
            Click("but_Exit");
        EXPECT_FALSE(window->isVisible());
        EXPECT_FALSE(other.isVisible());
        EXPECT_TRUE(VTR_CORE::Archive().Entries[0].Name.empty());
    }
}

}  // namespace
}  // namespace mainwindowtest
