// The CSF engine: reading, writing, malformed and cut-off files.
#include <gtest/gtest.h>

#include "stringtable/VTR_CSF.h"
#include "tests/support/CsfBuilder.h"

using namespace csftest;

namespace {

// The labels as "name=value;" ("name;" without a string); label bytes are widened one to one.
std::u16string Labels(const VTR_CSF::CsfTable& table) {
    std::u16string out;
    for (const VTR_CSF::CsfLabel& label : table.Labels)
        out += std::u16string(label.Name.begin(), label.Name.end()) +
               (label.HasString ? u"=" + label.Value : u"") + u";";
    return out;
}

// What the editor writes of a table it has not changed.
std::string Untouched(const VTR_CSF::CsfTable& table) {
    return VTR_CSF::WriteStringTable(table, std::vector<VTR_CSF::LabelRecord>(table.Labels.size()));
}

// A well-formed file comes back byte for byte, whatever its header's magic, version and counts;
// malformed ones read what is there.
TEST(Csf, ReadsEveryLabelAndWritesWellFormedFilesBack) {
    const std::tuple<const char*, std::string, std::u16string, bool> rows[] = {
        {"non-latin and c1, lbl inside a name, lf, string-less, wrts, language",
         File({Label("K LBL", u"\uD55C\u0085x\n"), Label("N"), Label("M", u"", ""),
               Label("W", u"w", "snd")},
              std::string("\x12\0\0\0\0\0\0\x07", 8)),
         u"K LBL=\uD55C\u0085x\n;N;M=;W=w;", true},
        {"garbage between", File({Label("A", u"a") + "junk", Label("B")}), u"A=a;B;", false},
        {"name length overflow",
         File({" LBL" + LittleEndian32(0) + std::string(4, '\xFF') + "x LBL"}), u"x LBL;", false},
        {"value past the end",
         File({Label("V", u"").substr(0, 17) + LittleEndian32(50) + Stored(u"ab") + "\x9E"}),
         u"V=ab\u0061;", false},
    };
    for (const auto& [name, file, labels, wellFormed] : rows) {
        SCOPED_TRACE(name);
        const VTR_CSF::CsfTable table = VTR_CSF::ReadStringTable(file);
        EXPECT_EQ(Labels(table), labels);
        if (!wellFormed) continue;  // what a writer makes of it is for the fuzz target
        EXPECT_EQ(Untouched(table), file);
        EXPECT_EQ(
            Untouched(VTR_CSF::ReadStringTable("XXXX" + LittleEndian32(9) + LittleEndian32(999) +
                                               LittleEndian32(7) + file.substr(16))),
            file);
    }
}

// Each prefix sits in a buffer of exactly its size, so a read past its end shows under ASan.
TEST(Csf, EveryTruncatedPrefixReadsAConsistentTable) {
    const std::string full =
        File({Label("First", u"line one\nline two"), Label("Bare"),
              Label("Voice", u"\uD55C\u0085", "snd_voice"), Label("Last", u"end")});
    const std::u16string complete = Labels(VTR_CSF::ReadStringTable(full));
    for (std::size_t size = 0; size <= full.size(); ++size) {
        const std::vector<char> prefix(full.data(), full.data() + size);
        VTR_CSF::CsfTable table;
        ASSERT_NO_THROW(table = VTR_CSF::ReadStringTable(std::string_view(prefix.data(), size)))
            << size;
        // Every label but the last one read (which may be cut off) is whole.
        const std::u16string read = Labels(table);
        const std::size_t whole = read.size() < 2 ? 0 : read.rfind(u';', read.size() - 2) + 1;
        EXPECT_EQ(read.substr(0, whole), complete.substr(0, whole)) << size;
        ASSERT_NO_THROW(Untouched(table)) << size;
    }
}

}  // namespace
