// The main window: start-up, About and Exit, the folder tree, the file information panel and the
// pop-up menu; Load, Save, Extract, Replace and "Edit file" as the user runs them, their
// failures, the busy guard and the switching of interpreters.
#include <QProgressBar>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>

#include "mainwindow/VTR_PROGRESS.h"
#include "tests/mainwindow/MainWindowFixture.h"
#include "tests/support/CsfBuilder.h"

namespace mainwindowtest {
namespace {

using namespace testsupport;

TEST_F(MainWindowTest, StartsWithOneLogLineTickedCompanionsAndNoArchiveCommandEnabled) {
    EXPECT_EQ(window->txt_EventLog->toPlainText(),
              "BIG file format interpreter: Initialisation completed.\n\n");
    const QStringList lines{"BIG file format interpreter v0.2b",
                            "CSF file format interpreter v0.1b", "ASCII/HTML parser v0.1b"};
    ASSERT_EQ(window->lst_Companions->count(), lines.size());
    // Each line but the first switches its interpreter off and on again, with a log line.
    for (int i = 0; i < lines.size(); ++i) {
        QListWidgetItem* item = window->lst_Companions->item(i);
        const auto on = [&] {
            return std::pair(item->checkState() == Qt::Checked, window->Companions[i].Active);
        };
        EXPECT_TRUE(item->text() == lines[i] && on() == std::pair(true, true)) << i;
        const QString before = Log(), source = lines[i].section(" v", 0, 0);
        item->setCheckState(Qt::Unchecked);
        EXPECT_TRUE(on() == std::pair(i == 0, i == 0)) << i;
        item->setCheckState(Qt::Checked);
        EXPECT_TRUE(on() == std::pair(true, true)) << i;
        EXPECT_EQ(Log(), before + (i == 0 ? ""
                                          : LogLine("Interpreter deactivated.", source) +
                                                LogLine("Interpreter activated.", source)));
    }
    for (const char* name :
         {"but_Save", "but_Replace", "but_Extract", "but_Addfile", "But_Delfile"})
        EXPECT_FALSE(Find(name)->isEnabled()) << name;  // until an archive is loaded or new
    EXPECT_TRUE(Find("Command1")->isEnabled());
    Click("but_About");
    EXPECT_TRUE(messages.at(0).title == "About" && messages[0].text.endsWith(VANTOR_CONTACT));
    Click("but_Exit");
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, TreeHasFoldersWithinTheirParentAndFilesInFirstMetOrder) {
    // Entry names and the tree: first-met order, data/Data, backslash oddities, an empty name
    // that hides nothing after it, and segments joining only a folder of the same text under the
    // same parent (never another X, never a file node).
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"z\\1", "a\\2", "z\\0"}, "[z]\n  1#0\n  0#2\n[a]\n  2#1\n"},
        {{"data\\x", "Data\\y"}, "[data]\n  x#0\n[Data]\n  y#1\n"},
        {{"\\a", "b\\\\c", "d\\"}, "[]\n  a#0\n[b]\n  []\n    c#1\n[d]\n  #2\n"},
        {{"a.txt", "", "b.txt"}, "a.txt#0\n#1\nb.txt#2\n"},
        {{"A\\X\\f1", "B\\X\\f2"}, "[A]\n  [X]\n    f1#0\n[B]\n  [X]\n    f2#1\n"},
        {{"x\\readme", "readme\\y"}, "[x]\n  readme#0\n[readme]\n  y#1\n"},
        {{"a\\a\\f", "a\\g"}, "[a]\n  [a]\n    f#0\n  g#1\n"}};
    for (const auto& [names, expected] : rows) {
        NamedData entries;
        for (const std::string& name : names) entries.emplace_back(name, "");
        Load(WriteBig(entries));
        EXPECT_EQ(Render(tree), expected);
    }
}

TEST_F(MainWindowTest, FolderImagesFollowTheFolderClicksShowTheFileInformationRightClicksTheMenu) {
    new QTreeWidgetItem(tree, QStringList{"stray"});
    EXPECT_FALSE(RightClick("stray"));  // no archive loaded yet
    EXPECT_EQ(tree->currentItem(), nullptr);
    Load(WriteBig());
    const auto shows = [&](const char* node, int image) {
        return Node(node)->icon(0).cacheKey() == window->il_BIGFileIcons.Icon(image).cacheKey();
    };
    EXPECT_TRUE(shows("Data", ImageList::FolderClosed) && shows("f1", ImageList::Document));
    tree->expandItem(Node("Data"));
    EXPECT_TRUE(shows("Data", ImageList::FolderOpen));
    const QLocale english(QLocale::English), before;
    const std::tuple<QLocale, const char*, QString> rows[] = {
        {english, "game.ini", "Name:\tgame.ini|Size:\t12,345 bytes"},
        {QLocale(QLocale::German), "game.ini", "Name:\tgame.ini|Size:\t12.345 bytes"},
        {english, "Data", ""}};
    for (const auto& [locale, node, expected] : rows) {
        QLocale::setDefault(locale);
        window->lst_Info->addItem("stale");
        EXPECT_FALSE(ClickNode(node));  // the left button never opens the menu
        QStringList shown;
        for (int i = 0; i < window->lst_Info->count(); ++i)
            shown << window->lst_Info->item(i)->text();
        EXPECT_EQ(shown.join('|'), expected) << node;
    }
    QLocale::setDefault(before);
    EXPECT_TRUE(RightClick("c.txt"));
    EXPECT_EQ(tree->currentItem(), Node("c.txt"));
    EXPECT_FALSE(RightClick("B"));  // a folder: selected, no menu
    EXPECT_EQ(tree->currentItem(), Node("B"));
    EXPECT_FALSE(RightClick("nowhere"));  // empty space
}

TEST_F(MainWindowTest, CancelledOrUnselectedCommandsAreSilentOthersReportOrFailCleanly) {
    const std::string path = WriteBig();
    Load(path);
    EXPECT_FALSE(window->Archive.Entries[1].Loaded);
    for (const char* node : {"", "Data", "c.txt"}) {  // no node, a folder, a file
        Select(node);
        for (const char* button : {"but_Extract", "but_Replace", "but_Save", "but_Load"}) {
            dialogs->fileAnswers.push_back(std::nullopt);
            Click(button);
        }
    }
    EXPECT_EQ(dialogs->fileDialogs.size(), 1u + 2 + 3 + 4);  // a folder extracts
    EXPECT_EQ(dialogs->fileDialogs.back().initialName, Text(path));
    dialogs->fileAnswers.clear();  // those of the dialogs that did not open
    Load(path, true);
    EXPECT_EQ(window->Archive.Entries[1].Data, "hello");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Log(), LogLine("Initialisation completed."));
    EXPECT_EQ(dir.List(), std::vector<std::string>{"a.big"});

    // Replace, save over the loaded file, extract and reload: the contents and the replaced mark.
    const std::string source = dir.File("new.txt");
    WriteBytes(source, "new contents");
    window->tv_BIGDirectory_NodeClick(Node("c.txt"));
    ClickWithFile("but_Replace", source, "c.txt");
    EXPECT_EQ(messages.back().text, "File replaced.");
    EXPECT_EQ(window->lst_Info->item(1)->text(), "Size:\t12 bytes");  // the new size
    EXPECT_EQ(Log(), LogLine("Initialisation completed.") +
                         LogLine("File c.txt contents replaced with " + Text(source) + "."));
    ClickWithFile("but_Save", path);
    EXPECT_EQ(messages.back().text, "File saved.");
    EXPECT_EQ(VTR_MAIN::NodeImage(Node("c.txt")), ImageList::ReplacedDocument);
    ClickWithFile("but_Extract", dir.File("out.ini"), "game.ini");
    EXPECT_EQ(messages.back().text, "File extracted.");
    EXPECT_EQ(dialogs->fileDialogs.back().initialName, "game.ini");
    Load(path, true);
    EXPECT_EQ(VTR_MAIN::NodeImage(Node("c.txt")), ImageList::Document);
    EXPECT_EQ(window->Archive.Entries[1].Data, "new contents");

    // Failures: button, file answer, message, log line where it differs. Each leaves the files,
    // the archive and its tree, and a usable window; Save's dialog still offers the archive.
    WriteBytes(dir.File("cut.big"), MakeBig(kEntries).substr(0, 30));
    WriteBytes(dir.File("lower.big"), MakeBig(kEntries, 9, "bigf"));
    const std::string missing = dir.File("missing.txt");
    const QString replace =
        "Unable to replace file. Reason - Entry 1 \"Data\\INI\\game.ini\" cannot be replaced: ";
    // "Add file..." on game.ini adds to Data\INI; a refused name (the last of two files, where
    // two are chosen) adds neither.
    const QString add = "Unable to add file. Reason - \"Data\\INI\\";
    const std::string longName(247, 'n');  // 256 bytes below "Data\INI\"
    const std::tuple<const char*, std::string, QString, QString> rows[] = {
        {"but_Load", dir.File("lower.big"),
         "The selected file was not a valid BIG archive. Please check the filename.",
         "Unable to open BIG file. Reason - File not in BIG format."},
        {"but_Load", dir.File("cut.big"),
         "Unable to open BIG file. Reason - \"" + Text(dir.File("cut.big")) +
             "\" lists 5 entries, but its 30 bytes can hold at most 1 directory records.",
         ""},
        {"but_Replace", missing, replace + "there is no file \"" + Text(missing) + "\".", ""},
        {"but_Replace", dir.path(),
         replace + "\"" + Text(dir.path()) + "\" is a folder, not a file.", ""},
        {"but_Addfile", dir.File("GAME.INI"),
         add + "GAME.INI\": the archive already has entry 1 \"Data\\INI\\game.ini\".", ""},
        {"but_Addfile", dir.File("new.ini") + "\n" + dir.File("名.ini"),
         add + "名.ini\": the character \"名\" is not in the code page of entry names.", ""},
        {"but_Addfile", dir.File(longName),
         add + Text(longName) + "\": the name has 256 bytes; a name holds at most 255.", ""},
        {"but_Addfile", dir.File("a:b.ini"),
         add + "a:b.ini\": the name holds a \":\" (a drive letter or a stream name).", ""},
        {"but_Addfile", dir.File("x\\y.ini"),
         add + "x\\y.ini\": the file name holds a \"\\\", which separates folders in entry names.",
         ""},
        {"but_Addfile", dir.File("p.ini") + "\n" + dir.File("P.ini"),
         add + "P.ini\": two of the files added would have that name.", ""}};
    const auto state = [&] {  // what a failed command leaves as it was
        const auto& core = window->Archive;
        return std::tuple(dir.List(), Render(tree), core.ArchivePath, core.EntryCount,
                          core.Entries.size(), window->HasChanges());
    };
    for (const auto& [button, answer, message, logged] : rows) {
        SCOPED_TRACE(answer);
        const auto kept = state();
        const QString log = Log();
        messages.clear();
        ClickWithFile(button, answer, "game.ini");
        EXPECT_TRUE(state() == kept) << "files, tree or archive changed";
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(Log(), log + LogLine(logged.isEmpty() ? message : logged));
        EXPECT_EQ(messages[0].title + ": " + messages[0].text, "Vantor: " + message);
        EXPECT_TRUE(window->isEnabled() && Find("but_Save")->isEnabled() && !window->IsBusy() &&
                    !window->OpenEditor() && !window->Archive.Entries[0].Modified);
        EXPECT_TRUE(
            std::ranges::none_of(window->findChildren<VTR_PROGRESS*>(), &QWidget::isVisible));
        dialogs->fileAnswers.push_back(std::nullopt);
        Click("but_Save");
        EXPECT_EQ(dialogs->fileDialogs.back().initialName, Text(path));
    }
    // An empty archive loads, and its progress bar is empty rather than busy.
    Load(WriteBig({}));
    EXPECT_EQ(tree->topLevelItemCount(), 0);
    EXPECT_GT(VTR_PROGRESS().BIGProgress->maximum(), 0);
}

TEST_F(MainWindowTest, WhileALoadRunsCommandsAndDropsAreRefusedAndClosingWaits) {
    const std::string path = WriteBig();
    Load(path);
    Select("c.txt");
    std::function<void()> atFirstYield = [&] {
        // The progress window is open, with the archive's entry count as its maximum.
        ASSERT_TRUE(OpenProgressBar());
        EXPECT_EQ(OpenProgressBar()->maximum(), int(kEntries.size()));
        for (const char* name :
             {"but_Load", "but_Save", "but_Extract", "but_Replace", "but_About"}) {
            dialogs->fileAnswers.push_back(std::nullopt);
            Click(name);
        }
        window->lst_Companions->item(1)->setCheckState(Qt::Unchecked);
        EXPECT_FALSE(RightClick("c.txt"));
        EXPECT_FALSE(Drop({QUrl::fromLocalFile(Text(path))}));
        window->close();
        EXPECT_TRUE(window->isVisible());
    };
    dialogs->onPump = [&] { std::exchange(atFirstYield, [] {})(); };
    Load(path);
    EXPECT_EQ(dialogs->fileDialogs.size(), 2u);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(window->lst_Companions->item(1)->checkState() == Qt::Checked &&
                window->Companions[1].Active);
    EXPECT_EQ(Log(), LogLine("Initialisation completed."));
    // The close waited for the load and then ran the exit.
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->Archive.Entries.empty());
}

TEST_F(MainWindowTest, TheBarMovesEntryByEntryAndInsideLargeEntriesWhileTheArchiveGoesOut) {
    // Three entries of 6 MiB read from the file in pieces; six entries of a few bytes held in
    // memory, which go out in one piece. Whether loaded whole, the fewest distinct values and
    // pumps the bar shows.
    const std::tuple<NamedData, bool, std::size_t, std::size_t> rows[] = {
        {{{"a\\one.bin", std::string(6 << 20, '1')},
          {"a\\two.bin", std::string(6 << 20, '2')},
          {"b\\three.bin", std::string(6 << 20, '3')}},
         false,
         3,
         6},
        {{{"1", "a"}, {"2", "b"}, {"3", "c"}, {"4", ""}, {"5", "e"}, {"6", "f"}}, true, 6, 6}};
    for (const auto& [entries, whole, values, pumps] : rows) {
        Load(WriteBig(entries), whole);
        std::vector<int> shown;
        dialogs->onPump = [&] {
            if (QProgressBar* bar = OpenProgressBar()) shown.push_back(bar->value());
        };
        ClickWithFile("but_Save", dir.File("copy.big"));
        dialogs->onPump = {};
        EXPECT_EQ(messages.back().text, "File saved.");
        EXPECT_EQ(ReadBytes(dir.File("copy.big")), MakeBig(entries));
        // The bar went up step by step, and the window repainted in between.
        EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
        EXPECT_GE(std::set<int>(shown.begin(), shown.end()).size(), values);
        EXPECT_GE(shown.size(), pumps);
    }
}

// Archives of either signature with more entries than 16 bits can count: a deep entry is found,
// shown and extracted; Save streams the entries it does not hold, over the loaded file (they
// then point into the new file) and under another name (they still point into the loaded one).
TEST_F(MainWindowTest, EitherSignatureAndAnyNumberOfEntriesLoadExtractSaveAndReload) {
    NamedData entries;
    for (int i = 0; i < 40000; ++i)
        entries.emplace_back(
            QString::asprintf("Set%03d\\Part%d\\item%05d.dat", i / 256, i / 64 % 4, i)
                .toStdString(),
            std::to_string(i) + std::string(std::size_t(i % 7), 'd'));
    const QString deep = "Set156\\Part0\\item39999.dat";
    for (const std::string signature : {"BIGF", "BIG4"}) {
        SCOPED_TRACE(signature);
        const std::string path = dir.File("many.big"), copy = dir.File("copy.big");
        WriteBytes(path, MakeBig(entries, 9, signature));
        Load(path, false);
        ASSERT_EQ(window->Archive.EntryCount, 40000);
        QTreeWidgetItem* node = NodeAt(deep);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(VTR_MAIN::NodeTag(node), "39999");
        EXPECT_EQ(tree->topLevelItemCount(), 157);
        window->tv_BIGDirectory_NodeClick(node);
        EXPECT_EQ(window->lst_Info->item(1)->text(), "Size:\t6 bytes");
        tree->setCurrentItem(node);
        ClickWithFile("but_Extract", dir.File("deep.dat"));
        EXPECT_EQ(ReadBytes(dir.File("deep.dat")), entries.back().second);
        // Each save follows a replacement near the top, which moves every later entry.
        NamedData expected = entries;
        for (const auto& [target, entry] : {std::pair(path, 0), std::pair(copy, 1)}) {
            expected[entry].second = std::string(std::size_t(1000 - 500 * entry), 'r');
            WriteBytes(dir.File("new.dat"), expected[entry].second);
            tree->setCurrentItem(NodeAt(QString::fromStdString(entries[entry].first)));
            ClickWithFile("but_Replace", dir.File("new.dat"));
            ClickWithFile("but_Save", target);
            ASSERT_EQ(messages.back().text, "File saved.");
            EXPECT_TRUE(ReadBytes(target) == MakeBig(expected, 9, signature));  // 2 MiB: no print
            EXPECT_FALSE(window->Archive.Entries[20000].Loaded);                // copied, not kept
        }
        // The entries not in memory are read from the file saved over the loaded one, where they
        // moved, and not from the copy, which may go.
        std::filesystem::remove(copy);
        tree->setCurrentItem(NodeAt("Set078\\Part0\\item20000.dat"));
        ClickWithFile("but_Extract", dir.File("middle.dat"));
        EXPECT_EQ(ReadBytes(dir.File("middle.dat")), entries[20000].second);
        EXPECT_EQ(window->Archive.ArchivePath, path);
        ClickWithFile("but_Save", copy);
        Load(copy, true);
        EXPECT_EQ(window->Archive.Signature(), signature);
        EXPECT_TRUE(window->Archive.ToBytes() == MakeBig(expected, 9, signature));
    }
}

// Names of the window and of the controls that Tab reaches, in the order it reaches them.
QString FocusChain(QWidget* window) {
    QStringList names{window->objectName() + ":"};
    for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && w->window() == window) names << w->objectName();
    return names.join(' ');
}

TEST_F(MainWindowTest, EditFileOpensTheEditorForTheContentsThenTheNameOrExplains) {
    EXPECT_EQ(FocusChain(window.get()),
              "VTR_MAIN: Command1 but_Load but_Save but_Replace but_Extract but_Addfile "
              "But_Delfile cb_Loadwhole but_About but_Exit tv_BIGDirectory lst_Info "
              "lst_Companions txt_EventLog");
    const std::map<std::string, QString> chains{
        {"VTR_CSFWND",
         "VTR_CSFWND: cmb_Flags lst_CSFEntries txt_Search but_Search but_AddEntry "
         "but_DeleteEntry but_Save Command1 but_Close txt_sValue but_SaveText"},
        {"VTR_TEXT", "VTR_TEXT: txt_TextWindow but_Font but_IE but_Close but_Save"}};
    const std::string csf = csftest::File({csftest::Label("A", u"A")});
    // Entry name, contents, CSF and text interpreters on, the window that opens ("": a message).
    const std::tuple<std::string, std::string, bool, bool, std::string> rows[] = {
        {"a.txt", csf, true, true, "VTR_CSFWND"}, {"a.txt", csf, false, true, "VTR_TEXT"},
        {"a.csf", csf, false, true, ""},          {"MAIN.WND", "W\r\n", true, true, "VTR_TEXT"},
        {"readme.txt", "text", true, false, ""},  {"logo.tga", "\x02", true, true, ""},
        {"short.bin", " FS", true, true, ""},     {"empty.ini", "", true, true, "VTR_TEXT"}};
    for (const auto& [name, data, csfOn, textOn, opens] : rows) {
        SCOPED_TRACE(name + (csfOn ? "" : ", CSF off") + (textOn ? "" : ", text off"));
        window->Companions[1].Active = csfOn;
        window->Companions[2].Active = textOn;
        if (window->HasChanges())  // the last row's hand-back is not saved
            dialogs->yesNoAnswers.push_back(platform::Answer::No);
        Load(WriteBig({{"first.bin", "1"}, {name, data}}));
        messages.clear();
        ASSERT_TRUE(RightClick(Text(name)));
        window->rmb_Editfile->trigger();
        QWidget* editor = window->OpenEditor();
        if (opens.empty()) {
            EXPECT_TRUE(editor == nullptr && window->isEnabled() && messages.size() == 1);
            EXPECT_TRUE(
                messages.at(0).text.startsWith("Either this file doesn't currently have "
                                               "interpreter support"));
            continue;
        }
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(FocusChain(editor), chains.at(opens));  // the class, then its tab order
        EXPECT_EQ(editor->font().families(), window->font().families());
        EXPECT_TRUE(editor->isVisible() && !window->isEnabled() && messages.empty());
        // The editor holds the entry: saved untouched, it hands back the same bytes for entry 1.
        editor->findChild<QPushButton*>("but_Save")->click();
        EXPECT_EQ(messages.back().text, opens == "VTR_CSFWND" ? "CSF file saved." : "File saved.");
        EXPECT_TRUE(window->Archive.Entries[1].Modified && window->Archive.Entries[1].Data == data);
        EXPECT_EQ(VTR_MAIN::NodeImage(Node(Text(name))), ImageList::ReplacedDocument);
        editor->close();
        QTRY_VERIFY(window->OpenEditor() == nullptr && window->isEnabled());
    }
    // Closing the main window closes an open editor too.
    window->rmb_Editfile_Click();
    ASSERT_NE(window->OpenEditor(), nullptr);
    dialogs->yesNoAnswers.push_back(platform::Answer::No);
    window->close();
    QTRY_VERIFY(window->OpenEditor() == nullptr);
    EXPECT_FALSE(window->isVisible() || !window->Archive.Entries.empty());
}

}  // namespace
}  // namespace mainwindowtest
