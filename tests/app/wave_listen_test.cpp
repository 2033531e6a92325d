#include "app/wave_listen.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "compose/compose_control.h"
#include "core/shell_services.h"
#include "tests/support/test_support.h"

using testing_support::Sink;

namespace {

using Record = platform::FakePcmOut::Record;

class WaveListen : public ::testing::Test {
protected:
    void SetUp() override {
        shell_ = std::make_shared<RecordingShellServices>();
        SetShellServices(shell_);
        ComposingActive = 0;
        PlayingActive = 0;
        UseDevice(false);
    }
    void TearDown() override {
        ReleaseWavePlayer();
        platform::SetPcmOutFactory(nullptr);
        SetShellServices(nullptr);
        ComposingActive = 0;
        PlayingActive = 0;
    }
    // Every new player gets a fresh fake device; the last one's record is
    // kept here.
    void UseDevice(bool refuse) {
        platform::SetPcmOutFactory([this, refuse] {
            record_ = std::make_shared<Record>();
            return std::make_unique<platform::FakePcmOut>(record_, refuse);
        });
    }
    // A 16-bit file of frames counting up, written to the scratch folder.
    std::string WriteWave(unsigned channels, unsigned rate, unsigned frames, unsigned bits = 16) {
        const unsigned align = channels * bits / 8;
        samples_.assign(std::size_t{frames} * align, 0);
        for (std::size_t i = 0; i < samples_.size(); ++i) samples_[i] = static_cast<std::uint8_t>(i * 13);
        WaveFile wave(1u | channels << 16, rate, rate * align, align | bits << 16, samples_, frames);
        const std::string path = testing_support::ScratchDir() + "/listen.wav";
        EXPECT_EQ(wave.Save(path), 1);
        return path;
    }
    static bool WaitForFlags() {
        for (int i = 0; i < 20000 && (ComposingActive || PlayingActive); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return !ComposingActive && !PlayingActive;
    }

    std::shared_ptr<RecordingShellServices> shell_;
    std::shared_ptr<Record> record_;
    std::vector<std::uint8_t> samples_;
};

}  // namespace

// A mono 8 kHz file plays at its own rate: the device is opened for it and
// gets every frame; at the end both flags drop and one repaint is posted.
TEST_F(WaveListen, PlaysTheFileAtItsOwnRateToTheEnd) {
    const std::string path = WriteWave(1, 8000, 8000 * 2 + 3);
    PlayWaveFile(path);
    ASSERT_TRUE(WaitForFlags());
    ReleaseWavePlayer();
    EXPECT_EQ(record_->config.rate, 8000u);
    EXPECT_EQ(record_->config.channels, 1u);
    EXPECT_EQ(record_->config.periodFrames, 2048u);
    EXPECT_TRUE(record_->bytes == samples_);
    EXPECT_EQ(shell_->Count(RecordingShellServices::Kind::BroadcastPaint), 1);
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST_F(WaveListen, FailedStartFreesThePanel) {
    const std::string path = WriteWave(2, 44100, 1000);
    UseDevice(true);
    ProgressDotsText.Set("***");
    PlayWaveFile(path);
    EXPECT_EQ(ComposingActive.load(), 0);
    EXPECT_EQ(PlayingActive.load(), 0);
    EXPECT_EQ(ProgressDotsText.Get(), "");
    EXPECT_EQ(shell_->Count(RecordingShellServices::Kind::BroadcastPaint), 1);
    EXPECT_EQ(Sink().Count(), 1u);
    // The panel can play again.
    UseDevice(false);
    PlayWaveFile(path);
    ASSERT_TRUE(WaitForFlags());
    ReleaseWavePlayer();
    EXPECT_TRUE(record_->bytes == samples_);
}

TEST_F(WaveListen, RefusesWhatIsNot16BitPcmAndWhileComposing) {
    PlayWaveFile(WriteWave(1, 8000, 100, 8));
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{"file is different format"});
    EXPECT_EQ(ComposingActive.load() + PlayingActive.load(), 0);
    EXPECT_EQ(record_, nullptr);
    Sink().Clear();
    ComposingActive = 1;
    PlayWaveFile(WriteWave(2, 44100, 100));
    EXPECT_EQ(Sink().Count(), 1u);
    EXPECT_EQ(PlayingActive.load(), 0);
    EXPECT_EQ(record_, nullptr);
}

// The next listen starts as soon as the flags drop, while the old worker
// may still be closing its device; the old player is stopped and joined.
TEST_F(WaveListen, ReplayingAtOnceJoinsTheOldWorker) {
    const std::string path = WriteWave(2, 44100, 3000);
    for (int round = 0; round < 20; ++round) {
        PlayWaveFile(path);
        ASSERT_TRUE(WaitForFlags()) << round;
        EXPECT_TRUE(record_->bytes == samples_) << round;
    }
    EXPECT_EQ(Sink().Count(), 0u);
}
