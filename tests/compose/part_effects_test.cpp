#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "compose/clash_removal.h"
#include "compose/composer_state.h"
#include "compose/melody_rhythm.h"
#include "compose/note_choice.h"
#include "compose/part_effects.h"
#include "compose/part_track.h"
#include "core/utilities.h"
#include "midi/f0_data.h"
#include "style/style_table.h"
#include "tests/compose/compose_test_util.h"
#include "tests/midi/track_test_util.h"
#include "tests/support/test_support.h"

using track_test::Describe;

namespace {

class PartEffects : public compose_test::StyleFixture {
protected:
    void SetUp() override {
        StyleFixture::SetUp();
        ResetComposerState();
        WorkingStyle.tempo = 500000;
        WorkingStyle.basicBeat = 0;
        for (MelodySettings& m : WorkingStyle.melody) {
            m.ornament = 0;
            m.effect = 0;
            m.lowerLimit = 48;
            m.upperLimit = 96;
        }
    }
    void TearDown() override {
        ResetComposerState();
        StyleFixture::TearDown();
    }
};

constexpr int kBendable = 40;  // a bowed string
constexpr int kPiano = 0;

// A melody as the part writer leaves it: the voice first, then notes that
// end within their slot (some at one tick, as chords), a few controllers and
// bends, and the end of the track.
void FillMelody(PartTrack& track, int seed, int program, int lowest = 40) {
    SeedRandomWith(seed);
    track.AddProgramChange(0, program);
    static constexpr int kGaps[] = {0, 8, 12, 24, 48, 72, 96, 144, 192, 384, 500};
    int delta = 0;
    for (int n = 0; n < 60; ++n) {
        int gap = kGaps[RandomInRange(0, 10)];
        if (RandomInRange(1, 12) == 1) {
            track.AddControlChange(0, RandomInRange(1, 2) == 1 ? 1 : 74, RandomInRange(0, 127))
                ->delta = delta;
            delta = 0;
        }
        int length = RandomInRange(1, gap == 0 ? 8 : gap);
        track.AddNoteEvent(0, delta, RandomInRange(lowest, 100), RandomInRange(1, 127), length);
        delta = gap;
    }
    track.AppendEndOfTrackAt(delta + 96);
}

struct Start {
    long long time;
    long long slotEnd;  // the next later original event
};

std::vector<long long> EventTimes(const MidiTrackData& track) {
    std::vector<long long> times;
    long long t = 0;
    for (int i = 0; i < track.EventCount(); ++i)
        times.push_back(t += track.Event(i)->delta);
    return times;
}

// The start of every sounding note with the time of the next later event.
std::vector<Start> NoteStarts(const MidiTrackData& track) {
    auto times = EventTimes(track);
    std::vector<Start> starts;
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        if (!e->IsNoteWithLength() || e->note == 0 || e->velocity == 0) continue;
        long long next = times.back();
        for (std::size_t j = i + 1; j < times.size(); ++j) {
            if (times[j] > times[i]) {
                next = times[j];
                break;
            }
        }
        starts.push_back({times[i], next});
    }
    return starts;
}

// Every data byte of every event is a MIDI data byte, lengths and deltas are
// not negative.
void ExpectValidEvents(const MidiTrackData& track, const std::string& what) {
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        ASSERT_GE(e->delta, 0) << what;
        if (e->IsNoteWithLength()) {
            ASSERT_GE(e->length, 0) << what;
            ASSERT_TRUE(e->note >= 0 && e->note <= 127 && e->velocity >= 0 && e->velocity <= 127)
                << what << " note " << e->note << "/" << e->velocity;
            ASSERT_TRUE(e->note == 0 || e->note >= 13) << what;
        } else if (e->kind == event_kind::kControlChange) {
            ASSERT_TRUE(e->subtype >= 0 && e->subtype <= 127 && e->value >= 0 && e->value <= 127)
                << what;
        } else if (e->kind == event_kind::kPitchBend) {
            ASSERT_TRUE(e->note >= 0 && e->note <= 127 && e->value >= 0 && e->value <= 127) << what;
        }
    }
}

MidiF0Data TwoPartTune(const std::vector<std::vector<int>>& notes) {
    // Each entry: channel, time, key, length, velocity; in time order.
    MidiTrackData track(note_mode::kLength, 0x6000);
    long long last = 0;
    for (const auto& n : notes) {
        track.AddNote(n[0], static_cast<int>(n[1] - last), n[2], n[4], n[3]);
        last = n[1];
    }
    track.AppendEndOfTrackAt(384);
    return MidiF0Data(track, 96);
}

}  // namespace

// ---- Clash removal ----

// A second-part note a semitone (or whole tone, major seventh, minor ninth)
// from a sounding first-part note goes, note-on and note-off both; a third
// stays. The first part's count per key keeps a held note sounding when a
// second note of the same key ends.
TEST_F(PartEffects, RemoveClashesDeletesTheSecondPartsGrindingNotes) {
    MidiF0Data tune = TwoPartTune({{1, 0, 61, 96, 90},
                                   {0, 0, 60, 192, 90},
                                   {1, 96, 64, 96, 90},
                                   {0, 96, 60, 24, 90},  // the same key again, ends at 120
                                   {1, 144, 71, 24, 90},
                                   {1, 240, 62, 48, 90},
                                   {1, 288, 72, 48, 90}});
    RemoveClashes(tune, 0, 1);
    EXPECT_EQ(tune.noteMode, note_mode::kLength);
    // (The two notes of key 60 pair first in, first out on the way back.)
    EXPECT_EQ(Describe(*tune.Track()),
              "0:N0/60/120 96:N0/60/96 96:N1/64/96 240:N1/62/48 288:N1/72/48 672:EOT");

    // Deleted notes leave no note-off behind: the same key sounds again
    // later, untouched.
    MidiF0Data again = TwoPartTune({{0, 0, 60, 96, 90}, {1, 0, 59, 48, 90}, {1, 48, 59, 48, 90}});
    RemoveClashes(again, 0, 1);
    EXPECT_EQ(Describe(*again.Track()), "0:N0/60/96 432:EOT");
}

// A second-part note that starts with or just after a first-part note is
// played at 5/6 of its velocity below it, at 4/5 above; the first part is
// forgotten at its note-off and after a pause of an eighth of the division.
TEST_F(PartEffects, SoftenClashesLowersTheSecondPartUnderTheFirst) {
    MidiF0Data tune = TwoPartTune({{0, 0, 60, 96, 90},
                                   {1, 0, 55, 8, 100},
                                   {1, 8, 65, 8, 100},
                                   {1, 48, 65, 8, 100},  // 32 ticks of silence before it
                                   {0, 192, 60, 96, 90},
                                   {1, 192, 50, 8, 100},
                                   {1, 200, 62, 8, 100},
                                   {0, 300, 70, 8, 90},
                                   {1, 308, 72, 8, 100}});  // the first part just ended
    SoftenClashes(tune, 0, 1);
    std::vector<int> second;
    for (int i = 0; i < tune.Track()->EventCount(); ++i) {
        const MidiEvent* e = tune.Track()->Event(i);
        if (e->IsNoteWithLength() && e->channel == 1) second.push_back(e->velocity);
    }
    EXPECT_EQ(second, (std::vector<int>{83, 80, 100, 83, 80, 100}));
}

// ---- Part effects ----

// Every ornament kind and effect value, on voices that bend and voices that
// do not: each event stays valid, every note still starts where it started,
// the track ends where it ended, and nothing an effect adds leaves its
// note's slot.
TEST_F(PartEffects, EveryEffectKeepsNotesSlotsAndTheEnd) {
    TheComposerState.specialEffectAsked = true;  // answered OK
    for (int ornament : {0, 5, 8, 9, 10, 12, 13, 19}) {
        for (int value = 0; value <= 25; ++value) {
            for (int program : {kBendable, kPiano}) {
                for (int seed = 1; seed <= 6; ++seed) {
                    WorkingStyle.melody[kPartMelody].ornament = ornament;
                    WorkingStyle.melody[kPartMelody].effect = value;
                    PartTrack track;
                    FillMelody(track, seed * 31 + value, program, seed == 1 ? 13 : 40);
                    const auto before = NoteStarts(track);
                    const long long end = EventTimes(track).back();
                    ApplyPartEffects(track, kPartKindMelody);
                    const std::string what = "ornament " + std::to_string(ornament) + " value " +
                                             std::to_string(value) + " program " +
                                             std::to_string(program);
                    ExpectValidEvents(track, what);
                    ASSERT_EQ(EventTimes(track).back(), end) << what;
                    auto after = NoteStarts(track);
                    std::vector<long long> starts;
                    for (const Start& s : after)
                        starts.push_back(s.time);
                    for (const Start& s : before)
                        ASSERT_TRUE(std::binary_search(starts.begin(), starts.end(), s.time))
                            << what << " lost the note at " << s.time;
                    // Each piece ends by the next original event after its own
                    // start (the swell stretches notes up to it, and the silent
                    // pipe gives every note its own length, on purpose).
                    if (ornament == 12 || value == 12 || ornament == 9 || value == 9) continue;
                    auto times = EventTimes(track);
                    std::size_t k = 0;
                    for (int i = 0; i < track.EventCount(); ++i) {
                        const MidiEvent* e = track.Event(i);
                        if (!track.IsSoundingNote(i)) continue;
                        while (k + 1 < before.size() && before[k + 1].time <= times[i])
                            ++k;
                        if (before.empty() || times[i] < before[k].time) continue;
                        if (times[i] == before[k].time && value == 21) continue;
                        ASSERT_LE(times[i] + e->length, std::max(before[k].slotEnd, times[i] + 1))
                            << what << " note at " << times[i];
                    }
                }
            }
        }
    }
}

// ---- Part-track operations ----

TEST_F(PartEffects, SplitIntoRepeatsNeverMovesTheNextEvent) {
    PartTrack track;
    track.AddNoteEvent(0, 0, 60, 100, 90);
    track.AddNoteEvent(0, 96, 62, 100, 90);
    track.AddNoteEvent(0, 10, 64, 100, 8);
    track.AppendEndOfTrackAt(30);
    EXPECT_EQ(track.SplitIntoRepeats(0, 24), 3);  // 96 / 24 - 1
    EXPECT_EQ(Describe(track),
              "0:N0/60/19 24:N0/60/19 48:N0/60/19 72:N0/60/19 96:N0/62/90 "
              "106:N0/64/8 136:EOT");
    // The next event only 10 ticks on: no copy, and it stays where it was.
    EXPECT_EQ(track.SplitIntoRepeats(4, 24), 0);
    EXPECT_EQ(track.SplitIntoRepeats(5, 0), 29);  // a of 0 counts as 1
    EXPECT_EQ(EventTimes(track).back(), 136);
    EXPECT_EQ(track.Event(4)->length, 19);
    EXPECT_EQ(track.TimeOf(5), 106);
}

TEST_F(PartEffects, BendAttackByVoice) {
    PartTrack bent;
    bent.AddProgramChange(0, kBendable);
    bent.AddNoteEvent(0, 0, 60, 100, 90);
    bent.AddNoteEvent(0, 96, 62, 100, 90);
    bent.AppendEndOfTrackAt(96);
    EXPECT_EQ(bent.BendAttack(1, 12), 2);
    EXPECT_EQ(Describe(bent), "0:PC0=40 0:N0/60/90 0:PB0=7492 12:PB0=8192 96:N0/62/90 192:EOT");
    EXPECT_EQ(bent.BendAttack(4, 100), 0);  // the end comes sooner

    PartTrack plain;
    plain.AddNoteEvent(0, 0, 60, 100, 90);
    plain.AppendEndOfTrackAt(96);
    EXPECT_EQ(plain.BendAttack(0, 7), 0);
    EXPECT_EQ(plain.BendAttack(0, 12), 1);
    EXPECT_EQ(Describe(plain), "0:N0/59/3 4:N0/60/86 96:EOT");
    // Only notes bend.
    EXPECT_EQ(plain.BendAttack(2, 12), 0);
    EXPECT_EQ(testing_support::Sink().Count(), 1u);
}

TEST_F(PartEffects, OctaveDoubleAndSwellLengths) {
    PartTrack track;
    track.AddNoteEvent(0, 0, 60, 100, 40);
    track.AddNoteEvent(0, 0, 116, 100, 40);
    track.AddNoteEvent(0, 48, 64, 100, 40);
    track.AppendEndOfTrackAt(48);
    track.AddOctaveDouble();
    EXPECT_EQ(Describe(track), "0:N0/60/40 0:N0/72/40 0:N0/116/40 48:N0/64/40 48:N0/76/40 96:EOT");
    // A note with the next event at its own tick still lasts a tick.
    EffectSwell(track);
    EXPECT_EQ(track.Event(0)->length, 1);
    EXPECT_EQ(track.Event(2)->length, 47);
}

// The silent pipe's lower copies sink and fade with the note count; those
// that would sink under the lowest key given or fall silent are not written.
TEST_F(PartEffects, SilentPipeCopiesStayPlayable) {
    PartTrack track;
    for (int n = 0; n < 200; ++n)
        track.AddNoteEvent(0, n == 0 ? 0 : 48, 30 + n % 10, 60, 40);
    track.AppendEndOfTrackAt(48);
    const long long end = EventTimes(track).back();
    SeedRandomWith(5);
    EffectSilentPipe(track, 24);
    ExpectValidEvents(track, "silent pipe");
    EXPECT_EQ(EventTimes(track).back(), end);
    for (const MidiEvent* e : track.Events())
        EXPECT_TRUE(!e->IsNoteWithLength() || e->note >= 24);
}

// The question about the silent and long-pipe effects comes once per run;
// after Cancel neither 9 nor 12 is applied again.
TEST_F(PartEffects, SpecialEffectAsksOnceAndCancelStopsIt) {
    auto& sink = testing_support::Sink();
    sink.QueueAnswer(IDCANCEL);
    WorkingStyle.melody[kPartMelody].ornament = 9;
    PartTrack track;
    FillMelody(track, 3, kBendable);
    const std::string original = Describe(track);
    ApplyPartEffects(track, kPartKindMelody);
    EXPECT_EQ(Describe(track), original);
    EXPECT_EQ(WorkingStyle.melody[kPartMelody].ornament, 0);

    WorkingStyle.melody[kPartMelody].ornament = 9;
    WorkingStyle.melody[kPartMelody].effect = 12;
    ApplyPartEffects(track, kPartKindMelody);
    EXPECT_EQ(Describe(track), original);
    ASSERT_EQ(sink.Count(), 1u);
    EXPECT_EQ(sink.Boxes()[0].kind, platform::BoxKind::OkCancel);
    EXPECT_EQ(sink.Boxes()[0].text,
              "Silen or Long Pipe Effect is used.\nA file can be created but, can't be played "
              "with ZAW.\nDo you want to use effect?");

    // A new run asks again, and OK lets the effect work.
    ResetComposerState();
    WorkingStyle.melody[kPartMelody].ornament = 9;
    ApplyPartEffects(track, kPartKindMelody);
    EXPECT_EQ(sink.Count(), 2u);
    EXPECT_NE(Describe(track), original);
}

// ---- Reproducibility ----

// After the reset, one seed gives the same lengths, notes and effects.
TEST_F(PartEffects, SameSeedSameMelody) {
    WorkingStyle.melody[kPartMelody].noteLength = 8;
    WorkingStyle.melody[kPartMelody].effect = 20;
    WorkingStyle.melody[kPartMelody].ornament = 19;
    auto compose = [] {
        PartTrack track;
        track.AddProgramChange(0, kBendable);
        ChordRecord chord = compose_test::Chord("FMPS");
        ScaleString weights;
        GetChordScaleWeights(chord.code.text, weights);
        int previous = 0, before = 0, previousClass = 0, delta = 0;
        for (int bar = 0; bar < 8; ++bar) {
            for (int t = 0; t < 384;) {
                int length = NextNoteLength(kPartMelody, t, 384, 384, previousClass);
                int pitch = NoteChoiceFive(previous, weights, length, t, chord, previousClass,
                                           before, 384, kPartMelody);
                track.AddNoteEvent(0, delta, pitch, 64, length - 3);
                before = previous;
                previous = pitch;
                previousClass = length / 24;
                delta = length;
                t += length;
            }
        }
        track.AppendEndOfTrackAt(delta);
        ApplyPartEffects(track, kPartKindMelody);
        return Describe(track);
    };
    SeedRandomWith(1234);
    ResetComposerState();
    const std::string first = compose();
    compose();  // the run goes on: templates and counters move
    SeedRandomWith(1234);
    ResetComposerState();
    EXPECT_EQ(compose(), first);
}
