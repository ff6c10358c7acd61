#include <gtest/gtest.h>

#include <memory>

#include "stringtable/VTR_CSF.h"
#include "tests/stringtable/CsfBuilder.h"

using namespace csftest;
using testsupport::LittleEndian32;

namespace {

struct Expected {
    std::string label;
    std::u16string value;
    bool noString;
};

struct MalformedRow {
    const char* name;
    std::string data;
    std::vector<Expected> labels;
};

class CsfMalformed : public ::testing::TestWithParam<MalformedRow> {
protected:
    void SetUp() override { VTR_CSF::CsfInitialise(); }
    void TearDown() override { VTR_CSF::ClearStringTable(); }
};

TEST_P(CsfMalformed, ReadsWhatIsThereWithoutFailing) {
    VTR_CSF::ReadStringTable(GetParam().data);
    const auto& expected = GetParam().labels;
    ASSERT_EQ(VTR_CSF::EndMark(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const VTR_CSF::LabelRecord& record = VTR_CSF::StringTable()[i];
        EXPECT_EQ(record.Label, expected[i].label) << i;
        EXPECT_EQ(record.Value, expected[i].value) << i;
        EXPECT_EQ(record.NoString, expected[i].noString) << i;
    }
    EXPECT_NO_THROW(VTR_CSF::WriteStringTable());
}

const std::string kOverflow("\xFF\xFF\xFF\xFF", 4);

INSTANTIATE_TEST_SUITE_P(
    Rows, CsfMalformed,
    ::testing::Values(
        MalformedRow{"header_only", Header(3, 2), {}},
        MalformedRow{"shorter_than_header", " FSC\3\0", {}},
        MalformedRow{"count_two_skips_its_string",
                     File({WithString("Two", u"x", " RTS").replace(4, 4, LittleEndian32(2)),
                           WithString("Next", u"n")}),
                     {{"Two", u"", true}, {"Next", u"n", false}}},
        MalformedRow{"garbage_between_records",
                     File({WithString("A", u"a") + "junk bytes", WithString("B", u"b")}),
                     {{"A", u"a", false}, {"B", u"b", false}}},
        MalformedRow{"first_record_late",
                     Header(1, 0) + "xyz" + WithString("Late", u"l"),
                     {{"Late", u"l", false}}},
        MalformedRow{"name_length_overflow",
                     Header(1, 0) + " LBL" + LittleEndian32(0) + kOverflow + "rest LBL",
                     {{"rest LBL", u"", true}}},
        MalformedRow{"value_length_overflow",
                     Header(1, 0) + Stringless("V", 1) + " RTS" + kOverflow + Stored(u"ab"),
                     {{"V", u"ab", false}}},
        MalformedRow{"value_past_the_end",
                     Header(1, 0) + Stringless("V", 1) + " RTS" + LittleEndian32(50) +
                         Stored(u"ab") + "\x9E",
                     {{"V", u"ab\u0061", false}}},
        MalformedRow{"nameless_record_skipped",
                     File({Stringless(""), WithString("B", u"b")}),
                     {{"B", u"b", false}}},
        MalformedRow{"count_one_without_marker",
                     Header(1, 0) + Stringless("Cut", 1) + " R",
                     {{"Cut", u"", true}}},
        MalformedRow{"sound_length_missing",
                     Header(1, 0) + WithString("S", u"s", "WRTS") + "\1",
                     {{"S", u"s", false}}}),
    [](const auto& info) { return std::string(info.param.name); });

// Every prefix of a valid file reads without failing and without reading past its end (the
// prefix sits in a buffer of exactly its size); what is read agrees with the full file.
TEST(CsfTruncation, EveryPrefixReadsAConsistentTable) {
    VTR_CSF::CsfInitialise();
    const std::string full =
        File({WithString("First", u"line one\nline two"), Stringless("Bare"),
              WithSound("Voice", u"\uD55C\u0085", "snd_voice"), WithString("Last", u"end")},
             std::string("\x09\0\0\0\0\0\0\0", 8));
    VTR_CSF::ReadStringTable(full);
    ASSERT_EQ(VTR_CSF::EndMark(), 4u);
    const std::vector<VTR_CSF::LabelRecord> complete(VTR_CSF::StringTable().begin(),
                                                     VTR_CSF::StringTable().begin() + 4);
    for (std::size_t size = 0; size <= full.size(); ++size) {
        const auto buffer = std::make_unique<char[]>(size + 1);
        std::copy(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size), buffer.get());
        ASSERT_NO_THROW(VTR_CSF::ReadStringTable(std::string_view(buffer.get(), size))) << size;
        const std::size_t read = VTR_CSF::EndMark();
        ASSERT_LE(read, complete.size()) << size;
        for (std::size_t i = 0; i + 1 < read; ++i) {
            EXPECT_EQ(VTR_CSF::StringTable()[i].Label, complete[i].Label) << size;
            EXPECT_EQ(VTR_CSF::StringTable()[i].Value, complete[i].Value) << size;
        }
        if (read > 0) {
            const VTR_CSF::LabelRecord& last = VTR_CSF::StringTable()[read - 1];
            EXPECT_EQ(complete[read - 1].Label.rfind(last.Label, 0), 0u) << size;
        }
        ASSERT_NO_THROW(VTR_CSF::WriteStringTable()) << size;
    }
    VTR_CSF::ClearStringTable();
}

}  // namespace
