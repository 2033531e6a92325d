#include "convert/audio/g711.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/audio/outside_tools.h"
#include "tests/support/test_support.h"

namespace {

std::vector<std::uint8_t> AllBytes() {
    std::vector<std::uint8_t> bytes(256);
    for (int i = 0; i < 256; ++i) bytes[i] = static_cast<std::uint8_t>(i);
    return bytes;
}

// The 16-bit samples the expander makes of every byte under a format tag.
std::vector<std::int16_t> ExpandAll(std::uint16_t tag) {
    WaveFormatRecord format;
    format.formatTag = tag;
    const auto bytes = AllBytes();
    CAuLawToLinearPCM expander(format, bytes);
    return outside::Samples16(expander.Expand(16));
}

}  // namespace

TEST(AuLawExpander, KnownCodesExpandToTheirValues) {
    EXPECT_EQ(g711::MuLawToLinear(0xFF), 0);
    EXPECT_EQ(g711::MuLawToLinear(0x00), -32124);
    EXPECT_EQ(g711::MuLawToLinear(0x80), 32124);
    EXPECT_EQ(g711::ALawToLinear(0xD5), 8);
    EXPECT_EQ(g711::ALawToLinear(0x55), -8);
    EXPECT_EQ(g711::ALawToLinear(0xAA), 32256);
}

TEST(AuLawExpander, EachLawIsOddAndMonotonicInItsHalves) {
    for (int i = 0; i < 128; ++i) {
        // The two halves mirror each other.
        EXPECT_EQ(g711::MuLawToLinear(static_cast<std::uint8_t>(i)),
                  -g711::MuLawToLinear(static_cast<std::uint8_t>(i | 0x80)));
        EXPECT_EQ(g711::ALawToLinear(static_cast<std::uint8_t>(i)),
                  -g711::ALawToLinear(static_cast<std::uint8_t>(i | 0x80)));
        // u-law magnitudes fall as the byte rises within a half.
        if (i > 0) {
            EXPECT_LT(g711::MuLawToLinear(static_cast<std::uint8_t>(0x80 | i)),
                      g711::MuLawToLinear(static_cast<std::uint8_t>(0x80 | (i - 1))));
        }
    }
}

TEST(AuLawExpander, SizesWidthsAndTheRecord) {
    WaveFormatRecord format;
    format.formatTag = g711::kMuLawTag;
    format.bitsPerSample = 8;
    const std::vector<std::uint8_t> coded = {0xFF, 0x00, 0x80, 0x7F, 0xF0};
    CAuLawToLinearPCM expander(format, coded.data(), coded.size());
    EXPECT_EQ(expander.OutputSize(8), 5u);
    EXPECT_EQ(expander.OutputSize(16), 10u);
    EXPECT_EQ(expander.OutputSize(12), 0u);

    const auto wide = expander.Expand(16);
    ASSERT_EQ(wide.size(), 10u);
    EXPECT_EQ(format.bitsPerSample, 16);
    const auto narrow = expander.Expand(8);
    ASSERT_EQ(narrow.size(), 5u);
    EXPECT_EQ(format.bitsPerSample, 8);
    // Each 8-bit byte is the 16-bit value's high byte moved to unsigned.
    const auto values = outside::Samples16(wide);
    for (std::size_t i = 0; i < coded.size(); ++i) EXPECT_EQ(narrow[i], (values[i] >> 8) + 128);

    EXPECT_TRUE(expander.Expand(24).empty());
    EXPECT_EQ(format.bitsPerSample, 8);
    format.formatTag = 1;
    EXPECT_TRUE(expander.Expand(16).empty());
}

// sox's own G.711 decoders give the same 16-bit value for all 256 bytes of
// each law.
TEST(AuLawExpander, EveryByteEqualsSoxDecoding) {
    SKIP_WITHOUT("sox");
    const std::string dir = testing_support::ScratchDir();
    outside::WriteBytes(dir + "/all.raw", AllBytes());
    const struct {
        const char* encoding;
        std::uint16_t tag;
    } laws[] = {{"mu-law", g711::kMuLawTag}, {"a-law", g711::kALawTag}};
    for (const auto& law : laws) {
        const std::string out = dir + "/" + law.encoding + ".s16";
        ASSERT_TRUE(outside::Run("sox -t raw -r 8000 -c 1 -b 8 -e " + std::string(law.encoding) +
                                 " " + dir + "/all.raw -t raw -e signed -b 16 -L " + out));
        EXPECT_EQ(outside::Samples16(outside::ReadBytes(out)), ExpandAll(law.tag)) << law.encoding;
    }
}
