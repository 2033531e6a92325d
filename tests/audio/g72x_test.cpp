#include "convert/audio/g72x.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "convert/audio/adpcm.h"

namespace {

// The first sample from the reset state, worked by hand: se is 0 and the
// scale y is 544 (y >> 2 = 136).
struct FirstSample {
    int sample;
    int code721;
    int sr721;
    int code726;
};
constexpr FirstSample kFirst[] = {
    // d = 4000: dl 1530, dln 1394, above every level; dql 425 + 136 = 561 -> 22.
    {16000, 7, 22, 1},
    // The same magnitude below the estimate: one's complement of the code.
    {-16000, 8, -22, 2},
    // d = 0: dln -136 is below the first level; 15 at 32 kbit/s, 0 at 16.
    {0, 15, 0, 0},
    // d = -1: a negative zero at 32 kbit/s; code 3 stays at 16 kbit/s.
    {-4, 15, 0, 3},
    // d = 100: dl 838, dln 702, code 7; at 16 kbit/s 702 >= 261, code 1.
    {400, 7, 22, 1},
    // d = 10: dl 416, dln 280 lies in [246, 300): code 4; 273 + 136 = 409, (153 << 7) >> 11 = 9.
    {40, 4, 9, 1},
};

std::vector<std::int16_t> Tone(int count, double hz, double amplitude) {
    std::vector<std::int16_t> s(count);
    for (int i = 0; i < count; ++i)
        s[i] =
            static_cast<std::int16_t>(std::lround(amplitude * std::sin(2 * M_PI * hz * i / 8000)));
    return s;
}

// Signal-to-noise of the encoder's own reconstruction, with the codes it
// returned one by one.
double ReconstructionSnr(const std::vector<std::int16_t>& s, const adpcm::G72xRate& rate,
                         std::vector<int>* codes) {
    adpcm::G72xState state;
    double p = 0, e = 0;
    for (std::int16_t x : s) {
        int sr = 0;
        codes->push_back(adpcm::G72xEncodeSample(state, x >> 2, rate, &sr));
        p += double(x) * x;
        e += (x - 4.0 * sr) * (x - 4.0 * sr);
    }
    return 10 * std::log10(p / e);
}

}  // namespace

TEST(G72x, FirstSampleFromTheResetState) {
    for (const FirstSample& f : kFirst) {
        adpcm::G72xState a, b;
        int sr = 0;
        EXPECT_EQ(adpcm::G72xEncodeSample(a, f.sample >> 2, adpcm::kG721Rate, &sr), f.code721)
            << f.sample;
        EXPECT_EQ(sr, f.sr721) << f.sample;
        EXPECT_EQ(adpcm::G72xEncodeSample(b, f.sample >> 2, adpcm::kG726_16Rate, &sr), f.code726)
            << f.sample;
    }
}

TEST(G72x, SilenceStaysAtTheZeroCode) {
    // At 32 kbit/s the zero difference is code 15 and changes no state.
    std::vector<std::int16_t> silence(1000, 0);
    std::vector<std::uint8_t> out(500, 0);
    adpcm::EncodeG721(silence.data(), 1000, out.data());
    for (std::uint8_t b : out)
        ASSERT_EQ(b, 0xFF);
}

TEST(G72x, TonesAreReconstructedAndPackedInOrder) {
    for (double hz : {300.0, 1000.0, 2500.0}) {
        for (double amplitude : {1000.0, 16384.0, 32767.0}) {
            auto s = Tone(8000, hz, amplitude);
            std::vector<int> c4, c2;
            EXPECT_GE(ReconstructionSnr(s, adpcm::kG721Rate, &c4), 20) << hz << " " << amplitude;
            EXPECT_GE(ReconstructionSnr(s, adpcm::kG726_16Rate, &c2), 6) << hz << " " << amplitude;
            std::vector<std::uint8_t> out4(4000), out2(2000);
            adpcm::EncodeG721(s.data(), 8000, out4.data());
            adpcm::EncodeG726_16(s.data(), 8000, out2.data());
            for (int i = 0; i < 8000; ++i) {
                ASSERT_EQ(out4[i / 2] >> (i % 2 * 4) & 15, c4[i]) << i;
                ASSERT_EQ(out2[i / 4] >> (i % 4 * 2) & 3, c2[i]) << i;
            }
        }
    }
}
