// The hit emitter and the step layers: what every hit kind writes in every
// drum set and sound module, and the worked examples of the layers.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/utilities.h"
#include "tests/accomp/drum_test_util.h"
#include "tests/support/test_support.h"

using drum_test::DrumFixture;
using drum_test::KeysAt;
using drum_test::Notes;
using testing_support::Sink;

namespace {

using DrumHits = DrumFixture;

TEST_F(DrumHits, EveryKindSoundsTogetherInRangeAndMovesTheCursorOneHit) {
    SeedRandomWith(5);
    for (int module = 0; module <= 2; ++module) {
        AppSettings.ComposeOutputType = module;
        for (int set = 1; set <= 4; ++set) {
            WorkingStyle.voice[kPartDrum] = set;
            for (int kind = 1; kind <= kDrumHitKindCount; ++kind) {
                for (int velocity : {-200, -50, 0, 100, 300}) {
                    for (int round = 0; round < 8; ++round) {
                        ComposeTrackData track(note_mode::kLength, 0x6000);
                        int cursor = 17;
                        EmitDrumHit(cursor, 23, 1, kDrumChannel, track, kind, velocity);
                        SCOPED_TRACE(testing::Message()
                                     << "kind " << kind << " set " << set << " module " << module);
                        const auto notes = Notes(track);
                        if (kind == kDrumRest) {
                            EXPECT_TRUE(notes.empty());
                            EXPECT_EQ(cursor, 17 + 24);
                            continue;
                        }
                        ASSERT_GE(notes.size(), 1u);
                        EXPECT_LE(notes.size(), 8u);
                        EXPECT_EQ(notes[0].time, 17);
                        const long long second = notes.back().time;
                        for (const auto& n : notes) {
                            EXPECT_GE(n.key, 13);
                            EXPECT_LE(n.key, 127);
                            EXPECT_GE(n.velocity, 0);
                            EXPECT_LE(n.velocity, 127);
                            EXPECT_EQ(n.channel, kDrumChannel);
                            // One onset, or the two halves of a split hit.
                            EXPECT_TRUE(n.time == 17 || n.time == second);
                            if (second == 17) {
                                EXPECT_EQ(n.length, 23);
                            }
                        }
                        if (second != 17) {
                            // A split hit: halves of 11 and 12, the second
                            // started half the length plus half the gap later.
                            EXPECT_EQ(second, 17 + 11);
                            EXPECT_EQ(notes.front().length, 11);
                            EXPECT_EQ(notes.back().length, 12);
                            EXPECT_EQ(second + cursor, 17 + 24);
                        } else {
                            EXPECT_EQ(cursor, 24);
                        }
                    }
                }
            }
        }
    }
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST_F(DrumHits, HatVelocityFollowsTheStepValueWithinRange) {
    ComposeTrackData track(note_mode::kLength, 0x6000);
    int cursor = 0;
    EmitDrumHit(cursor, 23, 1, kDrumChannel, track, 1, 100);
    EmitDrumHit(cursor, 23, 1, kDrumChannel, track, 1, -50);
    EmitDrumHit(cursor, 23, 1, kDrumChannel, track, 1, 20);
    const auto notes = Notes(track);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0].velocity, 127);
    EXPECT_EQ(notes[1].velocity, 0);
    EXPECT_EQ(notes[2].velocity, 60);
    EXPECT_EQ(notes[2].key, 42);
}

TEST_F(DrumHits, KindsFollowTheDrumSet) {
    auto keys = [](int set, int kind) {
        WorkingStyle.voice[kPartDrum] = set;
        ComposeTrackData track(note_mode::kLength, 0x6000);
        int cursor = 0;
        EmitDrumHit(cursor, 23, 1, kDrumChannel, track, kind, 0);
        return KeysAt(Notes(track), 0);
    };
    EXPECT_EQ(keys(1, 5), (std::vector<int>{35, 42}));
    EXPECT_EQ(keys(3, 5), (std::vector<int>{66, 69}));
    EXPECT_EQ(keys(2, 4), (std::vector<int>{40, 42}));
    EXPECT_EQ(keys(1, 4), (std::vector<int>{38, 42}));
    EXPECT_EQ(keys(3, 4), (std::vector<int>{65, 69}));
    EXPECT_EQ(keys(7, 2), (std::vector<int>{36}));  // any other set is the electric one
    WorkingStyle.voice[kPartDrum] = kTechnoSet;
    ComposeTrackData track(note_mode::kLength, 0x6000);
    int cursor = 0;
    EmitDrumHit(cursor, 23, 1, kDrumChannel, track, 2, 0);
    EXPECT_EQ(Notes(track)[0].velocity, 127);
}

TEST_F(DrumHits, SixteenBeatOverOneBar) {
    WorkingStyle.rhythmPattern = 2;
    NoteList labels;
    drum_test::FillLabels(labels, {{384, "AXXX"}});
    ComposeTrackData track(note_mode::kLength, 0x6000);
    GenerateDrumPattern(kDrumChannel, labels, track, 100);
    const auto notes = drum_test::Sounding(track);
    int hits = 0;
    for (int step = 0; step < 16; ++step) {
        const auto keys = KeysAt(notes, step * 24);
        if (step == 0 || step == 8) {
            EXPECT_EQ(keys, (std::vector<int>{36, 42})) << step;
        } else if (step == 4 || step == 12) {
            EXPECT_EQ(keys, (std::vector<int>{40, 42})) << step;
        } else {
            EXPECT_EQ(keys, (std::vector<int>{42})) << step;
        }
        hits += keys.empty() ? 0 : 1;
    }
    EXPECT_EQ(hits, 16);
    for (const auto& n : notes)
        EXPECT_EQ(n.length, 23);
}

TEST_F(DrumHits, OffbeatSpanOpensWithOneHitUpToTheBeat) {
    DrumKindTable kinds;
    kinds.fill(4);
    kinds[0] = 2;
    ComposeTrackData track(note_mode::kLength, 0x6000);
    int cursor = 0;
    LayDrumStepsOffbeat(cursor, 48, kDrumChannel, track, kinds, 24, 48);
    auto notes = Notes(track);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].key, 36);
    EXPECT_EQ(notes[0].length, 47);
    EXPECT_EQ(cursor, 48);

    // Shorter than half a beat: the hit is cut to the span.
    ComposeTrackData shortTrack(note_mode::kLength, 0x6000);
    cursor = 0;
    LayDrumStepsOffbeat(cursor, 18, kDrumChannel, shortTrack, kinds, 24, 144);
    notes = Notes(shortTrack);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].length, 17);
    EXPECT_EQ(cursor, 18);

    // The caller's table keeps its downbeat.
    ComposeTrackData longer(note_mode::kLength, 0x6000);
    cursor = 0;
    LayDrumStepsOffbeat(cursor, 96, kDrumChannel, longer, kinds, 24, 48);
    EXPECT_EQ(kinds[0], 2);
    notes = Notes(longer);
    EXPECT_TRUE(KeysAt(notes, 48).empty());  // step 0 of the rest is silenced
    EXPECT_EQ(KeysAt(notes, 72), (std::vector<int>{40, 42}));
}

TEST_F(DrumHits, TimeThatNoStepCoversStillPasses) {
    DrumKindTable kinds;
    kinds.fill(3);
    DrumVelocityTable velocities;
    velocities.fill(0);
    ComposeTrackData track(note_mode::kLength, 0x6000);
    int cursor = 5;
    LayDrumSteps(cursor, 20, kDrumChannel, track, kinds, 24);
    EXPECT_EQ(track.EventCount(), 0);
    EXPECT_EQ(cursor, 25);
    // The remainder goes into the last step...
    LayDrumSteps(cursor, 60, kDrumChannel, track, kinds, 24);
    auto notes = Notes(track);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].time, 25);
    EXPECT_EQ(notes[1].length, 23 + 12);
    EXPECT_EQ(cursor, 36);
    // ... or, with velocities, into the cursor.
    LayDrumStepsWithVelocities(cursor, 60, kDrumChannel, track, kinds, 24, velocities);
    notes = Notes(track);
    ASSERT_EQ(notes.size(), 4u);
    EXPECT_EQ(notes[2].time, 85);
    EXPECT_EQ(notes[3].length, 23);
    EXPECT_EQ(cursor, 24 + 12);
}

TEST_F(DrumHits, UnknownKindIsReportedOncePerRunAndPassesAsRest) {
    WorkingStyle.rhythmPattern = 27;  // "Create"
    for (auto& row : CreatedDrumPatterns)
        row.fill(3);
    CreatedDrumPatterns[0][1] = 99;
    CreatedDrumPatterns[0][2] = 0;
    NoteList labels;
    drum_test::FillLabels(labels, {{96, "AXXX"}, {96, "AXXX"}});
    ComposeTrackData track(note_mode::kLength, 0x6000);
    GenerateDrumPattern(kDrumChannel, labels, track, 100);
    ASSERT_EQ(Sink().Count(), 1u);
    EXPECT_NE(Sink().Texts()[0].find("Drum sound error!"), std::string::npos);
    std::vector<long long> times;
    for (const auto& n : drum_test::Sounding(track))
        times.push_back(n.time);
    EXPECT_EQ(times, (std::vector<long long>{0, 72, 96, 168}));
    // A second run reports again.
    ComposeTrackData again(note_mode::kLength, 0x6000);
    GenerateDrumPattern(kDrumChannel, labels, again, 100);
    EXPECT_EQ(Sink().Count(), 2u);
}

TEST_F(DrumHits, NoteGridsPlayOnTimeAndOverlaysStayInEightVoices) {
    drums::NoteGrid grid{};
    grid[0][0] = {36, 90};
    grid[0][1] = {42, 200};
    grid[2][0] = {38, 70};
    ComposeTrackData track(note_mode::kLength, 0x6000);
    const int pending = drums::PlayNoteGridSpan(60, 10, grid, track, kDrumChannel);
    auto notes = Notes(track);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0].time, 10);
    EXPECT_EQ(notes[1].time, 10);
    EXPECT_EQ(notes[1].velocity, 127);
    EXPECT_EQ(notes[2].time, 58);
    EXPECT_EQ(notes[2].length, 2);
    EXPECT_EQ(pending, 12);
    // Over 17 steps the grid starts again at step 16.
    ComposeTrackData looped(note_mode::kLength, 0x6000);
    EXPECT_EQ(drums::PlayNoteGridSpan(17 * 24, 0, grid, looped, kDrumChannel), 24);
    EXPECT_EQ(KeysAt(Notes(looped), 16 * 24), (std::vector<int>{36, 42}));

    drums::NoteGrid base{};
    for (int v = 0; v < 7; ++v)
        base[0][static_cast<std::size_t>(v)] = {40 + v, 60};
    drums::NoteGrid overlay{};
    overlay[0][0] = {60, 70};
    overlay[0][1] = {61, 70};
    overlay[0][2] = {62, 70};
    overlay[5][3] = {63, 70};
    drums::NoteGrid result;
    drums::OverlayNoteGrid(result, base, overlay);
    EXPECT_EQ(result[0][7].key, 60);
    EXPECT_EQ(result[0][6].key, 46);
    EXPECT_EQ(result[5][0].key, 63);
    EXPECT_EQ(result[5][1].key, -1);
}

}  // namespace
