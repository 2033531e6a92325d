// The compose worker driven through its start and stop, with a stand-in for
// the composer that writes and saves a small tune, on the fake clock, the
// recording devices and a scratch output folder.
#include "compose/compose_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/settings.h"
#include "core/shell_services.h"
#include "midi/f0_data.h"
#include "play/midi_player.h"
#include "play/music_player.h"
#include "style/style_table.h"
#include "tests/support/test_support.h"

using namespace std::chrono_literals;
using testing_support::Clock;
using testing_support::Midi;
using testing_support::Sink;
using Kind = RecordingShellServices::Kind;
using MidiKind = platform::RecordedMidiMessage::Kind;

namespace {

// A format-0 image at 96 ticks a quarter: notes of `step` ticks on one channel.
std::vector<std::uint8_t> SmallSmf(int notes, int step, int channel = 0) {
    std::vector<std::uint8_t> track;
    auto varLen = [&track](int v) {
        if (v >= 0x80) track.push_back(static_cast<std::uint8_t>(0x80 | (v >> 7)));
        track.push_back(static_cast<std::uint8_t>(v & 0x7F));
    };
    for (int i = 0; i < notes; ++i) {
        const auto key = static_cast<std::uint8_t>(60 + i % 12);
        varLen(0);
        track.insert(track.end(), {static_cast<std::uint8_t>(0x90 | channel), key, 100});
        varLen(step);
        track.insert(track.end(), {static_cast<std::uint8_t>(0x80 | channel), key, 0});
    }
    track.insert(track.end(), {0, 0xFF, 0x2F, 0});
    std::vector<std::uint8_t> smf = {'M', 'T', 'h', 'd', 0,  0,   0,   6,   0,
                                     0,   0,   1,   0,   96, 'M', 'T', 'r', 'k'};
    const auto n = static_cast<std::uint32_t>(track.size());
    smf.insert(smf.end(), {static_cast<std::uint8_t>(n >> 24), static_cast<std::uint8_t>(n >> 16),
                           static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)});
    smf.insert(smf.end(), track.begin(), track.end());
    return smf;
}

// Composes like the real driver as far as the worker can see: the status
// texts, the tune image in the buffer and the numbered file, and a stop
// request honoured by ending the run without saving.
class FakeSteps : public ComposeSteps {
public:
    struct Tune {
        int number;
        std::string style;
        std::int32_t seed;
        int firstDraw;
        int chordMethod, transpose, secondMelodyVoicing;
    };

    int ComposeTune(std::uint8_t* buffer, std::size_t* length) override {
        const int call = calls++;
        MusicStyle style;
        GetWorkingStyle(style);
        const std::string title = DisplayTitle(style);
        const std::string name = OutputFileName.Get();
        GetShellServices()->SetMainWindowTitle("[" + name.substr(6, 2) + "] " + title);
        StatusText.Set("Now composing " + title);
        const std::int32_t seed = RandomSeedValue.load();
        tunes.push_back({std::atoi(name.substr(6, 2).c_str()), title, seed,
                         RandomInRange(0, 1 << 30), style.chordGenerationMethod, style.transpose,
                         style.melody[1].voicing});
        if (call == stopAtCall) RequestStop();
        // Held until released or stopped, so that a run outlasts its start.
        while (hold.load() && ComposeStopRequest.load() == 0 && ComposingActive.load() == 1)
            std::this_thread::yield();
        if (call == clearSelectionAtCall)
            std::fill_n(ComposeStyleSelection, kStyleSelectionCount, 0);
        if (ComposeStopRequest.load() == 1) {
            ClearComposingFlag();
            return 0;
        }
        const std::vector<std::uint8_t> smf = SmallSmf(notes, step);
        std::memcpy(buffer, smf.data(), smf.size());
        *length = smf.size();
        const std::string path = std::string(AppSettings.OutputFolder) + "/" + name;
        EXPECT_EQ(WriteFileBytes(path, smf.data(), smf.size()), 1);
        StatusText.Set("Now playing " + title);
        return 1;
    }
    MemoryBlock AllocWorkBuffer() override {
        ++runs;
        return failAlloc ? MemoryBlock() : ComposeSteps::AllocWorkBuffer();
    }
    void PickConversionInput() override { ++picks; }

    std::atomic<int> calls{0}, runs{0}, picks{0};
    std::atomic<bool> hold{false};
    int stopAtCall = -1, clearSelectionAtCall = -1;
    bool failAlloc = false;
    int notes = 4, step = 24;
    std::vector<Tune> tunes;
};

struct RealClockScope {
    std::shared_ptr<platform::Clock> previous =
        platform::SetClock(std::make_shared<platform::RealClock>());
    ~RealClockScope() { platform::SetClock(previous); }
};

template <typename Done>
bool WaitReal(Done done) {
    const auto until = std::chrono::steady_clock::now() + 20s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

class ComposeControl : public ::testing::Test {
protected:
    void SetUp() override {
        static bool built = [] {
            InitDefaultSettings();
            BuildStyleTable();
            return true;
        }();
        (void)built;
        savedSettings_ = AppSettings;
        std::memcpy(savedCompose_, ComposeStyleSelection, sizeof savedCompose_);
        std::memcpy(savedConvert_, ConvertStyleSelection, sizeof savedConvert_);
        GetWorkingStyle(savedStyle_);
        SetFieldText(AppSettings.OutputFolder, testing_support::ScratchDir());
        AppSettings.ComposeOutputType = 2;
        AppSettings.DontPlay = 1;
        ClearStyleSelections();
        ComposeStyleSelection[0 * kStyleSlots + 1] = 1;  // "Acoustic"
        PanelMode = kPanelModeCompose;
        ResetPreviousStylePick();
        shell_ = std::make_shared<RecordingShellServices>();
        SetShellServices(shell_);
        steps_ = std::make_shared<FakeSteps>();
        SetComposeSteps(steps_);
        StatusText.Clear();
        ResultText.Clear();
    }
    void TearDown() override {
        StopComposeRun(true);
        SetComposeSteps(nullptr);
        SetShellServices(nullptr);
        AppSettings = savedSettings_;
        std::memcpy(ComposeStyleSelection, savedCompose_, sizeof savedCompose_);
        std::memcpy(ConvertStyleSelection, savedConvert_, sizeof savedConvert_);
        SetWorkingStyle(savedStyle_);
        PanelMode = kPanelModeCompose;
        PlayerStopRequest = 0;
    }

    // Waits for the run to end by itself, then joins the worker.
    void FinishRun() {
        ASSERT_TRUE(WaitReal([] { return ComposingActive.load() == 0; }));
        StopComposeRun(true);
        EXPECT_FALSE(ComposeWorkerRunning());
    }
    void ExpectFlagsClear() {
        EXPECT_EQ(ComposingActive.load(), 0);
        EXPECT_EQ(TuneInProgress.load(), 0);
        EXPECT_EQ(ComposeStopRequest.load(), 0);
        EXPECT_EQ(StopPending.load(), 0);
        EXPECT_EQ(PlayerPlaying.load(), 0);
    }
    int NoteOns() {
        int n = 0;
        for (const auto& m : Midi().Messages(MidiKind::Short))
            n += (m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] != 0;
        return n;
    }
    bool Saved(const char* name) {
        return std::filesystem::exists(std::string(AppSettings.OutputFolder) + "/" + name);
    }

    std::shared_ptr<RecordingShellServices> shell_;
    std::shared_ptr<FakeSteps> steps_;

private:
    AppSettingsRecord savedSettings_{};
    std::int32_t savedCompose_[kStyleSelectionCount]{};
    std::int32_t savedConvert_[kStyleSelectionCount]{};
    MusicStyle savedStyle_{};
};

TEST_F(ComposeControl, RunWrapsTheNumberWithoutPausesAndSeedsEachTune) {
    AppSettings.TuneNumber = 98;
    const auto slept = Clock().Slept();
    ASSERT_TRUE(StartComposeRun(3, false));
    FinishRun();
    EXPECT_TRUE(Saved("MYMIDI98.MID"));
    EXPECT_TRUE(Saved("MYMIDI99.MID"));
    EXPECT_TRUE(Saved("MYMIDI00.MID"));
    EXPECT_EQ(AppSettings.TuneNumber, 1);
    EXPECT_EQ(Clock().Slept(), slept);  // no play, no half-second pause
    EXPECT_EQ(shell_->Count(Kind::Pause), 0);
    EXPECT_EQ(shell_->Requests().back().kind, Kind::BroadcastPaint);
    ExpectFlagsClear();
    EXPECT_EQ(Sink().Count(), 0u);

    // The one selected style serves every tune, and each tune's recorded
    // seed reproduces the first draw the tune made.
    ASSERT_EQ(steps_->tunes.size(), 3u);
    for (const FakeSteps::Tune& t : steps_->tunes) {
        EXPECT_EQ(t.style, "Acoustic");
        SeedRandomWith(t.seed);
        EXPECT_EQ(RandomInRange(0, 1 << 30), t.firstDraw) << "tune " << t.number;
    }
    EXPECT_NE(steps_->tunes[0].seed, steps_->tunes[1].seed);
    EXPECT_EQ(ChosenStyleSlot.load(), 2);

    // A start with the number reset begins again at 00.
    ASSERT_TRUE(StartComposeRun(1, true));
    FinishRun();
    EXPECT_EQ(steps_->tunes.back().number, 0);
    EXPECT_EQ(AppSettings.TuneNumber, 1);
}

TEST_F(ComposeControl, PlayedRunShowsTitlesAndStatusInOrderAndPlaysEveryTune) {
    AppSettings.TuneNumber = 98;
    AppSettings.DontPlay = 0;
    ASSERT_TRUE(StartComposeRun(3, false));
    FinishRun();
    EXPECT_EQ(NoteOns(), 3 * steps_->notes);
    EXPECT_EQ(Midi().OpenCount(), 0);
    EXPECT_EQ(shell_->Count(Kind::DisablePowerSaving), 3);

    // Titles, status and result lines as the panel saw them, in order, with
    // repeats of the same state left out.
    std::vector<std::string> seen;
    for (const auto& r : shell_->Requests()) {
        std::string line;
        if (r.kind == Kind::Title) line = "title " + r.title;
        if (r.kind == Kind::BroadcastPaint) line = "status " + r.statusText + " / " + r.resultText;
        if (r.kind == Kind::Pause) line = "pause " + std::to_string(r.milliseconds);
        if (!line.empty() && (seen.empty() || seen.back() != line)) seen.push_back(line);
    }
    std::vector<std::string> expected;
    for (const char* n : {"98", "99", "00"}) {
        expected.push_back(std::string("title [") + n + "]");
        expected.push_back(std::string("title [") + n + "] Acoustic");
        expected.push_back("status Now playing Acoustic / The file is saved as mymidi" +
                           std::string(n) + ".mid");
        expected.push_back("pause 1000");  // after the play
        expected.push_back("pause 500");
    }
    expected.push_back("status Now playing Acoustic / The file is saved as mymidi00.mid");
    EXPECT_EQ(seen, expected);
    ExpectFlagsClear();
}

TEST_F(ComposeControl, StopDuringPlaySilencesAtOnceAndEndsTheRun) {
    // On the real clock: the fake one lets the player run ahead by seconds
    // whenever the stopping thread is not scheduled.
    RealClockScope realClock;
    AppSettings.DontPlay = 0;
    steps_->notes = 40000;
    steps_->step = 4;
    ASSERT_TRUE(StartComposeRun(5, false));
    ASSERT_TRUE(WaitReal([this] { return NoteOns() > 5; }));
    const platform::Nanoseconds stopAt = platform::GetClock()->Now();
    StopComposeRun(true);
    EXPECT_FALSE(ComposeWorkerRunning());
    EXPECT_EQ(PlayerStopRequest.load(), 1);
    EXPECT_EQ(steps_->calls.load(), 1);

    // Every channel hears All Notes Off after the last note-on, within
    // 100 ms of the stop.
    const auto shorts = Midi().Messages(MidiKind::Short);
    std::size_t lastOn = 0;
    for (std::size_t i = 0; i < shorts.size(); ++i)
        if ((shorts[i].bytes[0] & 0xF0) == 0x90 && shorts[i].bytes[2] != 0) lastOn = i;
    int silenced = 0;
    platform::Nanoseconds firstSilence{-1};
    for (std::size_t i = lastOn; i < shorts.size(); ++i) {
        const auto& b = shorts[i].bytes;
        if ((b[0] & 0xF0) != 0xB0 || b[1] != 123) continue;
        silenced |= 1 << (b[0] & 0x0F);
        if (firstSilence.count() < 0) firstSilence = shorts[i].time;
    }
    EXPECT_EQ(silenced, 0xFFFF);
    EXPECT_LE(firstSilence - stopAt, platform::Nanoseconds(100ms));
    EXPECT_EQ(Midi().OpenCount(), 0);
    ExpectFlagsClear();
}

TEST_F(ComposeControl, StopMidTuneAdvancesTheNumberButSavesNothing) {
    AppSettings.TuneNumber = 10;
    steps_->stopAtCall = 1;
    ASSERT_TRUE(StartComposeRun(100, false));
    FinishRun();
    EXPECT_EQ(steps_->calls.load(), 2);
    EXPECT_TRUE(Saved("MYMIDI10.MID"));
    EXPECT_FALSE(Saved("MYMIDI11.MID"));
    EXPECT_EQ(AppSettings.TuneNumber, 12);
    ExpectFlagsClear();
}

TEST_F(ComposeControl, RefusedStartsShowTheirBoxAndStartNothing) {
    for (int type : {7, 9, 10, 11, 12}) {
        AppSettings.ComposeOutputType = type;
        EXPECT_FALSE(StartComposeRun(100, false)) << type;
    }
    AppSettings.ComposeOutputType = 8;  // a converted format composes
    ASSERT_TRUE(StartComposeRun(1, false));
    FinishRun();
    AppSettings.ComposeOutputType = 2;
    ClearStyleSelections();
    EXPECT_FALSE(StartComposeRun(100, false));
    PanelMode = kPanelModeEdit;
    EXPECT_FALSE(StartComposeRun(100, false));
    std::vector<std::string> expected(5, "ZAWCFF01011E Can't auto compose melody mail.");
    expected.insert(expected.end(), 2, "ZAWCFF010046 no styles are selected!");
    EXPECT_EQ(Sink().Texts(), expected);
    EXPECT_EQ(steps_->runs.load(), 1);
    EXPECT_FALSE(ComposeWorkerRunning());
    ExpectFlagsClear();

    // Memory that runs out: the box, no tune, and a clean end.
    PanelMode = kPanelModeCompose;
    ComposeStyleSelection[1] = 1;
    Sink().Clear();
    steps_->failAlloc = true;
    ASSERT_TRUE(StartComposeRun(3, false));
    FinishRun();
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{"ZAWCFF010100 Memory Error!"});
    EXPECT_EQ(steps_->calls.load(), 1);
    EXPECT_EQ(shell_->Requests().back().kind, Kind::BroadcastPaint);
    ExpectFlagsClear();
}

TEST_F(ComposeControl, NothingToPickEndsTheRunInsteadOfDrawingForever) {
    // Edit mode reached after the start: no pick, no box.
    ComposingActive = 1;
    PanelMode = kPanelModeEdit;
    EXPECT_EQ(ComposeThread(), 1);
    EXPECT_EQ(steps_->calls.load(), 0);
    EXPECT_EQ(Sink().Count(), 0u);
    // The selection emptied during the run: the tune in hand ends it.
    PanelMode = kPanelModeCompose;
    steps_->clearSelectionAtCall = 0;
    ComposingActive = 1;
    TuneCount = 100;
    EXPECT_EQ(ComposeThread(), 1);
    EXPECT_EQ(steps_->calls.load(), 1);
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{"ZAWCFF010046 no styles are selected!"});
    ExpectFlagsClear();
}

TEST_F(ComposeControl, StyleDrawsFollowTheirOrderAndTheRepeatRule) {
    // An independent model of the draws: slot, category, repeat chance; a
    // repeat of the previous pick stands only when the third draw gave 1.
    ComposeStyleSelection[5 * kStyleSlots + 8] = 1;
    ComposeStyleSelection[2 * kStyleSlots + 3] = 1;
    SeedRandomWith(4242);
    std::vector<int> picked;
    for (int i = 0; i < 30; ++i) {
        ASSERT_EQ(ChooseTuneStyle(), kStylePicked);
        picked.push_back(ChosenStyleSlot.load() - 1);
    }
    SeedRandomWith(4242);
    int previous = -1;
    for (int i = 0; i < 30; ++i) {
        int index = -1;
        while (index < 0) {
            const int slot = RandomInRange(0, 23);
            const int category = RandomInRange(0, 8);
            const int r = RandomInRange(1, 3);
            const int candidate = category * kStyleSlots + slot;
            if (r != 1 && candidate == previous) continue;
            if (ComposeStyleSelection[candidate] == 1) index = candidate;
        }
        previous = index;
        EXPECT_EQ(picked[i], index % kStyleSlots) << i;
    }
}

TEST_F(ComposeControl, ConvertModeEditsTheStyleAndNeitherNumbersNorPlays) {
    PanelMode = kPanelModeConvert;
    ConvertStyleSelection[1] = 1;
    AppSettings.DontPlay = 0;
    AppSettings.TuneNumber = 40;
    ASSERT_TRUE(StartComposeRun(1, false));
    FinishRun();
    ASSERT_EQ(steps_->tunes.size(), 1u);
    EXPECT_EQ(steps_->tunes[0].chordMethod, 8);
    EXPECT_EQ(steps_->tunes[0].transpose, 0);
    EXPECT_EQ(steps_->tunes[0].secondMelodyVoicing, 0);
    EXPECT_EQ(steps_->picks.load(), 1);
    EXPECT_EQ(AppSettings.TuneNumber, 40);
    EXPECT_EQ(NoteOns(), 0);
    EXPECT_EQ(ResultText.Get(), "");
}

TEST_F(ComposeControl, ConcurrentStartsAndRandomStopsLeaveOneWorkerAndNoThread) {
    steps_->hold = true;
    for (int round = 0; round < 20; ++round) {
        std::atomic<int> started{0};
        std::atomic<bool> go{false};
        auto starter = [&] {
            while (!go.load())
                std::this_thread::yield();
            started += StartComposeRun(3, false);
        };
        std::thread a(starter), b(starter);
        go = true;
        a.join();
        b.join();
        EXPECT_EQ(started.load(), 1);
        StopComposeRun(true);
    }
    EXPECT_EQ(steps_->runs.load(), 20);
    steps_->hold = false;

    for (int cycle = 0; cycle < 50; ++cycle) {
        AppSettings.DontPlay = RandomInRange(0, 1);
        steps_->notes = RandomInRange(1, 200);
        ASSERT_TRUE(StartComposeRun(RandomInRange(1, 4), false)) << cycle;
        std::this_thread::sleep_for(std::chrono::microseconds(RandomInRange(0, 3000)));
        StopComposeRun(true);
        EXPECT_FALSE(ComposeWorkerRunning());
        ExpectFlagsClear();
    }
    EXPECT_EQ(Midi().OpenCount(), 0);
}

TEST_F(ComposeControl, PanelToggleAndPlayRoad) {
    // Play starts a run under the wait cursor; a second press stops it.
    ToggleComposing();
    EXPECT_EQ(TuneCount.load(), 100);
    ASSERT_TRUE(WaitReal([this] { return steps_->calls.load() >= 2; }));
    ToggleComposing();
    FinishRun();
    ExpectFlagsClear();
    std::vector<Kind> cursor;
    for (const auto& r : shell_->Requests())
        if (r.kind == Kind::WaitCursorOn || r.kind == Kind::WaitCursorOff) cursor.push_back(r.kind);
    EXPECT_EQ(cursor, (std::vector<Kind>{Kind::WaitCursorOn, Kind::WaitCursorOff,
                                         Kind::WaitCursorOn, Kind::WaitCursorOff}));

    // A refused start leaves the hint for replaying the last file.
    ClearStyleSelections();
    ResultText.Set("old");
    OnPlayCompose(5);
    EXPECT_EQ(StatusText.Get(), "To play the file again, switch to edit mode!");
    EXPECT_EQ(ResultText.Get(), "");

    // Convert mode: the first Play, after the second-press wait, only raises
    // the flag for the panel's conversion; the next one lowers it.
    PanelMode = kPanelModeConvert;
    shell_->Clear();
    OnPlayCompose(1);
    EXPECT_EQ(shell_->Count(Kind::Pause), 10);
    EXPECT_EQ(ComposingActive.load(), 1);
    EXPECT_FALSE(ComposeWorkerRunning());
    OnPlayCompose(5);
    EXPECT_EQ(ComposingActive.load(), 0);
    EXPECT_EQ(StatusText.Get(), "");
}

// ---- Listen preview ----

std::atomic<int> g_listenEnds{0};

std::unique_ptr<MidiF0Data> ThreeChannelSong(int notes) {
    auto song = std::make_unique<MidiF0Data>(note_mode::kLength, 96);
    MidiTrackData* track = song->Track();
    for (int i = 0; i < notes; ++i) {
        track->AddNote(0, i == 0 ? 0 : 96, 60, 100, 96);
        track->AddNote(1, 0, 48, 100, 96);
        // Channel 2 starts in the third bar.
        if (i >= 8) track->AddNote(2, 0, 72, 100, 48);
    }
    track->AppendEndOfTrackAt(0);
    return song;
}

TEST_F(ComposeControl, ListenPreviewPlaysOneChannelAndReleasesEachSongOnce) {
    g_listenEnds = 0;
    SetChannelListenEndHandler([] { ++g_listenEnds; });
    auto song = ThreeChannelSong(16);
    ASSERT_EQ(StartChannelListen(2, *song), 1);
    ASSERT_TRUE(WaitReal([] { return g_listenEnds.load() == 1; }));
    EXPECT_EQ(PlayingActive.load(), 0);
    const MidiF0Data* held = ChannelListenSong();
    ASSERT_NE(held, nullptr);
    ASSERT_NE(held->PlayCopyData(), nullptr);
    EXPECT_LT(held->PlayCopyData()->GetTicksBeforeFirstNote(), 384);
    int notes = 0;
    for (const auto& m : Midi().Messages(MidiKind::Short)) {
        const int kind = m.bytes[0] & 0xF0;
        if (kind == 0x80 || kind == 0x90) {
            EXPECT_EQ(m.bytes[0] & 0x0F, 2);
            ++notes;
        }
    }
    EXPECT_EQ(notes, 2 * 8);

    // A second start while one plays: the box, the first stopped and
    // released (once: the sanitizer sees any second release), and the old
    // end callback does not end the new preview. On the real clock, so that
    // the stops give the play thread real time.
    RealClockScope realClock;
    auto longSong = ThreeChannelSong(4000);
    ASSERT_EQ(StartChannelListen(2, *longSong), 1);
    ASSERT_EQ(StartChannelListen(2, *longSong), 1);
    EXPECT_EQ(Sink().Texts(), std::vector<std::string>{"ZAWCFF010050 Error in MIDI Data!"});
    EXPECT_EQ(PlayingActive.load(), 1);
    StopChannelListen();
    EXPECT_EQ(ChannelListenSong(), nullptr);
    EXPECT_EQ(PlayingActive.load(), 0);
    EXPECT_EQ(g_listenEnds.load(), 1);
    EXPECT_EQ(TheMusicPlayer.idle.load(), 1);
    SetChannelListenEndHandler(nullptr);
}

}  // namespace
