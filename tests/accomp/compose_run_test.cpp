// Whole compose runs with the real composer and every backing generator: the
// worker numbers, saves and plays each tune through the recording MIDI device,
// tells the panel what it does in order, and stops at once from Play.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "accomp/backing_generators.h"
#include "compose/compose_control.h"
#include "compose/compose_info.h"
#include "compose/compose_tune.h"
#include "compose/composer_state.h"
#include "core/conversion_services.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "midi/f1_data.h"
#include "platform/paths.h"
#include "play/midi_player.h"
#include "style/style_table.h"
#include "tests/support/test_support.h"

using namespace std::chrono_literals;
using testing_support::Midi;
using testing_support::Sink;
using Kind = RecordingShellServices::Kind;
using Texts = std::vector<std::string>;
using platform::RecordedMidiMessage;

namespace {

std::vector<std::uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

template <typename Done>
bool WaitReal(Done done, std::chrono::seconds limit = 30s) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(1ms);
    return done();
}

// Note-ons (velocity above 0) the device has received so far.
int NoteOns() {
    int n = 0;
    for (const auto& m : Midi().Messages(RecordedMidiMessage::Kind::Short))
        n += (m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] != 0;
    return n;
}

// Titles, and each new status or result text, in the order the panel was
// asked to show them.
Texts PanelSequence(const RecordingShellServices& shell) {
    Texts seen;
    std::string status, result;
    for (const auto& r : shell.Requests()) {
        if (r.kind == Kind::Title) seen.push_back("title " + r.title);
        if (r.statusText != status && !r.statusText.empty())
            seen.push_back("status " + r.statusText);
        if (r.resultText != result && !r.resultText.empty())
            seen.push_back("result " + r.resultText);
        status = r.statusText;
        result = r.resultText;
    }
    return seen;
}

class ComposeRun : public ::testing::Test {
protected:
    void SetUp() override {
        static const bool built = (InitDefaultSettings(), BuildStyleTable(), true);
        (void)built;
        saved_ = AppSettings;
        savedStyle_ = WorkingStyle;
        std::memcpy(savedSelection_, ComposeStyleSelection, sizeof savedSelection_);
        InstallBackingGenerators();
        folder_ = testing_support::ScratchDir() + "/";
        SetFieldText(AppSettings.OutputFolder, folder_);
        SetFieldText(AppSettings.WorkFolder, folder_);
        AppSettings.ComposeOutputType = 2;
        AppSettings.DontPlay = 0;
        AppSettings.TuneNumber = 98;
        ClearStyleSelections();
        ComposeStyleSelection[1] = 1;  // "Acoustic" alone
        PanelMode = kPanelModeCompose;
        ResetPreviousStylePick();
        SetShellServices(shell_);
        StatusText.Clear();
        ResultText.Clear();
    }
    void TearDown() override {
        StopComposeRun(true);
        SetShellServices(nullptr);
        AppSettings = saved_;
        WorkingStyle = savedStyle_;
        std::memcpy(ComposeStyleSelection, savedSelection_, sizeof savedSelection_);
        PlayerStopRequest = 0;
        ComposeInfo.Reset();
        ComposeInfo.ClearChords();
    }
    bool Saved(const std::string& name) const { return std::filesystem::exists(folder_ + name); }
    void ExpectRunEnded() {
        ASSERT_TRUE(WaitReal([] { return ComposingActive == 0; }));
        StopComposeRun(true);
        EXPECT_FALSE(ComposeWorkerRunning());
        EXPECT_EQ(ComposingActive + TuneInProgress + ComposeStopRequest + StopPending, 0);
        EXPECT_EQ(PlayerPlaying, 0);
        EXPECT_EQ(Midi().OpenCount(), 0);
        // The end of the run repainted the panel after the last tune.
        const auto requests = shell_->Requests();
        bool repainted = false;
        for (const auto& r : requests) {
            if (r.kind == Kind::Title) repainted = false;
            if (r.kind == Kind::BroadcastPaint) repainted = true;
        }
        EXPECT_TRUE(repainted);
    }

    std::string folder_;
    std::shared_ptr<RecordingShellServices> shell_ = std::make_shared<RecordingShellServices>();

private:
    AppSettingsRecord saved_{};
    MusicStyle savedStyle_{};
    std::int32_t savedSelection_[kStyleSelectionCount]{};
};

TEST_F(ComposeRun, ThreeTunesFromNinetyEightComposedSavedAndPlayedInOrder) {
    // The first tune starts from the state of a fresh program.
    ResetComposerState();
    ASSERT_TRUE(StartComposeRun(3, false));
    ExpectRunEnded();
    EXPECT_TRUE(Saved("MYMIDI98.MID") && Saved("MYMIDI99.MID") && Saved("MYMIDI00.MID"));
    EXPECT_EQ(AppSettings.TuneNumber, 1);
    EXPECT_EQ(Sink().Texts(), Texts{});

    const Texts seen = PanelSequence(*shell_);
    Texts expected;
    for (std::string n : {"98", "99", "00"}) {
        expected.insert(
            expected.end(),
            {"title [" + n + "]", "title [" + n + "] Acoustic", "status Now composing Acoustic",
             "status Now playing Acoustic", "result The file is saved as mymidi" + n + ".mid"});
    }
    // Progress dots and repeats of one text in between are left out above;
    // the order of everything named must be exactly this.
    EXPECT_EQ(seen, expected);
    for (const std::string& line : seen)
        std::printf("  %s\n", line.c_str());

    // Every tune reached the device: a device opened and closed per tune,
    // and notes of each.
    int opens = 0;
    std::vector<int> notesPerTune;
    for (const auto& m : Midi().Messages()) {
        if (m.kind == RecordedMidiMessage::Kind::Open) {
            ++opens;
            notesPerTune.push_back(0);
        }
        if (m.kind == RecordedMidiMessage::Kind::Short && (m.bytes[0] & 0xF0) == 0x90 &&
            m.bytes[2] != 0 && !notesPerTune.empty())
            ++notesPerTune.back();
    }
    EXPECT_EQ(opens, 3);
    ASSERT_EQ(notesPerTune.size(), 3u);
    for (int n : notesPerTune)
        EXPECT_GT(n, 50);
    EXPECT_EQ(shell_->Count(Kind::DisablePowerSaving), 3);

    // The seed the first tune names is the one its draws started from: the
    // same seed composes the same bytes again.
    const std::vector<std::uint8_t> first = FileBytes(folder_ + "MYMIDI98.MID");
    const std::string text(first.begin(), first.end());
    const std::size_t at = text.find("random_seed ");
    ASSERT_NE(at, std::string::npos);
    const std::int32_t seed = std::stoi(text.substr(at + 12, 11));
    std::filesystem::remove(folder_ + "MYMIDI98.MID");
    ResetComposerState();
    SeedRandomWith(seed);
    SetOutputFileNumber(98);
    ComposingActive = 1;
    std::vector<std::uint8_t> buffer(WorkBufferSize);
    std::size_t length = 0;
    EXPECT_EQ(ComposeOneTune(buffer.data(), &length), 1);
    ComposingActive = 0;
    EXPECT_TRUE(FileBytes(folder_ + "MYMIDI98.MID") == first);
}

TEST_F(ComposeRun, HundredTunesWithPlayOffFromTheDefaultStylesAreAllDistinct) {
    // Play off composes many tunes a second; none may remake another.
    AppSettings.DontPlay = 1;
    AppSettings.TuneNumber = 0;
    ResetStyleSelections();
    ASSERT_TRUE(StartComposeRun(100, false));
    ASSERT_TRUE(WaitReal([] { return ComposingActive == 0; }, 300s));
    ExpectRunEnded();
    std::set<std::vector<std::uint8_t>> tunes;
    for (int n = 0; n < 100; ++n) {
        char name[16];
        std::snprintf(name, sizeof name, "MYMIDI%02d.MID", n);
        std::vector<std::uint8_t> bytes = FileBytes(folder_ + name);
        EXPECT_GT(bytes.size(), 100u) << name;
        tunes.insert(std::move(bytes));
    }
    EXPECT_EQ(tunes.size(), 100u);
}

TEST_F(ComposeRun, PlayDuringATunesPlaySilencesWithinAHundredMillisecondsAndJoins) {
    // On the real clock: on the fake one the player runs ahead by seconds
    // whenever the stopping thread is not scheduled.
    struct RealClockScope {
        std::shared_ptr<platform::Clock> previous =
            platform::SetClock(std::make_shared<platform::RealClock>());
        ~RealClockScope() { platform::SetClock(previous); }
    } realClock;
    AppSettings.TuneNumber = 20;
    ToggleComposing();  // Play
    ASSERT_TRUE(WaitReal([] { return NoteOns() > 5; }));
    ASSERT_EQ(TuneInProgress, 0);
    const platform::Nanoseconds stopAt = platform::GetClock()->Now();
    ToggleComposing();  // Play again
    ExpectRunEnded();
    EXPECT_TRUE(Saved("MYMIDI20.MID"));
    EXPECT_FALSE(Saved("MYMIDI21.MID"));
    EXPECT_EQ(AppSettings.TuneNumber, 21);
    EXPECT_EQ(LastOutputPath.Get(), folder_ + "MYMIDI20.MID");
    // After the last note-on every channel hears All Notes Off, the first
    // within 100 ms of the second press.
    int silenced = 0;
    platform::Nanoseconds firstSilence{0};
    for (const auto& m : Midi().Messages(RecordedMidiMessage::Kind::Short)) {
        if ((m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] != 0) silenced = 0;
        if ((m.bytes[0] & 0xF0) != 0xB0 || m.bytes[1] != 123) continue;
        if (silenced == 0) firstSilence = m.time;
        silenced |= 1 << (m.bytes[0] & 0x0F);
    }
    EXPECT_EQ(silenced, 0xFFFF);
    EXPECT_GT(firstSilence.count(), 0);
    EXPECT_LE(firstSilence - stopAt, platform::Nanoseconds(100ms));
}

TEST_F(ComposeRun, ATuneThatCannotBeSavedNamesItsFileKeepsItsNumberAndEndsTheRun) {
    // The output folder is a file: no one, not even root, can write in it.
    const std::string output = folder_ + "not-a-folder/";
    testing_support::WriteFileText(folder_ + "not-a-folder", "");
    SetFieldText(AppSettings.OutputFolder, output);
    ASSERT_TRUE(StartComposeRun(3, false));
    ExpectRunEnded();
    EXPECT_EQ(Sink().Texts(), (Texts{"ZAWCFF010126 Can not open file for play.",
                                     output + "MYMIDI98.MID: Not a directory"}));
    EXPECT_EQ(AppSettings.TuneNumber, 98);
    EXPECT_EQ(shell_->Count(Kind::Title), 2);  // "[98]" and "[98] Acoustic": one tune
    EXPECT_EQ(NoteOns(), 0);
    // The working file is there; nothing else was left.
    EXPECT_EQ(testing_support::FolderNames(folder_), (Texts{"not-a-folder", "temp.mid"}));
}

// A damaged knowledge-base file (every variant of one kind: missing, cut
// inside an entry, random bytes or empty) is named in one box, never once a
// tune. Without transitions the run stops after its first tune; without any
// other file its three tunes are composed.
TEST_F(ComposeRun, ADamagedKnowledgeFileIsNamedOnceAndTheRunGoesOnOrStops) {
    AppSettings.DontPlay = 1;
    const std::string kb = folder_ + "kb";
    platform::SetProgramDirectory(kb);
    std::string noise(4096, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>(i * 7919 % 251);
    for (const char* kind : {"PATTERN", "RESOLUT", "TIMECHT", "RESTIME"}) {
        for (const char damage : {'m', 'c', 'r', 'e'}) {  // missing, cut, random, empty
            SCOPED_TRACE(std::string(kind) + " " + damage);
            std::filesystem::remove_all(kb);
            std::filesystem::copy(ZAW_RES_DIR, kb);  // the files, not the folders
            Texts damaged;
            for (const auto& entry : std::filesystem::directory_iterator(kb)) {
                const std::string file = entry.path().string();
                if (entry.path().filename().string().rfind(kind, 0) != 0) continue;
                const std::string text = testing_support::ReadFileText(file);
                const std::string cut = text.substr(0, text.find('|', text.size() / 2) - 2);
                testing_support::WriteFileText(file, damage == 'c' ? cut : damage == 'r' ? noise : "");
                if (damage == 'm') std::filesystem::remove(file);
                damaged.push_back(file);
            }
            Sink().Clear();
            shell_->Clear();
            ASSERT_TRUE(StartComposeRun(3, false));
            ExpectRunEnded();
            const bool stops = kind[0] == 'P';
            EXPECT_EQ(shell_->Count(Kind::Title), stops ? 2 : 6);
            // A missing pattern file is also told by its code alone, first.
            Texts boxes = Sink().Texts();
            if (stops && damage == 'm' && !boxes.empty()) boxes.erase(boxes.begin());
            EXPECT_FALSE(boxes.empty());
            auto names = [](const std::string& box, const std::string& file) {
                return box.find(file + " ") != std::string::npos;
            };
            for (const std::string& file : damaged)
                EXPECT_LE(std::count_if(boxes.begin(), boxes.end(),
                                        [&](const std::string& box) { return names(box, file); }),
                          1) << file;
            for (const std::string& box : boxes)
                EXPECT_TRUE(std::any_of(damaged.begin(), damaged.end(),
                                        [&](const std::string& file) { return names(box, file); }))
                    << box;
        }
    }
    platform::SetProgramDirectory("");
}

// The bars of a composed tune in 4/4 (up to its last note), and the bars in
// which its melody (channel 1) starts a note.
std::pair<long long, long long> MelodyBars(const std::string& file) {
    MidiF1Data tune(file, static_cast<int>(WorkBufferSize));
    const long long barTicks = 4LL * std::max(tune.division, 1);
    long long end = 0;
    std::set<long long> melodyBars;
    for (int t = 0; t < tune.TrackCount(); ++t) {
        long long now = 0;
        for (int i = 0; i < tune.Track(t)->EventCount(); ++i) {
            const MidiEvent* e = tune.Track(t)->Event(i);
            now += e->delta;
            if (!e->IsNoteStart() || e->velocity == 0) continue;
            end = std::max(end, now);
            if (e->channel == 1) melodyBars.insert(now / barTicks);
        }
    }
    return {end / barTicks + 1, static_cast<long long>(melodyBars.size())};
}

TEST_F(ComposeRun, EveryTuneOfARunCarriesItsMelodyInAtLeastHalfItsBars) {
    // The run-long state goes from tune to tune; whatever it carries must
    // never leave the melody resting for the rest of a later tune. Both
    // styles are in 4/4.
    AppSettings.DontPlay = 1;
    ResetComposerState();
    for (const auto& [index, name] : {std::pair{195, "Club Techno"}, {36, "Nostalgic Game"}}) {
        MusicStyle style;
        ASSERT_TRUE(GetStyleEntry(index / kStyleSlots, index % kStyleSlots, style));
        ASSERT_EQ(DisplayTitle(style), name);
        AppSettings.TuneNumber = 0;
        ClearStyleSelections();
        ComposeStyleSelection[index] = 1;
        ASSERT_TRUE(StartComposeRun(20, false));
        ASSERT_TRUE(WaitReal([] { return ComposingActive == 0; }, 300s));
        ExpectRunEnded();
        for (int n = 0; n < 20; ++n) {
            char file[16];
            std::snprintf(file, sizeof file, "MYMIDI%02d.MID", n);
            const auto [bars, withMelody] = MelodyBars(folder_ + file);
            EXPECT_GE(withMelody * 2, bars) << name << " " << file << ": melody in " << withMelody
                                            << " of " << bars << " bars";
        }
    }
}

}  // namespace
