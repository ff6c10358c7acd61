// The folder tree a mounted archive shows, without FUSE: which entries become which files and
// folders, which are left out with what warning, and where a file's bytes lie in the archive.
#include <gtest/gtest.h>

#include "archive/MountView.h"

namespace {

using VTR_CORE::ArchiveEntry;
using VTR_CORE::MountView;

std::vector<ArchiveEntry> Entries(const std::vector<std::string>& names) {
    std::vector<ArchiveEntry> entries;
    std::int32_t position = 1000;
    for (std::size_t i = 0; i < names.size(); ++i) {
        ArchiveEntry entry;
        entry.Name = names[i];
        entry.Position = position;
        entry.Size = static_cast<std::int32_t>(10 + i);
        position += entry.Size;
        entries.push_back(entry);
    }
    return entries;
}

// Every node as "path/" for a folder or "path=entry" for a file, walking children in order.
void Describe(const MountView& view, MountView::NodeId folder, const std::string& prefix,
              std::vector<std::string>& lines) {
    for (const MountView::NodeId node : view.Children(folder)) {
        const std::string path = prefix + std::string(view.Name(node));
        EXPECT_EQ(view.Parent(node), folder) << path;
        EXPECT_EQ(view.Find(folder, view.Name(node)), node) << path;
        if (view.IsFolder(node)) {
            lines.push_back(path + "/");
            Describe(view, node, path + "/", lines);
        } else {
            lines.push_back(path + "=" + std::to_string(view.EntryIndex(node) + 1));
        }
    }
}

struct ViewCase {
    std::string title;
    std::vector<std::string> names;
    std::vector<std::string> tree;      // as Describe writes it
    std::vector<std::string> warnings;  // a part of each warning, in order
};

class MountViewRules : public ::testing::TestWithParam<ViewCase> {};

TEST_P(MountViewRules, ShowsEachEntryOnceOrWarnsWhyNot) {
    const ViewCase& row = GetParam();
    std::vector<std::string> warnings;
    const MountView view(Entries(row.names), false, warnings);
    std::vector<std::string> tree;
    Describe(view, MountView::Root, "", tree);
    EXPECT_EQ(tree, row.tree);
    ASSERT_EQ(warnings.size(), row.warnings.size()) << ::testing::PrintToString(warnings);
    for (std::size_t i = 0; i < warnings.size(); ++i)
        EXPECT_NE(warnings[i].find(row.warnings[i]), std::string::npos) << warnings[i];
}

INSTANTIATE_TEST_SUITE_P(
    Names, MountViewRules,
    ::testing::Values(
        ViewCase{"FoldersFromNamesInDirectoryOrder",
                 {"Data\\INI\\b.ini", "top.txt", "Data\\a.ini", "Art\\x.tga", "Data\\INI\\c.ini"},
                 {"Data/", "Data/INI/", "Data/INI/b.ini=1", "Data/INI/c.ini=5", "Data/a.ini=3",
                  "top.txt=2", "Art/", "Art/x.tga=4"},
                 {}},
        ViewCase{"CodePageNamesBecomeUtf8",
                 {"Caf\xE9\\\x80.txt"},
                 {"Caf\xC3\xA9/", "Caf\xC3\xA9/\xE2\x82\xAC.txt=1"},
                 {}},
        ViewCase{"RefusedNamesLeftOut",
                 {"", "\\root.txt", "a\\..\\b", "c:\\d", "e/f", "ok.txt", "g\\\\h", "i\\.\\j"},
                 {"ok.txt=6"},
                 {"entry 1 \"\" is left out: the name is empty",
                  "entry 2 \"\\root.txt\" is left out", "entry 3 \"a\\..\\b\" is left out",
                  "entry 4 \"c:\\d\" is left out", "entry 5 \"e/f\" is left out",
                  "entry 7 \"g\\\\h\" is left out", "entry 8 \"i\\.\\j\" is left out"}},
        ViewCase{"CaseTwinsKeepTheFirstAtItsOwnSpelling",
                 {"Data\\Game.INI", "DATA\\game.ini", "data\\GAME.ini", "Data\\Game.INI",
                  "\xC9t\xE9.txt", "\xE9T\xC9.TXT"},
                 {"Data/", "Data/Game.INI=1", "\xC3\x89t\xC3\xA9.txt=5"},
                 {"entry 2 \"DATA\\game.ini\" differs from entry 1 \"Data\\Game.INI\" only in "
                  "letter case; only the first is shown.",
                  "entry 3 \"data\\GAME.ini\" differs from entry 1",
                  "entry 4 \"Data\\Game.INI\" has the same name as entry 1; only the first",
                  "entry 6 \"\xC3\xA9T\xC3\x89.TXT\" differs from entry 5"}},
        ViewCase{"FoldersOfDifferentCaseStayApartAsExtractWritesThem",
                 {"Data\\a.ini", "DATA\\b.ini"},
                 {"Data/", "Data/a.ini=1", "DATA/", "DATA/b.ini=2"},
                 {}},
        ViewCase{"FileFirstKeepsTheFile",
                 {"a", "a\\b", "x\\y", "x\\y\\z\\w"},
                 {"a=1", "x/", "x/y=3"},
                 {"entry 2 \"a\\b\" is left out: entry 1 \"a\" is a file",
                  "entry 4 \"x\\y\\z\\w\" is left out: entry 3 \"x\\y\" is a file"}},
        ViewCase{"FolderFirstKeepsTheFolder",
                 {"a\\b", "a", "x\\y\\z", "x\\y"},
                 {"a/", "a/b=1", "x/", "x/y/", "x/y/z=3"},
                 {"entry 2 \"a\" is left out: it is already a folder, made for entry 1 \"a\\b\"",
                  "entry 4 \"x\\y\" is left out: it is already a folder, made for entry 3"}}),
    [](const auto& info) { return info.param.title; });

TEST(MountView, CountsSubfoldersAndClipsReadsToTheFile) {
    std::vector<std::string> warnings;
    const MountView view(Entries({"d\\e\\f", "d\\g", "d\\h\\i", "top"}), false, warnings);
    const MountView::NodeId d = *view.Find(MountView::Root, "d");
    EXPECT_EQ(view.SubfolderCount(MountView::Root), 1u);
    EXPECT_EQ(view.SubfolderCount(d), 2u);
    EXPECT_FALSE(view.Find(d, "f").has_value());                // lives one level further down
    EXPECT_FALSE(view.Find(MountView::Root, "D").has_value());  // lookups are exact

    // "top" is entry 4: 13 bytes at 0-based offset 999 + 10 + 11 + 12.
    const MountView::NodeId top = *view.Find(MountView::Root, "top");
    EXPECT_EQ(view.Size(top), 13);
    struct Row {
        std::int64_t offset;
        std::size_t count;
        std::int64_t archiveOffset;
        std::size_t length;
    };
    for (const Row& row : {Row{0, 100, 1032, 13}, Row{5, 4, 1037, 4}, Row{12, 4, 1044, 1},
                           Row{13, 4, 1045, 0}, Row{400, 4, 1032, 0}, Row{-1, 4, 1032, 0}}) {
        const MountView::Span span = view.Locate(top, row.offset, row.count);
        EXPECT_EQ(span.length, row.length) << row.offset;
        if (row.length > 0) {
            EXPECT_EQ(span.archiveOffset, row.archiveOffset) << row.offset;
        }
    }
    EXPECT_EQ(view.Locate(d, 0, 10).length, 0u);
}

TEST(MountView, WindowsRulesRefuseWhatExtractRefusesThere) {
    std::vector<std::string> warnings;
    const MountView view(Entries({"CON.txt", "dot.", "fine.txt"}), true, warnings);
    EXPECT_EQ(view.Children(MountView::Root).size(), 1u);
    EXPECT_EQ(warnings.size(), 2u);
}

}  // namespace
