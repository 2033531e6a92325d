#include "app/tune_export_shell.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/shell_seams.h"
#include "app/wave_listen.h"
#include "compose/compose_control.h"
#include "core/shell_services.h"
#include "platform/software_synth.h"
#include "tests/support/test_support.h"

using testing_support::Sink;

namespace {

// One bar of C major chords at 120 bpm, format 0, 96 ticks per quarter.
std::string WriteChordTune(const std::string& folder) {
    std::vector<std::uint8_t> events = {0x00, 0xC0, 0x00};
    for (int beat = 0; beat < 4; ++beat) {
        for (int key : {60, 64, 67}) {
            events.push_back(0x00);
            events.push_back(0x90);
            events.push_back(static_cast<std::uint8_t>(key));
            events.push_back(90);
        }
        for (int i = 0; i < 3; ++i) {
            events.push_back(i == 0 ? 0x60 : 0x00);
            events.push_back(0x80);
            events.push_back(static_cast<std::uint8_t>(60 + (i == 0 ? 0 : i == 1 ? 4 : 7)));
            events.push_back(0);
        }
    }
    for (std::uint8_t b : {0x00, 0xFF, 0x2F, 0x00}) events.push_back(b);
    std::vector<std::uint8_t> smf = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,
                                     'M', 'T', 'r', 'k', 0, 0, 0, static_cast<std::uint8_t>(events.size())};
    for (std::uint8_t b : events) smf.push_back(b);
    const std::string path = folder + "/chords.mid";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(smf.data()), static_cast<std::streamsize>(smf.size()));
    return path;
}

}  // namespace

TEST(MediaLayer, StartsOnlyWhenTheSoundFontLoads) {
    StopQuickTime();
    EXPECT_EQ(StartQuickTimeWith("/no/such/font.sf2"), 0);
    if (std::filesystem::exists(platform::kDefaultSoundFont)) {
        EXPECT_EQ(StartQuickTime(), 1);
    }
    StopQuickTime();
}

// The export to WAV and the listen of its result, headless: the dots grow to
// twenty, "temp.aiff" stays, every frame reaches the fake device, both flags
// drop and one repaint is posted.
TEST(MediaLayer, ExportedWavPlaysOnTheFakeDevice) {
    if (!std::filesystem::exists(platform::kDefaultSoundFont)) GTEST_SKIP() << "no soundfont";
    auto shell = std::make_shared<RecordingShellServices>();
    SetShellServices(shell);
    const std::string folder = testing_support::ScratchDir();
    const std::string wavPath = folder + "/tune.wav";
    ASSERT_EQ(ExportTuneToWav(WriteChordTune(folder), folder, wavPath), 1);
    EXPECT_TRUE(std::filesystem::exists(folder + "/temp.aiff"));
    EXPECT_EQ(ProgressDotsText.Get(), std::string(20, '*'));
    EXPECT_GT(shell->Count(RecordingShellServices::Kind::RedrawPanel), 0);

    auto record = std::make_shared<platform::FakePcmOut::Record>();
    platform::SetPcmOutFactory([record] { return std::make_unique<platform::FakePcmOut>(record); });
    ComposingActive = 0;
    PlayingActive = 0;
    shell->Clear();
    PlayWaveFile(wavPath);
    for (int i = 0; i < 20000 && (ComposingActive || PlayingActive); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(ComposingActive.load() + PlayingActive.load(), 0);
    WaveFile wave(wavPath);
    wave.Log().ShowAll();
    ReleaseWavePlayer();
    EXPECT_TRUE(record->bytes == std::vector<std::uint8_t>(wave.Data().begin(), wave.Data().end()));
    EXPECT_EQ(record->config.rate, 44100u);
    EXPECT_EQ(shell->Count(RecordingShellServices::Kind::BroadcastPaint), 1);
    EXPECT_EQ(Sink().Count(), 0u);
    platform::SetPcmOutFactory(nullptr);
    SetShellServices(nullptr);
}
