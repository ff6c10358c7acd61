// Entry names to relative paths and back, and the patterns that choose entries.
#include <gtest/gtest.h>

#include "archive/BigArchive.h"
#include "archive/CaseFold.h"
#include "archive/EntryPath.h"
#include "archive/NamePattern.h"
#include "archive/VTR_STR.h"

namespace {

using EntryPath::NameToPath;
using EntryPath::PathToName;

TEST(EntryPath, SafeNamesMapToUtf8SegmentsThatGiveTheNameBack) {
    const std::string a200(200, 'a'), b54(54, 'b');
    const std::tuple<std::string, bool, std::vector<std::string>> rows[] = {
        {"Data\\a..b\\.hidden b.ini", false, {"Data", "a..b", ".hidden b.ini"}},
        {"Art\\\xC9t\xE9\x80.tga", false, {"Art", "\xC3\x89t\xC3\xA9\xE2\x82\xAC.tga"}},
        {"x\x81", false, {"x\xC2\x81"}},  // a byte Windows-1252 leaves undefined
        {"con.txt", false, {"con.txt"}},  // the Windows rules are off
        {"a\\b ", false, {"a", "b "}},
        {"COM0", true, {"COM0"}},
        {"console.txt", true, {"console.txt"}},
        {a200 + "\\" + b54, false, {a200, b54}},  // the longest name, 255 bytes
    };
    for (const auto& [name, windowsRules, segments] : rows) {
        const EntryPath::PathMapping mapping = NameToPath(name, windowsRules);
        EXPECT_EQ(mapping.problem, "") << name;
        EXPECT_EQ(mapping.segments, segments);
        EXPECT_EQ(PathToName(segments), name);
    }
}

TEST(EntryPath, NamesThatWouldLeaveTheFolderOrBreakOnWindowsAreRefusedWithTheReason) {
    const std::tuple<std::string, bool, std::string> rows[] = {
        {"", false, "the name is empty"},          {std::string("a\0b", 3), false, "zero byte"},
        {"a\\..\\..\\evil.txt", false, "\"..\""},  {"a\\.\\b", false, "\".\""},
        {"\\etc\\x", false, "begins with \"\\\""}, {"/etc/x", false, "begins with \"/\""},
        {"a/../b", false, "holds a \"/\""},        {"a\\b.txt:hidden", false, "\":\""},
        {"a\\\\b", false, "empty folder name"},    {"Data\\nul.ini", true, "device name"},
        {"Lpt9.log", true, "device name"},         {"COM\xB9", true, "device name"},
        {"a.\\b", true, "dot or a space"},         {"a\\b ", true, "dot or a space"},
        {"a?b", true, "does not allow"},           {"a\tb", true, "does not allow"},
    };
    for (const auto& [name, windowsRules, reason] : rows) {
        const EntryPath::PathMapping mapping = NameToPath(name, windowsRules);
        EXPECT_TRUE(mapping.segments.empty()) << name;
        EXPECT_NE(mapping.problem.find(reason), std::string::npos)
            << name << ": " << mapping.problem;
    }
}

TEST(EntryPath, EveryByteThatCanNameAFileComesBackFromItsPath) {
    for (bool windowsRules : {false, true})
        for (int byte = 1; byte < 256; ++byte) {
            const std::string name = std::string("f\\") + char(byte) + "x";
            const EntryPath::PathMapping mapping = NameToPath(name, windowsRules);
            EXPECT_TRUE(!mapping.Maps() || PathToName(mapping.segments) == name) << byte;
        }
}

TEST(EntryPath, PathsAnEntryNameCannotHoldAreRefusedWithTheReason) {
    const std::tuple<std::vector<std::string>, std::string, std::string> rows[] = {
        {{"dir", "\xC5\x8B.txt"}, "limit", "U+014B"},
        {{"\xF0\x9F\x98\x80"}, "limit", "U+1F600"},
        {{std::string(200, 'a'), std::string(55, 'b')}, "limit", "256 bytes"},
        {{"a\\b"}, "malformed", "\"\\\""},
        {{"\xE9t\xE9"}, "malformed", "UTF-8"},
        {{"\xC0\xAF"}, "malformed", "UTF-8"},  // an overlong "/"
    };
    for (const auto& [segments, kind, reason] : rows) {
        std::string thrown = "nothing";
        try {
            PathToName(segments);
        } catch (const VTR_STR::LimitExceeded& limit) {
            thrown = std::string("limit: ") + limit.what();
        } catch (const VTR_STR::MalformedData& malformed) {
            thrown = std::string("malformed: ") + malformed.what();
        }
        EXPECT_TRUE(thrown.starts_with(kind + ": ") && thrown.find(reason) != std::string::npos)
            << thrown;
    }
}

TEST(NamePattern, MatchesWithoutCaseWithEitherSeparatorAndWithWildcardsWhenAsked) {
    // pattern, name, wildcards, matches
    const std::tuple<std::string, std::string, bool, bool> rows[] = {
        {"\xC9T\xC9.txt", "\xE9t\xE9.TXT", true, true},
        {"a\\b", "a/b", true, false},
        {"Data", "Data\\INI\\a.ini", true, false},
        {"*.ini", "Data\\INI\\a.ini.bak", true, false},
        {"*", "", true, true},
        {"a*b*c", "aXbYbZc", true, true},
        {"a*b*c", "aXbYcZ", true, false},
        {"a?c", "abc", true, true},
        {"a?c", "ac", true, false},
        {"a*", "A*", false, true},
        {"a*", "ab", false, false},
    };
    for (const auto& [pattern, name, wildcards, matches] : rows)
        EXPECT_EQ(NamePattern::Matches(pattern, name, wildcards), matches)
            << pattern << " against " << name;
}

TEST(CaseFold, FoldsTheCodePagesLettersAndFindsTheFirstOfEachName) {
    EXPECT_EQ(CaseFold::FoldedName("A\xC0\xD7\xDE\x8A\x9FZ"), "a\xE0\xD7\xFE\x9A\xFFz");
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b) {
            const std::string x(1, char(a)), y(1, char(b));
            ASSERT_EQ(CaseFold::FoldedName(x) == CaseFold::FoldedName(y), CaseFold::SameName(x, y))
                << a << " " << b;
            if (CaseFold::SameName(x, y)) {
                ASSERT_EQ(CaseFold::FoldedHash(x), CaseFold::FoldedHash(y)) << a << " " << b;
            }
        }
    // More names than the table's first size, so that it grows and probes past collisions.
    std::vector<std::string> names;
    std::vector<std::size_t> expected;
    for (int i = 0; i < 40; ++i) {
        names.push_back("Data\\File" + std::to_string(i % 13) + (i % 2 ? ".INI" : ".ini"));
        expected.push_back(std::size_t(i < 13 ? i : i % 13));
    }
    EXPECT_EQ(CaseFold::FirstOfSameName(names.size(),
                                        [&](std::size_t i) { return std::string_view(names[i]); }),
              expected);
}

}  // namespace
