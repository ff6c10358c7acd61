// The text interpreter's name test, registration and byte <-> display mapping.
#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>

#include "platform/CodePage.h"
#include "platform/TempFolder.h"
#include "textinterp/VTR_TXTHTML.h"

using namespace std::string_literals;
using VTR_TXTHTML::LineBreak;

namespace {

std::string AllBytes() {
    std::string bytes;
    for (int value = 0; value < 256; ++value) bytes += static_cast<char>(value);
    return bytes;
}

std::string RoundTrip(const std::string& bytes) {
    std::ptrdiff_t badIndex = 0;
    const std::string back = VTR_TXTHTML::FromDisplayText(
        VTR_TXTHTML::ToDisplayText(bytes), VTR_TXTHTML::DetectLineBreak(bytes), badIndex);
    EXPECT_EQ(badIndex, -1);
    return back;
}

struct NameRow {
    const char* name;
    bool text;
};

TEST(IsTextFile, DecidesByTheLastThreeCharactersOnly) {
    const NameRow rows[] = {
        {"data\\INI\\game.INI", true},
        {"readme.Txt", true},
        {"help\\page.HTM", true},
        {"help\\page.html", true},
        {"window\\main.wnd", true},
        {"page.xhtml", true},
        {"notes_txt", true},
        {"ini", true},
        {"TML", true},
        {"page.ht", false},
        {"lang\\game.csf", false},
        {"audio.big", false},
        {"tx", false},
        {"t", false},
        {"", false},
        {"file.tx", false},
        {"txt.bak", false},
        {"in", false},
    };
    for (const NameRow& row : rows) {
        const std::string name = row.name;
        EXPECT_EQ(VTR_TXTHTML::IsTextFile(name), row.text) << '"' << row.name << '"';
        EXPECT_EQ(name, row.name);
    }
}

TEST(TextInitialise, RegistersAndPointsThePreviewIntoThePrivateFolder) {
    for (int call = 0; call < 2; ++call) {
        const VTR_STR::InterpreterInfo info = VTR_TXTHTML::TextInitialise();
        EXPECT_EQ(info.Name, "ASCII/HTML parser");
        EXPECT_EQ(info.Version, "v0.1b");
        EXPECT_EQ(info.FormatVersion, "");
        EXPECT_EQ(info.StatusMessage, "Initialisation completed.");
        EXPECT_EQ(info.HeaderBytes, "");
        EXPECT_TRUE(info.Active);
        EXPECT_EQ(VTR_TXTHTML::TempHtmlPath(), platform::PrivateTempFolder() + "/vttemp.html");
    }
}

TEST(TextData, StoresAndReturnsBytesUnchanged) {
    VTR_TXTHTML::ReadTextData(AllBytes());
    EXPECT_EQ(VTR_TXTHTML::TextFileData(), AllBytes());
    EXPECT_EQ(VTR_TXTHTML::WriteTextData(AllBytes()), AllBytes());
    EXPECT_EQ(VTR_TXTHTML::WriteTextData(""), "");
}

struct BytesRow {
    const char* label;
    std::string bytes;
};

void PrintTo(const BytesRow& row, std::ostream* out) { *out << row.label; }

class DisplayRoundTrip : public testing::TestWithParam<BytesRow> {};

TEST_P(DisplayRoundTrip, GivesBackTheSameBytes) {
    const std::string& bytes = GetParam().bytes;
    EXPECT_EQ(RoundTrip(bytes), bytes);
    // Nothing an editor rewrites or drops may reach it.
    const std::u16string display = VTR_TXTHTML::ToDisplayText(bytes);
    EXPECT_EQ(display.find(u'\r'), std::u16string::npos);
    EXPECT_EQ(display.find(u'\0'), std::u16string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, DisplayRoundTrip,
    testing::Values(BytesRow{"Empty", ""}, BytesRow{"CrLf", "[a]\r\nb=1\r\n\r\nend"},
                    BytesRow{"LoneCr", "one\rtwo\r"}, BytesRow{"LoneLf", "one\ntwo\n\n"},
                    BytesRow{"CrLfWithStrays", "a\r\nb\nc\rd\r\r\ne\n\r"},
                    BytesRow{"LfWithStrays", "a\nb\nc\r\nd\r"}, BytesRow{"Nul", "\0a\0\0b\0"s},
                    BytesRow{"AllBytes", AllBytes()},
                    BytesRow{"AllBytesTwiceCrLf", AllBytes() + "\r\n\r\n" + AllBytes()},
                    BytesRow{"OnlyBreakSymbols", "\r\n\r\r\n\n"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(DisplayRoundTrip, RandomByteStringsComeBackUnchanged) {
    std::mt19937 random(20260101);
    const std::string weighted = "\r\n\0\r\n\xA0\x81"s;
    std::uniform_int_distribution<int> length(0, 64), pick(0, 511);
    for (int round = 0; round < 5000; ++round) {
        std::string bytes;
        for (int n = length(random); n > 0; --n) {
            const int value = pick(random);
            bytes += value < 256 ? static_cast<char>(value) : weighted[value % weighted.size()];
        }
        ASSERT_EQ(RoundTrip(bytes), bytes) << "round " << round;
    }
}

struct ShownRow {
    const char* label;
    std::string bytes;
    std::u16string shown;
};

TEST(ToDisplayText, ShowsForeignBreaksAndNulAsSymbols) {
    const ShownRow rows[] = {
        {"crlf file", "a\r\nb", u"a\nb"},
        {"lone cr", "a\rb", u"a\u240Db"},
        {"lf in crlf file", "a\r\nb\nc\r\n", u"a\nb\u240Ac\n"},
        {"crlf in lf file", "a\nb\nc\r\n", u"a\nb\nc\u240D\n"},
        {"nul", "a\0b"s, u"a\u2400b"},
        {"code page", "\x80\x81\xA0\xFF", u"\u20AC\u0081\u00A0\u00FF"},
    };
    for (const ShownRow& row : rows)
        EXPECT_EQ(VTR_TXTHTML::ToDisplayText(row.bytes), row.shown) << row.label;
}

TEST(FromDisplayText, WritesTypedBreaksInTheConvention) {
    const std::u16string typed = u"a\u2029b\u2028c\nd\re\r\nf";
    std::ptrdiff_t badIndex = 0;
    EXPECT_EQ(VTR_TXTHTML::FromDisplayText(typed, LineBreak::CRLF, badIndex),
              "a\r\nb\r\nc\r\nd\r\ne\r\nf");
    EXPECT_EQ(badIndex, -1);
    EXPECT_EQ(VTR_TXTHTML::FromDisplayText(typed, LineBreak::LF, badIndex), "a\nb\nc\nd\ne\nf");
    EXPECT_EQ(badIndex, -1);
}

struct ForeignRow {
    const char* label;
    std::u16string text;
    std::ptrdiff_t index;
    std::size_t line;
    char32_t codePoint;
};

TEST(FromDisplayText, StopsAtTheFirstCharacterOutsideTheCodePage) {
    const ForeignRow rows[] = {
        {"chinese on line 3", u"ab\r\ncd\u2029\u4E2D\u6587", 7, 3, 0x4E2D},
        {"first character", u"\u0100", 0, 1, 0x100},
        {"surrogate pair", u"x\u2028y\nz\U0001F600", 5, 3, 0x1F600},
        {"undefined 1252 slot as latin-1", u"\u0080", 0, 1, 0x80},
    };
    for (const ForeignRow& row : rows) {
        std::ptrdiff_t badIndex = -1;
        const std::string bytes = VTR_TXTHTML::FromDisplayText(row.text, LineBreak::LF, badIndex);
        EXPECT_EQ(badIndex, row.index) << row.label;
        ASSERT_GE(badIndex, 0) << row.label;
        const auto index = static_cast<std::size_t>(badIndex);
        EXPECT_EQ(VTR_TXTHTML::LineOfIndex(row.text, index), row.line) << row.label;
        EXPECT_EQ(VTR_TXTHTML::CodePointAt(row.text, index), row.codePoint) << row.label;
    }
}

}  // namespace
