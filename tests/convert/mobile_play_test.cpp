// The ringtone models played into the recording MIDI device on the fake clock.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "convert/mobile_data.h"
#include "convert/multi_mobile_track_data.h"
#include "play/midi_player.h"
#include "play/music_player.h"
#include "tests/convert/mobile_test_util.h"

using namespace mobile_test;
using namespace std::chrono_literals;
using testing_support::Midi;
using testing_support::Sink;
using Kind = platform::RecordedMidiMessage::Kind;

namespace {

bool WaitForIdle() {
    auto until = std::chrono::steady_clock::now() + 20s;
    while (!TheMusicPlayer.idle.load()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// (key, milliseconds after the first note-on) of every note-on.
std::vector<std::pair<int, long long>> NoteOns() {
    std::vector<std::pair<int, long long>> out;
    platform::Nanoseconds start{-1};
    for (const auto& m : Midi().Messages(Kind::Short)) {
        if ((m.bytes[0] & 0xF0) != 0x90 || m.bytes[2] == 0) continue;
        if (start.count() < 0) start = m.time;
        out.emplace_back(m.bytes[1],
                         std::chrono::duration_cast<std::chrono::milliseconds>(m.time - start).count());
    }
    return out;
}

// Plays the model's playback tune once more on a player of this thread: on
// the fake clock only the player's timer moves the time then, so the note
// times are exact (the play thread's own waits move the clock as well).
void ReplayPlaySong(const MobileData& model) {
    ASSERT_NE(model.PlaySong(), nullptr);
    Midi().Clear();
    MidiPlayer player(model.PlaySong(), platform::kMidiMapper);
    auto until = std::chrono::steady_clock::now() + 20s;
    while (PlayerPlaying.load() != 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(1ms);
}

// A tune at 96 ticks a quarter, 240 bpm from the second quarter on.
MidiF1Data& TempoSong() {
    static MidiF1Data song(96);
    if (song.TrackCount() == 0) {
        MidiF1TrackData* track = AddTrack(song, 0, {{0, 60, 48}, {96, 62, 48}, {192, 64, 48}}, 1);
        auto* tempo = new MidiEvent(0);
        tempo->SetTempo(250000);
        track->InsertEventAtTime(96, tempo, 2);
        AddTrack(song, 9, {{96, 36, 24}});
    }
    return song;
}

}  // namespace

TEST(MobileDataPlay, NotesSoundAtTheTemposTimes) {
    MobileData model(TempoSong(), 0x60000);
    ASSERT_EQ(model.Play(nullptr), 1);
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(NoteOns().size(), 4u);
    ReplayPlaySong(model);
    EXPECT_EQ(NoteOns(), (std::vector<std::pair<int, long long>>{{60, 0}, {62, 500}, {36, 500},
                                                                  {64, 750}}));
    auto drums = Midi().Messages(Kind::Short);
    EXPECT_TRUE(std::any_of(drums.begin(), drums.end(),
                            [](const auto& m) { return m.bytes[0] == 0x99 && m.bytes[1] == 36; }));
    EXPECT_EQ(model.StopPlaying(), 1);
    EXPECT_EQ(Sink().Count(), 0u);

    MultiMobileTrackData multi(TempoSong());
    Midi().Clear();
    ASSERT_EQ(multi.PlayRange(nullptr, 96, 400), 1);
    ASSERT_TRUE(WaitForIdle());
    ReplayPlaySong(multi);
    EXPECT_EQ(NoteOns(), (std::vector<std::pair<int, long long>>{{62, 0}, {36, 0}, {64, 250}}));
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST(MobileDataPlay, MoreThanSixteenSlotsPlayNothing) {
    MidiF1Data song(96);
    for (int i = 0; i < 17; ++i)
        AddTrack(song, i % 16, {{0, 40 + i, 48}});
    MobileData model(song, 0x60000);
    ASSERT_EQ(model.Count(), 17);
    EXPECT_EQ(model.Play(nullptr), 0);
    EXPECT_EQ(Sink().Texts().back(),
              "MBDT05000005 The number of chanel exceeds the number that can be played!");
    EXPECT_TRUE(Midi().Messages().empty());
    EXPECT_EQ(model.PlaySong(), nullptr);
    model.Slot(16)->enabled = 0;
    EXPECT_EQ(model.Play(nullptr), 1);
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(NoteOns().size(), 16u);

    MultiMobileTrackData multi(song);
    Midi().Clear();
    EXPECT_EQ(multi.Play(nullptr), 0);
    EXPECT_EQ(multi.GetVoiceCount(), 0);
    EXPECT_EQ(Sink().Texts().back(), "MMDT05000005 Error occured in MultiMobileTrackData!");
    EXPECT_TRUE(Midi().Messages().empty());
}
