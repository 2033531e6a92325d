#include "convert/audio/wave_play.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <random>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/test_support.h"

using testing_support::Sink;

namespace {

using Record = platform::FakePcmOut::Record;

constexpr PlayFormat kStereo44k{2, 44100};

// Frames whose bytes tell their index, so order and loss both show.
std::vector<std::uint8_t> CountingFrames(std::int64_t frames, unsigned align) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(frames) * align);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>((i / align) * 7 + i % align);
    return bytes;
}

// Waits (in real time, bounded) until the player has stopped by itself.
bool WaitForEnd(const CWavePlay& player) {
    for (int i = 0; i < 20000 && player.IsPlaying(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return !player.IsPlaying();
}

struct Progress {
    std::mutex mutex;
    std::vector<std::pair<std::int64_t, std::int64_t>> calls;
    CWavePlay::Progress Callback() {
        return [this](std::int64_t total, std::int64_t written) {
            std::lock_guard<std::mutex> lock(mutex);
            calls.emplace_back(total, written);
            return written;
        };
    }
};

std::unique_ptr<CWavePlay> MakePlayer(std::shared_ptr<Record> record,
                                      const std::vector<std::uint8_t>& data,
                                      CWavePlay::Progress progress, bool refuse = false) {
    return std::make_unique<CWavePlay>(std::make_unique<platform::FakePcmOut>(record, refuse),
                                       kStereo44k, data,
                                       static_cast<std::int64_t>(data.size() / 4), 4096, 8, 100, 10,
                                       std::move(progress));
}

}  // namespace

TEST(BuffPos, DistanceIsTheFramesAheadWithinTheRing) {
    const CBuffPos probe(4096, 8, kStereo44k);
    ASSERT_EQ(probe.FramesPerBuffer(), 1024u);
    const std::int64_t capacity = 8 * 1024;
    std::mt19937 random(7);
    for (int i = 0; i < 5000; ++i) {
        const std::int64_t a = random() % 1'000'000;
        const std::int64_t d = random() % capacity;
        CBuffPos from(4096, 8, kStereo44k), to(4096, 8, kStereo44k);
        from.Set(a);
        to.Set(a + d);
        // Reaching round into the start buffer reads as being behind in it.
        const std::int64_t wrap = capacity - from.Offset();
        EXPECT_EQ(from.Distance(to), d < wrap ? d : d - capacity) << a << " + " << d;
        // Behind in the same buffer: negative, so a step copies nothing.
        if (from.Offset() > 0) {
            to.Set(a - 1);
            EXPECT_EQ(from.Distance(to), -1);
        }
        to.Assign(from);
        EXPECT_EQ(to.Absolute(), a);
        EXPECT_EQ(from.Distance(to), 0);
    }
    // One buffer: only the offsets count, whatever lies between.
    CBuffPos single(4096, 1, kStereo44k), other(4096, 1, kStereo44k);
    single.Set(1000);
    other.Set(5 * 1024 + 10);
    EXPECT_EQ(single.Distance(other), 10 - 1000);
}

TEST(WavePlay, LeadIsMultipliedBeforeDividing) {
    const std::vector<std::uint8_t> none;
    auto player = MakePlayer(std::make_shared<Record>(), none, {});
    EXPECT_EQ(player->Lead(), 4851);
    CWavePlay mono8k(std::make_unique<platform::FakePcmOut>(std::make_shared<Record>()),
                     PlayFormat{1, 8000}, none, 0, 4096, 8, 100, 10, {});
    EXPECT_EQ(mono8k.Lead(), 880);
}

TEST(WavePlay, EveryFrameReachesTheDeviceOnceInOrder) {
    for (const std::int64_t total : {0, 1, 1023, 1024, 1025, 3 * 44100 + 7}) {
        auto record = std::make_shared<Record>();
        const std::vector<std::uint8_t> data = CountingFrames(total, 4);
        Progress progress;
        auto player = MakePlayer(record, data, progress.Callback());
        ASSERT_EQ(player->Start(), 1);
        ASSERT_TRUE(WaitForEnd(*player)) << total;
        player.reset();
        EXPECT_TRUE(record->bytes == data) << total;
        EXPECT_LE(record->maxAhead, 4851 + 1024) << total;
        EXPECT_EQ(record->config.periodFrames, 1024u);
        EXPECT_EQ(record->config.periodCount, 8u);
        EXPECT_EQ(record->opens, 1);
        EXPECT_EQ(record->closes, 1);
        ASSERT_FALSE(progress.calls.empty());
        for (std::size_t i = 1; i < progress.calls.size(); ++i)
            EXPECT_LE(progress.calls[i - 1].second, progress.calls[i].second);
        EXPECT_EQ(progress.calls.back(), std::make_pair(total, total));
        EXPECT_EQ(Sink().Count(), 0u);
    }
}

TEST(WavePlay, EmptyDataEndsAfterOneStepAndTheEndDelay) {
    auto record = std::make_shared<Record>();
    const std::vector<std::uint8_t> none;
    Progress progress;
    auto player = MakePlayer(record, none, progress.Callback());
    const auto sleptBefore = testing_support::Clock().Slept();
    ASSERT_EQ(player->Start(), 1);
    ASSERT_TRUE(WaitForEnd(*player));
    player.reset();
    EXPECT_EQ(testing_support::Clock().Slept() - sleptBefore, std::chrono::milliseconds(100));
    EXPECT_EQ(progress.calls.size(), 1u);
    EXPECT_EQ(record->closes, 1);
}

TEST(WavePlay, StartWhilePlayingDoesNothing) {
    auto record = std::make_shared<Record>();
    const std::vector<std::uint8_t> data = CountingFrames(44100, 4);
    std::mutex gate;
    std::unique_lock<std::mutex> held(gate);
    auto player = MakePlayer(record, data, [&](std::int64_t, std::int64_t written) {
        std::lock_guard<std::mutex> wait(gate);  // the worker waits for the test
        return written;
    });
    ASSERT_EQ(player->Start(), 1);
    EXPECT_EQ(player->Start(), 1);
    EXPECT_TRUE(player->IsPlaying());
    held.unlock();
    ASSERT_TRUE(WaitForEnd(*player));
    player.reset();
    EXPECT_EQ(record->opens, 1);
    EXPECT_TRUE(record->bytes == data);
}

TEST(WavePlay, NoDeviceShowsItsBoxAndLeavesThePlayerIdle) {
    auto record = std::make_shared<Record>();
    const std::vector<std::uint8_t> data = CountingFrames(100, 4);
    auto player = MakePlayer(record, data, {}, true);
    EXPECT_EQ(player->Start(), 0);
    EXPECT_FALSE(player->IsPlaying());
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{
                                  "オーディオデバイスがないか、サポートされていないフォーマットです。"});
    player->Stop();
    EXPECT_EQ(record->closes, 0);
}

// Stops from the test thread at random moments, now and then meeting the
// end; every cycle closes the device exactly once and leaves no worker.
TEST(WavePlay, StartStopCyclesCloseOnceAndJoin) {
    std::mt19937 random(11);
    const std::vector<std::uint8_t> data = CountingFrames(20000, 4);
    auto record = std::make_shared<Record>();
    auto player = MakePlayer(record, data, {});
    std::size_t before = 0;
    for (int cycle = 0; cycle < 50; ++cycle) {
        ASSERT_EQ(player->Start(), 1);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
        player->Stop();
        player->Stop();
        EXPECT_FALSE(player->IsPlaying());
        EXPECT_EQ(record->closes, cycle + 1);
        // What reached the device is a prefix of the data, in order.
        std::lock_guard<std::mutex> lock(record->mutex);
        const std::size_t sent = record->bytes.size() - before;
        ASSERT_LE(sent, data.size());
        EXPECT_TRUE(std::equal(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(sent),
                               record->bytes.begin() + static_cast<std::ptrdiff_t>(before)));
        before = record->bytes.size();
    }
    EXPECT_EQ(record->opens, 50);
    player.reset();
    EXPECT_EQ(record->closes, 50);
}

// ALSA's "null" PCM takes frames without a sound card.
TEST(WavePlayAlsa, NullDevicePlaysToTheEndWithoutABox) {
    const std::vector<std::uint8_t> data = CountingFrames(2 * 44100, 4);
    Progress progress;
    CWavePlay player(platform::MakeAlsaPcmOut("null"), kStereo44k, data, 2 * 44100, 4096, 8, 100,
                     10, progress.Callback());
    ASSERT_EQ(player.Start(), 1) << (Sink().Count() ? Sink().Texts()[0] : "");
    ASSERT_TRUE(WaitForEnd(player));
    EXPECT_EQ(progress.calls.back(), std::make_pair(std::int64_t{88200}, std::int64_t{88200}));
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST(WavePlayAlsa, UnknownDeviceShowsTheNoDeviceBox) {
    const std::vector<std::uint8_t> data = CountingFrames(100, 4);
    CWavePlay player(platform::MakeAlsaPcmOut("zaw_no_such_pcm"), kStereo44k, data, 100, 4096, 8,
                     100, 10, {});
    EXPECT_EQ(player.Start(), 0);
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{
                                  "オーディオデバイスがないか、サポートされていないフォーマットです。"});
}
