// Switching interpreters on and off, and "Edit file" choosing the editor for an entry.
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

#include "archive/VTR_CORE.h"
#include "mainwindow/Icons.h"
#include "stringtable/VTR_CSF.h"
#include "stringtable/VTR_CSFWND.h"
#include "tests/mainwindow/MainWindowFixture.h"
#include "textinterp/VTR_TEXT.h"
#include "textinterp/VTR_TXTHTML.h"

namespace mainwindowtest {
namespace {

const std::string kCsfSignature(" FSC");

std::string SmallCsf() {
    std::string csf = kCsfSignature + std::string("\x03\0\0\0\x01\0\0\0\0\0\0\0", 12) +
                      std::string(8, '\0') + " LBL" + std::string("\x01\0\0\0\x01\0\0\0", 8) +
                      "A RTS" + std::string("\x01\0\0\0", 4) + "\xBE\xFF";
    return csf;
}

using Companions = MainWindowTest;

TEST_F(Companions, TheBigLineStaysCheckedAndTheOthersSwitchWithALogLine) {
    struct Step {
        int line;
        Qt::CheckState state;
        bool active;
        QString logged;
    };
    const std::vector<Step> steps{
        {0, Qt::Unchecked, true, ""},
        {1, Qt::Unchecked, false, "CSF file format interpreter: Interpreter deactivated.\r\n\r\n"},
        {1, Qt::Checked, true, "CSF file format interpreter: Interpreter activated.\r\n\r\n"},
        {2, Qt::Unchecked, false, "ASCII/HTML parser: Interpreter deactivated.\r\n\r\n"},
        {2, Qt::Checked, true, "ASCII/HTML parser: Interpreter activated.\r\n\r\n"}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.line);
        const QString before = Log();
        window->lst_Companions->item(step.line)->setCheckState(step.state);
        EXPECT_EQ(window->lst_Companions->item(step.line)->checkState(),
                  step.active ? Qt::Checked : Qt::Unchecked);
        EXPECT_EQ(window->Companions[step.line].Active, step.active);
        EXPECT_EQ(Log(), before + step.logged);
    }
}

struct DispatchCase {
    const char* name;
    std::string entryName;
    std::string data;
    bool csfOn, textOn;
    const char* opens;  // "VTR_CSFWND", "VTR_TEXT" or "" for the message
};

void PrintTo(const DispatchCase& row, std::ostream* out) { *out << row.name; }

class EditDispatch : public MainWindowTest, public testing::WithParamInterface<DispatchCase> {};

TEST_P(EditDispatch, OpensTheRightEditorOrExplains) {
    const DispatchCase& row = GetParam();
    window->Companions[1].Active = row.csfOn;
    window->Companions[2].Active = row.textOn;
    Load(WriteBig({{"first.bin", "1"}, {"Sub\\" + row.entryName, row.data}}));
    RightClick("Sub/" + QString::fromStdString(row.entryName));
    ASSERT_TRUE(window->tm_rmbMenu->isVisible());
    window->rmb_Editfile->trigger();
    window->tm_rmbMenu->hide();
    QWidget* editor = window->OpenEditor();
    if (!*row.opens) {
        EXPECT_EQ(editor, nullptr);
        ASSERT_EQ(dialogs->messages.size(), 1u);
        EXPECT_EQ(dialogs->messages[0].title, "Vantor");
        EXPECT_EQ(dialogs->messages[0].text,
                  "Either this file doesn't currently have interpreter support, or the "
                  "interpreter has been deactivated.\r\n\r\n If you'd like support for this "
                  "format, please email the author at " VANTOR_CONTACT ".");
        EXPECT_TRUE(window->isEnabled());
        return;
    }
    ASSERT_NE(editor, nullptr);
    EXPECT_STREQ(editor->metaObject()->className(), row.opens);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_FALSE(window->isEnabled());
    EXPECT_TRUE(dialogs->messages.empty());
    if (std::string(row.opens) == "VTR_CSFWND") {
        EXPECT_EQ(VTR_CSF::CsfFileEntry(), 1);
        EXPECT_EQ(VTR_CSF::StringTable()[0].Label, "A");
    } else {
        EXPECT_EQ(VTR_TXTHTML::TextFileEntry(), 1);
        EXPECT_EQ(VTR_TXTHTML::TextFileData(), row.data);
    }
    const QString log = Log();
    editor->close();
    QTRY_VERIFY(window->OpenEditor() == nullptr);
    EXPECT_TRUE(window->isEnabled());
    EXPECT_EQ(Log(), log);  // the dispatch logs nothing
}

INSTANTIATE_TEST_SUITE_P(
    Entries, EditDispatch,
    testing::Values(
        DispatchCase{"CsfSignatureWinsOverName", "a.txt", SmallCsf(), true, true, "VTR_CSFWND"},
        DispatchCase{"CsfOffFallsBackToName", "a.txt", SmallCsf(), false, true, "VTR_TEXT"},
        DispatchCase{"CsfOffUnknownName", "a.csf", SmallCsf(), false, true, ""},
        DispatchCase{"UpperCaseExtension", "MAIN.WND", "WINDOW\r\n", true, true, "VTR_TEXT"},
        DispatchCase{"TextOff", "readme.txt", "text", true, false, ""},
        DispatchCase{"UnknownName", "logo.tga", std::string("\0\0\x02", 3), true, true, ""},
        DispatchCase{"EmptyTextEntry", "empty.ini", "", true, true, "VTR_TEXT"},
        DispatchCase{"EmptyOtherEntry", "empty.dat", "", true, true, ""},
        DispatchCase{"ShortSignature", "short.bin", " FS", true, true, ""}),
    [](const testing::TestParamInfo<DispatchCase>& info) { return std::string(info.param.name); });

using EditFile = MainWindowTest;

TEST_F(EditFile, ArchiveDeletedAfterTheLoadOpensNothing) {
    Load(WriteBig({{"a.txt", "text"}}));
    std::filesystem::remove(dir.File("a.big"));
    Select("a.txt");
    const QString log = Log();
    window->rmb_Editfile_Click();
    EXPECT_EQ(window->OpenEditor(), nullptr);
    EXPECT_TRUE(window->isEnabled());
    ASSERT_EQ(dialogs->messages.size(), 1u);
    const QString text = dialogs->messages[0].text;
    EXPECT_TRUE(text.startsWith("Unable to read file. Reason - ")) << text.toStdString();
    EXPECT_GT(text.size(), QString("Unable to read file. Reason - ").size());
    EXPECT_EQ(Log(), log + LogLine("BIG file format interpreter", text));
}

TEST_F(EditFile, EditorSaveMarksTheEntryAndExitClosesTheEditor) {
    Load(WriteBig({{"Data\\a.ini", "k=v\r\n"}, {"b.txt", "b"}}));
    Select("Data/a.ini");
    window->rmb_Editfile_Click();
    auto* editor = qobject_cast<VTR_TEXT*>(window->OpenEditor());
    ASSERT_NE(editor, nullptr);
    window->OnlineReplace(std::int16_t{0}, "k=w\r\n");
    const auto& entry = VTR_CORE::Archive().Entries[0];
    EXPECT_EQ(entry.Data, "k=w\r\n");
    EXPECT_TRUE(entry.Modified);
    EXPECT_EQ(entry.Size, 5);
    EXPECT_EQ(VTR_MAIN::NodeImage(Node("Data/a.ini")), ImageList::ReplacedDocument);
    EXPECT_EQ(VTR_MAIN::NodeImage(Node("b.txt")), ImageList::Document);

    window->close();  // through the frame: the editor goes too
    QTRY_VERIFY(window->OpenEditor() == nullptr);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(VTR_CORE::Archive().Entries[0].Name.empty());
}

}  // namespace
}  // namespace mainwindowtest
