// The commands that change which entries the archive holds, as the user runs them: "New BIG
// file...", "Add file...", "Delete file..." and "Delete file", "Rename file...", Extract on a
// folder node, and the question that comes before unsaved changes would be lost. Refusals of
// "Add file..." are rows of the failure table in MainWindowTest.cpp.
#include <QProgressBar>
#include <filesystem>

#include "tests/mainwindow/MainWindowFixture.h"

namespace mainwindowtest {
namespace {

using namespace testsupport;
using platform::Answer;

const char* const kSignatures[] = {"BIGF", "BIG4"};

// "New BIG file..." starts an empty "BIGF" archive that the commands work on and only Save
// writes; "Add file..." adds the chosen files to the selected node's folder (the top level when
// none is selected) in archives of either signature. The tree grows where it shows the folder,
// as a load of the saved archive would show it.
TEST_F(MainWindowTest, NewStartsAnEmptyArchiveAndAddFileAddsToTheSelectedNodesFolder) {
    const std::string one = dir.File("one.txt"), two = dir.File("two.ini");
    WriteBytes(one, "1");
    WriteBytes(two, "22");
    Click("Command1");
    EXPECT_TRUE(window->HasArchive() && !window->HasChanges());
    EXPECT_EQ(tree->topLevelItemCount(), 0);
    for (const char* name :
         {"but_Save", "but_Replace", "but_Extract", "but_Addfile", "But_Delfile"})
        EXPECT_TRUE(Find(name)->isEnabled()) << name;
    ClickWithFile("but_Addfile", one + "\n" + two);
    EXPECT_EQ(Render(tree), "one.txt#0\ntwo.ini#1\n");
    EXPECT_TRUE(RightClick("two.ini"));  // the pop-up works on it
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"one.txt", "two.ini"}));  // nothing written
    ClickWithFile("but_Save", dir.File("new.big"));
    EXPECT_EQ(dialogs->fileDialogs.back().initialName, "");  // Save offers no name
    EXPECT_EQ(ReadBytes(dir.File("new.big")), MakeBig({{"one.txt", "1"}, {"two.ini", "22"}}));
    EXPECT_EQ(Log(), LogLine("Initialisation completed.") +
                         LogLine("New BIG file created in memory.") +
                         LogLine("2 files added to the top level."));

    // The selected node, the files chosen, the names of the entries they become.
    const std::tuple<QString, std::vector<std::string>, std::vector<std::string>> adds[] = {
        {"INI", {one}, {"Data\\INI\\one.txt"}},
        {"c.txt", {one, two}, {"Data\\one.txt", "Data\\two.ini"}},
        {"f1", {two}, {"A\\X\\two.ini"}},
        {"", {two}, {"two.ini"}}};
    for (const std::string signature : kSignatures) {
        SCOPED_TRACE(signature);
        const std::string copy = dir.File("copy.big");
        WriteBytes(dir.File("a.big"), MakeBig(kEntries, 9, signature));
        Load(dir.File("a.big"), false);
        NamedData expected = kEntries;
        for (const auto& [node, files, names] : adds) {
            tree->setCurrentItem(Node(node));
            std::string answer;
            for (const std::string& file : files) answer += (answer.empty() ? "" : "\n") + file;
            const QString log = Log();
            ClickWithFile("but_Addfile", answer);
            for (std::size_t i = 0; i < files.size(); ++i)
                expected.emplace_back(names[i], ReadBytes(files[i]));
            EXPECT_EQ(Log(),
                      log + LogLine(files.size() == 1 ? "File " + Text(files[0]) + " added as " +
                                                            Text(names[0]) + "."
                                                      : "2 files added to Data."));
        }
        EXPECT_TRUE(window->HasChanges());
        const std::string shown = Render(tree);
        ClickWithFile("but_Save", copy);
        EXPECT_EQ(ReadBytes(copy), MakeBig(expected, 9, signature));
        Load(copy);
        EXPECT_EQ(Render(tree), shown);
    }
}

// "Delete file" (pop-up) and "Delete file..." (button) remove the selected file's entry; the
// button on a folder removes every entry under it after a question naming the count. The tree
// loses those nodes and the folders left empty; every other node still leads to its own entry.
TEST_F(MainWindowTest, DeleteRemovesAFileOrAfterAQuestionAFolderAndEveryOtherNodeKeepsItsEntry) {
    const NamedData entries{{"Data\\INI\\game.ini", "game"},
                            {"Data\\c.txt", "cc"},
                            {"A\\X\\f1", "f1"},
                            {"B\\X\\f2", "f2"},
                            {"Data\\INI\\b.ini", "bb"},
                            {"A\\f3", "f3"},
                            {"readme.txt", "last"}};
    for (const std::string signature : kSignatures) {
        SCOPED_TRACE(signature);
        WriteBytes(dir.File("d.big"), MakeBig(entries, 9, signature));
        Load(dir.File("d.big"), false);
        window->tv_BIGDirectory_NodeClick(Node("f2"));  // the panel shows entry 3
        ASSERT_TRUE(RightClick("game.ini"));
        window->rmb_Deletefile->trigger();
        ClickWithFile("but_Extract", dir.File("out.txt"), "readme.txt");
        EXPECT_EQ(ReadBytes(dir.File("out.txt")), "last");
        // The panel follows its entry to its new index: a replacement shows the new size.
        WriteBytes(dir.File("new.txt"), "12345");
        ClickWithFile("but_Replace", dir.File("new.txt"), "f2");
        EXPECT_EQ(window->lst_Info->item(1)->text(), "Size:\t5 bytes");
        tree->setCurrentItem(nullptr);
        Click("But_Delfile");  // nothing selected: nothing asked or deleted
        // Folders: No keeps them, Yes deletes them; a file goes without a question.
        messages.clear();
        dialogs->yesNoAnswers = {Answer::No, Answer::Yes, Answer::Yes};
        for (const char* node : {"A", "A", "B", "b.ini"}) {
            Select(node);
            Click("But_Delfile");
        }
        EXPECT_TRUE(dialogs->yesNoAnswers.empty() && messages.size() == 3);
        EXPECT_EQ(messages[0].title + ": " + messages[0].text,
                  "Vantor: Delete the folder A and the 2 files in it?");
        EXPECT_EQ(messages[2].text, "Delete the folder B and the file in it?");
        EXPECT_TRUE(window->lst_Info->count() == 0);  // it showed f2, which went with B
        EXPECT_TRUE(Log().endsWith(LogLine("Folder A deleted with 2 files.") +
                                   LogLine("Folder B deleted with 1 file.") +
                                   LogLine("File Data\\INI\\b.ini deleted.")));
        EXPECT_TRUE(Log().contains(LogLine("File Data\\INI\\game.ini deleted.")));
        EXPECT_EQ(Render(tree), "[Data]\n  c.txt#0\nreadme.txt#1\n");
        ClickWithFile("but_Extract", dir.File("out.txt"), "c.txt");
        EXPECT_EQ(ReadBytes(dir.File("out.txt")), "cc");
        ClickWithFile("but_Save", dir.File("d.big"));
        EXPECT_EQ(ReadBytes(dir.File("d.big")),
                  MakeBig({{"Data\\c.txt", "cc"}, {"readme.txt", "last"}}, 9, signature));
    }
}

// "Rename file..." renames the selected file's entry, the input box holding its name. In the
// same folder the node keeps its place; in another it moves there, folders made on the way and
// those left empty gone. Names are refused as "Add file..." refuses them.
TEST_F(MainWindowTest, RenameFileRenamesTheEntryAndMovesItsNodeOrRefusesNamingTheName) {
    const QString refused = "Unable to rename file. Reason - \"";
    const std::string longName = "Data\\" + std::string(251, 'n');  // 256 bytes
    const std::string top = "[Data]\n  [INI]\n    game.ini#0\n  C.TXT#1\n";
    // The node, the answer, what the tree shows then ("": as before) or the message.
    const std::tuple<QString, QString, std::string, QString> rows[] = {
        {"c.txt", "Data\\C.TXT", top + "[A]\n  [X]\n    f1#2\n[B]\n  [X]\n    f2#3\nreadme.txt#4\n",
         ""},
        {"f1", "B\\X\\f1", top + "[B]\n  [X]\n    f2#3\n    f1#2\nreadme.txt#4\n", ""},
        {"readme.txt", "Data\\New\\read.me",
         top + "  [New]\n    read.me#4\n[B]\n  [X]\n    f2#3\n    f1#2\n", ""},
        {"f2", "", "", ""},  // cancelled
        {"f2", "data\\c.txt", "",
         "data\\c.txt\": the archive already has entry 2 \"Data\\C.TXT\"."},
        {"f2", "Data\\名.ini", "",
         "Data\\名.ini\": the character \"名\" is not in the code page of entry names."},
        {"f2", Text(longName), "",
         Text(longName) + "\": the name has 256 bytes; a name holds at most 255."},
        {"f2", "..\\f2", "", "..\\f2\": it has a \"..\" segment, which would leave the folder."}};
    for (const std::string signature : kSignatures) {
        SCOPED_TRACE(signature);
        WriteBytes(dir.File("r.big"), MakeBig(kEntries, 9, signature));
        Load(dir.File("r.big"), false);
        for (const auto& [node, answer, shown, message] : rows) {
            SCOPED_TRACE(answer.toStdString());
            const std::string before = Render(tree);
            const auto entry = std::size_t(VTR_MAIN::NodeEntry(Node(node)));
            const QString log = Log(), oldName = Text(window->Archive.Entries.at(entry).Name.Str());
            messages.clear();
            dialogs->inputAnswers = {answer};
            ASSERT_TRUE(RightClick(node));
            window->rmb_Renamefile->trigger();
            EXPECT_EQ(dialogs->inputInitials.back(), oldName);
            EXPECT_EQ(Render(tree), shown.empty() ? before : shown);
            EXPECT_EQ(messages.empty() ? "" : messages[0].text,
                      message.isEmpty() ? "" : refused + message);
            EXPECT_EQ(Log(), log + (!message.isEmpty() ? LogLine(refused + message)
                                    : !shown.empty()
                                        ? LogLine("File " + oldName + " renamed to " + answer + ".")
                                        : ""));
        }
        ClickWithFile("but_Save", dir.File("copy.big"));
        EXPECT_EQ(ReadBytes(dir.File("copy.big")), MakeBig({kEntries[0],
                                                            {"Data\\C.TXT", "hello"},
                                                            {"B\\X\\f1", "1"},
                                                            {"B\\X\\f2", "2"},
                                                            {"Data\\New\\read.me", ""}},
                                                           9, signature));
    }
}

// Extract on a folder node writes every entry under it below the folder chosen, at paths
// relative to the node, over what is there, with the progress window; names the tool does not
// write are reported together and the others are still written.
TEST_F(MainWindowTest, ExtractOnAFolderWritesEveryEntryUnderItRelativeToIt) {
    namespace fs = std::filesystem;
    const NamedData entries{{"Data\\INI\\game.ini", "g"}, {"Data\\INI\\sub\\deep.ini", "d"},
                            {"Data\\c.txt", "c"},         {"Data\\bad:name.txt", "b"},
                            {"Data\\C.TXT", "twin"},      {"other\\o.txt", "o"}};
    Load(WriteBig(entries), false);
    const std::string out = dir.File("out"), ini = dir.File("ini");
    fs::create_directories(FsPath(out));
    fs::create_directories(FsPath(ini));
    WriteBytes(out + "/c.txt", "old");
    std::set<int> maxima;
    dialogs->onPump = [&] {
        if (QProgressBar* bar = OpenProgressBar()) maxima.insert(bar->maximum());
    };
    ClickWithFile("but_Extract", out, "Data");
    EXPECT_EQ(maxima, std::set<int>{4});  // the twin is left out
    const std::pair<std::string, std::string> written[] = {
        {"INI/game.ini", "g"}, {"INI/sub/deep.ini", "d"}, {"c.txt", "c"}};
    for (const auto& [file, bytes] : written) EXPECT_EQ(ReadBytes(out + "/" + file), bytes);
    EXPECT_FALSE(fs::exists(FsPath(out + "/bad:name.txt")) || fs::exists(FsPath(out + "/C.TXT")));
    const QString problems =
        "Unable to extract file. Reason - Entry 5 \"Data\\C.TXT\" has the same name as entry 3; "
        "only the first is extracted. Entry 4 \"Data\\bad:name.txt\" is not extracted: the name "
        "holds a \":\" (a drive letter or a stream name).";
    EXPECT_EQ(messages.at(0).text, problems);
    EXPECT_FALSE(window->Archive.Entries[0].Loaded);  // read for the write, not kept
    ClickWithFile("but_Extract", ini, "INI");
    EXPECT_EQ(dialogs->fileDialogs.back().initialName, Text(out));  // the last folder chosen
    EXPECT_EQ(ReadBytes(ini + "/sub/deep.ini"), "d");
    EXPECT_EQ(messages.back().text, "Folder extracted.");
    EXPECT_EQ(Log(), LogLine("Initialisation completed.") + LogLine(problems) +
                         LogLine("Folder Data\\INI extracted to " + Text(ini) + "."));
    dialogs->fileAnswers.push_back(std::nullopt);
    Select("other");
    Click("but_Extract");
    EXPECT_TRUE(messages.size() == 2 && !fs::exists(FsPath(ini + "/o.txt")));
}

// With changes not saved (a replacement, an add, a delete, a rename, an editor's hand-back),
// Load, New, Exit and closing the window ask "Save changes to NAME?": Yes saves with Save's
// dialog and goes on only when the save went through, No goes on without saving, Cancel stays.
TEST(UnsavedChanges, LoadNewExitAndClosingAskFirstAndGoOnAsAnswered) {
    // The change, the command, the answer, Save's dialog ("-" cancelled, "folder" fails, "" not
    // shown), and whether the command went on.
    const std::tuple<std::string, std::string, Answer, std::string, bool> rows[] = {
        {"replace", "exit", Answer::No, "", true},
        {"add", "exit", Answer::Cancel, "", false},
        {"delete", "exit", Answer::Yes, "a.big", true},
        {"rename", "close", Answer::Yes, "-", false},
        {"hand-back", "close", Answer::Yes, "folder", false},
        {"hand-back", "close", Answer::No, "", true},
        {"replace", "load", Answer::No, "", true},
        {"add", "load", Answer::Cancel, "", false},
        {"delete", "new", Answer::Yes, "a.big", true},
        {"rename", "new", Answer::Cancel, "", false}};
    for (const auto& [change, command, answer, saveAs, goesOn] : rows) {
        SCOPED_TRACE(change + ", " + command);
        MainWindowSession s;
        const std::string archive = s.WriteBig(), other = s.WriteBig({{"o.txt", "o"}}, "o.big");
        const std::string loose = s.dir.File("new.txt");
        WriteBytes(loose, "new");
        s.Load(archive);
        s.dialogs->inputAnswers = {"Data\\d.txt"};
        const std::map<std::string, std::function<void()>> changes{
            {"replace", [&] { s.ClickWithFile("but_Replace", loose, "c.txt"); }},
            {"add", [&] { s.ClickWithFile("but_Addfile", loose); }},
            {"delete", [&] { s.Select("c.txt"), s.Click("But_Delfile"); }},
            {"rename", [&] { s.Select("c.txt"), s.window->rmb_Renamefile_Click(); }},
            {"hand-back", [&] { s.window->OnlineReplace(1, "edited"); }}};
        changes.at(change)();
        ASSERT_TRUE(s.window->HasChanges());
        s.messages.clear();
        s.dialogs->yesNoAnswers = {answer};
        if (saveAs == "-") s.dialogs->fileAnswers.push_back(std::nullopt);
        if (saveAs == "folder") s.dialogs->fileAnswers.push_back(Text(s.dir.path()));
        if (saveAs == "a.big") s.dialogs->fileAnswers.push_back(Text(archive));
        if (command == "load") s.dialogs->fileAnswers.push_back(Text(other));
        const std::map<std::string, std::function<void()>> commands{
            {"exit", [&] { s.Click("but_Exit"); }},
            {"close", [&] { s.window->close(); }},
            {"load", [&] { s.Click("but_Load"); }},
            {"new", [&] { s.Click("Command1"); }}};
        commands.at(command)();
        EXPECT_EQ(s.messages.at(0).title + ": " + s.messages[0].text,
                  "Vantor: Save changes to a.big?");
        EXPECT_TRUE(s.dialogs->yesNoAnswers.empty());
        EXPECT_EQ(s.dialogs->fileAnswers.empty(), command != "load" || goesOn);
        if (saveAs == "folder") {
            EXPECT_TRUE(s.messages.back().text.startsWith("Unable to save"));
        }
        EXPECT_EQ(ReadBytes(archive) == MakeBig(kEntries), saveAs != "a.big");
        if (command == "exit" || command == "close") {
            EXPECT_EQ(s.window->isVisible(), !goesOn);
        } else {
            // Load and New that went on show the other or a new archive, without changes.
            const auto& shown = s.window->Archive;
            EXPECT_EQ(shown.ArchivePath, !goesOn ? archive : command == "load" ? other : "");
            EXPECT_EQ(s.window->HasChanges(), !goesOn);
        }
    }
    // A new archive is called so in the question; once saved, nothing is asked.
    MainWindowSession s;
    WriteBytes(s.dir.File("one.txt"), "1");
    s.Click("Command1");
    s.ClickWithFile("but_Addfile", s.dir.File("one.txt"));
    s.dialogs->yesNoAnswers = {Answer::Cancel};
    s.Click("but_Exit");
    EXPECT_EQ(s.messages.at(0).text, "Save changes to the new archive?");
    s.ClickWithFile("but_Save", s.dir.File("new.big"));
    s.Click("but_Exit");
    EXPECT_FALSE(s.window->isVisible());
}

}  // namespace
}  // namespace mainwindowtest
