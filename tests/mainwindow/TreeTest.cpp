// The folder tree in the window: nodes, images, the file information panel, the pop-up menu.
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>

#include "archive/VTR_CORE.h"
#include "mainwindow/Icons.h"
#include "tests/mainwindow/MainWindowFixture.h"

namespace mainwindowtest {
namespace {

using Tree = MainWindowTest;

const testsupport::NamedData kEntries{{"Data\\INI\\game.ini", std::string(12345, 'x')},
                                      {"Data\\c.txt", "hello"},
                                      {"A\\X\\f1", "1"},
                                      {"B\\X\\f2", "2"},
                                      {"readme.txt", ""}};

QString Lines(const QListWidget& list) {
    QStringList lines;
    for (int i = 0; i < list.count(); ++i) lines << list.item(i)->text();
    return lines.join('|');
}

TEST_F(Tree, WindowShowsTheBuiltNodesWithTheirImages) {
    Load(WriteBig(kEntries));
    EXPECT_EQ(Render(*window->tv_BIGDirectory),
              "[Data]\n  [INI]\n    game.ini#0\n  c.txt#1\n[A]\n  [X]\n    f1#2\n[B]\n  [X]\n"
              "    f2#3\nreadme.txt#4\n");
    QTreeWidgetItem* folder = Node("Data");
    QTreeWidgetItem* file = Node("Data/c.txt");
    const ImageList& images = window->il_BIGFileIcons;
    EXPECT_EQ(VTR_MAIN::NodeImage(folder), ImageList::FolderClosed);
    EXPECT_EQ(VTR_MAIN::NodeExpandedImage(folder), ImageList::FolderOpen);
    EXPECT_EQ(VTR_MAIN::NodeImage(file), ImageList::Document);
    EXPECT_EQ(VTR_MAIN::NodeExpandedImage(file), 0);
    EXPECT_EQ(folder->icon(0).cacheKey(), images.Icon(ImageList::FolderClosed).cacheKey());
    window->tv_BIGDirectory->expandItem(folder);
    EXPECT_EQ(folder->icon(0).cacheKey(), images.Icon(ImageList::FolderOpen).cacheKey());
    window->tv_BIGDirectory->collapseItem(folder);
    EXPECT_EQ(folder->icon(0).cacheKey(), images.Icon(ImageList::FolderClosed).cacheKey());
    EXPECT_EQ(file->icon(0).cacheKey(), images.Icon(ImageList::Document).cacheKey());
}

TEST_F(Tree, ImagesAreDistinctAndMaskedSilver) {
    const ImageList& images = window->il_BIGFileIcons;
    for (int i = 1; i <= ImageList::Count; ++i) {
        const QImage image = images.Pixmap(i).toImage();
        EXPECT_EQ(image.size(), QSize(16, 16));
        EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0) << i;  // the corner is background
        for (int j = 1; j < i; ++j) EXPECT_NE(image, images.Pixmap(j).toImage()) << i << j;
    }
}

struct InfoCase {
    const char* name;
    QLocale locale;
    const char* path;
    QString expected;
};

TEST_F(Tree, ClickingANodeFillsOrEmptiesTheFileInformation) {
    Load(WriteBig(kEntries));
    const std::vector<InfoCase> rows{
        {"English", QLocale(QLocale::English, QLocale::UnitedStates), "Data/INI/game.ini",
         "Name:\tgame.ini|Size:\t12,345 bytes"},
        {"German", QLocale(QLocale::German, QLocale::Germany), "Data/INI/game.ini",
         "Name:\tgame.ini|Size:\t12.345 bytes"},
        {"Empty", QLocale(QLocale::English, QLocale::UnitedStates), "readme.txt",
         "Name:\treadme.txt|Size:\t0 bytes"},
        {"Folder", QLocale(QLocale::English, QLocale::UnitedStates), "Data", ""}};
    const QLocale before;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QLocale::setDefault(row.locale);
        window->lst_Info->addItem("stale");
        QTreeWidgetItem* node = Node(row.path);
        ASSERT_NE(node, nullptr);
        for (QTreeWidgetItem* up = node->parent(); up; up = up->parent()) up->setExpanded(true);
        QTest::mouseClick(window->tv_BIGDirectory->viewport(), Qt::LeftButton, {},
                          window->tv_BIGDirectory->visualItemRect(node).center());
        EXPECT_EQ(Lines(*window->lst_Info), row.expected);
    }
    QLocale::setDefault(before);
}

TEST_F(Tree, RightClickOpensTheMenuOnlyOverAFileNodeOfALoadedArchive) {
    auto menuShown = [&] {
        const bool shown = window->tm_rmbMenu->isVisible();
        window->tm_rmbMenu->hide();
        return shown;
    };
    // Before any load nothing happens, even where a node stands.
    new QTreeWidgetItem(window->tv_BIGDirectory, QStringList{"stray"});
    RightClick("stray");
    EXPECT_FALSE(menuShown());
    EXPECT_EQ(window->tv_BIGDirectory->currentItem(), nullptr);

    Load(WriteBig(kEntries));
    RightClick("Data/c.txt");
    EXPECT_TRUE(menuShown());
    EXPECT_EQ(window->tv_BIGDirectory->currentItem(), Node("Data/c.txt"));

    RightClick("B");  // a folder node: selected, no menu
    EXPECT_FALSE(menuShown());
    EXPECT_EQ(window->tv_BIGDirectory->currentItem(), Node("B"));

    const QRect last = window->tv_BIGDirectory->visualItemRect(Node("readme.txt"));
    QTest::mouseClick(window->tv_BIGDirectory->viewport(), Qt::RightButton, {},
                      QPoint(last.center().x(), last.bottom() + 40));  // empty space
    EXPECT_FALSE(menuShown());

    window->tv_BIGDirectory_MouseDown(1, 0, last.center().x(), last.center().y());
    EXPECT_FALSE(menuShown());  // the left button never opens it
}

}  // namespace
}  // namespace mainwindowtest
