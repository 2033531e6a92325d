#include "convert/audio/aiff.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "tests/audio/outside_tools.h"
#include "tests/support/test_support.h"

using testing_support::Sink;

namespace {

using Bytes = std::vector<std::uint8_t>;

void PutBe(Bytes& out, std::uint64_t value, int width) {
    for (int i = width - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// The 80-bit extended number of a rate, by hand: normalised mantissa.
Bytes Extended(double rate) {
    Bytes out;
    int exponent = 0;
    const double fraction = std::frexp(rate, &exponent);  // rate = fraction * 2^exponent
    PutBe(out, static_cast<std::uint64_t>(16383 + exponent - 1), 2);
    PutBe(out, static_cast<std::uint64_t>(std::ldexp(fraction, 64)), 8);
    return out;
}

Bytes Chunk(const std::string& id, const Bytes& body, long size = -1) {
    Bytes out(id.begin(), id.end());
    PutBe(out, size < 0 ? body.size() : static_cast<std::uint64_t>(size), 4);
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() % 2) out.push_back(0);
    return out;
}

Bytes Common(int channels, std::uint32_t frames, int bits, const Bytes& rate) {
    Bytes body;
    PutBe(body, channels, 2);
    PutBe(body, frames, 4);
    PutBe(body, bits, 2);
    body.insert(body.end(), rate.begin(), rate.end());
    return Chunk("COMM", body);
}

Bytes Sound(const Bytes& samples, std::uint32_t offset = 0) {
    Bytes body;
    PutBe(body, offset, 4);
    PutBe(body, 0, 4);
    body.insert(body.end(), offset, 0xAA);
    body.insert(body.end(), samples.begin(), samples.end());
    return Chunk("SSND", body);
}

Bytes Form(std::initializer_list<Bytes> chunks, const char* type = "AIFF") {
    Bytes body(type, type + 4);
    for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
    return Chunk("FORM", body);
}

// Signed sample values of a width, spread over the whole range.
std::vector<std::int64_t> Values(int bits, int count) {
    std::vector<std::int64_t> v;
    const std::int64_t top = (std::int64_t{1} << (bits - 1)) - 1;
    for (int i = 0; i < count; ++i) v.push_back(i % 2 ? top - i * 977 % (top + 1) : -top - 1 + i * 31);
    return v;
}

// The same values as an AIFF stores them and as a WAV does.
Bytes AiffSamples(const std::vector<std::int64_t>& v, int width) {
    Bytes out;
    for (std::int64_t x : v) PutBe(out, static_cast<std::uint64_t>(x), width);
    return out;
}
Bytes WavSamples(const std::vector<std::int64_t>& v, int width) {
    Bytes out;
    for (std::int64_t x : v) {
        const std::uint64_t u = width == 1 ? static_cast<std::uint64_t>(x + 128) : static_cast<std::uint64_t>(x);
        for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
    }
    return out;
}

std::uint32_t Rate(const Bytes& extended) {
    return aiff::DecodeExtendedRate(std::span<const std::uint8_t, 10>(extended.data(), 10));
}

// The boxes shown while reading an image, and its status.
std::vector<std::string> ReadTexts(const Bytes& image, aiff::Status* status = nullptr) {
    Sink().Clear();
    CAiffData data(image);
    data.Log().ShowAll();
    if (status) *status = data.Status();
    return Sink().Texts();
}

const std::vector<std::string> kAiffError = {"Aiff Error"};

}  // namespace

TEST(AiffRate, ExtendedNumbersGiveTheirWholeRate) {
    for (double rate : {1.0, 8000.0, 11025.0, 11127.0, 16000.0, 22050.0, 22254.545454, 32000.0,
                        44100.0, 48000.0, 96000.0, 192000.0, 12345.678, 2147483648.0}) {
        EXPECT_EQ(Rate(Extended(rate)), static_cast<std::uint32_t>(rate)) << rate;
        // The machine's own 80-bit numbers, where long double is one.
        if constexpr (std::numeric_limits<long double>::digits == 64) {
            const long double x = rate;
            std::uint8_t le[16] = {};
            std::memcpy(le, &x, 10);
            Bytes be(le, le + 10);
            std::reverse(be.begin(), be.end());
            EXPECT_EQ(Rate(be), static_cast<std::uint32_t>(rate)) << rate;
        }
    }
    // 22050 with the mantissa's four top bytes of 44100 and a smaller exponent.
    Bytes half = Extended(44100);
    half[1] -= 1;
    EXPECT_EQ(Rate(half), 22050u);
    // A mantissa that is not normalised still gives its value.
    EXPECT_EQ(Rate({0x40, 0x0F + 7, 0x00, 0xAC, 0x44, 0, 0, 0, 0, 0}), 44100u);
    // Not finite, negative, zero, under 1, over 2^31.
    for (const Bytes& bad : {Bytes{0x7F, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0}, Bytes{0x7F, 0xFF, 0xC0, 0, 0, 0, 0, 0, 0, 0},
                             Bytes(10, 0), Extended(0.5), Extended(2147483649.0),
                             Extended(1e30), Bytes{0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0}})
        EXPECT_EQ(Rate(bad), 0u);
    Bytes negative = Extended(8000);
    negative[0] |= 0x80;
    EXPECT_EQ(Rate(negative), 0u);
}

TEST(Aiff, SamplesBecomeWavSamplesOfEveryWidth) {
    for (int bits : {8, 12, 16, 20, 24, 32}) {
        const int width = (bits + 7) / 8;
        for (int channels : {1, 2, 3}) {
            const auto values = Values(8 * width, 30 * channels);
            const Bytes image =
                Form({Common(channels, 30, bits, Extended(22050)), Sound(AiffSamples(values, width))});
            Sink().Clear();
            CAiffData data(image);
            ASSERT_EQ(data.Status(), aiff::kOk) << bits;
            EXPECT_EQ(data.WavSamples(), WavSamples(values, width)) << bits << " " << channels;
            const auto wave = data.ToWaveFile();
            ASSERT_TRUE(wave.has_value());
            EXPECT_EQ(wave->FormatTag(), 1);
            EXPECT_EQ(wave->Channels(), channels);
            EXPECT_EQ(wave->SampleRate(), 22050u);
            EXPECT_EQ(wave->BitsPerSample(), 8 * width);
            EXPECT_EQ(wave->BlockAlign(), channels * width);
            EXPECT_EQ(wave->ByteRate(), 22050u * channels * width);
            EXPECT_EQ(wave->DataSize(), values.size() * width);
        }
    }
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST(Aiff, ChunksAreFoundAmongOthersAndCountsAreTrimmed) {
    const auto values = Values(16, 20);
    const Bytes samples = AiffSamples(values, 2);
    // Comments before, markers between, the sound data first, an offset.
    for (const Bytes& image :
         {Form({Chunk("COMT", Bytes(27, 1)), Common(1, 20, 16, Extended(8000)), Sound(samples)}),
          Form({Common(1, 20, 16, Extended(8000)), Chunk("MARK", Bytes(3)), Sound(samples)}),
          Form({Sound(samples), Chunk("ANNO", {}), Common(1, 20, 16, Extended(8000))}),
          Form({Common(1, 20, 16, Extended(8000)), Sound(samples, 6)})}) {
        CAiffData data(image);
        ASSERT_EQ(data.Status(), aiff::kOk);
        EXPECT_EQ(data.WavSamples(), WavSamples(values, 2));
    }
    // No more frames than the common chunk counts, and whole frames only.
    CAiffData fewer(Form({Common(2, 7, 16, Extended(8000)), Sound(samples)}));
    EXPECT_EQ(fewer.WavSamples().size(), 28u);
    Bytes odd = samples;
    odd.resize(odd.size() - 2);
    CAiffData cut(Form({Common(2, 20, 16, Extended(8000)), Sound(odd)}));
    EXPECT_EQ(cut.WavSamples().size(), 36u);
    // A FORM length past the end is not trusted.
    Bytes longForm = Form({Common(1, 20, 16, Extended(8000)), Sound(samples)});
    longForm[4] = 0x7F;
    EXPECT_TRUE(ReadTexts(longForm).empty());
}

TEST(Aiff, BrokenFilesShowAiffError) {
    const Bytes comm = Common(1, 4, 16, Extended(8000));
    const Bytes ssnd = Sound(Bytes(8, 1));
    // Sound data of 4 bytes after its head, its offset one under, at and one
    // over their end.
    const auto at = [](std::uint8_t n) {
        return Chunk("SSND", {0, 0, 0, n, 0, 0, 0, 0, 1, 2, 3, 4});
    };
    // A common chunk two bytes short: its rate would run into the next chunk.
    Bytes shortComm = comm;
    shortComm.resize(shortComm.size() - 2);
    shortComm[7] = 16;
    const struct {
        Bytes image;
        aiff::Status status;
    } cases[] = {
        {Form({comm}), aiff::kChunkCut},
        {Form({ssnd}), aiff::kChunkCut},
        {Form({Chunk("COMM", Bytes(18), 400), ssnd}), aiff::kChunkCut},
        {Form({comm, Chunk("SSND", Bytes(8), 4000)}), aiff::kChunkCut},
        {Form({comm, Chunk("SSND", Bytes(6))}), aiff::kBadSoundData},
        {Form({comm, Sound({}, 0), Chunk("X", {})}), aiff::kOk},
        {Form({comm, at(3)}), aiff::kOk},
        {Form({comm, at(4)}), aiff::kOk},
        {Form({comm, at(5)}), aiff::kBadSoundData},
        {Form({Common(0, 4, 16, Extended(8000)), ssnd}), aiff::kBadCommon},
        {Form({Common(1, 4, 4, Extended(8000)), ssnd}), aiff::kBadCommon},
        {Form({Common(1, 4, 40, Extended(8000)), ssnd}), aiff::kBadCommon},
        {Form({shortComm, ssnd}), aiff::kBadCommon},
        {Form({Common(1, 4, 16, Bytes{0x7F, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0}), ssnd}), aiff::kBadRate},
        {Form({Common(1, 4, 16, Extended(0.25)), ssnd}), aiff::kBadRate},
        {Form({Common(2000, 4, 32, Extended(2147483648.0)), ssnd}), aiff::kBadRate},
        {Form({Common(16384, 4, 32, Extended(8000)), ssnd}), aiff::kBadCommon},
        {Bytes{'F', 'O', 'R', 'M', 0, 0}, aiff::kChunkCut},
    };
    for (const auto& c : cases) {
        aiff::Status status = aiff::kOk;
        const auto texts = ReadTexts(c.image, &status);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(texts, c.status == aiff::kOk ? std::vector<std::string>{} : kAiffError);
    }
    // A wrong form type shows the box once and the reading goes on.
    aiff::Status status = aiff::kChunkCut;
    EXPECT_EQ(ReadTexts(Form({comm, ssnd}, "AIFC"), &status), kAiffError);
    EXPECT_EQ(status, aiff::kOk);
    EXPECT_EQ(ReadTexts(Bytes{'F', 'O', 'R'}, &status), (std::vector<std::string>{"CAiffData::ErrorMsg"}));
    EXPECT_EQ(status, aiff::kTooShort);
}

TEST(Aiff, ConvertingWritesTheWavOrNothing) {
    const std::string dir = testing_support::ScratchDir();
    const auto values = Values(16, 4000);
    outside::WriteBytes(dir + "/in.aiff", Form({Common(2, 2000, 16, Extended(11025)),
                                               Sound(AiffSamples(values, 2))}));
    ASSERT_EQ(ConvertAiffToWav(dir + "/in.aiff", dir + "/out.wav"), 1);
    WaveFile wave(dir + "/out.wav");
    ASSERT_TRUE(wave.HasData());
    EXPECT_EQ(wave.SampleRate(), 11025u);
    EXPECT_EQ(Bytes(wave.Data().begin(), wave.Data().end()), WavSamples(values, 2));

    // A refused AIFF and a failed write leave no file.
    outside::WriteBytes(dir + "/bad.aiff", Form({Common(2, 200, 16, Extended(11025))}));
    Sink().Clear();
    EXPECT_EQ(ConvertAiffToWav(dir + "/bad.aiff", dir + "/bad.wav"), 0);
    EXPECT_EQ(Sink().Texts(), kAiffError);
    {
        testing_support::FileSizeLimit full(1024);
        EXPECT_EQ(ConvertAiffToWav(dir + "/in.aiff", dir + "/full.wav"), 0);
    }
    EXPECT_EQ(ConvertAiffToWav(dir + "/none.aiff", dir + "/none.wav"), 0);
    EXPECT_EQ(testing_support::FolderNames(dir),
              (std::vector<std::string>{"bad.aiff", "in.aiff", "out.wav"}));
}
