// Our WAV and AIFF files against the outside tools: sox, ffmpeg and
// libsndfile read what we write, we read what they write, and our AIFF to
// WAV conversion equals sox's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "convert/audio/aiff.h"
#include "convert/audio/wave_file.h"
#include "tests/audio/outside_tools.h"
#include "tests/support/test_support.h"

#ifdef ZAW_HAVE_SNDFILE
#include <sndfile.h>
#endif

using testing_support::Sink;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Little-endian WAV samples widened to 32 bits, as the tools' s32 output is.
std::vector<std::int32_t> Widened(std::span<const std::uint8_t> data, int bits) {
    const int width = bits / 8;
    std::vector<std::int32_t> out;
    for (std::size_t at = 0; at + width <= data.size(); at += width) {
        std::uint32_t v = 0;
        for (int i = 0; i < width; ++i) v |= static_cast<std::uint32_t>(data[at + i]) << (8 * (4 - width + i));
        if (width == 1) v ^= 0x80000000u;  // 8-bit WAV samples are unsigned
        out.push_back(static_cast<std::int32_t>(v));
    }
    return out;
}

// Samples of a width: a sine with a little noise, reaching both extremes.
Bytes TestSamples(int bits, std::size_t count) {
    const int width = bits / 8;
    Bytes out;
    std::uint32_t noise = 12345;
    for (std::size_t i = 0; i < count; ++i) {
        noise = noise * 1103515245u + 12345u;
        double x = std::sin(i * 0.05) * 0.9 + ((noise >> 16) % 1000) / 10000.0;
        if (i % 97 == 0) x = (i % 2) ? 1.0 : -1.0;
        const double top = std::ldexp(1.0, bits - 1);
        std::int64_t v = static_cast<std::int64_t>(std::floor(x * top));
        v = std::min<std::int64_t>(std::max<std::int64_t>(v, static_cast<std::int64_t>(-top)),
                                   static_cast<std::int64_t>(top - 1));
        if (width == 1) v += 128;
        for (int b = 0; b < width; ++b) out.push_back(static_cast<std::uint8_t>(v >> (8 * b)));
    }
    return out;
}

struct Decoded {
    std::vector<std::int32_t> samples;
    std::string rate;
    std::string channels;
};

Decoded BySox(const std::string& path, const std::string& raw) {
    outside::Run("sox " + path + " -t raw -e signed -b 32 -L " + raw);
    return {outside::Samples32(outside::ReadBytes(raw)), outside::Capture("soxi -r " + path),
            outside::Capture("soxi -c " + path)};
}

Decoded ByFfmpeg(const std::string& path, const std::string& raw) {
    outside::Run("ffmpeg -v error -y -i " + path + " -f s32le -c:a pcm_s32le " + raw);
    const std::string probe = "ffprobe -v error -show_entries stream=";
    return {outside::Samples32(outside::ReadBytes(raw)),
            outside::Capture(probe + "sample_rate -of csv=p=0 " + path),
            outside::Capture(probe + "channels -of csv=p=0 " + path)};
}

#ifdef ZAW_HAVE_SNDFILE
Decoded BySndfile(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return {};
    std::vector<std::int32_t> samples(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_int(file, samples.data(), info.frames);
    sf_close(file);
    return {samples, std::to_string(info.samplerate), std::to_string(info.channels)};
}

// An AIFF written by libsndfile.
bool WriteSndfileAiff(const std::string& path, int rate, int channels, int bits) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    const int subtype = bits == 8 ? SF_FORMAT_PCM_S8 : bits == 16 ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_24;
    info.format = SF_FORMAT_AIFF | subtype;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return false;
    const auto samples = Widened(TestSamples(32, 800 * static_cast<std::size_t>(channels)), 32);
    sf_writef_int(file, samples.data(), 800);
    sf_close(file);
    return true;
}
#endif

}  // namespace

TEST(WaveOutside, ToolsReadOurFilesWithTheSameSamples) {
    SKIP_WITHOUT("sox");
    SKIP_WITHOUT("ffmpeg");
    const std::string dir = testing_support::ScratchDir();
    int files = 0;
    for (int channels : {1, 2}) {
        for (int bits : {8, 16, 24, 32}) {
            for (std::uint32_t rate : {8000u, 44100u}) {
                const std::uint32_t align = channels * bits / 8;
                const std::uint32_t frames = 1500;
                const Bytes samples = TestSamples(bits, frames * channels);
                const WaveFile wave(1u | channels << 16, rate, rate * align, align | bits << 16, samples, frames);
                const std::string path = dir + "/ours.wav";
                ASSERT_EQ(wave.Save(path), 1);
                const Decoded expected{Widened(samples, bits), std::to_string(rate), std::to_string(channels)};
                std::vector<Decoded> readers = {BySox(path, dir + "/sox.raw"),
                                                ByFfmpeg(path, dir + "/ffmpeg.raw")};
#ifdef ZAW_HAVE_SNDFILE
                readers.push_back(BySndfile(path));
#endif
                for (std::size_t r = 0; r < readers.size(); ++r) {
                    SCOPED_TRACE("reader " + std::to_string(r) + ", " + std::to_string(channels) + " ch, " +
                                 std::to_string(bits) + " bits, " + std::to_string(rate) + " Hz");
                    EXPECT_EQ(readers[r].rate, expected.rate);
                    EXPECT_EQ(readers[r].channels, expected.channels);
                    EXPECT_EQ(readers[r].samples, expected.samples);
                }
                ++files;
            }
        }
    }
    EXPECT_EQ(files, 16);
}

TEST(WaveOutside, WeReadTheToolsFilesWithTheSameSamples) {
    SKIP_WITHOUT("sox");
    SKIP_WITHOUT("ffmpeg");
    const std::string dir = testing_support::ScratchDir();
    const std::string path = dir + "/theirs.wav";
    const char* ffmpegCodecs[] = {"", "pcm_u8", "pcm_s16le", "pcm_s24le", "pcm_s32le"};
    for (int channels : {1, 2}) {
        for (int bits : {8, 16, 24, 32}) {
            const std::string c = std::to_string(channels);
            for (int tool = 0; tool < 2; ++tool) {
                SCOPED_TRACE((tool ? "ffmpeg " : "sox ") + c + " ch, " + std::to_string(bits) + " bits");
                Decoded reference;
                if (tool == 0) {
                    ASSERT_TRUE(outside::Run("sox -R -n -r 22050 -c " + c + " -b " + std::to_string(bits) +
                                             (bits == 8 ? " -e unsigned " : " -e signed ") + path +
                                             " synth 0.3 sine 440 whitenoise"));
                    reference = BySox(path, dir + "/ref.raw");
                } else {
                    ASSERT_TRUE(outside::Run(
                        "ffmpeg -v error -y -f lavfi -i anoisesrc=d=0.3:r=22050:a=0.7:s=7 -ac " + c +
                        " -c:a " + ffmpegCodecs[bits / 8] + " -fflags +bitexact -flags:a +bitexact " + path));
                    reference = ByFfmpeg(path, dir + "/ref.raw");
                }
                Sink().Clear();
                const WaveFile wave(path);
                ASSERT_TRUE(wave.HasData());
                EXPECT_EQ(std::to_string(wave.SampleRate()), reference.rate);
                EXPECT_EQ(std::to_string(wave.Channels()), reference.channels);
                EXPECT_EQ(wave.BitsPerSample(), bits);
                EXPECT_EQ(Widened(wave.Data(), bits), reference.samples);
                EXPECT_GT(reference.samples.size(), 6000u);
            }
        }
    }
}

TEST(WaveOutside, FfmpegsDefaultFileIsRefusedForItsList) {
    SKIP_WITHOUT("ffmpeg");
    const std::string path = testing_support::ScratchDir() + "/lavf.wav";
    ASSERT_TRUE(outside::Run("ffmpeg -v error -y -f lavfi -i sine=f=440:d=0.1:r=8000 -c:a pcm_s16le " + path));
    Sink().Clear();
    WaveFile wave(path);
    wave.Log().ShowAll();
    EXPECT_FALSE(wave.HasData());
    EXPECT_EQ(Sink().Texts(), (std::vector<std::string>{"file is different format [LIST]"}));
}

TEST(WaveOutside, AiffConversionEqualsSox) {
    SKIP_WITHOUT("sox");
    const std::string dir = testing_support::ScratchDir();
    const std::string aiff = dir + "/in.aiff";
    int compared = 0;
    for (int rate : {8000, 11025, 16000, 22050, 32000, 44100, 48000}) {
        for (int bits : {8, 16, 24}) {
            for (int channels : {1, 2}) {
                for (int writer = 0; writer < 2; ++writer) {
                    SCOPED_TRACE((writer ? "libsndfile " : "sox ") + std::to_string(rate) + " Hz, " +
                                 std::to_string(bits) + " bits, " + std::to_string(channels) + " ch");
                    if (writer == 0) {
                        ASSERT_TRUE(outside::Run("sox -R -n -r " + std::to_string(rate) + " -c " +
                                                 std::to_string(channels) + " -b " + std::to_string(bits) +
                                                 " " + aiff + " synth 0.05 sine 300 whitenoise"));
                    } else {
#ifdef ZAW_HAVE_SNDFILE
                        ASSERT_TRUE(WriteSndfileAiff(aiff, rate, channels, bits));
#else
                        continue;
#endif
                    }
                    ASSERT_TRUE(outside::Run("sox " + aiff + " " + dir + "/sox.wav"));
                    Sink().Clear();
                    ASSERT_EQ(ConvertAiffToWav(aiff, dir + "/ours.wav"), 1);
                    WaveFile ours(dir + "/ours.wav");
                    WaveFile theirs(dir + "/sox.wav");
                    ours.Log().ShowAll();
                    theirs.Log().ShowAll();
                    ASSERT_TRUE(ours.HasData() && theirs.HasData());
                    EXPECT_EQ(ours.SampleRate(), static_cast<std::uint32_t>(rate));
                    EXPECT_EQ(ours.SampleRate(), theirs.SampleRate());
                    EXPECT_EQ(ours.Channels(), theirs.Channels());
                    EXPECT_EQ(ours.BitsPerSample(), theirs.BitsPerSample());
                    EXPECT_EQ(ours.ByteRate(), theirs.ByteRate());
                    EXPECT_EQ(Bytes(ours.Data().begin(), ours.Data().end()),
                              Bytes(theirs.Data().begin(), theirs.Data().end()));
                    EXPECT_GE(ours.DataSize(), 400u);
                    EXPECT_EQ(Sink().Count(), 0u);
                    ++compared;
                }
            }
        }
    }
    std::printf("AIFF conversions compared with sox: %d\n", compared);
}
