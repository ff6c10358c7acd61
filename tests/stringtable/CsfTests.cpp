// The CSF engine: reading, writing, malformed and cut-off files.
#include <gtest/gtest.h>

#include <tuple>

#include "stringtable/VTR_CSF.h"
#include "tests/support/CsfBuilder.h"

using namespace csftest;

namespace {

// The labels up to the end mark as "name=value;" ("name;" without a string); label bytes are
// widened one to one.
std::u16string Labels() {
    std::u16string out;
    for (std::size_t i = 0; i < VTR_CSF::EndMark(); ++i) {
        const VTR_CSF::LabelRecord& record = VTR_CSF::StringTable()[i];
        out += std::u16string(record.Label.begin(), record.Label.end()) +
               (record.NoString ? u"" : u"=" + record.Value) + u";";
    }
    return out;
}

TEST(Csf, ThreeLabelsAreWrittenByteForByte) {
    VTR_CSF::ReadStringTable(
        File({Label("A:One", u"1"), Label("A:Two", u"two\nlines"), Label("Gone"),
              Label("A:Three", u""), Label("End"), Label("Beyond")}));
    auto& table = VTR_CSF::StringTable();
    table[2] = VTR_CSF::LabelRecord{};
    table[2].Label = VTR_CSF::kDeletedLabel;
    table.resize(4);
    const std::string expected = std::string(" FSC\3\0\0\0\3\0\0\0\3\0\0\0\0\0\0\0\0\0\0\0", 24) +
                                 std::string(" LBL\1\0\0\0\5\0\0\0A:One RTS\1\0\0\0\xCE\xFF", 27) +
                                 Label("A:Two", u"two\nlines") + Label("A:Three", u"");
    EXPECT_EQ(VTR_CSF::WriteStringTable(), expected);
    EXPECT_EQ(VTR_CSF::EncodeValue(u"a\rb\r\r\n"), Stored(u"a\nb\n\n"));
}

const std::string kLanguage("\x12\0\0\0\0\0\0\x07", 8);

// Well-formed files must come back byte for byte; malformed ones read what is there.
TEST(Csf, ReadsEveryLabelAndWritesWellFormedFilesBack) {
    std::vector<std::string> many;  // more than the table's first 4096 slots
    for (int i = 0; i < 10000; ++i) many.push_back(Label("L" + std::to_string(i), u"v"));
    const std::tuple<const char*, std::string, std::u16string, bool> rows[] = {
        {"lf values, string-less", File({Label("A", u"x\n"), Label("None"), Label("B", u"\n")}),
         u"A=x\r\n;None;B=\r\n;", true},
        {"rts, wrts, language",
         File({Label("W", u"w", "snd"), Label("R", u"r"), Label("M", u"", "")}, kLanguage),
         u"W=w;R=r;M=;", true},
        {"non-latin, c1, lbl inside",
         File({Label("K LBL", u"\uD55C\u0085\uB3DF\uB3BD"), Label("N")}),
         u"K LBL=\uD55C\u0085\uB3DF\uB3BD;N;", true},
        {"10,000 labels (all written back)", File(many), u"", true},
        {"stored line breaks, empty strings and names kept",
         File({Label("C", u"a\r\nb\rc"), Label("", u""), Label("E", u""), Label("")}),
         u"C=a\r\r\nb\rc;=;E=;;", true},
        {"garbage between", File({Label("A", u"a") + "junk", Label("B")}), u"A=a;B;", false},
        {"name length overflow",
         File({" LBL" + LittleEndian32(0) + std::string(4, '\xFF') + "x LBL"}), u"x LBL;", false},
        {"value past the end",
         File({Label("V", u"").substr(0, 17) + LittleEndian32(50) + Stored(u"ab") + "\x9E"}),
         u"V=ab\u0061;", false},
    };
    for (const auto& [name, file, labels, wellFormed] : rows) {
        SCOPED_TRACE(name);
        VTR_CSF::ReadStringTable(file);
        if (!labels.empty()) {
            EXPECT_EQ(Labels(), labels);
        }
        if (!wellFormed) continue;  // what a writer makes of it is for the fuzz target
        EXPECT_EQ(VTR_CSF::WriteStringTable(), file);
        // Magic, version and counts are not trusted; the language and unused fields are kept.
        const std::string header =
            "XXXX" + LittleEndian32(9) + LittleEndian32(999) + LittleEndian32(7);
        VTR_CSF::ReadStringTable(header + file.substr(16));
        EXPECT_EQ(VTR_CSF::WriteStringTable(), file);
    }
}

// Each prefix sits in a buffer of exactly its size, so a read past its end shows under ASan.
TEST(Csf, EveryTruncatedPrefixReadsAConsistentTable) {
    const std::string full =
        File({Label("First", u"line one\nline two"), Label("Bare"),
              Label("Voice", u"\uD55C\u0085", "snd_voice"), Label("Last", u"end")});
    VTR_CSF::ReadStringTable(full);
    const std::u16string complete = Labels();
    for (std::size_t size = 0; size <= full.size(); ++size) {
        const std::vector<char> prefix(full.data(), full.data() + size);
        ASSERT_NO_THROW(VTR_CSF::ReadStringTable(std::string_view(prefix.data(), size))) << size;
        // Every label but the last one read (which may be cut off) is whole.
        const std::u16string read = Labels();
        const std::size_t whole = read.size() < 2 ? 0 : read.rfind(u';', read.size() - 2) + 1;
        EXPECT_EQ(read.substr(0, whole), complete.substr(0, whole)) << size;
        ASSERT_NO_THROW(VTR_CSF::WriteStringTable()) << size;
    }
}

}  // namespace
