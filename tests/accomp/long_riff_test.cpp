// "Long Riff" pitches: every voice code of both voices in straight and
// triplet feel on a riff of the style's own, and the random riffs of "Long
// Riff" read back from the riff memory and replayed by the code table.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "accomp/harmony_families.h"
#include "accomp/harmony_track.h"
#include "core/utilities.h"
#include "tests/accomp/backing_test_util.h"

using backing_test::BackingFixture;
using backing_test::Chords;
using backing_test::Note;
using backing_test::Sounding;

namespace {

// The pitch of a voice code over the chord: codes 0..11, straight feel;
// in triplet feel the second voice reads 2 as the fifth an octave down, 3
// as the fifth 10 below, 5 as the third, 7 as the fifth and 10 as the root
// an octave up.
int CodePitch(int code, int voice, bool triplet, const ChordRecord& c) {
    if (triplet && voice == 2) {
        switch (code) {
            case 2: return c.fifth - 12;
            case 3: return c.fifth - 10;
            case 5: return c.third;
            case 7: return c.fifth;
            case 10: return c.root + 12;
            default: break;
        }
    }
    switch (code) {
        case 0:
        case 1: return c.fifth - 12;
        case 2: return c.fifth - 10;
        case 3: return c.seventh - 12;
        case 4: return c.root;
        case 5: return c.root + 2;
        case 6: return c.third;
        case 7: return c.fifth - 2;
        case 8: return c.fifth;
        case 9: return c.fifth + 2;
        case 10: return c.seventh;
        case 11: return c.root + 12;
        default: return 0;
    }
}

// What a triple of two codes sounds at its start: nothing when the first
// voice is silent (-1), else the first voice's pitch and the second's unless
// that one is silent.
std::vector<int> TripleKeys(int first, int second, bool triplet, const ChordRecord& c) {
    if (first == -1) return {};
    std::vector<int> keys = {CodePitch(first, 1, triplet, c)};
    if (second != -1) keys.push_back(CodePitch(second, 2, triplet, c));
    return keys;
}

class LongRiff : public BackingFixture {
protected:
    void SetUp() override {
        BackingFixture::SetUp();
        std::fill(std::begin(WorkingStyle.riff), std::end(WorkingStyle.riff), 0);
        CopyRiffMemory(savedMemory_);
        ComposeInfo.labels.Clear();
    }
    void TearDown() override {
        StoreRiffMemory(savedMemory_);
        ComposeInfo.labels.Clear();
        BackingFixture::TearDown();
    }
    std::vector<Note> Run(const Chords& chords, int type) {
        ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
        const NoteList melody;
        GenerateHarmonyPattern(kHarmonyChannel, track, type, 0, 100, melody, chords.List(),
                               ComposeInfo.labels);
        return Sounding(track);
    }

private:
    int savedMemory_[kRiffTableSize] = {};
};

// The style's riff plays codes 0..11 on both voices, one unit each, then a
// silent first voice (255) over a sounding second.
TEST_F(LongRiff, EveryCodeOfBothVoicesInBothFeels) {
    int i = 0;
    for (int code = 0; code <= 11; ++code) {
        WorkingStyle.riff[i++] = 1;
        WorkingStyle.riff[i++] = static_cast<std::uint8_t>(code);
        WorkingStyle.riff[i++] = static_cast<std::uint8_t>(code);
    }
    for (int b : {1, 255, 4})
        WorkingStyle.riff[i++] = static_cast<std::uint8_t>(b);
    for (int beat : {0, 3}) {
        WorkingStyle.basicBeat = beat;
        const bool triplet = beat == 3;
        const int unit = triplet ? 32 : 24;
        const Chords chords({{"CMPS", 13 * unit}, {"FMPS", 384}});
        const ChordRecord& c = *chords.List()[0];
        const std::vector<Note> notes = Run(chords, 41);
        for (int code = 0; code <= 12; ++code) {
            const std::vector<int> expected =
                code == 12 ? std::vector<int>{} : TripleKeys(code, code, triplet, c);
            EXPECT_EQ(drum_test::KeysAt(notes, code * unit), expected)
                << "code " << code << (triplet ? " triplet" : " straight");
        }
    }
}

// Random riffs in both feels: every code is -1 or 0..11, and the first
// chord sounds each triple of the riff memory at its start.
TEST_F(LongRiff, RandomRiffsPlayTheirCodesByTheTable) {
    for (int beat : {0, 3}) {
        WorkingStyle.basicBeat = beat;
        const bool triplet = beat == 3;
        const int unit = triplet ? 32 : 24;
        const Chords chords({{"CMPS", 768}, {"GMPs", 384}});
        const ChordRecord& c = *chords.List()[0];
        for (int seed = 1; seed <= 400; ++seed) {
            const std::string at = "seed " + std::to_string(seed) + (triplet ? " triplet" : "");
            SeedRandomWith(seed);
            const std::vector<Note> notes = Run(chords, 40);
            int riff[kRiffTableSize];
            CopyRiffMemory(riff);
            ASSERT_NE(riff[0], 0) << at;
            int time = 0;
            for (int k = 0; riff[3 * k] != 0 && time < 768; ++k) {
                const int first = riff[3 * k + 1];
                const int second = riff[3 * k + 2];
                ASSERT_TRUE(first >= -1 && first <= 11) << at << ": " << first;
                ASSERT_TRUE(second >= -1 && second <= 11) << at << ": " << second;
                EXPECT_EQ(drum_test::KeysAt(notes, time), TripleKeys(first, second, triplet, c))
                    << at << " triple " << k;
                time += riff[3 * k] * unit;
            }
        }
    }
}

}  // namespace
