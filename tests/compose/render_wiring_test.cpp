// Which channel pairs the whole-tune driver runs clash removal and softening
// on, and in which order, on a tune whose every bar asks about one pair:
// the backing arrives through one generator, the finished tune is read back
// from the song callback before it is written.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "compose/compose_info.h"
#include "compose/compose_track.h"
#include "compose/compose_tune.h"
#include "compose/composer_state.h"
#include "compose/part_effects.h"
#include "core/utilities.h"
#include "midi/f1_data.h"
#include "style/style_table.h"
#include "tests/compose/compose_test_util.h"
#include "tests/support/test_support.h"

namespace {

struct Sounded {
    int bar, channel, key, velocity;
};

// Bars of 384 ticks; every note of a bar starts on its first tick and lasts
// half of it. Each entry: bar, channel, key.
const std::vector<std::vector<int>> kBars = {
    {0, 1, 60}, {0, 6, 61},                           // (1, 6): 61 goes
    {1, 1, 60}, {1, 4, 62},                           // (1, 4): 62 goes
    {2, 6, 60}, {2, 4, 71},                           // (6, 4): 71 goes, 60 stays
    {3, 1, 60}, {3, 6, 61}, {3, 4, 63},               // (1, 6) first: 63 stays
    {4, 1, 60}, {4, 7, 73},                           // (1, 7)
    {5, 6, 60}, {5, 7, 47},                           // (6, 7)
    {6, 4, 60}, {6, 7, 59},                           // (4, 7): 59 goes, 60 stays
    {7, 1, 60}, {7, 4, 61}, {7, 7, 63},               // (1, 4) before (4, 7)
    {8, 1, 60}, {8, 6, 61}, {8, 7, 63},               // (1, 6) before (6, 7)
    {9, 1, 60}, {9, 2, 61}, {9, 5, 61}, {9, 8, 62},   // no pair
    {10, 3, 60}, {10, 1, 55}, {10, 15, 65}, {10, 4, 64},  // under the harmony
    {11, 7, 60}, {11, 1, 65}, {11, 15, 50}, {11, 2, 59},  // under the sub harmony
};

void BarsOfBacking(int& count, BackingTracks& tracks) {
    auto* track = new ComposeTrackData(note_mode::kLength, static_cast<int>(WorkBufferSize));
    int last = 0;
    for (const std::vector<int>& n : kBars) {
        track->AddNoteEvent(n[1], (n[0] - last) * 384, n[2], 100, 192);
        last = n[0];
    }
    track->AppendEndOfTrack();
    tracks.push_back(track);
    ++count;
}

std::vector<std::string> g_heard;

void ReadBack(MidiF1Data& tune) {
    g_heard.clear();
    for (int t = 0; t < tune.TrackCount(); ++t) {
        long long time = 0;
        for (int i = 0; i < tune.Track(t)->EventCount(); ++i) {
            const MidiEvent* e = tune.Track(t)->Event(i);
            time += e->delta;
            if (!e->IsNoteStart() || e->velocity == 0) continue;
            g_heard.push_back(std::to_string(time / 384) + ":" + std::to_string(e->channel) + "/" +
                              std::to_string(e->note) + "=" + std::to_string(e->velocity));
        }
    }
    std::sort(g_heard.begin(), g_heard.end());
}

class RenderWiring : public compose_test::StyleFixture {
protected:
    void SetUp() override {
        StyleFixture::SetUp();
        ResetComposerState();
        saved_ = GetBackingGenerators();
        BackingGenerators only;
        only.environment = BarsOfBacking;
        SetBackingGenerators(only);
        ComposeInfo.Reset();
        ComposeInfo.ClearChords();
        WorkingStyle.voice[kPartObbligato] = kVoiceNotUsed;
        WorkingStyle.voice[kPartKindSubMelody] = kVoiceNotUsed;
        WorkingStyle.subMelodyMethod = 0;
        WorkingStyle.mix[kPartMelody].delay = 0;
        WorkingStyle.octave[kPartMelody] = 0;
        WorkingStyle.melody[kPartMelody].ornament = 0;
        WorkingStyle.melody[kPartMelody].effect = 0;
        for (int part : {kPartHarmony, kPartSubHarmony}) {
            WorkingStyle.voice[part] = 0;
            WorkingStyle.density[part] = 80;
        }
    }
    void TearDown() override {
        SetBackingGenerators(saved_);
        ComposeStopRequest = 0;
        ResetComposerState();
        StyleFixture::TearDown();
    }
    std::vector<std::string> Render() {
        ComposeStopRequest = 0;
        g_heard.clear();
        const std::string path = testing_support::ScratchDir() + "/wiring.mid";
        EXPECT_EQ(RenderComposedTune(nullptr, nullptr, path, ReadBack, nullptr, nullptr, nullptr),
                  1);
        return g_heard;
    }

private:
    BackingGenerators saved_;
};

// Every note of kBars at velocity 100, less those removed, with the
// softened velocities.
std::vector<std::string> Expected(const std::vector<std::string>& removed,
                                  const std::vector<std::string>& softened) {
    std::vector<std::string> out;
    for (const std::vector<int>& n : kBars) {
        const std::string note =
            std::to_string(n[0]) + ":" + std::to_string(n[1]) + "/" + std::to_string(n[2]);
        if (std::find(removed.begin(), removed.end(), note) != removed.end()) continue;
        std::string velocity = "100";
        for (const std::string& s : softened)
            if (s.compare(0, note.size() + 1, note + "=") == 0) velocity = s.substr(note.size() + 1);
        out.push_back(note + "=" + velocity);
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Melody merging with the sub harmony's clash pattern: the six pairs, each
// removing from its second channel, in the order (1, 6), (1, 4), (6, 4),
// (1, 7), (6, 7), (4, 7); the harmony softens channels 1 and 15 under it
// (5/6 below, 4/5 above), the sub harmony, not of a softening kind, nothing.
TEST_F(RenderWiring, MergingRemovesPairByPairInOrderAndTheHarmonySoftens) {
    WorkingStyle.melody[kPartMelody].dissonance = 10;
    WorkingStyle.subHarmonyPattern = 13;
    WorkingStyle.harmonyPattern = 4;
    EXPECT_EQ(Render(), Expected({"0:6/61", "1:4/62", "2:4/71", "3:6/61", "4:7/73", "5:7/47",
                                  "6:7/59", "7:4/61", "8:6/61"},
                                 {"10:1/55=83", "10:15/65=80"}));

    // Without the sub harmony's pattern only the first three pairs.
    WorkingStyle.subHarmonyPattern = 1;
    EXPECT_EQ(Render(), Expected({"0:6/61", "1:4/62", "2:4/71", "3:6/61", "7:4/61", "8:6/61"},
                                 {"10:1/55=83", "10:15/65=80"}));
}

// Without merging nothing is removed; a softening sub harmony softens
// channels 1 and 15 under channel 7, a harmony of another kind or louder
// than 80 does not.
TEST_F(RenderWiring, TheSubHarmonySoftensOnItsOwnChannelAndOnlyAtMostEighty) {
    WorkingStyle.melody[kPartMelody].dissonance = 9;
    WorkingStyle.harmonyPattern = 1;
    WorkingStyle.subHarmonyPattern = 10;
    EXPECT_EQ(Render(), Expected({}, {"4:1/60=83", "7:1/60=83", "8:1/60=83", "11:1/65=80",
                                      "11:15/50=83"}));

    WorkingStyle.harmonyPattern = 31;
    WorkingStyle.density[kPartHarmony] = 81;
    WorkingStyle.subHarmonyPattern = 4;
    WorkingStyle.density[kPartSubHarmony] = 81;
    EXPECT_EQ(Render(), Expected({}, {}));
}

}  // namespace
