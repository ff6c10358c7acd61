// Diff and merge of string tables, on small tables written and read by the project's CSF writer
// and reader, against results worked out by hand.
#include <gtest/gtest.h>

#include "stringtable/CsfCompare.h"

using VTR_CSF::ChangeKind;
using VTR_CSF::CsfLabel;
using VTR_CSF::CsfTable;
using VTR_CSF::NoLabel;

namespace {

// A label per item: "name=value", "name=value|extra", or "name" without a string.
CsfTable Made(const std::vector<std::string>& items, std::uint32_t language = 0) {
    CsfTable table;
    table.Language = language;
    for (const std::string& item : items) {
        CsfLabel label;
        const std::size_t equals = item.find('='), bar = item.find('|');
        label.Name = item.substr(0, equals);
        label.HasString = equals != std::string::npos;
        if (label.HasString) {
            const std::string value = item.substr(equals + 1, bar - equals - 1);
            for (const unsigned char byte : value) label.Value.push_back(byte);
        }
        label.HasExtra = bar != std::string::npos;
        if (label.HasExtra) label.Extra = item.substr(bar + 1);
        table.Labels.push_back(label);
    }
    CsfTable read;
    read.Read(table.Write());
    return read;
}

std::vector<std::string> DiffLines(const CsfTable& oldTable, const CsfTable& newTable) {
    std::vector<std::string> lines;
    for (const auto& change : VTR_CSF::Diff(oldTable, newTable))
        lines.push_back(VTR_CSF::DiffLine(change, oldTable, newTable));
    return lines;
}

TEST(CsfCompare, DiffListsRemovedAddedAndChangedLabels) {
    using Lines = std::vector<std::string>;
    const std::tuple<const char*, CsfTable, CsfTable, Lines> rows[] = {
        {"equal, letter case aside",
         Made({"A:x=1", "b", "C=\xC4"}),
         Made({"a:X=1", "B", "c=\xC4"}),
         {}},
        {"removed, added, changed",
         Made({"Gone=old", "Keep=k", "Edit=before", "Quote=a\"b\\n"}),
         Made({"Keep=k", "Edit=after", "New=\n", "Quote=a\"b\\n"}),
         {"- Gone = \"old\"", "+ New = \"\\n\"", "~ Edit = \"before\" -> \"after\""}},
        {"string-less against empty, extras",
         Made({"N", "E=", "W=v|snd", "X=v|a"}),
         Made({"N=", "E", "W=v", "X=v|b"}),
         {"~ N = (no string) -> \"\"", "~ E = \"\" -> (no string)",
          "~ W = \"v\" extra \"snd\" -> \"v\"", "~ X = \"v\" extra \"a\" -> \"v\" extra \"b\""}},
        {"duplicates pair in order",
         Made({"D=1", "D=2", "D=3"}),
         Made({"d=1", "D=two"}),
         {"- D = \"3\"", "~ D = \"2\" -> \"two\""}},
    };
    for (const auto& [name, oldTable, newTable, expected] : rows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(DiffLines(oldTable, newTable), expected);
    }
}

TEST(CsfCompare, MergeKeepsSourceOrderAndTranslatedStrings) {
    const CsfTable source = Made({"Menu:Open=Open", "Menu:New=New", "Dup=first", "Dup=second",
                                  "Bare", "Voice=Hello|hello_en"},
                                 0);
    const CsfTable translation = Made({"voice=Hallo|hallo_de",
                                       "Menu:Open=\xD6"
                                       "ffnen",
                                       "DUP=erste", "Old=alt", "Bare=nackt"},
                                      3);
    const VTR_CSF::MergeResult merged = VTR_CSF::Merge(source, translation);
    const CsfTable expected =
        Made({"Menu:Open=\xD6"
              "ffnen",
              "Menu:New=New", "Dup=erste", "Dup=second", "Bare=nackt", "Voice=Hallo|hallo_de"},
             3);
    EXPECT_EQ(merged.Table, expected);
    EXPECT_EQ(merged.CarriedOver, 4u);
    EXPECT_EQ(merged.Untranslated, (std::vector<std::size_t>{1, 3}));
    EXPECT_EQ(merged.Dropped, (std::vector<std::size_t>{3}));
    // The pairing itself, both ways.
    EXPECT_EQ(VTR_CSF::PairLabels(translation, source),
              (std::vector<std::size_t>{1, NoLabel, 2, NoLabel, 4, 0}));
    EXPECT_EQ(VTR_CSF::FirstOfName(source), (std::vector<std::size_t>{0, 1, 2, 2, 4, 5}));
    EXPECT_EQ(VTR_CSF::FoldedName("A\xC0\xD7\xDE\x8A\x9FZ"), "a\xE0\xD7\xFE\x9A\xFFz");
}

}  // namespace
