#include "convert/audio/adpcm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using Encoder = int (*)(const std::int16_t*, int, std::uint8_t*);

std::vector<std::int16_t> Sine(int count, double amplitude) {
    std::vector<std::int16_t> s(count);
    for (int i = 0; i < count; ++i)
        s[i] = static_cast<std::int16_t>(amplitude * std::sin(i * 0.3));
    return s;
}

// The end of the last byte an encoder changed in a buffer poisoned with 0xEE.
int Written(Encoder encode, const std::vector<std::int16_t>& s) {
    std::vector<std::uint8_t> out(s.size() + 8, 0xEE);
    encode(s.data(), static_cast<int>(s.size()), out.data());
    int n = static_cast<int>(out.size());
    while (n > 0 && out[n - 1] == 0xEE) --n;
    return n;
}

}  // namespace

TEST(AdpcmEncoders, OutputSizesFollowTheCount) {
    for (int count = 0; count <= 4096; count += (count < 16 ? 1 : 61)) {
        // An encoder never writes past its size (the poison stays).
        auto s = Sine(count, 20000);
        EXPECT_LE(Written(adpcm::EncodeYamaha, s), count / 2) << count;
        EXPECT_LE(Written(adpcm::EncodeIma, s), count / 2) << count;
        EXPECT_LE(Written(adpcm::EncodeOki, s), count / 2) << count;
        EXPECT_LE(Written(adpcm::EncodeLg, s), 4 + count / 2) << count;
    }
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
