// The compose worker driven through its start and stop, with a stand-in for
// the composer that writes and saves a small tune, on the fake clock, the
// recording devices and a scratch output folder.
#include "compose/compose_control.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <set>
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
using testing_support::Midi;
using testing_support::Sink;
using Kind = RecordingShellServices::Kind;
using Texts = std::vector<std::string>;

namespace {

// Notes of `step` ticks at 96 ticks a quarter on `channel`, from bar `firstBar`.
MidiF0Data Tune(int notes, int step, int channel = 0, int firstBar = 0) {
    MidiF0Data tune(note_mode::kLength, 96);
    for (int i = 0; i < notes; ++i)
        tune.Track()->AddNote(channel, i == 0 ? firstBar * 384 : step, 60 + i % 12, 100, step);
    tune.Track()->AppendEndOfTrackAt(0);
    return tune;
}

// Composes as the real driver does as far as the worker sees: the status
// texts, the tune in the buffer and the numbered file; a stop request ends
// the run without saving.
struct FakeSteps : ComposeSteps {
    struct Seen {
        std::string file, style;
        std::int32_t seed;
        int firstDraw;
        MusicStyle working;
    };
    int ComposeTune(std::uint8_t* buffer, std::size_t* length) override {
        ++inside;
        const int call = calls++;
        Seen seen{OutputFileName.Get(), "", RandomSeedValue.load(), RandomInRange(0, 1 << 30), {}};
        GetWorkingStyle(seen.working);
        seen.style = DisplayTitle(seen.working);
        GetShellServices()->SetMainWindowTitle(std::string("[") + seen.file.substr(6, 2) + "] " +
                                               seen.style);
        StatusText.Set("Now composing " + seen.style);
        tunes.push_back(seen);
        if (call == stopAtCall) RequestStop();
        if (call == clearSelectionAtCall) ClearStyleSelections();
        while (hold && ComposeStopRequest == 0 && ComposingActive == 1)
            std::this_thread::yield();
        while (gate)
            std::this_thread::yield();
        int ok = ComposeStopRequest == 0;
        if (ok) {
            MidiF0Data tune = Tune(notes, step);
            tune.ConvertToNoteOnOff();
            tune.WriteSmf();
            std::memcpy(buffer, tune.Data(), tune.Length());
            *length = tune.Length();
            tune.SaveFile(std::string(AppSettings.OutputFolder) + "/" + seen.file);
            StatusText.Set("Now playing " + seen.style);
        } else {
            ClearComposingFlag();
        }
        --inside;
        return ok;
    }
    MemoryBlock AllocWorkBuffer() override {
        ++runs;
        return failAlloc ? MemoryBlock() : ComposeSteps::AllocWorkBuffer();
    }
    bool PickConversionInput() override {
        ++picks;
        return true;
    }

    std::atomic<int> calls{0}, runs{0}, picks{0}, inside{0};
    std::atomic<bool> hold{false};
    std::atomic<bool> gate{false};  // holds the tune whatever the flags say
    int stopAtCall = -1, clearSelectionAtCall = -1, notes = 4, step = 24;
    bool failAlloc = false;
    std::vector<Seen> tunes;
};

struct RealClockScope {
    std::shared_ptr<platform::Clock> previous =
        platform::SetClock(std::make_shared<platform::RealClock>());
    ~RealClockScope() { platform::SetClock(previous); }
};

template <typename Done>
bool WaitReal(Done done) {
    const auto until = std::chrono::steady_clock::now() + 20s;
    while (!done() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(1ms);
    return done();
}

int NoteOns() {
    int n = 0;
    for (const auto& m : Midi().Messages(platform::RecordedMidiMessage::Kind::Short))
        n += (m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] != 0;
    return n;
}

class ComposeControl : public ::testing::Test {
protected:
    void SetUp() override {
        static const bool built = (InitDefaultSettings(), BuildStyleTable(), true);
        (void)built;
        saved_ = AppSettings;
        std::memcpy(savedSelection_, ComposeStyleSelection, sizeof savedSelection_);
        SetFieldText(AppSettings.OutputFolder, testing_support::ScratchDir());
        AppSettings.ComposeOutputType = 2;
        AppSettings.DontPlay = 1;
        ClearStyleSelections();
        ComposeStyleSelection[1] = 1;  // "Acoustic"
        PanelMode = kPanelModeCompose;
        ResetPreviousStylePick();
        SetShellServices(shell_);
        SetComposeSteps(steps_);
        ResultText.Clear();
    }
    void TearDown() override {
        StopComposeRun(true);
        SetComposeSteps(nullptr);
        SetShellServices(nullptr);
        AppSettings = saved_;
        ClearStyleSelections();
        std::memcpy(ComposeStyleSelection, savedSelection_, sizeof savedSelection_);
        PanelMode = kPanelModeCompose;
        PlayerStopRequest = 0;
    }
    // Waits for the run to end by itself, then joins the worker.
    void FinishRun() {
        ASSERT_TRUE(WaitReal([] { return ComposingActive == 0; }));
        StopComposeRun(true);
        EXPECT_FALSE(ComposeWorkerRunning());
    }
    void ExpectFlagsClear() {
        EXPECT_EQ(ComposingActive + TuneInProgress + ComposeStopRequest + StopPending, 0);
        EXPECT_EQ(PlayerPlaying, 0);
        EXPECT_EQ(shell_->Requests().back().kind, Kind::BroadcastPaint);
    }
    bool Saved(const char* name) {
        return std::filesystem::exists(std::string(AppSettings.OutputFolder) + "/" + name);
    }

    std::shared_ptr<RecordingShellServices> shell_ = std::make_shared<RecordingShellServices>();
    std::shared_ptr<FakeSteps> steps_ = std::make_shared<FakeSteps>();

private:
    AppSettingsRecord saved_{};
    std::int32_t savedSelection_[kStyleSelectionCount]{};
};

TEST_F(ComposeControl, RunWrapsTheNumberWithoutPausesAndSeedsEachTune) {
    AppSettings.TuneNumber = 98;
    const auto slept = testing_support::Clock().Slept();
    ASSERT_TRUE(StartComposeRun(3, false));
    FinishRun();
    EXPECT_TRUE(Saved("MYMIDI98.MID") && Saved("MYMIDI99.MID") && Saved("MYMIDI00.MID"));
    EXPECT_EQ(AppSettings.TuneNumber, 1);
    EXPECT_EQ(testing_support::Clock().Slept(), slept);  // no play, no half-second pause
    ExpectFlagsClear();
    EXPECT_EQ(Sink().Count(), 0u);
    // The one selected style serves every tune, and the seed each tune
    // records reproduces the first draw it made.
    ASSERT_EQ(steps_->tunes.size(), 3u);
    for (const FakeSteps::Seen& t : steps_->tunes) {
        EXPECT_EQ(t.style, "Acoustic");
        SeedRandomWith(t.seed);
        EXPECT_EQ(RandomInRange(0, 1 << 30), t.firstDraw) << t.file;
    }
    EXPECT_EQ(ChosenStyleSlot, 2);
    // A start with the number reset begins at 00.
    ASSERT_TRUE(StartComposeRun(1, true));
    FinishRun();
    EXPECT_EQ(steps_->tunes.back().file, "MYMIDI00.MID");
}

TEST_F(ComposeControl, SeedsNeverRepeatWithinARunNorAcrossRunsInOneSecond) {
    // Composing with play off runs many tunes within one second of the
    // clock; the fake clock does not move at all.
    testing_support::Clock().SetWallSeconds(1700000000);
    std::set<std::int32_t> firstRun;
    ASSERT_TRUE(StartComposeRun(100, true));
    FinishRun();
    ASSERT_EQ(steps_->tunes.size(), 100u);
    for (const FakeSteps::Seen& t : steps_->tunes)
        firstRun.insert(t.seed);
    EXPECT_EQ(firstRun.size(), 100u);
    steps_->tunes.clear();
    ASSERT_TRUE(StartComposeRun(100, true));
    FinishRun();
    int shared = 0;
    for (const FakeSteps::Seen& t : steps_->tunes)
        shared += firstRun.count(t.seed) != 0;
    EXPECT_EQ(shared, 0);
}

TEST_F(ComposeControl, PlayedRunShowsTitlesAndStatusInOrderAndPlaysEveryTune) {
    AppSettings.TuneNumber = 98;
    AppSettings.DontPlay = 0;
    ASSERT_TRUE(StartComposeRun(3, false));
    FinishRun();
    EXPECT_EQ(NoteOns(), 3 * steps_->notes);
    EXPECT_EQ(Midi().OpenCount(), 0);
    EXPECT_EQ(shell_->Count(Kind::DisablePowerSaving), 3);
    // What the panel saw, in order, repeats of one state left out.
    Texts seen, expected;
    for (const auto& r : shell_->Requests()) {
        std::string line = r.kind == Kind::Title   ? "title " + r.title
                           : r.kind == Kind::Pause ? "pause " + std::to_string(r.milliseconds)
                           : r.kind == Kind::BroadcastPaint ? r.statusText + " / " + r.resultText
                                                            : "";
        if (!line.empty() && (seen.empty() || seen.back() != line)) seen.push_back(line);
    }
    for (std::string n : {"98", "99", "00"}) {
        expected.insert(expected.end(),
                        {"title [" + n + "]", "title [" + n + "] Acoustic",
                         "Now playing Acoustic / The file is saved as mymidi" + n + ".mid",
                         "pause 1000", "pause 500"});
    }
    expected.push_back("Now playing Acoustic / The file is saved as mymidi00.mid");
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
    ASSERT_TRUE(WaitReal([] { return NoteOns() > 5; }));
    const platform::Nanoseconds stopAt = platform::GetClock()->Now();
    StopComposeRun(true);
    EXPECT_EQ(PlayerStopRequest, 1);
    EXPECT_EQ(steps_->calls, 1);
    // After the last note-on every channel hears All Notes Off, within 100 ms.
    const auto shorts = Midi().Messages(platform::RecordedMidiMessage::Kind::Short);
    int silenced = 0;
    platform::Nanoseconds firstSilence{0};
    for (const auto& m : shorts) {
        if ((m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] != 0) silenced = 0;
        if ((m.bytes[0] & 0xF0) != 0xB0 || m.bytes[1] != 123) continue;
        if (silenced == 0) firstSilence = m.time;
        silenced |= 1 << (m.bytes[0] & 0x0F);
    }
    EXPECT_EQ(silenced, 0xFFFF);
    EXPECT_LE(firstSilence - stopAt, platform::Nanoseconds(100ms));
    EXPECT_EQ(Midi().OpenCount(), 0);
    ExpectFlagsClear();
}

TEST_F(ComposeControl, RefusedStartsShowTheirBoxAndStartNothing) {
    for (int type : {7, 9, 10, 11, 12, 8}) {
        AppSettings.ComposeOutputType = type;
        EXPECT_EQ(StartComposeRun(1, false), type == 8) << type;  // 8 is converted
    }
    FinishRun();
    ClearStyleSelections();
    EXPECT_FALSE(StartComposeRun(100, false));
    ComposeStyleSelection[1] = 1;
    PanelMode = kPanelModeEdit;
    EXPECT_FALSE(StartComposeRun(100, false));
    Texts expected(5, "ZAWCFF01011E Can't auto compose melody mail.");
    expected.insert(expected.end(), 2, "ZAWCFF010046 no styles are selected!");
    EXPECT_EQ(Sink().Texts(), expected);
    EXPECT_EQ(steps_->runs, 1);
    // Memory that runs out: the box, no tune, and a clean end.
    PanelMode = kPanelModeCompose;
    Sink().Clear();
    steps_->failAlloc = true;
    ASSERT_TRUE(StartComposeRun(3, false));
    FinishRun();
    EXPECT_EQ(Sink().Texts(), Texts{"ZAWCFF010100 Memory Error!"});
    EXPECT_EQ(steps_->calls, 1);
    ExpectFlagsClear();
}

TEST_F(ComposeControl, RunsThatEndEarlyClearEveryFlag) {
    // A stop in the middle of a tune: nothing is saved, the number stays.
    AppSettings.TuneNumber = 10;
    steps_->stopAtCall = 1;
    ASSERT_TRUE(StartComposeRun(100, false));
    FinishRun();
    EXPECT_TRUE(Saved("MYMIDI10.MID"));
    EXPECT_FALSE(Saved("MYMIDI11.MID"));
    EXPECT_EQ(AppSettings.TuneNumber, 11);
    ExpectFlagsClear();
    // Edit mode reached after the start: nothing to pick, no box.
    ComposingActive = 1;
    PanelMode = kPanelModeEdit;
    EXPECT_EQ(ComposeThread(), 1);
    EXPECT_EQ(Sink().Count(), 0u);
    // The selection emptied during the run: the tune in hand ends it.
    PanelMode = kPanelModeCompose;
    steps_->clearSelectionAtCall = 2;
    ComposingActive = 1;
    TuneCount = 100;
    EXPECT_EQ(ComposeThread(), 1);
    EXPECT_EQ(steps_->calls, 3);
    EXPECT_EQ(Sink().Texts(), Texts{"ZAWCFF010046 no styles are selected!"});
    ExpectFlagsClear();
}

TEST_F(ComposeControl, StyleDrawsFollowTheirOrderAndTheRepeatRule) {
    // An independent model: slot, category, then a repeat chance; a repeat of
    // the previous pick stands only when that draw gave 1.
    ComposeStyleSelection[5 * kStyleSlots + 8] = 1;
    ComposeStyleSelection[2 * kStyleSlots + 3] = 1;
    SeedRandomWith(4242);
    std::vector<int> picked;
    for (int i = 0; i < 30; ++i) {
        ASSERT_EQ(ChooseTuneStyle(), kStylePicked);
        picked.push_back(ChosenStyleSlot - 1);
    }
    SeedRandomWith(4242);
    for (int i = 0, previous = -1, index = -1; i < 30; ++i, previous = index, index = -1) {
        while (index < 0) {
            const int slot = RandomInRange(0, 23), category = RandomInRange(0, 8);
            const int candidate = category * kStyleSlots + slot;
            if (RandomInRange(1, 3) != 1 && candidate == previous) continue;
            if (ComposeStyleSelection[candidate] == 1) index = candidate;
        }
        EXPECT_EQ(picked[i], index % kStyleSlots) << i;
    }
}

// An empty slot is never composed; an untitled style is composed under a name.
TEST_F(ComposeControl, EmptySlotsAreSkippedAndUntitledStylesAreNamed) {
    for (const auto& [index, name] :
         {std::pair{2 * 24 + 10, "(none)"}, std::pair{3 * 24 + 18, "Symphonie"},
          std::pair{8 * 24 + 10, "Techno 11"}}) {
        ClearStyleSelections();
        ComposeStyleSelection[index] = 1;
        const int picked = ChooseTuneStyle();
        EXPECT_EQ(picked == kStylePicked ? DisplayTitle(WorkingStyle) : "(none)", name);
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
    const MusicStyle& style = steps_->tunes[0].working;
    EXPECT_EQ(style.chordGenerationMethod, 8);
    EXPECT_EQ(style.transpose + style.melody[1].voicing, 0);
    EXPECT_EQ(steps_->picks, 1);
    EXPECT_EQ(AppSettings.TuneNumber, 40);
    EXPECT_EQ(NoteOns(), 0);
    EXPECT_EQ(ResultText.Get(), "");
}

TEST_F(ComposeControl, ConcurrentStartsAndRandomStopsLeaveOneWorkerAndNoThread) {
    steps_->hold = true;  // every run outlasts both starts
    for (int round = 0; round < 20; ++round) {
        std::atomic<int> started{0};
        std::atomic<bool> go{false};
        auto starter = [&] {
            while (!go)
                std::this_thread::yield();
            started += StartComposeRun(3, false);
        };
        std::thread a(starter), b(starter);
        go = true;
        a.join();
        b.join();
        EXPECT_EQ(started, 1);
        StopComposeRun(true);
    }
    EXPECT_EQ(steps_->runs, 20);
    // A controller that goes while its worker is in a tune stops and joins it.
    {
        ComposeController controller;
        ASSERT_TRUE(controller.Start(3, false));
        ASSERT_TRUE(WaitReal([this] { return steps_->inside == 1; }));
    }
    EXPECT_EQ(steps_->inside, 0);
    ExpectFlagsClear();
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

TEST_F(ComposeControl, StartWhileAStoppedWorkerEndsGivesAFullRun) {
    // The stopped worker clears the run flag as it ends; the next start must
    // not lose its own flag to it.
    steps_->gate = true;
    ASSERT_TRUE(StartComposeRun(1, false));
    ASSERT_TRUE(WaitReal([this] { return steps_->inside == 1; }));
    StopComposeRun(false);
    std::atomic<int> started{-1};
    std::thread starter([&] { started = StartComposeRun(3, false); });
    std::this_thread::sleep_for(50ms);
    steps_->gate = false;
    starter.join();
    ASSERT_EQ(started, 1);
    FinishRun();
    EXPECT_EQ(steps_->calls, 4);
    ExpectFlagsClear();
}

TEST_F(ComposeControl, PanelToggleAndPlayRoad) {
    // Play starts a run under the wait cursor; a second press stops it.
    ToggleComposing();
    EXPECT_EQ(TuneCount, 100);
    ASSERT_TRUE(WaitReal([this] { return steps_->calls >= 2; }));
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
    EXPECT_EQ(ComposingActive, 1);
    EXPECT_FALSE(ComposeWorkerRunning());
    OnPlayCompose(5);
    EXPECT_EQ(ComposingActive, 0);
    EXPECT_EQ(StatusText.Get(), "");
}

std::atomic<int> g_listenEnds{0};

TEST_F(ComposeControl, ListenPreviewPlaysOneChannelAndReleasesEachSongOnce) {
    g_listenEnds = 0;
    SetChannelListenEndHandler([] { ++g_listenEnds; });
    // Channel 2 begins in the third bar, under notes of channel 0.
    MidiF0Data song = Tune(16, 96, 0);
    MidiF0Data late = Tune(8, 48, 2, 2);
    song.Track()->MergeTrack(*late.Track());
    ASSERT_EQ(StartChannelListen(2, song), 1);
    ASSERT_TRUE(WaitReal([] { return g_listenEnds == 1; }));
    EXPECT_EQ(PlayingActive, 0);
    ASSERT_NE(ChannelListenSong(), nullptr);
    EXPECT_LT(ChannelListenSong()->PlayCopyData()->GetTicksBeforeFirstNote(), 384);
    int notes = 0;
    for (const auto& m : Midi().Messages(platform::RecordedMidiMessage::Kind::Short)) {
        if ((m.bytes[0] & 0xE0) != 0x80) continue;
        EXPECT_EQ(m.bytes[0] & 0x0F, 2);
        ++notes;
    }
    EXPECT_EQ(notes, 2 * 8);
    // A second start while one plays: the box, the first stopped and
    // released (once: the sanitizer sees a second release), and no end told
    // for it. On the real clock, so the stops give the play thread time.
    RealClockScope realClock;
    MidiF0Data longSong = Tune(4000, 96, 2);
    ASSERT_EQ(StartChannelListen(2, longSong), 1);
    ASSERT_EQ(StartChannelListen(2, longSong), 1);
    EXPECT_EQ(Sink().Texts(), Texts{"ZAWCFF010050 Error in MIDI Data!"});
    EXPECT_EQ(PlayingActive, 1);
    StopChannelListen();
    EXPECT_EQ(ChannelListenSong(), nullptr);
    EXPECT_EQ(PlayingActive, 0);
    EXPECT_EQ(g_listenEnds, 1);
    EXPECT_EQ(TheMusicPlayer.idle, 1);
    SetChannelListenEndHandler(nullptr);
}

}  // namespace
