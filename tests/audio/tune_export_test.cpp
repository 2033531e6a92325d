#include "convert/audio/tune_export.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "convert/audio/aiff.h"
#include "convert/audio/wave_file.h"
#include "platform/software_synth.h"
#include "tests/support/test_support.h"

using testing_support::Sink;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Two notes: a quarter at 120 bpm; then the tempo doubles, and after a
// quarter's rest (0.25 s) a second quarter sounds; the last event is at 1 s.
Bytes TwoNoteSmf() {
    const Bytes events = {
        0x00, 0xC0, 0x00,                    // piano
        0x00, 0x90, 60, 100, 0x83, 0x60, 0x80, 60, 0,  // C4 for 480 ticks
        0x00, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90,      // tempo 250000 at 480
        0x83, 0x60, 0x90, 64, 100, 0x83, 0x60, 0x80, 64, 0,  // E4 at 960 for 480
        0x00, 0xFF, 0x2F, 0x00};
    Bytes smf = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k',
                 0, 0, 0, static_cast<std::uint8_t>(events.size())};
    for (std::uint8_t b : events) smf.push_back(b);
    return smf;
}

std::string WriteFile(const std::string& name, const Bytes& bytes) {
    const std::string path = testing_support::ScratchDir() + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::size_t Find(const Bytes& bytes, const char* id) {
    const std::string text(bytes.begin(), bytes.end());
    return text.find(id);
}

bool HaveSoundFont() {
    return std::filesystem::exists(platform::kDefaultSoundFont);
}

}  // namespace

TEST(TuneExport, RendersTheTuneAtItsTempoIntoAStereoAiff) {
    if (!HaveSoundFont()) GTEST_SKIP() << "no soundfont";
    const std::string source = WriteFile("two.mid", TwoNoteSmf());
    const std::string target = testing_support::ScratchDir() + "/two.aiff";
    std::vector<std::int32_t> fractions;
    ASSERT_EQ(ExportMovieToFile(source, target, [&](std::int32_t f) { fractions.push_back(f); }), 1);
    EXPECT_EQ(Sink().Count(), 0u);
    const Bytes aiff = ReadFile(target);
    // The reader of AIFF files wants the common chunk before the samples.
    ASSERT_NE(Find(aiff, "COMM"), std::string::npos);
    EXPECT_LT(Find(aiff, "COMM"), Find(aiff, "SSND"));
    EXPECT_FALSE(std::filesystem::exists(target + ".part"));
    CAiffData file(aiff);
    const std::optional<WaveFile> wave = file.ToWaveFile();
    ASSERT_TRUE(wave.has_value());
    EXPECT_EQ(wave->SampleRate(), 44100u);
    EXPECT_EQ(wave->Channels(), 2u);
    EXPECT_EQ(wave->BitsPerSample(), 16u);
    const std::int64_t frames = wave->DataSize() / 4;
    EXPECT_GE(frames, 44100);
    EXPECT_LE(frames, 44100 + 3 * 44100);
    // C4 sounds in its half second; E4 starts at 0.75 s, well above the
    // release of C4 just before it.
    const auto rms = [&](double from, double to) {
        const auto data = wave->Data();
        double sum = 0;
        const auto a = static_cast<std::size_t>(from * 44100) * 4, b = static_cast<std::size_t>(to * 44100) * 4;
        for (std::size_t i = a; i + 1 < b; i += 2) {
            const double s = static_cast<std::int16_t>(data[i] | data[i + 1] << 8);
            sum += s * s;
        }
        return std::sqrt(sum / static_cast<double>((b - a) / 2));
    };
    EXPECT_GT(rms(0.05, 0.45), 200.0);
    EXPECT_GT(rms(0.76, 0.95), 4 * rms(0.6, 0.74));
    for (std::size_t i = 1; i < fractions.size(); ++i) EXPECT_LE(fractions[i - 1], fractions[i]);
    EXPECT_EQ(fractions.back(), 0x10000);
    // The same input gives the same bytes.
    const std::string again = testing_support::ScratchDir() + "/again.aiff";
    ASSERT_EQ(ExportMovieToFile(source, again), 1);
    EXPECT_TRUE(ReadFile(again) == aiff);
}

TEST(TuneExport, WavRoadKeepsTheAiffAndCarriesItsSamples) {
    if (!HaveSoundFont()) GTEST_SKIP() << "no soundfont";
    const std::string folder = testing_support::ScratchDir();
    const std::string source = WriteFile("two.mid", TwoNoteSmf());
    const std::string wavPath = folder + "/out.wav";
    ASSERT_EQ(ExportToWavViaAiff(source, folder, wavPath), 1);
    CAiffData aiff(ReadFile(folder + "/temp.aiff"));
    WaveFile wav(wavPath);
    ASSERT_TRUE(wav.HasData());
    EXPECT_TRUE(aiff.WavSamples() == std::vector<std::uint8_t>(wav.Data().begin(), wav.Data().end()));
}

TEST(TuneExport, FailuresShowTheirBoxAndLeaveNoFile) {
    const std::string folder = testing_support::ScratchDir();
    // A WAV is not a tune.
    WaveFile wave(1u | 2u << 16, 44100, 176400, 4u | 16u << 16, {}, 0);
    ASSERT_EQ(wave.Save(folder + "/in.wav"), 1);
    EXPECT_EQ(ExportMovieToFile(folder + "/in.wav", folder + "/x.aiff"), 0);
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{"RARAFFFFF800 There are no move files!"});
    EXPECT_FALSE(std::filesystem::exists(folder + "/x.aiff"));
    Sink().Clear();
    if (!HaveSoundFont()) return;
    // An unwritable target, a disk that fills up halfway on either road, a WAV
    // that cannot be written after its AIFF was: each box names the file and
    // why, old targets stay, and no partial or intermediate file is left.
    const std::string source = WriteFile("two.mid", TwoNoteSmf());
    const std::string nowhere = folder + "/no/such/dir/x", rara = "RARAFFFFFFFF " + folder;
    const Bytes old(10, 1);
    WriteFile("full.aiff", old);
    WriteFile("full.wav", old);
    EXPECT_EQ(ExportMovieToFile(source, nowhere + ".aiff"), 0);
    {
        testing_support::FileSizeLimit limit(20000);
        EXPECT_EQ(ExportMovieToFile(source, folder + "/full.aiff"), 0);
        EXPECT_EQ(ExportToWavViaAiff(source, folder, folder + "/full.wav"), 0);
    }
    EXPECT_EQ(ExportToWavViaAiff(source, folder, nowhere + ".wav"), 0);
    const std::string missing = ": No such file or directory", full = ": File too large";
    EXPECT_EQ(Sink().Texts(),
              (std::vector<std::string>{rara + "/no/such/dir/x.aiff" + missing,
                                        rara + "/full.aiff" + full, rara + "/temp.aiff" + full,
                                        "file can not open [" + nowhere + ".wav" + missing + "]"}));
    EXPECT_EQ(ReadFile(folder + "/full.aiff"), old);
    EXPECT_EQ(ReadFile(folder + "/full.wav"), old);
    EXPECT_EQ(testing_support::FolderNames(folder),
              (std::vector<std::string>{"full.aiff", "full.wav", "in.wav", "two.mid"}));
}

TEST(TuneExport, ProgressDotsGrowByThe3200thUpToTwenty) {
    EXPECT_EQ(ProgressDots(0), "");
    EXPECT_EQ(ProgressDots(3199), "");
    EXPECT_EQ(ProgressDots(3200), "*");
    EXPECT_EQ(ProgressDots(0x10000), std::string(20, '*'));
}
