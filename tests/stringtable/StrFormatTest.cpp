// The text source of string tables: tables through text and back, sources as read, and the
// lines that break the format.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "archive/VTR_STR.h"
#include "platform/CodePage.h"
#include "stringtable/StrFormat.h"

using VTR_CSF::CsfLabel;
using VTR_CSF::CsfTable;
using VTR_CSF::StrEncoding;

namespace {

CsfLabel Str(std::string name, std::u16string value, const char* extra = nullptr) {
    return {std::move(name), true, std::move(value), "RTS", extra != nullptr, extra ? extra : ""};
}
CsfLabel NoStr(std::string name) { return {std::move(name), false, u"", "RTS", false, ""}; }

// "name=value|extra;" per label, "name;" without a string; names and extras widened from the
// code page, so the expectation does not go through the code under test.
std::u16string Describe(const CsfTable& table) {
    std::u16string out;
    for (const CsfLabel& label : table.Labels)
        out += platform::BytesToText(label.Name) + (label.HasString ? u"=" + label.Value : u"") +
               (label.HasExtra ? u"|" + platform::BytesToText(label.Extra) : u"") + u";";
    return out;
}

TEST(StrFormat, TablesGoThroughTextAndBackUnchanged) {
    std::u16string all(0x10000, u'\0');
    std::iota(all.begin(), all.end(), u'\0');
    std::vector<CsfLabel> many;
    for (int i = 0; i < 40000; ++i)
        many.push_back(Str("Row:" + std::to_string(i), u"v\n" + std::u16string(i % 7, u'x')));
    // clang-format off
    const std::pair<const char*, CsfTable> rows[] = {
        {"every code unit", {{Str("All", all)}, 0}},
        {"unpaired surrogates", {{Str("S", u"\xD800"), Str("T", u"a\xDC00" u"b\xDBFF"),
                                  Str("U", u"\xDC00\xD800")}, 1}},
        {"quotes and backslashes", {{Str("Q", u"\"\\\"\\\\n\\u0041\\/\\ \\H\\"),
                                     Str("R", u"\\\n\\\\"), Str("\"Q\"", u"\"")}, 2}},
        {"empty, string-less, line breaks", {{Str("E", u""), NoStr("N"),
                                              Str("B", u"a\r\nb\rc\nd\r"), NoStr("x\\ny")}, 3}},
        {"extras", {{Str("W1", u"w", "snd_one"), Str("W2", u"", ""), Str("W3", u"x", " pad "),
                     Str("W4", u"y", "//c"), Str("W5", u"z", "End"), Str("W6", u"q", "\"\\"),
                     Str("W7", u"r", "\xE9\x81\t\n\x7F\\n"), Str("W8", u"s", "\\")}, 4}},
        {"code-page names and the language", {{Str("Gr\xFC\xDF\x81\x9F", u"\u00E9\u20AC\U0001F600"),
                                               Str("GR\xDC\xDF\x81\x9F", u"2")}, 0xFFFFFFFF}},
        {"plain runs of 7 to 17 units around escapes",
         {{Str("L1", u"abcdefg\"hijklmnop\\qrstuvwxyz01234\n\u00E9ABCDEFGH"),
           Str("L2", u"12345678\"12345678\"123456789\r", " eight + nine units "),
           Str("L3", u"\xD800" u"abcdefghijklmnopq", "abcdefghijklmnop ")}, 5}},
        {"40,000 labels", {many, 7}},
    };
    // clang-format on
    for (const auto& [name, original] : rows) {
        SCOPED_TRACE(name);
        const std::string csf = original.Write();
        CsfTable read;
        read.Read(csf);
        for (const bool lf : {false, true}) {
            const std::string text = VTR_CSF::WriteStr(read, "t.csf", lf);
            // Raw CR and LF only as the line ends asked for, and no byte order mark.
            std::ptrdiff_t pairs = 0;
            for (auto at = text.find("\r\n"); at != text.npos; at = text.find("\r\n", at + 2))
                ++pairs;
            const auto crs = std::ranges::count(text, '\r'), lfs = std::ranges::count(text, '\n');
            EXPECT_TRUE(lf ? crs == 0 : crs == pairs && lfs == pairs) << crs << ' ' << lfs;
            EXPECT_FALSE(text.starts_with("\xEF\xBB\xBF"));
            const VTR_CSF::StrDocument doc = VTR_CSF::ReadStr(text, "t.str", StrEncoding::Utf8);
            EXPECT_TRUE(doc.HasLanguage);
            ASSERT_EQ(doc.Table, read);
            EXPECT_EQ(doc.Table.Write(), csf);
        }
    }
}

TEST(StrFormat, WritesTheBlocksAsExpected) {
    const CsfTable table{{Str("A:B", u"Hi \"x\"\n\t\xD800"), NoStr("N"), Str("W", u"", "")}, 8};
    EXPECT_EQ(VTR_CSF::WriteStr(table, "t", true),
              "// language: 8\n\nA:B\n\"Hi \\\"x\\\"\\n\\u0009\\uD800\"\nEND\n\nN\nEND\n\n"
              "W\n\"\"\n\\\nEND\n");
}

struct SourceRow {
    std::string source;
    std::u16string labels;                   // kError when the read fails
    std::vector<const char*> messages = {};  // the warnings in order, or the error (a part of each)
    StrEncoding encoding = StrEncoding::Detect;
    long language = -1;  // -1: the source names none
};
const std::u16string kError = u"(error)";

TEST(StrFormat, ReadsSourcesAsWrittenAndMalformedOnesNameTheLine) {
    const auto utf8 = StrEncoding::Utf8;
    // clang-format off
    const SourceRow rows[] = {
        // Comments in blocks, END in any case, blanks around names; escapes and inner quotes.
        {"// top\r\nA:One\r\n  // in\r\n\"one\"\r\n\r\n // x\r\nEnd\r\n\r\n  A:Two \t\r\n"
         "\"two\"\r\nend\r\n", u"A:One=one;A:Two=two;"},
        {"K\n\"a\\/b\\H\\ c\\qd\\u12G\\\"\nEND\nQ\n\"say \"hi\" now\"\nEND\n",
         u"K=a\\/b\\H\\ c\\qd\\u12G\\;Q=say \"hi\" now;"},
        {"E\n  \"\\n\\r\\\"\\\\\\u0041\\u00e9\\uD800\"  \nEND", u"E=\n\r\"\\A\u00E9\xD800;"},
        // Warnings.
        {"// c\nEND\nS\n\"v\" trailing\nEND\n", u"S=v;", {"line 2: END without a label",
         "line 4: text after the closing double quote is ignored: trailing"}},
        {"D\n\"1\"\nEND\n\"q\"\nEND\nd\n\"2\"\nEND", u"D=1;\"q\";d=2;",
         {"line 4: the label name \"q\" starts with a double quote",
          "line 6: label \"d\" has the name of the label on line 1"}},
        // Encodings, lone CR line ends, extras, the language.
        {"Caf\xE9\r\n\"\x80 \xE9\x81\"\r\nEND", u"Caf\u00E9=\u20AC \u00E9\u0081;"},
        {"\xEF\xBB\xBFN\n\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"\nEND\n",
         u"N=\u00E9\u20AC\U0001F600;"},
        {"N\n\"\xC3\xA9\"\nEND", u"N=\u00C3\u00A9;", {}, StrEncoding::Windows1252},
        {"A\r\"\"\rEND\rN\rEND\r", u"A=;N;"},
        {"W\n\"w\"\nsnd_one\nEND\nX\n\"x\"\n \\ \nEND\nY\n\"y\"\n\\u0020p\\u00e9\\\\\nEND",
         u"W=w|snd_one;X=x|;Y=y| p\u00E9\\;"},
        {"// language: 12\n// language of the game\nA\nEND", u"A;", {}, StrEncoding::Detect, 12},
        // Malformed.
        {"A\n\"v\"\nEND\nB\n\n\"open\nEND", kError,
         {"line 6: the value has no closing double quote"}},
        {"A\nEND\n// c\nB\n\"b\"\n", kError,
         {"line 4: label \"B\" has no END before the end of the file"}},
        {"A\n\"a\"\n// c\n\"b\"\nEND", kError, {"line 4: a second value line for label \"A\""}},
        {"A\r\nvalue\r\nEND", kError, {"line 2: expected a value in double quotes or END"}},
        {"A\n\"a\"\nB\n\"b\"\nEND", kError,
         {"line 4: expected END after the extra value of label \"A\""}},
        {"A\n\"a\"\nsnd\nmore\nEND", kError, {"line 4: expected END after the extra value"}},
        {"A\r\n\"ok\"\r\nEND\r\nB\r\"\xE9\"\rEND", kError, {"line 5: not UTF-8 (byte 0xE9)"}, utf8},
        {"\xEF\xBB\xBF\nA\n\"\xC3\"\nEND", kError, {"line 3: not UTF-8 (byte 0xC3) although"}},
        {"A\n\"ok\"\nEND\n\xC5\x81\nEND", kError,
         {"line 4: the label name holds the character U+0141"}},
        {"A\n\"ok\"\n\\u0141\nEND", kError, {"line 3: the extra value holds the character U+0141"}},
        {"// language: 4294967296\nA\nEND", kError, {"line 1: the language must be a number"}},
    };
    // clang-format on
    for (const SourceRow& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.source));
        std::u16string labels = kError;
        std::vector<std::string> messages;
        try {
            const VTR_CSF::StrDocument doc = VTR_CSF::ReadStr(row.source, "f.str", row.encoding);
            labels = Describe(doc.Table);
            messages = doc.Warnings;
            EXPECT_EQ(doc.HasLanguage, row.language >= 0);
            EXPECT_EQ(doc.Table.Language, row.language >= 0 ? row.language : 0);
            // Text to table to text to table: the same table.
            const std::string text = VTR_CSF::WriteStr(doc.Table, "f.str");
            EXPECT_EQ(VTR_CSF::ReadStr(text, "again").Table, doc.Table) << text;
        } catch (const VTR_STR::MalformedData& error) {
            messages = {error.what()};
        }
        EXPECT_EQ(labels, row.labels);
        ASSERT_EQ(messages.size(), row.messages.size());
        for (std::size_t i = 0; i < messages.size(); ++i)
            EXPECT_NE(messages[i].find(std::string("f.str ") + row.messages[i]), std::string::npos)
                << messages[i];
    }
}

TEST(StrFormat, RefusesNamesTheTextCannotHold) {
    const std::pair<std::string, const char*> rows[] = {
        {"", "an empty name"},    {" lead", "blanks at an end"}, {"trail\t", "blanks at an end"},
        {"a\rb", "a line break"}, {"//x", "starts with //"},     {"eNd", "reads as END"},
    };
    for (const auto& [name, reason] : rows) {
        try {
            VTR_CSF::WriteStr({{Str("ok", u"1"), Str(name, u"2")}, 0}, "in.csf");
            ADD_FAILURE() << "written: " << name;
        } catch (const VTR_STR::LimitExceeded& error) {
            const std::string message = error.what();
            EXPECT_TRUE(message.starts_with("in.csf: label 2 ") &&
                        message.find(reason) != std::string::npos)
                << message;
        }
    }
}

}  // namespace
