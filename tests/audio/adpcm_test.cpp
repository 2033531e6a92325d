#include "convert/audio/adpcm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

std::vector<std::int16_t> Sine(int count, double amplitude) {
    std::vector<std::int16_t> s(count);
    for (int i = 0; i < count; ++i)
        s[i] = static_cast<std::int16_t>(amplitude * std::sin(i * 0.3));
    return s;
}

}  // namespace

TEST(AdpcmEncoders, EveryCodecWritesExactlyTheSizeItReturns) {
    // Each output is encoded twice, into zeros and into ones: bytes the
    // encoder wrote agree, bytes it left alone keep their fill.
    constexpr int kSizes[][2] = {{adpcm::kYamaha, 2},  {adpcm::kOki, 2}, {adpcm::kG721, 2},
                                 {adpcm::kG726_16, 4}, {adpcm::kIma, 2}, {adpcm::kLg, 2}};
    const auto s = Sine(4096, 20000);
    for (const auto& [codec, perByte] : kSizes) {
        for (int count = 0; count <= 4096; count += (count < 64 ? 1 : 37)) {
            std::vector<std::uint8_t> zeros(count + 8, 0x00), ones(count + 8, 0xFF);
            int n = adpcm::Encode(codec, s.data(), count, zeros.data());
            ASSERT_EQ(adpcm::Encode(codec, s.data(), count, ones.data()), n);
            ASSERT_EQ(n, (codec == adpcm::kLg ? 4 : 0) + count / perByte) << codec << " " << count;
            ASSERT_EQ(adpcm::EncodedSize(codec, count), n);
            ASSERT_TRUE(std::equal(zeros.begin(), zeros.begin() + n, ones.begin()));
            ASSERT_TRUE(std::all_of(zeros.begin() + n, zeros.end(), [](int b) { return b == 0; }));
            ASSERT_TRUE(std::all_of(ones.begin() + n, ones.end(), [](int b) { return b == 0xFF; }));
        }
    }
    std::uint8_t none[4] = {};
    EXPECT_EQ(adpcm::Encode(0, s.data(), 16, none), -1);
    EXPECT_EQ(adpcm::Encode(7, s.data(), 16, none), -1);
    EXPECT_EQ(adpcm::Encode(adpcm::kG721, s.data(), -5, none), 0);
    EXPECT_EQ(adpcm::EncodedSize(0, 16), -1);
    // Fewer than 8 samples: the handset maker's codec needs more than count.
    EXPECT_EQ(adpcm::EncodedSize(adpcm::kLg, 2), 5);
}

TEST(AdpcmEncoders, OkiSilenceBecomesTheRampInPairs) {
    for (int count : {2, 3, 10, 11, 64}) {
        std::vector<std::int16_t> silence(count, 0);
        std::vector<std::int16_t> ramp(count, 0);
        // Every pair followed by a sample is replaced; a final pair is not.
        for (int i = 0; i < count; ++i)
            if (i / 2 * 2 + 2 < count) ramp[i] = static_cast<std::int16_t>(64 + 16 * (i % 4));
        std::vector<std::uint8_t> a(count / 2 + 1), b(count / 2 + 1);
        adpcm::EncodeOki(silence.data(), count, a.data());
        adpcm::EncodeOki(ramp.data(), count, b.data());
        EXPECT_EQ(a, b) << count;
    }
}

TEST(AdpcmEncoders, LgStartsWithFourZeroBytes) {
    std::vector<std::uint8_t> out(4, 0xEE);
    adpcm::EncodeLg(nullptr, 0, out.data());
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0, 0, 0, 0}));
}
