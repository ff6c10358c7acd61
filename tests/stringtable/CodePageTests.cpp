#include <gtest/gtest.h>

#include "platform/CodePage.h"

namespace {

TEST(CodePage, EveryByteRoundTrips) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte) {
        const char16_t ch = platform::ByteToChar(static_cast<unsigned char>(byte));
        EXPECT_EQ(platform::CharToByte(ch), byte) << byte;
        all.push_back(static_cast<char>(byte));
    }
    std::ptrdiff_t bad = 0;
    EXPECT_EQ(platform::TextToBytes(platform::BytesToText(all), bad), all);
    EXPECT_EQ(bad, -1);
}

TEST(CodePage, MapsBytesAsWindows1252) {
    const struct {
        unsigned char byte;
        char16_t ch;
    } rows[] = {{0x00, u'\0'},     {0x41, u'A'},      {0x7F, u'\x7F'},   {0x80, u'\u20AC'},
                {0x81, u'\u0081'}, {0x82, u'\u201A'}, {0x8A, u'\u0160'}, {0x8D, u'\u008D'},
                {0x8E, u'\u017D'}, {0x8F, u'\u008F'}, {0x90, u'\u0090'}, {0x93, u'\u201C'},
                {0x94, u'\u201D'}, {0x99, u'\u2122'}, {0x9D, u'\u009D'}, {0x9F, u'\u0178'},
                {0xA0, u'\u00A0'}, {0xDF, u'\u00DF'}, {0xFF, u'\u00FF'}};
    for (const auto& row : rows) EXPECT_EQ(platform::ByteToChar(row.byte), row.ch) << +row.byte;
}

TEST(CodePage, CharactersOutsideTheCodePageHaveNoByte) {
    for (char16_t ch : {u'\u0080', u'\u0093', u'\u0100', u'\u0141', u'\u4E2D', u'\uFFFF'}) {
        EXPECT_EQ(platform::CharToByte(ch), -1) << int(ch);
    }
    std::ptrdiff_t bad = -1;
    EXPECT_EQ(platform::TextToBytes(u"ab\u4E2Dc", bad), "ab");
    EXPECT_EQ(bad, 2);
}

}  // namespace
