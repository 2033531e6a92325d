#include "play/midi_player.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "midi/f0_data.h"
#include "play/music_player.h"
#include "tests/support/test_support.h"

using namespace std::chrono_literals;
using testing_support::Midi;
using testing_support::Sink;
using Kind = platform::RecordedMidiMessage::Kind;
using Bytes = std::vector<std::uint8_t>;

namespace {

// Waits in real time (the fake clock is moved by the timer thread only).
template <typename Done>
bool WaitReal(Done done) {
    auto until = std::chrono::steady_clock::now() + 20s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

bool WaitForPlayerEnd() {
    return WaitReal([] { return PlayerPlaying.load() == 0; });
}

bool WaitForIdle() {
    return WaitReal([] { return TheMusicPlayer.idle.load() != 0; });
}

// A tune at 96 ticks per quarter in note-on/off form; notes are
// (delta from the previous note's start, key, length).
struct Note {
    int delta;
    int key;
    int length;
};

std::unique_ptr<MidiF0Data> MakeSong(const std::vector<Note>& notes, int tempo = 0,
                                     int channel = 0) {
    auto song = std::make_unique<MidiF0Data>(note_mode::kLength, 96);
    MidiTrackData* track = song->Track();
    if (tempo) track->AppendTempo(tempo);
    track->AddProgramChange(channel, 5);
    for (const Note& n : notes)
        track->AddNote(channel, n.delta, n.key, 100, n.length);
    track->AppendEndOfTrackAt(0);
    song->ConvertToNoteOnOff();
    return song;
}

std::vector<Note> Scale(int count, int step) {
    std::vector<Note> notes;
    for (int i = 0; i < count; ++i)
        notes.push_back({i == 0 ? 0 : step, 60 + i % 12, step});
    return notes;
}

std::vector<platform::RecordedMidiMessage> Shorts() {
    return Midi().Messages(Kind::Short);
}

bool IsNoteOn(const platform::RecordedMidiMessage& m) {
    return (m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] != 0;
}

// Notes still sounding after every message sent, All Notes Off included.
int SoundingNotes() {
    int on[16][128] = {};
    for (const auto& m : Shorts()) {
        int ch = m.bytes[0] & 0x0F;
        int kind = m.bytes[0] & 0xF0;
        if (kind == 0x90 && m.bytes[2] != 0) on[ch][m.bytes[1]] = 1;
        if (kind == 0x80 || (kind == 0x90 && m.bytes[2] == 0)) on[ch][m.bytes[1]] = 0;
        if (kind == 0xB0 && m.bytes[1] == 123)
            for (int& k : on[ch])
                k = 0;
    }
    int count = 0;
    for (auto& ch : on)
        for (int k : ch)
            count += k;
    return count;
}

// Channels that got All Notes Off after the last note-on.
int ChannelsSilencedAtEnd() {
    auto shorts = Shorts();
    std::size_t lastOn = 0;
    for (std::size_t i = 0; i < shorts.size(); ++i)
        if (IsNoteOn(shorts[i])) lastOn = i;
    int mask = 0;
    for (std::size_t i = lastOn; i < shorts.size(); ++i) {
        const auto& b = shorts[i].bytes;
        if ((b[0] & 0xF0) == 0xB0 && b[1] == 123) mask |= 1 << (b[0] & 0x0F);
    }
    int n = 0;
    for (int ch = 0; ch < 16; ++ch)
        n += (mask >> ch) & 1;
    return n;
}

// Milliseconds of each note message after the first note-on: "on key @ms".
std::vector<std::string> NoteTimeline() {
    std::vector<std::string> out;
    auto shorts = Shorts();
    platform::Nanoseconds start{-1};
    for (const auto& m : shorts) {
        int kind = m.bytes[0] & 0xF0;
        if (kind != 0x80 && kind != 0x90) continue;
        if (start.count() < 0) start = m.time;
        auto us = std::chrono::duration_cast<std::chrono::microseconds>(m.time - start).count();
        out.push_back(std::string(IsNoteOn(m) ? "on " : "off ") + std::to_string(m.bytes[1]) +
                      " @" + std::to_string(us / 1000.0).substr(0, 7));
    }
    return out;
}

std::atomic<int> g_endCalls{0};
int CountEnd() {
    ++g_endCalls;
    return 7;
}

struct SeenEvent {
    int index;
    long long time;
    int kind;
};
std::vector<SeenEvent> g_seen;
int g_stopAtIndex = -1;
int RecordEvent(int index, long long time, MidiEvent* event) {
    g_seen.push_back({index, time, event->kind});
    if (index == g_stopAtIndex) PlayerStopRequest = 1;
    return 0;
}

}  // namespace

TEST(MidiPlayer, EventTimesFollowTheTempoMap) {
    // 96 ticks at 120 bpm take 500 ms; after a tempo of 250000 us (240 bpm)
    // they take 250 ms.
    auto song = std::make_unique<MidiF0Data>(note_mode::kLength, 96);
    MidiTrackData* track = song->Track();
    track->AppendTempo(500000);
    track->AppendGmSystemOn();  // replaced by the one sent before play
    track->AddNote(0, 0, 60, 100, 96);
    track->AddNote(0, 96, 62, 100, 96);
    track->AddNote(0, 96, 64, 100, 96);
    track->AppendEndOfTrackAt(0);
    auto* tempo = new MidiEvent(0);
    tempo->SetTempo(250000);
    track->InsertEventAtTime(192, tempo, 2);
    song->ConvertToNoteOnOff();
    {
        MidiPlayer player(song.get(), platform::kMidiMapper);
        EXPECT_TRUE(player.DeviceOpen());
        ASSERT_TRUE(WaitForPlayerEnd());
        EXPECT_EQ(player.Bpm(), 240);
    }
    EXPECT_EQ(NoteTimeline(),
              (std::vector<std::string>{"on 60 @0.00000", "off 60 @500.000", "on 62 @500.000",
                                        "off 62 @1000.00", "on 64 @1000.00", "off 64 @1250.00"}));
    // GM System On went first, once; the natural end silenced every channel.
    auto longs = Midi().Messages(Kind::Long);
    ASSERT_EQ(longs.size(), 1u);
    EXPECT_EQ(longs[0].bytes, (Bytes{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
    EXPECT_EQ(ChannelsSilencedAtEnd(), 16);
    EXPECT_EQ(SoundingNotes(), 0);
    EXPECT_EQ(Midi().OpenCount(), 0);
    EXPECT_EQ(platform::ActiveTimerCount(), 0);
    EXPECT_EQ(Sink().Count(), 0u);
}

namespace {

// Nanoseconds of each note message after the first note-on, as the tune's
// tempo map gives them: microseconds per quarter times ticks, summed exactly.
std::vector<long long> TempoMapNoteTimes(const MidiF0Data& song) {
    std::vector<long long> out;
    const MidiTrackData* track = song.Track();
    long long usTicks = 0;  // microseconds per quarter x ticks
    long long tempo = 500000;
    long long first = -1;
    for (int i = 0; i < track->EventCount(); ++i) {
        const MidiEvent* e = track->Event(i);
        usTicks += e->delta * tempo;
        if (e->IsMeta(meta_type::kTempo)) tempo = e->value;
        if (e->kind != event_kind::kNoteOn && e->kind != event_kind::kNoteOff) continue;
        long long ns = usTicks * 1000 / song.division;
        if (first < 0) first = ns;
        out.push_back(ns - first);
    }
    return out;
}

std::vector<long long> RecordedNoteTimes() {
    std::vector<long long> out;
    long long first = -1;
    for (const auto& m : Shorts()) {
        int kind = m.bytes[0] & 0xF0;
        if (kind != 0x80 && kind != 0x90) continue;
        if (first < 0) first = m.time.count();
        out.push_back(m.time.count() - first);
    }
    return out;
}

}  // namespace

TEST(MidiPlayer, EventTimesFollowTheMicrosecondsPerQuarterExactly) {
    // 650000 us a quarter is 92.3 bpm, not 92: the note at tick 4800 is due
    // 50 quarters x 650 ms = 32.5 s after the first, not 32.61 s. A tempo of
    // 437500 us (137.1 bpm) then starts 35 ticks into a beat.
    auto song = std::make_unique<MidiF0Data>(note_mode::kLength, 96);
    MidiTrackData* track = song->Track();
    track->AppendTempo(650000);
    track->AddNote(0, 0, 60, 100, 96);
    track->AddNote(0, 4800, 62, 100, 100);
    track->AddNote(0, 960, 64, 100, 7);
    track->AppendEndOfTrackAt(0);
    auto* tempo = new MidiEvent(0);
    tempo->SetTempo(437500);
    track->InsertEventAtTime(4835, tempo, 2);
    song->ConvertToNoteOnOff();
    const std::vector<long long> expected = TempoMapNoteTimes(*song);
    ASSERT_EQ(expected.size(), 6u);
    EXPECT_EQ(expected[2], 32'500'000'000);
    // 35 ticks at 650000 us and 925 at 437500 us: 4452473958.3 ns.
    EXPECT_EQ(expected[4], 36'952'473'958);

    for (int callBack = 0; callBack < 2; ++callBack) {
        Midi().Clear();
        {
            std::unique_ptr<MidiPlayer> player;
            if (callBack) {
                player = std::make_unique<CallBackPlayer>(song.get(), platform::kMidiMapper,
                                                          RecordEvent, 0, 0, -1, CountEnd);
            } else {
                player = std::make_unique<MidiPlayer>(song.get(), platform::kMidiMapper);
            }
            ASSERT_TRUE(WaitForPlayerEnd());
            EXPECT_EQ(player->Bpm(), 137);  // shown as whole bpm, played exactly
        }
        EXPECT_EQ(RecordedNoteTimes(), expected) << (callBack ? "CallBackPlayer" : "MidiPlayer");
    }
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST(MidiPlayer, GapsLongerThanTheLongestTimerAreWaitedOut) {
    // 200000 ticks at 120 bpm are 1041.7 s, more than one timer waits: the
    // timer is set again until the note is due.
    auto song = MakeSong({{0, 60, 10}, {200000, 62, 10}});
    for (int callBack = 0; callBack < 2; ++callBack) {
        Midi().Clear();
        {
            std::unique_ptr<MidiPlayer> player;
            if (callBack) {
                player = std::make_unique<CallBackPlayer>(song.get(), platform::kMidiMapper,
                                                          RecordEvent, 0, 0, -1, CountEnd);
            } else {
                player = std::make_unique<MidiPlayer>(song.get(), platform::kMidiMapper);
            }
            ASSERT_TRUE(WaitForPlayerEnd());
        }
        EXPECT_EQ(RecordedNoteTimes(), TempoMapNoteTimes(*song));
        EXPECT_EQ(RecordedNoteTimes().back(), 200010LL * 500000 * 1000 / 96);
    }
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST(MidiPlayer, DefaultTempoPeriodAndTheFirstDelta) {
    // Without a tempo event the tune plays at 120 bpm; the first note keeps
    // its 48 ticks (250 ms) after the events before it; the period at 96
    // ticks and 120 bpm is 60000 / 11520 = 5 ms.
    auto song = MakeSong({{48, 60, 96}, {96, 61, 48}});
    MidiPlayer player(song.get(), platform::kMidiMapper);
    EXPECT_EQ(player.TimerPeriod(), 5);
    ASSERT_TRUE(WaitForPlayerEnd());
    auto shorts = Shorts();
    ASSERT_GE(shorts.size(), 3u);
    EXPECT_EQ(shorts[0].bytes, (Bytes{0xC0, 5}));  // the program, at once
    EXPECT_EQ(shorts[1].bytes, (Bytes{0x90, 60, 100}));
    EXPECT_EQ(shorts[1].time - shorts[0].time, 255ms);
    EXPECT_EQ(NoteTimeline(), (std::vector<std::string>{"on 60 @0.00000", "off 60 @500.000",
                                                        "on 61 @500.000", "off 61 @750.000"}));
}

TEST(MidiPlayer, TunesWithoutNotesAndRefusedSongs) {
    // Only controllers: every event is sent before the first timer, and the
    // first callback ends play.
    auto song = std::make_unique<MidiF0Data>(note_mode::kLength, 96);
    song->Track()->AddControlChange(3, 7, 90);
    song->Track()->AppendEndOfTrackAt(200);
    song->ConvertToNoteOnOff();
    {
        MidiPlayer player(song.get(), platform::kMidiMapper);
        ASSERT_TRUE(WaitForPlayerEnd());
    }
    EXPECT_EQ(Shorts().front().bytes, (Bytes{0xB3, 7, 90}));
    EXPECT_EQ(Sink().Count(), 0u);

    // A tune in note-with-length form cannot be played.
    Midi().Clear();
    auto notes = std::make_unique<MidiF0Data>(note_mode::kLength, 96);
    {
        MidiPlayer player(notes.get(), platform::kMidiMapper);
        EXPECT_FALSE(player.DeviceOpen());
    }
    EXPECT_EQ(Sink().Texts(),
              (std::vector<std::string>{"MDPL08000004 Internal error occured in MidiPlayer!"}));
    EXPECT_TRUE(Midi().Messages().empty());
}

TEST(MidiPlayer, KillEndsTheChainAtOnce) {
    auto song = MakeSong(Scale(2000, 24));
    auto player = std::make_unique<MidiPlayer>(song.get(), platform::kMidiMapper);
    ASSERT_TRUE(WaitReal([] { return Shorts().size() > 20; }));
    player->Kill();
    EXPECT_EQ(PlayerPlaying.load(), 0);
    std::size_t count = Shorts().size();
    std::this_thread::sleep_for(5ms);
    EXPECT_EQ(Shorts().size(), count);  // nothing is sent after the kill
    EXPECT_EQ(platform::ActiveTimerCount(), 0);
    player.reset();  // closing resets the device
    EXPECT_EQ(SoundingNotes(), 0);
}

TEST(CallBackPlayer, ReportsEventsStopsAtTheEndPositionAndOnRequest) {
    auto song = MakeSong(Scale(8, 96));  // notes at 0, 96, ..., 672
    g_endCalls = 0;
    g_seen.clear();
    g_stopAtIndex = -1;
    {
        CallBackPlayer player(song.get(), platform::kMidiMapper, RecordEvent, 1000, 0, 1000 + 288,
                              CountEnd);
        ASSERT_TRUE(WaitForPlayerEnd());
        EXPECT_EQ(player.CurrentTime(), 1000 + 288);
    }
    // The GM System On, the program, then the notes up to the end position.
    ASSERT_GE(g_seen.size(), 3u);
    EXPECT_EQ(g_seen[0].kind, event_kind::kSysEx);
    EXPECT_EQ(g_seen[1].kind, event_kind::kProgramChange);
    long long lastTime = 0;
    int noteOns = 0;
    for (std::size_t i = 2; i < g_seen.size(); ++i) {
        lastTime = g_seen[i].time;
        if (g_seen[i].kind == event_kind::kNoteOn) ++noteOns;
    }
    EXPECT_EQ(noteOns, 3);
    EXPECT_LT(lastTime, 1000 + 288);
    EXPECT_EQ(SoundingNotes(), 0);
    EXPECT_EQ(g_endCalls.load(), 0);  // the owner calls it, not the timer thread
    EXPECT_EQ(Sink().Count(), 0u);

    // Without an end callback reaching the end position is reported, once.
    for (int round = 0; round < 2; ++round) {
        CallBackPlayer player(song.get(), platform::kMidiMapper, RecordEvent, 0, 0, 96);
        ASSERT_TRUE(WaitForPlayerEnd());
    }
    EXPECT_EQ(Sink().Texts(), (std::vector<std::string>{"CallBackPlayer Error!"}));

    // A stop request from the event callback ends play and silences.
    Midi().Clear();
    g_seen.clear();
    g_stopAtIndex = 4;
    {
        CallBackPlayer player(song.get(), platform::kMidiMapper, RecordEvent, 0, 0, -1, CountEnd);
        ASSERT_TRUE(WaitForPlayerEnd());
    }
    g_stopAtIndex = -1;
    EXPECT_LE(g_seen.back().index, 5);
    EXPECT_EQ(ChannelsSilencedAtEnd(), 16);
    EXPECT_EQ(SoundingNotes(), 0);
    EXPECT_EQ(platform::ActiveTimerCount(), 0);
}

TEST(CallBackPlayer, NaturalEndStartTickAndEmptyTunes) {
    // The last batch (the final note-offs) is sent, then All Notes Off.
    auto song = MakeSong(Scale(4, 96), 500000);
    g_seen.clear();
    {
        CallBackPlayer player(song.get(), platform::kMidiMapper, RecordEvent, 0, 0, -1, CountEnd);
        ASSERT_TRUE(WaitForPlayerEnd());
    }
    EXPECT_EQ(g_seen.back().kind, event_kind::kMeta);  // the End of Track
    EXPECT_EQ(g_seen.back().time, 4 * 96);
    EXPECT_EQ(NoteTimeline().back(), "off 63 @2000.00");
    EXPECT_EQ(ChannelsSilencedAtEnd(), 16);
    EXPECT_EQ(SoundingNotes(), 0);

    // From tick 200: the program is sent as state; the note-off at 288 is
    // among the events before the first note, sent at once, and the note at
    // 288 follows a period later.
    Midi().Clear();
    g_seen.clear();
    {
        CallBackPlayer player(song.get(), platform::kMidiMapper, RecordEvent, 0, 200, -1, CountEnd);
        ASSERT_TRUE(WaitForPlayerEnd());
    }
    auto shorts = Shorts();
    ASSERT_FALSE(shorts.empty());
    EXPECT_EQ(shorts[0].bytes, (Bytes{0xC0, 5}));
    auto timeline = NoteTimeline();
    ASSERT_FALSE(timeline.empty());
    EXPECT_EQ(timeline,
              (std::vector<std::string>{"off 62 @0.00000", "on 63 @5.00000", "off 63 @505.000"}));

    // Nothing left after the preparation: no timer, not playing.
    auto empty = std::make_unique<MidiF0Data>(note_mode::kLength, 96);
    empty->Track()->AppendEndOfTrackAt(0);
    empty->ConvertToNoteOnOff();
    CallBackPlayer player(empty.get(), platform::kMidiMapper, RecordEvent, 0, 0, -1, CountEnd);
    EXPECT_EQ(PlayerPlaying.load(), 0);
    EXPECT_EQ(platform::ActiveTimerCount(), 0);
}

TEST(PlayThread, PlaysACopyAndCallsTheEndCallbackOnce) {
    g_endCalls = 0;
    auto song = std::make_unique<MidiF0Data>(note_mode::kLength, 480);
    song->Track()->AppendTempo(500000);
    song->Track()->AddNote(0, 2000, 60, 100, 480);  // first note in the second bar
    song->Track()->AddNote(0, 480, 62, 100, 480);
    song->Track()->AppendEndOfTrackAt(0);
    EXPECT_EQ(song->PlayCopy(CountEnd), 1);
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(g_endCalls.load(), 1);
    EXPECT_EQ(TheMusicPlayer.IsPlaying(), 0);
    // The copy: 96 ticks a quarter, note-on/off form, one empty bar removed.
    MidiF0Data* copy = song->PlayCopyData();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->division, 96);
    EXPECT_EQ(copy->noteMode, note_mode::kNoteOnOff);
    EXPECT_EQ(copy->GetTicksBeforeFirstNote(), 400 - 384);
    EXPECT_EQ(song->noteMode, note_mode::kLength);  // the tune itself is untouched
    EXPECT_EQ(SoundingNotes(), 0);
    EXPECT_EQ(Midi().OpenCount(), 0);

    // Played again, the finished copy is replaced.
    EXPECT_EQ(song->PlayCopy(CountEnd), 1);
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(g_endCalls.load(), 2);

    // A tune without notes ends too.
    auto silent = std::make_unique<MidiF0Data>(note_mode::kLength, 96);
    silent->Track()->AddControlChange(0, 7, 100);
    silent->Track()->AppendEndOfTrackAt(384);
    EXPECT_EQ(silent->PlayCopy(CountEnd), 1);
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(g_endCalls.load(), 3);
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST(PlayThread, DeviceThatCannotBeOpenedGivesUp) {
    g_endCalls = 0;
    Midi().SetOpenFails(platform::kMidiMapper, true);
    Midi().SetOpenFails(0, true);
    auto song = MakeSong(Scale(4, 96));
    song->ConvertToNoteLength();
    EXPECT_EQ(song->PlayCopy(CountEnd), 0);
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(g_endCalls.load(), 1);
    EXPECT_EQ(Sink().Texts(), (std::vector<std::string>{"MDCT07000001 Can not open Midi device!"}));
    EXPECT_EQ(TheMusicPlayer.IsPlaying(), 0);
}

TEST(PlayThread, SecondStartWhilePlayingWaitsOrIsRefused) {
    // Under the fake clock the ten seconds of waiting pass at once, so the
    // second start is usually refused; either way the first copy is deleted
    // only once its play has ended.
    auto song = MakeSong(Scale(10000, 48));
    song->ConvertToNoteLength();
    ASSERT_EQ(song->PlayCopy(CountEnd), 1);
    MidiF0Data* first = song->PlayCopyData();
    int second = song->PlayCopy(CountEnd);
    if (second == 0) {
        EXPECT_EQ(Sink().Texts(), (std::vector<std::string>{"GENE01000004 Quit and restart!"}));
        EXPECT_EQ(song->PlayCopyData(), first);
    } else {
        EXPECT_NE(song->PlayCopyData(), nullptr);
    }
    TheMusicPlayer.RequestStop();
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(SoundingNotes(), 0);
    EXPECT_EQ(platform::ActiveTimerCount(), 0);

    // With nothing playing the stop is reported and still returns.
    Sink().Clear();
    EXPECT_EQ(song->StopPlay(), 1);
    EXPECT_EQ(Sink().Texts(),
              (std::vector<std::string>{"M0DT0400000A Error occured during stop process!"}));
    EXPECT_EQ(song->PlayCopyData(), nullptr);
}

namespace {
// Installs the real clock for one test, so that the waits of a stop give the
// play thread real time.
struct RealClockScope {
    std::shared_ptr<platform::Clock> previous =
        platform::SetClock(std::make_shared<platform::RealClock>());
    ~RealClockScope() { platform::SetClock(previous); }
};
}  // namespace

TEST(PlayThread, StopPlaySilencesAndDeletesTheCopyAfterPlay) {
    RealClockScope realClock;
    g_endCalls = 0;
    auto song = MakeSong(Scale(400, 48));
    song->ConvertToNoteLength();
    ASSERT_EQ(song->PlayCopy(CountEnd), 1);
    ASSERT_TRUE(WaitReal([] { return Shorts().size() > 3; }));
    EXPECT_EQ(song->StopPlay(), 1);
    EXPECT_EQ(TheMusicPlayer.idle.load(), 1);
    EXPECT_EQ(song->PlayCopyData(), nullptr);
    EXPECT_EQ(g_endCalls.load(), 0);  // stopped plays do not call it
    EXPECT_EQ(ChannelsSilencedAtEnd(), 16);
    EXPECT_EQ(SoundingNotes(), 0);
    EXPECT_EQ(Midi().OpenCount(), 0);
    EXPECT_EQ(platform::ActiveTimerCount(), 0);
    EXPECT_EQ(Sink().Count(), 0u);

    // A tune deleted while its copy plays stops the play first.
    ASSERT_EQ(song->PlayCopy(CountEnd), 1);
    song.reset();
    EXPECT_EQ(TheMusicPlayer.idle.load(), 1);
    EXPECT_EQ(platform::ActiveTimerCount(), 0);
    EXPECT_EQ(g_endCalls.load(), 0);
}

namespace {

// Recorded messages of one kind.
std::size_t CountOf(Kind kind) {
    return Midi().Messages(kind).size();
}

}  // namespace

TEST(MidiPlayer, PlayThatStopsSilencesEveryChannelBeforeTheDeviceIsClosed) {
    // Closing the device resets it, which silences too; so each check is made
    // while the device is still open, before the player is deleted.
    auto expectSilencedWhileOpen = [](const char* road) {
        EXPECT_EQ(ChannelsSilencedAtEnd(), 16) << road;
        EXPECT_EQ(SoundingNotes(), 0) << road;
        EXPECT_EQ(CountOf(Kind::Reset), 0u) << road;
        EXPECT_EQ(CountOf(Kind::Close), 0u) << road;
        EXPECT_EQ(Midi().OpenCount(), 1) << road;
    };
    auto song = MakeSong(Scale(2000, 24));
    {
        // The natural end of a plain player (the last note-offs have gone
        // out, so only the All Notes Off is looked for).
        auto shortSong = MakeSong(Scale(3, 96));
        MidiPlayer player(shortSong.get(), platform::kMidiMapper);
        ASSERT_TRUE(WaitForPlayerEnd());
        expectSilencedWhileOpen("natural end");
    }
    {
        // A stop request in the middle of a note.
        Midi().Clear();
        MidiPlayer player(song.get(), platform::kMidiMapper);
        ASSERT_TRUE(WaitReal([] { return Shorts().size() > 20; }));
        PlayerStopRequest = 1;
        ASSERT_TRUE(WaitForPlayerEnd());
        expectSilencedWhileOpen("stop request");
    }
    {
        // The natural end of a callback player.
        Midi().Clear();
        auto shortSong = MakeSong(Scale(3, 96));
        CallBackPlayer player(shortSong.get(), platform::kMidiMapper, RecordEvent, 0, 0, -1,
                              CountEnd);
        ASSERT_TRUE(WaitForPlayerEnd());
        expectSilencedWhileOpen("callback player end");
    }
}

TEST(MusicPlayer, StopWhileANoteHoldsSilencesBeforeTheRelease) {
    // On the real clock the note-off lies 20 s ahead, so the chain sleeps and
    // only the stop of WaitForEnd can silence the note.
    RealClockScope realClock;
    auto song = MakeSong({{0, 60, 96 * 40}});
    ASSERT_EQ(TheMusicPlayer.Start(song.get(), nullptr, 0, 0, -1, nullptr), 1);
    ASSERT_TRUE(WaitReal([] { return SoundingNotes() == 1; }));
    TheMusicPlayer.RequestStop();
    EXPECT_EQ(TheMusicPlayer.WaitForEnd(CountEnd), 0);
    EXPECT_EQ(ChannelsSilencedAtEnd(), 16);
    EXPECT_EQ(SoundingNotes(), 0);
    EXPECT_EQ(CountOf(Kind::Reset), 0u);
    EXPECT_EQ(Midi().OpenCount(), 1);
    EXPECT_EQ(platform::ActiveTimerCount(), 0);
    TheMusicPlayer.ReleasePlayer();
    EXPECT_EQ(Midi().OpenCount(), 0);
    PlayerStopRequest = 0;
}

TEST(MidiPlayer, KeepDeviceLeavesTheDeviceOpenAndUntouched) {
    auto song = MakeSong(Scale(3, 96));
    {
        MidiPlayer player(song.get(), platform::kMidiMapper);
        player.keepDevice = 1;
        ASSERT_TRUE(WaitForPlayerEnd());
    }
    EXPECT_EQ(CountOf(Kind::Reset), 0u);
    EXPECT_EQ(CountOf(Kind::Close), 0u);
    EXPECT_EQ(Midi().OpenCount(), 1);
    std::shared_ptr<MidiControler> kept = SharedMidiControler();
    ASSERT_NE(kept, nullptr);
    ASSERT_TRUE(kept->IsOpen());
    // Still the device the player used: what is sent now reaches it.
    std::size_t before = Shorts().size();
    kept->NoteOn(67, 90, 2);
    ASSERT_EQ(Shorts().size(), before + 1);
    EXPECT_EQ(Shorts().back().bytes, (Bytes{0x92, 67, 90}));
    kept->Close();
    EXPECT_EQ(Midi().OpenCount(), 0);
    EXPECT_EQ(Sink().Count(), 0u);
}
