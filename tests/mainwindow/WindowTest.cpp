// The main window at start-up, About and Exit, the folder tree, the file information panel and
// the pop-up menu.
#include "tests/mainwindow/MainWindowFixture.h"

namespace mainwindowtest {
namespace {

using Window = MainWindowTest;

TEST_F(Window, StartsWithItsCaptionOneLogLineTickedCompanionsAndOnlySomeControlsEnabled) {
    EXPECT_EQ(window->windowTitle(), "Vantor 0.4 Beta");
    EXPECT_EQ(Log(), "BIG file format interpreter: Initialisation completed.\r\n\r\n");
    EXPECT_EQ(window->txt_EventLog->toPlainText(),
              "BIG file format interpreter: Initialisation completed.\n\n");
    EXPECT_TRUE(window->txt_EventLog->isReadOnly());
    const QStringList lines{"BIG file format interpreter v0.2b",
                            "CSF file format interpreter v0.1b", "ASCII/HTML parser v0.1b"};
    ASSERT_EQ(window->lst_Companions->count(), lines.size());
    for (int i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(window->lst_Companions->item(i)->text(), lines[i]);
        EXPECT_TRUE(window->lst_Companions->item(i)->checkState() == Qt::Checked &&
                    window->Companions[i].Active)
            << i;
    }
    const QStringList enabled{"but_Load", "but_About", "but_Exit"};
    for (const char* name : {"Command1", "but_Load", "but_Save", "but_Replace", "but_Extract",
                             "but_Addfile", "But_Delfile", "but_About", "but_Exit"})
        EXPECT_EQ(Find(name)->isEnabled(), enabled.contains(name)) << name;
    EXPECT_TRUE(window->cb_Loadwhole->isEnabled() && !window->cb_Loadwhole->isChecked());
    EXPECT_TRUE(window->rmb_Editfile->isEnabled() && !window->rmb_Deletefile->isEnabled());

    Click("but_About");
    EXPECT_EQ(messages.at(0).title, "About");
    EXPECT_EQ(messages.at(0).text,
              "Vantor 0.4 Beta\r\n\r\nCopyright " VANTOR_YEAR " " VANTOR_OWNER
              "\r\nWritten by " VANTOR_AUTHOR
              "\r\n\r\nEmail comments, bugs and suggestions to: \r\n" VANTOR_CONTACT);
    Click("but_Exit");
    EXPECT_FALSE(window->isVisible());
}

TEST_F(Window, TreeHasFoldersWithinTheirParentAndFilesInFirstMetOrder) {
    // Entry names and the tree: nesting, first-met order, duplicates, data/Data, a root file,
    // backslash oddities, an empty name ending the table, and segments joining only a folder of
    // the same text under the same parent (never another X, never a file node).
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"Data\\INI\\a", "Data\\INI\\b", "Data\\c"}, "[Data]\n  [INI]\n    a#0\n    b#1\n  c#2\n"},
        {{"z\\1", "a\\2", "z\\0"}, "[z]\n  1#0\n  0#2\n[a]\n  2#1\n"},
        {{"x\\same", "x\\same"}, "[x]\n  same#0\n  same#1\n"},
        {{"data\\x", "Data\\y"}, "[data]\n  x#0\n[Data]\n  y#1\n"},
        {{"readme.txt", "d\\e"}, "readme.txt#0\n[d]\n  e#1\n"},
        {{"\\a", "b\\\\c", "d\\"}, "[]\n  a#0\n[b]\n  []\n    c#1\n[d]\n  #2\n"},
        {{"a.txt", "", "b.txt"}, "a.txt#0\n"},
        {{"A\\X\\f1", "B\\X\\f2"}, "[A]\n  [X]\n    f1#0\n[B]\n  [X]\n    f2#1\n"},
        {{"x\\readme", "readme\\y"}, "[x]\n  readme#0\n[readme]\n  y#1\n"},
        {{"a\\a\\f", "a\\g"}, "[a]\n  [a]\n    f#0\n  g#1\n"}};
    for (const auto& [names, expected] : rows) {
        testsupport::NamedData entries;
        for (const std::string& name : names) entries.emplace_back(name, "");
        Load(WriteBig(entries));
        EXPECT_EQ(Render(tree), expected);
    }
}

TEST_F(Window, FolderImagesOpenWithTheFolderAndClicksShowTheFileInformation) {
    Load(WriteBig());
    const auto shows = [&](const char* node, int image) {
        return Node(node)->icon(0).cacheKey() == window->il_BIGFileIcons.Icon(image).cacheKey();
    };
    EXPECT_TRUE(shows("Data", ImageList::FolderClosed) && shows("f1", ImageList::Document));
    tree->expandItem(Node("Data"));
    EXPECT_TRUE(shows("Data", ImageList::FolderOpen));
    tree->collapseItem(Node("Data"));
    EXPECT_TRUE(shows("Data", ImageList::FolderClosed));
    const QLocale english(QLocale::English), before;
    const std::tuple<QLocale, const char*, QString> rows[] = {
        {english, "game.ini", "Name:\tgame.ini|Size:\t12,345 bytes"},
        {QLocale(QLocale::German), "game.ini", "Name:\tgame.ini|Size:\t12.345 bytes"},
        {english, "Data", ""}};
    for (const auto& [locale, node, expected] : rows) {
        QLocale::setDefault(locale);
        window->lst_Info->addItem("stale");
        ClickNode(node);
        QStringList shown;
        for (auto* line : window->lst_Info->findItems("*", Qt::MatchWildcard))
            shown << line->text();
        EXPECT_EQ(shown.join('|'), expected) << node;
        EXPECT_FALSE(window->tm_rmbMenu->isVisible());  // the left button never opens the menu
    }
    QLocale::setDefault(before);
}

TEST_F(Window, RightClickOpensTheMenuOnlyOverAFileNodeOfALoadedArchive) {
    new QTreeWidgetItem(tree, QStringList{"stray"});
    EXPECT_FALSE(RightClick("stray"));  // no archive loaded yet
    EXPECT_EQ(tree->currentItem(), nullptr);
    Load(WriteBig());
    EXPECT_TRUE(RightClick("c.txt"));
    EXPECT_EQ(tree->currentItem(), Node("c.txt"));
    EXPECT_FALSE(RightClick("B"));  // a folder: selected, no menu
    EXPECT_EQ(tree->currentItem(), Node("B"));
    EXPECT_FALSE(RightClick("nowhere"));  // empty space
}

}  // namespace
}  // namespace mainwindowtest
