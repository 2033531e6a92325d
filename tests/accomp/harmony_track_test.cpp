// The harmony-pattern dispatcher and its tracks: the frame a type is run
// in, the doubled harmony, the environmental sounds, and the custom step
// grid's worked figures.
#include <gtest/gtest.h>

#include <array>
#include <climits>

#include "accomp/bass_track.h"
#include "accomp/harmony_track.h"
#include "compose/chord_progression.h"
#include "compose/melody_stages.h"
#include "core/utilities.h"
#include "tests/accomp/backing_test_util.h"
#include "tests/support/test_support.h"

using backing_test::BackingFixture;
using backing_test::Chords;
using backing_test::Note;
using backing_test::Notes;
using backing_test::Sounding;
using testing_support::Sink;

namespace {

class HarmonyTest : public BackingFixture {
protected:
    void SetUp() override {
        BackingFixture::SetUp();
        ComposeInfo.Reset();
        ComposeInfo.ClearChords();
        WorkingStyle.customHarmony = CustomHarmonyBlock{};
        for (int t : {kGridHarmony, kGridSubHarmony}) {
            GridPart& grid = WorkingStyle.customHarmony.grid[0][t];
            for (int r = 0; r < kGridRows; ++r)
                grid.pnInterval[r] = 7 + r;  // root, root + 2, third, ... upwards
        }
    }
    void TearDown() override {
        ComposeInfo.ClearChords();
        ComposeInfo.labels.Clear();
        BackingFixture::TearDown();
    }
    GridPart& Grid() { return WorkingStyle.customHarmony.grid[0][kGridHarmony]; }

    std::vector<Note> Custom(const Chords& chords, int channel = kHarmonyChannel) {
        ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
        NoteList melody;
        GenerateHarmonyPattern(channel, track, kHarmonyTypeCustom, 0, 100, melody, chords.List(),
                               ComposeInfo.labels);
        std::vector<Note> notes = Notes(track);
        notes.erase(notes.begin());  // the empty first event
        return notes;
    }
    void UseComposeChords(const std::vector<std::pair<const char*, int>>& list) {
        ComposeInfo.ClearChords();
        for (const auto& [code, length] : list)
            ComposeInfo.AddChord(compose_test::Entry(code, length), 0);
    }
};

std::vector<long long> Times(const std::vector<Note>& notes) {
    std::vector<long long> out;
    for (const Note& n : notes)
        out.push_back(n.time);
    return out;
}

TEST_F(HarmonyTest, ContinuousStrokeTakesItsStrumByTheDensityThresholds) {
    EXPECT_EQ(HarmonyVariant(2, 119), HarmonyVariant(1, 119) + 2);
    EXPECT_EQ(HarmonyVariant(2, 120), 1);
    EXPECT_EQ(HarmonyVariant(2, 139), 1);
    EXPECT_EQ(HarmonyVariant(2, 140), 0);
    EXPECT_EQ(HarmonyVariant(0, 100), -1);
    EXPECT_EQ(HarmonyVariant(62, 100), -1);
}

TEST_F(HarmonyTest, InvalidTypesShowTheErrorAndKeepTheFrame) {
    WorkingStyle.voice[kPartHarmony] = 24;
    WorkingStyle.mix[kPartHarmony].panpot = 30;
    WorkingStyle.mix[kPartHarmony].delay = 0;
    UseComposeChords({{"CMPS", 384}});
    for (int type : {0, 48, 62}) {
        Sink().Clear();
        WorkingStyle.harmonyPattern = type;
        std::vector<ComposeTrackData*> tracks;
        int count = 0;
        NoteList melody;
        BuildHarmonyTrack(count, tracks, melody);
        ASSERT_EQ(count, 1);
        ASSERT_EQ(Sink().Count(), 1u) << type;
        EXPECT_NE(Sink().Texts()[0].find("backing pattern error!"), std::string::npos);
        EXPECT_EQ(tracks[0]->GetChannelProgram(kHarmonyChannel), 24);
        EXPECT_EQ(tracks[0]->FindControlValue(kPanController), 30);
        EXPECT_TRUE(Sounding(*tracks[0]).empty());
        delete tracks[0];
    }
}

TEST_F(HarmonyTest, UnusedPartsGiveNoTrack) {
    WorkingStyle.voice[kPartHarmony] = kVoiceNotUsed;
    WorkingStyle.voice[kPartSubHarmony] = kVoiceNotUsed;
    WorkingStyle.voice[kPartEnvironment] = kVoiceNotUsed;
    WorkingStyle.melody[kPartMelody].voicing = 0;
    std::vector<ComposeTrackData*> tracks;
    int count = 0;
    NoteList melody;
    BuildHarmonyTrack(count, tracks, melody);
    BuildSubHarmonyTrack(count, tracks, melody);
    BuildEnvironmentTrack(count, tracks);
    BuildSecondMelodyTrack(count, tracks);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(tracks.empty());
}

TEST_F(HarmonyTest, AnyOctaveShiftFromAStyleFileFoldsLikeTenOctaves) {
    // Every part is moved by the shift, and "Enka" at 120 also folds its
    // chord under the shifted ceiling: both read the style's raw value.
    WorkingStyle.voice[kPartHarmony] = 24;
    WorkingStyle.density[kPartHarmony] = 120;
    WorkingStyle.mix[kPartHarmony].delay = 0;
    UseComposeChords({{"CMPS", 384}, {"FMPS", 384}, {"GMPS", 384}, {"CMPS", 384}});
    auto notes = [](int type, int octave) {
        WorkingStyle.harmonyPattern = type;
        WorkingStyle.octave[kHarmonyChannel] = octave;
        SeedRandomWith(7);
        std::vector<ComposeTrackData*> tracks;
        int count = 0;
        NoteList melody;
        BuildHarmonyTrack(count, tracks, melody);
        std::vector<std::array<long long, 4>> out;
        for (const Note& n : Notes(*tracks[0]))
            out.push_back({n.time, n.key, n.velocity, n.length});
        for (ComposeTrackData* t : tracks)
            delete t;
        return out;
    };
    for (int type : {1, 22}) {
        for (int sign : {1, -1}) {
            const auto ten = notes(type, 10 * sign);
            if (type == 1) {
                ASSERT_FALSE(ten.empty()) << sign;
            }
            for (const auto& n : ten) {
                EXPECT_GE(n[1], 0);
                EXPECT_LE(n[1], 127);
            }
            EXPECT_EQ(notes(type, sign > 0 ? INT_MAX : INT_MIN), ten) << type;
            EXPECT_EQ(notes(type, 1000 * sign), ten) << type;
        }
    }
    EXPECT_FALSE(notes(22, 10).empty());
}

TEST_F(HarmonyTest, DelayedHarmonyIsDoubledOnChannel11WithPansHeldInRange) {
    WorkingStyle.voice[kPartHarmony] = 24;
    WorkingStyle.harmonyPattern = kHarmonyTypeCustom;
    Grid().Cell(0, 0) = 1;
    UseComposeChords({{"CMPS", 384}});
    struct Case {
        int pan, copy, first;
    };
    for (const Case& c : {Case{20, 0, 60}, Case{100, 60, 127}, Case{64, 24, 104}}) {
        WorkingStyle.mix[kPartHarmony].panpot = static_cast<std::uint8_t>(c.pan);
        WorkingStyle.mix[kPartHarmony].delay = 10;
        std::vector<ComposeTrackData*> tracks;
        int count = 0;
        NoteList melody;
        BuildHarmonyTrack(count, tracks, melody);
        ASSERT_EQ(count, 2);
        ComposeTrackData& copy = *tracks[0];
        ComposeTrackData& first = *tracks[1];
        EXPECT_EQ(copy.CountEventsOfChannel(kHarmonyChannel), 0);
        EXPECT_EQ(copy.FindControlValue(kPanController), c.copy) << c.pan;
        EXPECT_EQ(first.FindControlValue(kPanController), c.first) << c.pan;
        const std::vector<Note> a = Sounding(first);
        const std::vector<Note> b = Sounding(copy);
        ASSERT_FALSE(a.empty());
        ASSERT_EQ(a.size(), b.size());
        EXPECT_EQ(b[0].time, a[0].time + 10);
        EXPECT_EQ(b[0].channel, kHarmonyDoubleChannel);
        // The copy is detuned by the fine-tuning RPN just before its first
        // note.
        bool detuned = false;
        for (int i = 1; i < copy.EventCount(); ++i) {
            const MidiEvent* e = copy.Event(i);
            if (e->IsNoteWithLength() && e->note != 0) break;
            detuned |= e->kind == event_kind::kControlChange && e->subtype == 6 && e->value == 56;
        }
        EXPECT_TRUE(detuned);
        for (ComposeTrackData* t : tracks)
            delete t;
    }
    // No delay: one track.
    WorkingStyle.mix[kPartHarmony].delay = 0;
    std::vector<ComposeTrackData*> tracks;
    int count = 0;
    NoteList melody;
    BuildHarmonyTrack(count, tracks, melody);
    EXPECT_EQ(count, 1);
    delete tracks[0];
}

TEST_F(HarmonyTest, SeashoreOnOneChordPlaysOneWaveAndTheTwoClosingWaves) {
    WorkingStyle.voice[kPartEnvironment] = kSeashore;
    UseComposeChords({{"CMPS", 384}});
    std::vector<ComposeTrackData*> tracks;
    int count = 0;
    BuildEnvironmentTrack(count, tracks);
    ASSERT_EQ(count, 1);
    // The wave itself may be a silent one, dropped when the track closes.
    const std::vector<Note> heard = Sounding(*tracks[0]);
    ASSERT_TRUE(heard.size() == 2u || heard.size() == 3u);
    if (heard.size() == 3u) {
        EXPECT_EQ(heard[0].time, 0);
    }
    EXPECT_EQ(heard.back().time, 768);
    EXPECT_EQ(heard.back().key, 72);
    EXPECT_EQ(heard[heard.size() - 2].time, 384);
    delete tracks[0];
}

TEST_F(HarmonyTest, SeashoreKeepsItsWavesGoingOverLongChords) {
    const Chords chords({{"CMPS", 768}, {"FMPS", 768}, {"GMPs", 768}});
    ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
    SeedRandomWith(3);
    EnvironmentSeashore(track, chords.List());
    const std::vector<Note> notes = Notes(track);  // silent waves still keep their place
    std::vector<long long> expected;
    for (long long t = 0; t <= 2304 + 384; t += 384)
        expected.push_back(t);
    EXPECT_EQ(Times(notes), expected);
}

TEST_F(HarmonyTest, EnvironmentsOnAnEmptyTuneWriteNothingAndAWrongInstrumentIsReported) {
    for (int instrument : {kSeashore, kBirdTweet, kApplause}) {
        WorkingStyle.voice[kPartEnvironment] = instrument;
        ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
        GenerateEnvironmentSound(track, Chords().List());
        EXPECT_EQ(track.EventCount(), 0) << instrument;
    }
    Sink().Clear();
    WorkingStyle.voice[kPartEnvironment] = 5;
    ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
    GenerateEnvironmentSound(track, Chords({{"CMPS", 384}}).List());
    EXPECT_EQ(Sink().Count(), 1u);
    EXPECT_EQ(track.EventCount(), 0);
}

TEST_F(HarmonyTest, ApplauseOpensAndClosesTheTune) {
    const Chords chords({{"CMPS", 384}, {"GMPs", 192}, {"FMPS", 384}});
    ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
    EnvironmentApplause(track, chords.List());
    const std::vector<Note> notes = Sounding(track);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0].key, 60 + 11);
    EXPECT_EQ(notes[1].time, 96);
    EXPECT_EQ(notes[2].time, 96 + 576);
    EXPECT_EQ(notes[2].length, 376);
}

// Pitches of the second melody track built over four notes of 60 with key
// changes at notes 1 and 3.
std::vector<int> SecondMelodyAfterKeyChanges(int s1, int s2) {
    const int savedMark[2] = {KeyChangeMark[0], KeyChangeMark[1]};
    const int savedBlocks[2] = {KeyChangeBlocks[0], KeyChangeBlocks[1]};
    const int savedShift[2] = {KeyChangeShift[0], KeyChangeShift[1]};
    KeyChangeMark[0] = 1;
    KeyChangeMark[1] = 3;
    KeyChangeBlocks[0] = KeyChangeBlocks[1] = 0;
    KeyChangeShift[0] = s1;
    KeyChangeShift[1] = s2;
    ComposeInfo.secondMelody.Clear();
    for (int i = 0; i < 4; ++i)
        ComposeInfo.secondMelody.AppendNote(96, 60);
    std::vector<ComposeTrackData*> tracks;
    int count = 0;
    BuildSecondMelodyTrack(count, tracks);
    std::vector<int> keys;
    for (ComposeTrackData* t : tracks) {
        for (const Note& n : Sounding(*t))
            keys.push_back(n.key);
        delete t;
    }
    for (int i = 0; i < 2; ++i) {
        KeyChangeMark[i] = savedMark[i];
        KeyChangeBlocks[i] = savedBlocks[i];
        KeyChangeShift[i] = savedShift[i];
    }
    return keys;
}

TEST_F(HarmonyTest, SecondMelodyChangesKeyWithTheTune) {
    WorkingStyle.melody[kPartMelody].voicing = 1;
    WorkingStyle.melody[kPartMelody].ornament = 0;
    WorkingStyle.melody[kPartMelody].effect = 0;
    WorkingStyle.melody[kPartMelody].upperLimit = 96;
    WorkingStyle.melody[kPartMelody].lowerLimit = 36;
    WorkingStyle.transpose = 1;
    EXPECT_EQ(SecondMelodyAfterKeyChanges(5, 3), (std::vector<int>{60, 65, 65, 68}));
    EXPECT_EQ(SecondMelodyAfterKeyChanges(2, 11), (std::vector<int>{60, 50, 50, 61}));
}

// ---- The custom grid ----

TEST_F(HarmonyTest, CustomGridPlaysRowsOnTheirStepsAndSilentStepsKeepTime) {
    for (int s : {0, 4, 8, 12})
        Grid().Cell(0, s) = 1;
    const std::vector<Note> notes = Custom(Chords({{"CMPS", 384}}));
    ASSERT_EQ(notes.size(), 16u);
    for (int s = 0; s < 16; ++s) {
        EXPECT_EQ(notes[s].time, 24 * s);
        if (s % 4 == 0) {
            EXPECT_EQ(notes[s].key, 60);
            EXPECT_EQ(notes[s].length, 15);
        } else {
            EXPECT_EQ(notes[s].key, 0);
        }
    }
}

TEST_F(HarmonyTest, CustomContinuationLengthensTheNoteAcrossItsSteps) {
    for (int s : {0, 1, 2, 3, 4, 8, 12})
        Grid().Cell(0, s) = 1;
    Grid().Cell(2, 3) = 1;  // collected at the span's last step
    for (int s : {1, 2, 3})
        Grid().pnContinuem[s] = 1;
    const std::vector<Note> notes = Custom(Chords({{"CMPS", 384}}));
    ASSERT_GE(notes.size(), 3u);
    EXPECT_EQ(notes[0].time, 0);
    EXPECT_EQ(notes[0].length, 60);
    EXPECT_EQ(notes[1].time, 0);
    EXPECT_EQ(notes[1].key, 64);
    EXPECT_EQ(notes[2].time, 96);
}

TEST_F(HarmonyTest, CustomStrokeStaggersThePitchesAndStopsAtTheLastTick) {
    WorkingStyle.customHarmony.stroke[kGridHarmony] = 1;
    for (int r = 0; r < 3; ++r)
        Grid().Cell(r, 0) = 1;
    std::vector<Note> notes = Custom(Chords({{"CMPS", 24}}));
    ASSERT_EQ(notes.size(), 3u);
    for (int m = 0; m < 3; ++m) {
        EXPECT_EQ(notes[m].time, 2 * m);
        EXPECT_EQ(notes[m].length, 15 - 2 * m);
    }
    // All 14 rows: the offsets stop at the 15th tick, every note keeps one
    // tick and the next chord starts on time.
    for (int r = 0; r < kGridRows; ++r)
        Grid().Cell(r, 0) = 1;
    for (int r = 0; r < kGridRows; ++r)
        Grid().pnInterval[r] = 7;
    ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
    NoteList melody;
    GenerateHarmonyPattern(kHarmonyChannel, track, kHarmonyTypeCustom, 0, 100, melody,
                           Chords({{"CMPS", 24}, {"CMPS", 24}}).List(), ComposeInfo.labels);
    notes = Sounding(track);
    ASSERT_EQ(notes.size(), 28u);
    for (int m = 0; m < kGridRows; ++m) {
        EXPECT_EQ(notes[m].time, std::min(2 * m, 14));
        EXPECT_GE(notes[m].length, 1);
    }
    EXPECT_EQ(notes[14].time, 24);
}

TEST_F(HarmonyTest, CustomContinuesThePatternIntoTheNextChordWhenAsked) {
    for (int s = 0; s < 16; ++s)
        Grid().Cell(s % kGridRows, s) = 1;
    WorkingStyle.customHarmony.continueMajor[kGridHarmony] = 1;
    const std::vector<Note> notes = Custom(Chords({{"CMPS", 192}, {"CMPS", 192}}));
    ASSERT_EQ(notes.size(), 16u);
    // Step 8 of the grid sounds row 8 at the second chord's first step.
    EXPECT_EQ(notes[8].time, 192);
    EXPECT_NE(notes[8].key, notes[0].key);
    WorkingStyle.customHarmony.continueMajor[kGridHarmony] = 0;
    const std::vector<Note> again = Custom(Chords({{"CMPS", 192}, {"CMPS", 192}}));
    EXPECT_EQ(again[8].key, again[0].key);
}

TEST_F(HarmonyTest, CustomTripletThreeFourRunsNineStepsOf32) {
    WorkingStyle.basicBeat = 3;
    WorkingStyle.timeSignature = kMetre34;
    Grid().Cell(0, 0) = 1;
    const std::vector<Note> notes = Custom(Chords({{"CMPS", 288}, {"CMPS", 100}}));
    // Nine steps, then three whole steps of the 100-tick chord.
    ASSERT_EQ(notes.size(), 12u);
    EXPECT_EQ(notes[8].time, 256);
    EXPECT_EQ(notes[9].time, 288);
    EXPECT_EQ(notes[9].key, 60);
    EXPECT_EQ(notes[0].length, 23);
}

TEST_F(HarmonyTest, CustomOddMetreShowsTheErrorOncePerTrack) {
    WorkingStyle.timeSignature = 5;
    Grid().Cell(0, 0) = 1;
    Sink().Clear();
    const std::vector<Note> notes = Custom(Chords({{"CMPS", 96}, {"CMPS", 96}}));
    EXPECT_EQ(Sink().Count(), 1u);
    // A two-step cycle: row 0 on every other step.
    EXPECT_EQ(notes[2].key, 60);
    EXPECT_EQ(notes[1].key, 0);
}

TEST_F(HarmonyTest, CustomSecondGridTakesOverAtABlockChange) {
    WorkingStyle.customHarmony.useX[kGridHarmony] = 2;
    Grid().Cell(0, 0) = 1;
    GridPart& second = WorkingStyle.customHarmony.grid[1][kGridHarmony];
    second.Cell(1, 0) = 1;
    for (int r = 0; r < kGridRows; ++r)
        second.pnInterval[r] = 7 + r;
    ComposeInfo.labels.Clear();
    ComposeInfo.labels.AppendLabel(96, "AXXX");
    ComposeInfo.labels.AppendLabel(96, "BXXX");
    const std::vector<Note> notes = Custom(Chords({{"CMPS", 96}, {"CMPS", 96}, {"CMPS", 96}}));
    const std::vector<Note> heard = [&] {
        std::vector<Note> h;
        for (const Note& n : notes)
            if (n.velocity > 0) h.push_back(n);
        return h;
    }();
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_EQ(heard[0].key, 60);
    EXPECT_EQ(heard[1].key, 62);  // the second grid in block B
    EXPECT_EQ(heard[2].key, 60);  // past the labels: the first grid again
    // A selector outside 0..2 writes nothing.
    WorkingStyle.customHarmony.useX[kGridHarmony] = 3;
    EXPECT_TRUE(Custom(Chords({{"CMPS", 96}})).empty());
}

}  // namespace
