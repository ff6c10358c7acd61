// Entry names to relative paths and back, and the patterns that choose entries.
#include <gtest/gtest.h>

#include "archive/BigArchive.h"
#include "archive/EntryPath.h"
#include "archive/NamePattern.h"
#include "archive/VTR_STR.h"

namespace {

using EntryPath::NameToPath;
using EntryPath::PathToName;

struct MappingRow {
    const char* label;
    std::string name;
    bool windowsRules;
    std::vector<std::string> segments;  // empty: refused
    std::string problemPart;            // part of the reason when refused
};

class NameToPathTest : public ::testing::TestWithParam<MappingRow> {};

TEST_P(NameToPathTest, MapsSafeNamesAndSaysWhyOthersAreRefused) {
    const MappingRow& row = GetParam();
    const EntryPath::PathMapping mapping = NameToPath(row.name, row.windowsRules);
    EXPECT_EQ(mapping.segments, row.segments);
    if (row.segments.empty()) {
        EXPECT_FALSE(mapping.Maps());
        EXPECT_NE(mapping.problem.find(row.problemPart), std::string::npos) << mapping.problem;
    } else {
        EXPECT_TRUE(mapping.Maps()) << mapping.problem;
        EXPECT_EQ(PathToName(mapping.segments), row.name);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameToPathTest,
    ::testing::Values(
        MappingRow{"Nested", "Data\\INI\\a b.ini", false, {"Data", "INI", "a b.ini"}, ""},
        MappingRow{"Cp1252Letters",
                   "Art\\\xC9t\xE9\x80.tga",
                   false,
                   {"Art", "\xC3\x89t\xC3\xA9\xE2\x82\xAC.tga"},
                   ""},
        MappingRow{"UndefinedByte", "x\x81", false, {"x\xC2\x81"}, ""},
        MappingRow{"DotsInside", "a..b\\.hidden", false, {"a..b", ".hidden"}, ""},
        MappingRow{"Empty", "", false, {}, "empty"},
        MappingRow{"ZeroByte", std::string("a\0b", 3), false, {}, "zero byte"},
        MappingRow{"ParentFirst", "..\\evil.txt", false, {}, "\"..\""},
        MappingRow{"ParentInside", "a\\..\\..\\evil.txt", false, {}, "\"..\""},
        MappingRow{"ParentLast", "a\\..", false, {}, "\"..\""},
        MappingRow{"Dot", "a\\.\\b", false, {}, "\".\""},
        MappingRow{"LeadingBackslash", "\\etc\\x", false, {}, "begins with"},
        MappingRow{"LeadingSlash", "/etc/x", false, {}, "begins with"},
        MappingRow{"SlashInside", "a/../b", false, {}, "\"/\""},
        MappingRow{"DriveLetter", "C:\\x.txt", false, {}, "\":\""},
        MappingRow{"DriveRelative", "c:x.txt", false, {}, "\":\""},
        MappingRow{"Stream", "a\\b.txt:hidden", false, {}, "\":\""},
        MappingRow{"DoubleBackslash", "a\\\\b", false, {}, "empty folder name"},
        MappingRow{"TrailingBackslash", "a\\", false, {}, "empty folder name"},
        MappingRow{"DeviceOnPosix", "con.txt", false, {"con.txt"}, ""},
        MappingRow{"Device", "CON", true, {}, "device name"},
        MappingRow{"DeviceWithExtension", "Data\\nul.ini", true, {}, "device name"},
        MappingRow{"DeviceAnyCase", "Lpt9.log", true, {}, "device name"},
        MappingRow{"DeviceSuperscript", "COM\xB9", true, {}, "device name"},
        MappingRow{"NotADeviceCom0", "COM0", true, {"COM0"}, ""},
        MappingRow{"NotADeviceLonger", "console.txt", true, {"console.txt"}, ""},
        MappingRow{"TrailingDot", "a.\\b", true, {}, "dot or a space"},
        MappingRow{"TrailingSpace", "a\\b ", true, {}, "dot or a space"},
        MappingRow{"TrailingSpaceOnPosix", "a\\b ", false, {"a", "b "}, ""},
        MappingRow{"Wildcard", "a?b", true, {}, "does not allow"},
        MappingRow{"ControlCharacter", "a\tb", true, {}, "does not allow"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(EntryPath, EveryByteThatCanNameAFileComesBackFromItsPath) {
    for (bool windowsRules : {false, true}) {
        for (int byte = 1; byte < 256; ++byte) {
            const std::string name = std::string("f\\") + char(byte) + "x";
            const EntryPath::PathMapping mapping = NameToPath(name, windowsRules);
            if (!mapping.Maps()) continue;
            ASSERT_EQ(mapping.segments.size(), 2u) << byte;
            EXPECT_EQ(PathToName(mapping.segments), name) << byte;
        }
    }
}

struct ReverseRow {
    const char* label;
    std::vector<std::string> segments;
    bool limit;  // LimitExceeded, else MalformedData
    std::string messagePart;
};

class PathToNameTest : public ::testing::TestWithParam<ReverseRow> {};

TEST_P(PathToNameTest, RefusesWhatAnEntryNameCannotHold) {
    const ReverseRow& row = GetParam();
    try {
        PathToName(row.segments);
        ADD_FAILURE() << "no error";
    } catch (const VTR_STR::LimitExceeded& error) {
        EXPECT_TRUE(row.limit) << error.what();
        EXPECT_NE(std::string(error.what()).find(row.messagePart), std::string::npos)
            << error.what();
    } catch (const VTR_STR::MalformedData& error) {
        EXPECT_FALSE(row.limit) << error.what();
        EXPECT_NE(std::string(error.what()).find(row.messagePart), std::string::npos)
            << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PathToNameTest,
    ::testing::Values(
        ReverseRow{"CharacterOutsideCodePage", {"dir", "\xC5\x8B.txt"}, true, "U+014B"},
        ReverseRow{"CharacterOutsideBmp", {"\xF0\x9F\x98\x80"}, true, "U+1F600"},
        ReverseRow{"TooLong", {std::string(200, 'a'), std::string(55, 'b')}, true, "256 bytes"},
        ReverseRow{"Backslash", {"a\\b"}, false, "\"\\\""},
        ReverseRow{"NotUtf8", {"\xE9t\xE9"}, false, "UTF-8"},
        ReverseRow{"Overlong", {"\xC0\xAF"}, false, "UTF-8"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(EntryPath, LongestNameFits) {
    const std::vector<std::string> segments{std::string(200, 'a'), std::string(54, 'b')};
    EXPECT_EQ(PathToName(segments).size(), VTR_CORE::MaxNameLength);
}

struct PatternRow {
    std::string pattern;
    std::string name;
    bool matches;
};

class PatternTest : public ::testing::TestWithParam<PatternRow> {};

TEST_P(PatternTest, MatchesWithoutCaseAndWithEitherSeparator) {
    const PatternRow& row = GetParam();
    EXPECT_EQ(NamePattern::Matches(row.pattern, row.name), row.matches)
        << row.pattern << " against " << row.name;
}

INSTANTIATE_TEST_SUITE_P(Patterns, PatternTest,
                         ::testing::Values(PatternRow{"Data\\INI\\a.ini", "data\\ini\\A.INI", true},
                                           PatternRow{"data/ini/a.ini", "Data\\INI\\a.ini", true},
                                           PatternRow{"\xC9T\xC9.txt", "\xE9t\xE9.TXT", true},
                                           PatternRow{"*.ini", "Data\\INI\\a.ini", true},
                                           PatternRow{"*.ini", "Data\\INI\\a.ini.bak", false},
                                           PatternRow{"data/*/a.*", "Data\\INI\\a.ini", true},
                                           PatternRow{"a?c", "abc", true},
                                           PatternRow{"a?c", "ac", false},
                                           PatternRow{"*", "", true},
                                           PatternRow{"a*b*c", "aXbYbZc", true},
                                           PatternRow{"a*b*c", "aXbYcZ", false},
                                           PatternRow{"Data", "Data\\INI\\a.ini", false},
                                           PatternRow{"a\\b", "a/b", false}));

TEST(NamePattern, WildcardsCanBePlainBytes) {
    EXPECT_TRUE(NamePattern::Matches("a*", "A*", false));
    EXPECT_FALSE(NamePattern::Matches("a*", "ab", false));
    EXPECT_TRUE(NamePattern::Matches("a*", "ab", true));
}

TEST(NamePattern, FoldedNamesAgreeWithSameNameForEveryPairOfBytes) {
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b) {
            const std::string x(1, char(a)), y(1, char(b));
            ASSERT_EQ(NamePattern::FoldedName(x) == NamePattern::FoldedName(y),
                      VTR_CORE::SameName(x, y))
                << a << " " << b;
        }
}

}  // namespace
