// Listening to converted files: every reader plays the file's notes on the
// recording device; a second listen frees the first once; a listen that
// ends by itself is freed on the UI thread, never a newer one; and random
// play and stop cycles on the real clock.
#include "app/ringtone_listen.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <random>
#include <thread>

#include "compose/compose_control.h"
#include "convert/mobile_data.h"
#include "convert/ringtone_drivers.h"
#include "core/conversion_services.h"
#include "core/settings.h"
#include "midi/f0_data.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "play/music_player.h"
#include "tests/convert/driver_rows.h"
#include "tests/convert/smf_builder.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::Midi;
using testing_support::Sink;
using Kind = platform::RecordedMidiMessage::Kind;
using namespace std::chrono_literals;

bool WaitForIdle() {
    const auto until = std::chrono::steady_clock::now() + 20s;
    while (!TheMusicPlayer.idle.load() || PlayingActive.load() != 0) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Keys (mod 12) of the note-ons sent, sorted.
std::vector<int> PlayedKeys() {
    std::vector<int> keys;
    for (const auto& m : Midi().Messages(Kind::Short))
        if ((m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] != 0) keys.push_back(m.bytes[1] % 12);
    std::sort(keys.begin(), keys.end());
    return keys;
}

struct Reader {
    const char* name;
    std::function<int(const std::string&, int, int)> convert;  // into LastOutputPath
    std::function<int(const std::string&)> play;
};

const std::vector<Reader>& Readers() {
    static const std::vector<Reader> readers = {
        {"MFi",
         [](const std::string& p, int a, int t) {
             return ConvertToMfi(driver_rows::Row(Converter::Mfi, 4, t), p, a);
         },
         [](const std::string& p) { return PlayMfiFile(p, 4); }},
        {"MFM",
         [](const std::string& p, int a, int t) {
             return ConvertToMfm(driver_rows::Row(Converter::Mfm, -1, t), p, a);
         },
         PlayMfmFile},
        {"multi MFi",
         [](const std::string& p, int a, int t) {
             return ConvertToMultiMfi(driver_rows::Row(Converter::MultiMfi, 6, t), p, a, 0);
         },
         [](const std::string& p) { return PlayMultiMfiFile(p, 6); }},
        {"SMAF",
         [](const std::string& p, int a, int t) {
             return ConvertToSmaf(driver_rows::Row(Converter::Smaf, 16, t), p, a);
         },
         PlaySmafFile},
        {"SMAF MA-3",
         [](const std::string& p, int a, int t) {
             return ConvertToSmafMa3(driver_rows::Row(Converter::SmafMa3, 32, t), p, a);
         },
         PlaySmafFile},
        {"SMF", nullptr, PlaySmfFile},
    };
    return readers;
}

class RingtoneListen : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = AppSettings;
        backend_ = std::make_shared<platform::ui::HeadlessBackend>();
        platform::ui::InstallBackend(backend_);
        AppSettings.RingtoneSizeLimit = 1 << 30;
        folder_ = testing_support::ScratchDir() + "/";
        // Each reader's file of the same song.
        const std::string song = folder_ + "song.mid";
        smf_builder::TrackSpec melody{0, 64, 16, {100}, "", false};
        smf_builder::TrackSpec bass{2, 41, 8, {90}, "", false};
        const auto bytes = smf_builder::Song({melody, bass});
        testing_support::WriteFileText(song, std::string(bytes.begin(), bytes.end()));
        for (const Reader& r : Readers()) {
            std::string out = song;
            if (r.convert) {
                out = folder_ + r.name + ".bin";
                LastOutputPath.Set(out);
                // Type 3's sixteen voices choose the channels.
                ASSERT_EQ(r.convert(song, 1, 3), 1) << r.name;
            }
            files_.push_back(out);
        }
        Sink().Clear();
    }
    void TearDown() override {
        StopRingtoneListen();
        platform::ui::RunPosted();
        platform::ui::InstallBackend(nullptr);
        AppSettings = saved_;
        PlayingActive = 0;
    }

    AppSettingsRecord saved_{};
    std::shared_ptr<platform::ui::HeadlessBackend> backend_;
    std::string folder_;
    std::vector<std::string> files_;
};

}  // namespace

TEST_F(RingtoneListen, EveryReaderPlaysTheFilesNotesAndIsFreedOnTheUiThread) {
    // 16 melody notes from E and 8 bass notes from F, rising by semitones.
    std::vector<int> expected;
    for (int i = 0; i < 16; ++i) expected.push_back((64 + i % 12) % 12);
    for (int i = 0; i < 8; ++i) expected.push_back((41 + i) % 12);
    std::sort(expected.begin(), expected.end());
    for (std::size_t r = 0; r < Readers().size(); ++r) {
        Midi().Clear();
        ASSERT_EQ(Readers()[r].play(files_[r]), 1) << Readers()[r].name;
        ASSERT_TRUE(WaitForIdle()) << Readers()[r].name;
        EXPECT_EQ(PlayedKeys(), expected) << Readers()[r].name;
        // Ended: the flags are clear at once, the object goes on the UI thread.
        EXPECT_EQ(PlayingActive.load(), 0);
        EXPECT_EQ(RingtoneListenHeld(), 1) << Readers()[r].name;
        platform::ui::RunPosted();
        EXPECT_EQ(RingtoneListenHeld(), 0) << Readers()[r].name;
        for (const auto& text : Sink().Texts()) ADD_FAILURE() << Readers()[r].name << ": " << text;
        Sink().Clear();
    }
}

TEST_F(RingtoneListen, NothingToPlay) {
    ResultText.Clear();
    EXPECT_EQ(PlayMfiFile(folder_ + "missing.mld", 4), 0);
    EXPECT_EQ(ResultText.Get(), kConvertFileFirst);
    EXPECT_EQ(PlayMfmFile(folder_ + "missing.mfm"), 0);
    EXPECT_EQ(PlaySmafFile(folder_ + "missing.mmf"), 0);
    // A damaged MFi file shows its reader's box, once.
    Sink().Clear();
    testing_support::WriteFileText(folder_ + "magic.mld", "melo");
    EXPECT_EQ(PlayMfiFile(folder_ + "magic.mld", 4), 0);
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{"MFHD21000003 Wrong MFi header size!"});
    Sink().Clear();
    // A file that is no SMAF says so.
    testing_support::WriteFileText(folder_ + "text.mmf", "no tune in here");
    EXPECT_EQ(PlaySmafFile(folder_ + "text.mmf"), 0);
    ASSERT_GE(Sink().Count(), 1u);
    EXPECT_EQ(Sink().Texts().back(), "ZAWCFF01016B Loading SMAF has been failed!");
    EXPECT_EQ(RingtoneListenHeld(), 0);
    EXPECT_EQ(PlayingActive.load(), 0);
}

TEST_F(RingtoneListen, ASecondListenReportsAndFreesTheFirstOnce) {
    auto fake = platform::SetClock(std::make_shared<platform::RealClock>());
    for (std::size_t r : {0u, 2u, 5u}) {
        Sink().Clear();
        ASSERT_EQ(Readers()[r].play(files_[r]), 1);
        ASSERT_EQ(Readers()[r].play(files_[r]), 1);
        ASSERT_EQ(Sink().Count(), 1u) << Readers()[r].name;
        EXPECT_EQ(Sink().Texts()[0], r == 5 ? "ZAWCFF010050 Error in MIDI Data!"
                                            : "ZAWCFF010170 Data for mobile phone is worng!");
        EXPECT_EQ(PlayingActive.load(), 1);
        StopRingtoneListen();
        EXPECT_EQ(RingtoneListenHeld(), 0);
        EXPECT_EQ(PlayingActive.load(), 0);
    }
    platform::SetClock(fake);
}

TEST_F(RingtoneListen, AnEndedListensReleaseNeverReachesANewerOne) {
    ASSERT_EQ(PlayMfiFile(files_[0], 4), 1);
    ASSERT_TRUE(WaitForIdle());
    // The release of the ended listen waits; a new listen starts first.
    auto fake = platform::SetClock(std::make_shared<platform::RealClock>());
    ASSERT_EQ(PlayMfiFile(files_[0], 4), 1);
    const MobileData* playing = ListenMobileData.get();
    platform::ui::RunPosted();
    EXPECT_EQ(ListenMobileData.get(), playing);
    EXPECT_EQ(PlayingActive.load(), 1);
    StopRingtoneListen();
    platform::SetClock(fake);
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST_F(RingtoneListen, RandomPlayAndStopCycles) {
    auto fake = platform::SetClock(std::make_shared<platform::RealClock>());
    std::mt19937 random(37);
    for (int cycle = 0; cycle < 50; ++cycle) {
        const std::size_t r = random() % Readers().size();
        Readers()[r].play(files_[r]);
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 30));
        if (random() % 3 == 0) platform::ui::RunPosted();
        if (random() % 2 == 0) StopRingtoneListen();
    }
    StopRingtoneListen();
    platform::ui::RunPosted();
    platform::SetClock(fake);
    EXPECT_EQ(RingtoneListenHeld(), 0);
    EXPECT_EQ(PlayingActive.load(), 0);
    EXPECT_TRUE(TheMusicPlayer.idle.load());
    for (const auto& text : Sink().Texts())
        EXPECT_TRUE(text.find("worng") != std::string::npos ||
                    text.find("MIDI Data") != std::string::npos)
            << text;
}
