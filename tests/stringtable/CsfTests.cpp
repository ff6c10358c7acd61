#include <gtest/gtest.h>

#include "stringtable/VTR_CSF.h"
#include "tests/stringtable/CsfBuilder.h"

using namespace csftest;
using testsupport::LittleEndian32;

namespace {

class CsfTest : public ::testing::Test {
protected:
    void SetUp() override {
        VTR_CSF::CsfInitialise();
        VTR_CSF::ClearStringTable();
    }
    void TearDown() override { VTR_CSF::ClearStringTable(); }
};

VTR_CSF::LabelRecord Live(const std::string& label, const std::u16string& value) {
    VTR_CSF::LabelRecord record;
    record.Label = label;
    record.Value = value;
    record.StringTag = "RTS";
    record.InUse = true;
    return record;
}

TEST_F(CsfTest, InitialiseGivesTheRegistrationAndConstants) {
    const VTR_STR::InterpreterInfo info = VTR_CSF::CsfInitialise();
    EXPECT_EQ(info.Name, "CSF file format interpreter");
    EXPECT_EQ(info.Version, "v0.1b");
    EXPECT_EQ(info.FormatVersion, "v4");
    EXPECT_EQ(info.StatusMessage, "Initialisation completed.");
    EXPECT_EQ(info.HeaderBytes, std::string("\x03\0\0\0", 4));
    EXPECT_TRUE(info.Active);
    EXPECT_EQ(VTR_CSF::CsfMagic(), "\x20\x46\x53\x43");
    ASSERT_EQ(VTR_CSF::SectionTypes().size(), 8u);
    EXPECT_EQ(VTR_CSF::SectionTypes()[0].Code, "LBL");
    EXPECT_EQ(VTR_CSF::SectionTypes()[0].Description, "Label");
    EXPECT_TRUE(VTR_CSF::SectionTypes()[1].Code.empty());
}

TEST_F(CsfTest, IsCsfDataTestsTheMagic) {
    const struct {
        std::string data;
        bool csf;
    } rows[] = {{"", false},    {" FS", false},       {"FSC ", false}, {"XFSC", false},
                {" FSC", true}, {Header(0, 0), true}, {" fsc", false}};
    for (const auto& row : rows) EXPECT_EQ(VTR_CSF::IsCsfData(row.data), row.csf) << row.data;
}

struct ValueRow {
    const char* name;
    std::u16string text;    // as the table holds it
    std::u16string stored;  // code units in the file, before inversion
    bool encodes;           // text encodes to stored
    bool decodes;           // stored decodes to text
};

class ValueCodec : public ::testing::TestWithParam<ValueRow> {};

TEST_P(ValueCodec, ConvertsBetweenTextAndStoredBytes) {
    const ValueRow& row = GetParam();
    if (row.encodes) {
        EXPECT_EQ(VTR_CSF::EncodeValue(row.text), Stored(row.stored));
    }
    if (row.decodes) {
        EXPECT_EQ(VTR_CSF::DecodeValue(Stored(row.stored)), row.text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ValueCodec,
    ::testing::Values(ValueRow{"latin", u"Hello \u00DF\u00FF", u"Hello \u00DF\u00FF", true, true},
                      ValueRow{"lf", u"a\r\nb", u"a\nb", true, true},
                      ValueRow{"cr_lf_stored", u"a\r\r\nb", u"a\r\nb", false, true},
                      ValueRow{"cr_cr_lf", u"a\r\r\nb", u"a\n\nb", true, false},
                      ValueRow{"lone_cr", u"a\rb\r", u"a\nb\n", true, false},
                      ValueRow{"korean", u"\uD55C\uAD6D\uC5B4", u"\uD55C\uAD6D\uC5B4", true, true},
                      ValueRow{"c1", u"\u0085\u0093x\u0094", u"\u0085\u0093x\u0094", true, true},
                      ValueRow{"l_stroke", u"\u0141", u"\u0141", true, true},
                      ValueRow{"nul", std::u16string(2, u'\0'), std::u16string(2, u'\0'), true,
                               true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ValueBytes, InvertsEachByteOfTheUnit) {
    EXPECT_EQ(VTR_CSF::EncodeValue(u"A\u00DF\u0141"), std::string("\xBE\xFF\x20\xFF\xBE\xFE", 6));
    EXPECT_EQ(VTR_CSF::DecodeValue(std::string("\xBE\xFF\x20", 3)), u"A\u00DF");
}

TEST_F(CsfTest, ThreeLabelsAreWrittenByteForByte) {
    auto& table = VTR_CSF::StringTable();
    table[0] = Live("A:One", u"1");
    table[1] = Live("A:Two", u"two\r\nlines");
    table[2] = Live("A:Three", u"");
    const std::string expected = std::string(" FSC\3\0\0\0\3\0\0\0\2\0\0\0\0\0\0\0\0\0\0\0", 24) +
                                 std::string(" LBL\1\0\0\0\5\0\0\0A:One RTS\1\0\0\0\xCE\xFF", 27) +
                                 " LBL" + LittleEndian32(1) + LittleEndian32(5) + "A:Two RTS" +
                                 LittleEndian32(9) + Stored(u"two\nlines") + " LBL" +
                                 LittleEndian32(1) + LittleEndian32(7) + "A:Three RTS" +
                                 LittleEndian32(0);
    EXPECT_EQ(VTR_CSF::WriteStringTable(), expected);
}

TEST_F(CsfTest, WriterSkipsDeletedAndStopsAtTheEndMark) {
    auto& table = VTR_CSF::StringTable();
    table[0] = Live("Kept", u"k");
    table[1].Label = VTR_CSF::kDeletedLabel;
    table[2] = Live("After", u"a");
    table[2].NoString = true;
    table[4] = Live("Beyond", u"b");
    EXPECT_EQ(VTR_CSF::WriteStringTable(), File({WithString("Kept", u"k"), Stringless("After")}));
}

TEST_F(CsfTest, EmptyTableIsWrittenWithZeroCounts) {
    EXPECT_EQ(VTR_CSF::WriteStringTable(), Header(0, 0));
}

struct RoundTripRow {
    const char* name;
    std::vector<std::string> records;
    std::string tail;
};

class CsfRoundTrip : public CsfTest, public ::testing::WithParamInterface<RoundTripRow> {};

TEST_P(CsfRoundTrip, ReadThenWriteIsByteIdentical) {
    const std::string file = File(GetParam().records, GetParam().tail);
    VTR_CSF::ReadStringTable(file);
    EXPECT_EQ(VTR_CSF::EndMark(), GetParam().records.size());
    EXPECT_EQ(VTR_CSF::WriteStringTable(), file);
}

const std::string kZeros(8, '\0');

INSTANTIATE_TEST_SUITE_P(
    Rows, CsfRoundTrip,
    ::testing::Values(
        RoundTripRow{"lf_values", {WithString("A", u"x\ny\n"), WithString("B", u"\n")}, kZeros},
        RoundTripRow{"rts_and_wrts",
                     {WithSound("Voice", u"Hi", "snd_hi"), WithString("Plain", u"p"),
                      WithSound("Mute", u"", "")},
                     kZeros},
        RoundTripRow{"stringless", {Stringless("None"), WithString("Some", u"s")}, kZeros},
        RoundTripRow{"non_latin",
                     {WithString("KO", u"\uD55C\uAD6D\uC5B4"), WithString("RU", u"\u041F\u0440"),
                      WithString("AR", u"\u0645\u0631"), WithString("ZH", u"\u4E2D\u6587")},
                     kZeros},
        RoundTripRow{"c1_controls", {WithString("C1", u"\u0085a\u0093b\u0094")}, kZeros},
        RoundTripRow{"marker_bytes_inside",
                     {WithString("Has LBL inside", u"\uB3DF\uB3BD"), WithString("Next", u"n")},
                     kZeros},
        RoundTripRow{
            "language_kept", {WithString("L", u"l")}, std::string("\x09\0\0\0\x2A\0\0\x01", 8)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CsfTest, ReadFillsTheRecordFields) {
    VTR_CSF::ReadStringTable(File({WithSound("Voice", u"a\nb", "snd"), Stringless("Bare", 2),
                                   WithString("Odd", u"v", "XABC")}));
    const auto& table = VTR_CSF::StringTable();
    EXPECT_EQ(table[0].Label, "Voice");
    EXPECT_EQ(table[0].Value, u"a\r\nb");
    EXPECT_EQ(table[0].StringTag, "RTS");
    EXPECT_TRUE(table[0].HasExtraValue);
    EXPECT_EQ(table[0].ExtraValue, "snd");
    EXPECT_TRUE(table[0].InUse);
    EXPECT_FALSE(table[0].NoString);
    EXPECT_TRUE(table[1].NoString);
    EXPECT_TRUE(table[1].Value.empty());
    EXPECT_TRUE(table[1].StringTag.empty());
    EXPECT_EQ(table[2].StringTag, "ABC");
    EXPECT_FALSE(table[2].HasExtraValue);
    EXPECT_TRUE(table[3].Label.empty());
    EXPECT_FALSE(table[3].InUse);
}

TEST_F(CsfTest, HeaderIsIgnoredOnReadAndRebuiltOnWrite) {
    const std::string body = WithString("One", u"1") + Stringless("Two");
    const std::string tail("\x12\0\0\0\0\0\0\0", 8);
    const std::string headers[] = {Header(2, 1, tail), Header(0, 0, tail, 9),
                                   Header(999, 7, tail, 0), "XXXX" + Header(5, 5, tail).substr(4)};
    const std::string expected = Header(2, 1, tail) + body;
    for (const std::string& header : headers) {
        VTR_CSF::ReadStringTable(header + body);
        EXPECT_EQ(VTR_CSF::StringTable()[0].Value, u"1");
        EXPECT_EQ(VTR_CSF::StringTable()[1].Label, "Two");
        EXPECT_EQ(VTR_CSF::WriteStringTable(), expected);
    }
    VTR_CSF::ClearStringTable();
    EXPECT_EQ(VTR_CSF::WriteStringTable(), Header(0, 0));
}

TEST_F(CsfTest, TenThousandLabelsAreAllKept) {
    std::vector<std::string> records;
    for (int i = 0; i < 10000; ++i) {
        const std::string name = "GUI:Label" + std::to_string(i);
        records.push_back(i % 7 == 0 ? Stringless(name) : WithString(name, u"Value"));
    }
    const std::string file = File(records);
    VTR_CSF::ReadStringTable(file);
    ASSERT_EQ(VTR_CSF::EndMark(), 10000u);
    EXPECT_EQ(VTR_CSF::StringTable()[9999].Label, "GUI:Label9999");
    EXPECT_EQ(VTR_CSF::WriteStringTable(), file);
    VTR_CSF::ClearStringTable();
    EXPECT_EQ(VTR_CSF::StringTable().size(), VTR_CSF::kInitialSlots);
}

}  // namespace
