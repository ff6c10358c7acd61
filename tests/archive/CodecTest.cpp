#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "archive/GEN_COVERT.h"

namespace {

std::string Bytes(std::initializer_list<int> codes) {
    std::string bytes;
    for (int code : codes) bytes += static_cast<char>(code);
    return bytes;
}

struct CodecRow {
    const char* name;
    std::int32_t value;
    bool bigEndianImage;  // the image is most significant byte first
    std::string image;
};

class CodecValues : public ::testing::TestWithParam<CodecRow> {};

TEST_P(CodecValues, EncodeAndDecodeMatchTheImage) {
    const CodecRow& row = GetParam();
    EXPECT_EQ(GEN_COVERT::LongToBytes(row.value, row.bigEndianImage), row.image);
    EXPECT_EQ(GEN_COVERT::BytesToLong(row.image, !row.bigEndianImage), row.value);
    // Only the first four bytes count.
    EXPECT_EQ(GEN_COVERT::BytesToLong(row.image + "\xff\x7f", !row.bigEndianImage), row.value);
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, CodecValues,
    ::testing::Values(CodecRow{"SampleBig", 305419896, true, Bytes({0x12, 0x34, 0x56, 0x78})},
                      CodecRow{"SampleLittle", 305419896, false, Bytes({0x78, 0x56, 0x34, 0x12})},
                      CodecRow{"SampleReadBackwards", 2018915346, false,
                               Bytes({0x12, 0x34, 0x56, 0x78})},
                      CodecRow{"ZeroBig", 0, true, Bytes({0, 0, 0, 0})},
                      CodecRow{"ZeroLittle", 0, false, Bytes({0, 0, 0, 0})},
                      CodecRow{"LowByteFullBig", 255, true, Bytes({0, 0, 0, 0xff})},
                      CodecRow{"LowByteFullLittle", 255, false, Bytes({0xff, 0, 0, 0})},
                      CodecRow{"CarryInto256", 256, false, Bytes({0, 1, 0, 0})},
                      CodecRow{"HighBytesAbove7F", 16777215, true, Bytes({0, 0xff, 0xff, 0xff})},
                      CodecRow{"MaxBig", 2147483647, true, Bytes({0x7f, 0xff, 0xff, 0xff})},
                      CodecRow{"MaxLittle", 2147483647, false, Bytes({0xff, 0xff, 0xff, 0x7f})}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Codec, OutOfRangeInputsFailWithTheirKind) {
    struct Row {
        const char* name;
        std::string bytes;
        bool littleEndian;
        bool overflow;  // else invalid argument
    };
    const Row rows[] = {
        {"MostSignificantFirst80", Bytes({0x80, 0, 0, 0}), false, true},
        {"MostSignificantLast80", Bytes({0, 0, 0, 0x80}), true, true},
        {"AllOnes", Bytes({0xff, 0xff, 0xff, 0xff}), false, true},
        {"ThreeBytes", Bytes({1, 2, 3}), false, false},
        {"Empty", "", true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.overflow)
            EXPECT_THROW(GEN_COVERT::BytesToLong(row.bytes, row.littleEndian), std::overflow_error);
        else
            EXPECT_THROW(GEN_COVERT::BytesToLong(row.bytes, row.littleEndian),
                         std::invalid_argument);
    }
    for (std::int32_t negative : {-1, -2147483647 - 1}) {
        EXPECT_THROW(GEN_COVERT::LongToBytes(negative, true), std::invalid_argument);
        EXPECT_THROW(GEN_COVERT::LongToBytes(negative, false), std::invalid_argument);
    }
}

TEST(Codec, EveryByteRoundTripsInBothOrders) {
    for (int position = 0; position < 4; ++position)
        for (int byte = 0; byte < (position == 3 ? 0x80 : 0x100); ++byte) {
            const std::int32_t value = byte << (8 * position) | 0x00010203;
            EXPECT_EQ(GEN_COVERT::BytesToLong(GEN_COVERT::LongToBytes(value, true), false), value);
            EXPECT_EQ(GEN_COVERT::BytesToLong(GEN_COVERT::LongToBytes(value, false), true), value);
        }
}

}  // namespace
