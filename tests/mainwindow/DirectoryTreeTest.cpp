// The folder tree built from entry names, without a window.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "mainwindow/DirectoryTree.h"
#include "tests/mainwindow/MainWindowFixture.h"

namespace {

struct TreeCase {
    const char* name;
    std::vector<std::string> entryNames;
    std::string expected;
};

void PrintTo(const TreeCase& row, std::ostream* out) { *out << row.name; }

class BuildTreeNodes : public testing::TestWithParam<TreeCase> {};

TEST_P(BuildTreeNodes, GivesTheFoldersAndFilesInFirstMetOrder) {
    const auto nodes = DirectoryTree::BuildTreeNodes(GetParam().entryNames);
    EXPECT_EQ(mainwindowtest::Render(nodes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, BuildTreeNodes,
    testing::Values(
        TreeCase{"Nesting",
                 {"Data\\INI\\a.ini", "Data\\INI\\b.ini", "Data\\c.txt"},
                 "[Data]\n  [INI]\n    a.ini#0\n    b.ini#1\n  c.txt#2\n"},
        TreeCase{
            "FirstMetOrderNotSorted", {"z\\1", "a\\2", "z\\0"}, "[z]\n  1#0\n  0#2\n[a]\n  2#1\n"},
        TreeCase{"Duplicates", {"x\\same.txt", "x\\same.txt"}, "[x]\n  same.txt#0\n  same.txt#1\n"},
        TreeCase{"CaseMatters",
                 {"data\\x.txt", "Data\\y.txt"},
                 "[data]\n  x.txt#0\n[Data]\n  y.txt#1\n"},
        TreeCase{"RootFile", {"readme.txt", "d\\e.txt"}, "readme.txt#0\n[d]\n  e.txt#1\n"},
        TreeCase{"LeadingBackslash", {"\\a.txt"}, "[]\n  a.txt#0\n"},
        TreeCase{"DoubledBackslash", {"a\\\\b.txt"}, "[a]\n  []\n    b.txt#0\n"},
        TreeCase{"TrailingBackslash", {"dir\\"}, "[dir]\n  #0\n"},
        TreeCase{"EmptyNameEndsTheTable", {"a.txt", "", "b.txt"}, "a.txt#0\n"},
        TreeCase{"SameSegmentUnderOtherParent",
                 {"A\\X\\f1", "B\\X\\f2"},
                 "[A]\n  [X]\n    f1#0\n[B]\n  [X]\n    f2#1\n"},
        TreeCase{"FileNodeGetsNoChildren",
                 {"x\\readme", "readme\\y.txt"},
                 "[x]\n  readme#0\n[readme]\n  y.txt#1\n"},
        TreeCase{"SameTextDeeper", {"a\\a\\f", "a\\g"}, "[a]\n  [a]\n    f#0\n  g#1\n"}),
    [](const testing::TestParamInfo<TreeCase>& info) { return std::string(info.param.name); });

TEST(BuildTreeNodesOrder, ParentsComeBeforeTheirChildrenAndTagsAreDecimal) {
    std::vector<std::string> names;
    for (int i = 0; i < 4096; ++i)
        names.push_back("f" + std::to_string(i % 7) + "\\" + std::to_string(i));
    const auto nodes = DirectoryTree::BuildTreeNodes(names);
    ASSERT_EQ(nodes.size(), 4096u + 7u);
    int files = 0;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        EXPECT_LT(nodes[i].Parent, static_cast<int>(i));
        if (nodes[i].Kind != DirectoryTree::NodeKind::File) continue;
        EXPECT_EQ(nodes[i].Tag, std::to_string(files));
        EXPECT_EQ(nodes[nodes[i].Parent].Text, "f" + std::to_string(files % 7));
        ++files;
    }
}

}  // namespace
