// Diff and merge of string tables against results worked out by hand.
#include <gtest/gtest.h>

#include "stringtable/CsfCompare.h"

using VTR_CSF::CsfLabel;
using VTR_CSF::CsfTable;

namespace {

// A label per item: "name=value", "name=value|extra", or "name" without a string.
CsfTable Made(const std::vector<std::string>& items, std::uint32_t language = 0) {
    CsfTable table{{}, language};
    for (const std::string& item : items) {
        const std::size_t equals = item.find('='), bar = item.find('|');
        CsfLabel& label = table.Labels.emplace_back();
        label.Name = item.substr(0, equals);
        label.HasString = equals != std::string::npos;
        if (label.HasString)
            for (const unsigned char byte : item.substr(equals + 1, bar - equals - 1))
                label.Value.push_back(byte);
        label.HasExtra = bar != std::string::npos;
        if (label.HasExtra) label.Extra = item.substr(bar + 1);
    }
    return table;
}

TEST(CsfCompare, DiffListsRemovedAddedAndChangedLabels) {
    using Items = std::vector<std::string>;
    // clang-format off
    const std::tuple<Items, Items, Items> rows[] = {
        {{"A:x=1", "b", "C=\xC4"}, {"a:X=1", "B", "c=\xC4"}, {}},  // letter case aside
        {{"Gone=old", "Keep=k", "Edit=before", "Quote=a\"b\\n"},
         {"Keep=k", "Edit=after", "New=\n", "Quote=a\"b\\n"},
         {"- Gone = \"old\"", "+ New = \"\\n\"", "~ Edit = \"before\" -> \"after\""}},
        {{"N", "E=", "W=v|snd", "X=v|a"}, {"N=", "E", "W=v", "X=v|b"},
         {"~ N = (no string) -> \"\"", "~ E = \"\" -> (no string)",
          "~ W = \"v\" extra \"snd\" -> \"v\"", "~ X = \"v\" extra \"a\" -> \"v\" extra \"b\""}},
        {{"D=1", "D=2", "D=3"}, {"d=1", "D=two"},  // duplicates pair in order
         {"- D = \"3\"", "~ D = \"2\" -> \"two\""}},
    };
    // clang-format on
    for (const auto& [oldItems, newItems, expected] : rows) {
        const CsfTable oldTable = Made(oldItems), newTable = Made(newItems);
        Items lines;
        for (const auto& change : VTR_CSF::Diff(oldTable, newTable))
            lines.push_back(VTR_CSF::DiffLine(change, oldTable, newTable));
        EXPECT_EQ(lines, expected);
    }
}

TEST(CsfCompare, MergeKeepsSourceOrderAndTranslatedStrings) {
    const CsfTable source = Made({"Menu:Open=Open", "Menu:New=New", "Dup=first", "Dup=second",
                                  "Bare", "Voice=Hello|hello_en"});
    const CsfTable translation = Made(
        {"voice=Hallo|hallo_de", "Menu:Open=\326ffnen", "DUP=erste", "Old=alt", "Bare=nackt"}, 3);
    const VTR_CSF::MergeResult merged = VTR_CSF::Merge(source, translation);
    EXPECT_EQ(merged.Table, Made({"Menu:Open=\326ffnen", "Menu:New=New", "Dup=erste", "Dup=second",
                                  "Bare=nackt", "Voice=Hallo|hallo_de"},
                                 3));
    EXPECT_EQ(merged.CarriedOver, 4u);
    EXPECT_EQ(merged.Untranslated, (std::vector<std::size_t>{1, 3}));
    EXPECT_EQ(merged.Dropped, (std::vector<std::size_t>{3}));
}

}  // namespace
