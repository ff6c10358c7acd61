// Load, Save, Extract, Replace and "Edit file" as the user runs them, their failures, the busy
// guard and the switching of interpreters.
#include <cerrno>
#include <cstring>
#include <functional>

#include "mainwindow/VTR_PROGRESS.h"
#include "stringtable/VTR_CSF.h"
#include "tests/mainwindow/MainWindowFixture.h"
#include "textinterp/VTR_TXTHTML.h"

namespace mainwindowtest {
namespace {

using namespace testsupport;
using Commands = MainWindowTest;

TEST_F(Commands, LoadEnablesTheArchiveButtonsAndItAndCancelledOrUnselectedCommandsAreSilent) {
    window->but_Extract_Click();  // no archive yet
    window->but_Replace_Click();
    const std::string path = WriteBig();
    Load(path);
    for (const char* name : {"but_Save", "but_Replace", "but_Extract"})
        EXPECT_TRUE(Find(name)->isEnabled()) << name;
    EXPECT_FALSE(VTR_CORE::Archive().Entries[1].Loaded);
    for (const char* node : {"", "Data", "c.txt"}) {  // no node, a folder, a file
        Select(node);
        for (const char* button : {"but_Extract", "but_Replace", "but_Save", "but_Load"}) {
            dialogs->fileAnswers.push_back(std::nullopt);
            Click(button);
        }
    }
    EXPECT_EQ(dialogs->fileDialogs.size(), 1u + 2 + 2 + 4);
    EXPECT_EQ(dialogs->fileDialogs.back().initialName, Text(path));
    dialogs->fileAnswers.clear();  // those of the dialogs that did not open
    window->cb_Loadwhole->setChecked(true);
    Load(path);
    EXPECT_EQ(VTR_CORE::Archive().Entries[1].Data, "hello");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Log(), LogLine("Initialisation completed."));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"a.big"});
    // An empty archive loads, and its progress bar is empty rather than busy.
    Load(WriteBig({}));
    EXPECT_EQ(tree->topLevelItemCount(), 0);
    EXPECT_GT(VTR_PROGRESS().BIGProgress->maximum(), 0);
}

TEST_F(Commands, EachFailureShowsOneMessageLogsItAndChangesNothing) {
    const std::string archive = WriteBig(), missing = dir.File("missing.txt");
    Load(archive);
    WriteBytes(dir.File("new.txt"), "new");
    Select("c.txt");
    ClickWithFile("but_Replace", dir.File("new.txt"));
    const NamedData two(kEntries.begin(), kEntries.begin() + 2);
    WriteBytes(dir.File("cut.big"), MakeBig(two).substr(0, 30));
    WriteBytes(dir.File("other.big"), "BIGx");
    std::filesystem::remove(archive);  // the entries not yet read cannot be read any more
    Select("game.ini");
    const QString vanished = " - Cannot open \"" + Text(archive) + "\": " + std::strerror(ENOENT);
    // Button ("" for "Edit file"), file answer, message, log line where it differs.
    const std::tuple<const char*, std::string, QString, QString> rows[] = {
        {"but_Load", dir.File("other.big"),
         "The selected file was not a valid BIG archive. Please check the filename.",
         "Unable to open BIG file. Reason - File not in BIG format."},
        {"but_Load", dir.File("cut.big"),
         "Unable to open BIG file. Reason - Entry 1 at offset 16: the name is cut off by the end "
         "of the file (30 bytes).",
         ""},
        {"but_Save", archive, "Unable to save BIG file. Reason" + vanished, ""},
        {"but_Extract", dir.File("game.ini"), "Unable to extract file. Reason" + vanished, ""},
        {"", "", "Unable to read file. Reason" + vanished, ""},
        {"but_Replace", missing,
         "Unable to replace file. Reason - Entry 1 \"Data\\INI\\game.ini\" "
         "cannot be replaced: there is no file \"" +
             Text(missing) + "\".",
         ""}};
    const auto state = [&] {
        const auto& core = VTR_CORE::Archive();
        return std::tuple(
            Render(tree), core.ArchivePath, core.EntryCount, core.LastIndex, dir.List(),
            Node("c.txt") ? VTR_MAIN::NodeImage(Node("c.txt")) : 0, Find("but_Save")->isEnabled(),
            window->isEnabled() && !window->OpenEditor(),
            std::ranges::none_of(window->findChildren<VTR_PROGRESS*>(), &QWidget::isVisible));
    };
    const auto before = state();
    for (const auto& [button, answer, message, logged] : rows) {
        SCOPED_TRACE(message.toStdString());
        messages.clear();
        const QString log = Log();
        *button ? ClickWithFile(button, answer) : window->rmb_Editfile_Click();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].title, "Vantor");
        EXPECT_EQ(messages[0].text, message);
        EXPECT_EQ(Log(), log + LogLine(logged.isEmpty() ? message : logged));
        EXPECT_TRUE(state() == before);
    }
}

TEST_F(Commands, ReplaceSaveOverTheLoadedFileAndReloadKeepTheContentsAndTheReplacedMark) {
    const std::string path = WriteBig(), source = dir.File("new.txt");
    WriteBytes(source, "new contents");
    Load(path);
    Select("c.txt");
    ClickWithFile("but_Replace", source);
    EXPECT_EQ(messages.back().text, "File replaced.");
    EXPECT_EQ(Log(), LogLine("Initialisation completed.") +
                         LogLine("File c.txt contents replaced with " + Text(source) + "."));
    ClickWithFile("but_Save", path);
    EXPECT_EQ(messages.back().text, "File saved.");
    EXPECT_EQ(VTR_MAIN::NodeImage(Node("c.txt")), ImageList::ReplacedDocument);
    Select("game.ini");
    ClickWithFile("but_Extract", dir.File("out.ini"));
    EXPECT_EQ(messages.back().text, "File extracted.");
    EXPECT_EQ(dialogs->fileDialogs.back().initialName, "game.ini");
    EXPECT_EQ(ReadBytes(dir.File("out.ini")), kEntries[0].second);
    NamedData expected = kEntries;
    expected[1].second = "new contents";
    EXPECT_EQ(ReadBytes(path), MakeBig(expected));
    window->cb_Loadwhole->setChecked(true);
    Load(path);
    EXPECT_EQ(VTR_MAIN::NodeImage(Node("c.txt")), ImageList::Document);
    EXPECT_EQ(VTR_CORE::Archive().Entries[1].Data, "new contents");
}

TEST_F(Commands, WhileALoadRunsOtherCommandsAreRefusedAndClosingWaits) {
    const std::string path = WriteBig();
    Load(path);
    Select("c.txt");
    std::function<void()> atFirstYield = [&] {
        for (const char* name :
             {"but_Load", "but_Save", "but_Extract", "but_Replace", "but_About"}) {
            dialogs->fileAnswers.push_back(std::nullopt);
            Click(name);
        }
        window->lst_Companions->item(1)->setCheckState(Qt::Unchecked);
        EXPECT_FALSE(RightClick("c.txt"));
        window->close();
        EXPECT_TRUE(window->isVisible());
    };
    VTR_CORE::SetYieldHook([&] { std::exchange(atFirstYield, [] {})(); });
    Load(path);
    EXPECT_EQ(dialogs->fileDialogs.size(), 2u);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(window->lst_Companions->item(1)->checkState() == Qt::Checked &&
                window->Companions[1].Active);
    EXPECT_EQ(Log(), LogLine("Initialisation completed."));
    // The close waited for the load and then ran the exit.
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(VTR_CORE::Archive().Entries[0].Name.empty());
}

TEST_F(Commands, CompanionsSwitchWithALogLineButTheBigLineStaysTicked) {
    const QString csf = "CSF file format interpreter", text = "ASCII/HTML parser";
    const std::tuple<int, Qt::CheckState, QString> steps[] = {
        {0, Qt::Unchecked, ""},
        {1, Qt::Unchecked, LogLine("Interpreter deactivated.", csf)},
        {1, Qt::Checked, LogLine("Interpreter activated.", csf)},
        {2, Qt::Unchecked, LogLine("Interpreter deactivated.", text)},
        {2, Qt::Checked, LogLine("Interpreter activated.", text)}};
    for (const auto& [line, state, logged] : steps) {
        const QString before = Log();
        window->lst_Companions->item(line)->setCheckState(state);
        const bool on = line == 0 || state == Qt::Checked;
        EXPECT_EQ(window->lst_Companions->item(line)->checkState() == Qt::Checked, on) << line;
        EXPECT_EQ(window->Companions[line].Active, on);
        EXPECT_EQ(Log(), before + logged);
    }
}

TEST_F(Commands, EditFileOpensTheEditorForTheContentsThenTheNameOrExplains) {
    const std::string csf = std::string(" FSC\x03\0\0\0\x01\0\0\0\0\0\0\0", 16) +
                            std::string(8, '\0') + " LBL" + std::string("\x01\0\0\0\x01\0\0\0", 8) +
                            "A RTS" + std::string("\x01\0\0\0", 4) + "\xBE\xFF";
    // Entry name, contents, CSF and text interpreters on, the window that opens ("": a message).
    const std::tuple<std::string, std::string, bool, bool, std::string> rows[] = {
        {"a.txt", csf, true, true, "VTR_CSFWND"}, {"a.txt", csf, false, true, "VTR_TEXT"},
        {"a.csf", csf, false, true, ""},          {"MAIN.WND", "W\r\n", true, true, "VTR_TEXT"},
        {"readme.txt", "text", true, false, ""},  {"logo.tga", "\x02", true, true, ""},
        {"empty.dat", "", true, true, ""},        {"short.bin", " FS", true, true, ""},
        {"empty.ini", "", true, true, "VTR_TEXT"}};
    for (const auto& [name, data, csfOn, textOn, opens] : rows) {
        SCOPED_TRACE(name + (csfOn ? "" : ", CSF off") + (textOn ? "" : ", text off"));
        messages.clear();
        window->Companions[1].Active = csfOn;
        window->Companions[2].Active = textOn;
        Load(WriteBig({{"first.bin", "1"}, {name, data}}));
        ASSERT_TRUE(RightClick(Text(name)));
        window->rmb_Editfile->trigger();
        QWidget* editor = window->OpenEditor();
        if (opens.empty()) {
            EXPECT_TRUE(editor == nullptr && window->isEnabled());
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0].title, "Vantor");
            EXPECT_EQ(messages[0].text,
                      "Either this file doesn't currently have interpreter support, or the "
                      "interpreter has been deactivated.\r\n\r\n If you'd like support for this "
                      "format, please email the author at " VANTOR_CONTACT ".");
            continue;
        }
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->metaObject()->className(), opens);
        EXPECT_TRUE(editor->isVisible() && !window->isEnabled() && messages.empty());
        EXPECT_TRUE(opens == "VTR_CSFWND"
                        ? VTR_CSF::CsfFileEntry() == 1 && VTR_CSF::StringTable()[0].Label == "A"
                        : VTR_TXTHTML::TextFileEntry() == 1 && VTR_TXTHTML::TextFileData() == data);
        window->OnlineReplace(std::int16_t{1}, "saved");  // what the editor's "Save" does
        const auto& entry = VTR_CORE::Archive().Entries[1];
        EXPECT_TRUE(entry.Data == "saved" && entry.Modified && entry.Size == 5);
        EXPECT_EQ(VTR_MAIN::NodeImage(Node(Text(name))), ImageList::ReplacedDocument);
        EXPECT_EQ(VTR_MAIN::NodeImage(Node("first.bin")), ImageList::Document);
        editor->close();
        QTRY_VERIFY(window->OpenEditor() == nullptr && window->isEnabled());
    }
    // Closing the main window closes an open editor too.
    window->rmb_Editfile_Click();
    ASSERT_NE(window->OpenEditor(), nullptr);
    window->close();
    QTRY_VERIFY(window->OpenEditor() == nullptr);
    EXPECT_FALSE(window->isVisible() || !VTR_CORE::Archive().Entries[0].Name.empty());
}

}  // namespace
}  // namespace mainwindowtest
