// Every bass type, straight and triplet, in three metres, at densities on
// each side of the thresholds, over chord lists of odd lengths: what every
// backing track must show whatever its figures.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "accomp/bass_track.h"
#include "accomp/harmony_track.h"
#include "core/utilities.h"
#include "tests/accomp/backing_test_util.h"

using backing_test::BackingFixture;
using backing_test::Chords;
using backing_test::KeepsBackingRules;

namespace {

// Odd lengths, chords without a seventh or with one, a chord on a fixed
// bass, and the whole-bar lengths the figures look for.
Chords OddChords() {
    return Chords({{"CMPS", 384},
                   {"AmPs", 18},
                   {"FMPd", 100},
                   {"GMPs", 144},
                   {"DmPd", 336},
                   {"CMPd", 768},
                   {"EmPs", 192},
                   {"AmPd", 288},
                   {"DMPs", 576},
                   {"GMPd", 432},
                   {"CMPS", 96},
                   {"FMPS", 384},
                   {"GMPs", 384},
                   {"CMPd", 384}});
}

class BackingSweep : public BackingFixture {
protected:
    void SetUp() override {
        BackingFixture::SetUp();
        SeedRandomWith(7);
        for (int set = 0; set < 2; ++set) {
            for (int part = 0; part < kGridParts; ++part) {
                GridPart& grid = WorkingStyle.customHarmony.grid[set][part];
                for (int row = 0; row < kGridRows; ++row) {
                    grid.pnInterval[row] = RandomInRange(-3, 30);
                    for (int step = 0; step < kGridSteps; ++step)
                        grid.Cell(row, step) = RandomInRange(1, 4) == 1 ? 1 : 0;
                }
                for (int step = 0; step < kGridSteps; ++step)
                    grid.pnContinuem[step] = RandomInRange(1, 3) == 1 ? 1 : 0;
            }
        }
    }

    // The metres, feels, densities and seeds a type is run in.
    template <typename Run>
    void Sweep(const std::vector<int>& densities, Run run) {
        const Chords lists[] = {OddChords(), Chords({{"CMPS", 384}}), Chords()};
        for (const Chords& chords : lists)
            for (int metre : {kMetre44, kMetre34, kMetre78})
                for (int beat : {0, 3})
                    for (int density : densities)
                        for (int seed : {1, 2, 3}) {
                            WorkingStyle.timeSignature = metre;
                            WorkingStyle.basicBeat = beat;
                            WorkingStyle.setting716 = static_cast<std::uint16_t>(seed % 3);
                            SeedRandomWith(seed);
                            const std::string what = "metre " + std::to_string(metre) + " beat " +
                                                     std::to_string(beat) + " density " +
                                                     std::to_string(density) + " seed " +
                                                     std::to_string(seed) + " chords " +
                                                     std::to_string(chords.List().size());
                            if (!run(chords, density, what)) return;
                        }
    }
};

// The types whose figure always opens on the chord: every chord of a beat
// or more has a sound at its start, so no figure has pushed the next chord.
bool StartsEveryChord(int type, const ComposeTrackData& track, const Chords& chords,
                      const std::string& what) {
    static const std::set<int> kOpening = {1, 2, 3, 4, 5, 6, 12, 13, 14, 15, 16, 21, 23};
    if (!kOpening.count(type)) return true;
    std::set<long long> starts;
    for (const backing_test::Note& n : backing_test::Sounding(track))
        starts.insert(n.time);
    const std::vector<long long> chordStarts = chords.Starts();
    for (std::size_t i = 0; i < chordStarts.size(); ++i) {
        if (chords.List()[i]->length < 96 || starts.count(chordStarts[i])) continue;
        ADD_FAILURE() << "bass type " << type << " " << what << ": chord " << i << " at "
                      << chordStarts[i] << " opens silent";
        return false;
    }
    return true;
}

TEST_F(BackingSweep, EveryBassTypeKeepsTheTrackRules) {
    for (int type = 1; type <= kBassTypeCount; ++type) {
        WorkingStyle.harmonyPattern = type % 2 == 0 ? kFixedRiffHarmonyPattern : 1;
        Sweep({0, 100, 101, 110, 111, 119, 120},
              [&](const Chords& chords, int density, const std::string& what) {
                  ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
                  track.AddNoteEvent(kBassChannel, 0, 0, 0, 1);
                  GenerateBassPattern(kBassChannel, track, type, density, chords.List());
                  if (!StartsEveryChord(type, track, chords, what)) return false;
                  return KeepsBackingRules(track, 1, kBassChannel, chords,
                                           "bass type " + std::to_string(type) + " " + what);
              });
    }
}

TEST_F(BackingSweep, CustomHarmonyInEveryVariantKeepsTheTrackRules) {
    NoteList labels;
    for (const char* label : {"AXXX", "AEXX", "BXXX", "BEXX", "AXXX", "CXXX", "CEXX"})
        labels.AppendLabel(384, label);
    const NoteList melody;
    for (int variant = 0; variant <= 2; ++variant)
        for (int options = 0; options < 4; ++options)
            for (int channel : {kHarmonyChannel, kSubHarmonyChannel}) {
                CustomHarmonyBlock& block = WorkingStyle.customHarmony;
                block.useX[kGridHarmony] = variant;
                block.continueMajor[kGridHarmony] = block.continueMajor[kGridSubHarmony] =
                    options & 1;
                block.stroke[kGridHarmony] = block.stroke[kGridSubHarmony] = options >> 1;
                WorkingStyle.voice[kPartBass] = options == 3 ? kVoiceNotUsed : 33;
                Sweep({0, 100, 140}, [&](const Chords& chords, int density,
                                         const std::string& what) {
                    ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
                    GenerateHarmonyPattern(channel, track, kHarmonyTypeCustom, 0, density, melody,
                                           chords.List(), labels);
                    return KeepsBackingRules(track, 1, channel, chords,
                                             "custom variant " + std::to_string(variant) +
                                                 " options " + std::to_string(options) +
                                                 " channel " + std::to_string(channel) + " " +
                                                 what);
                });
            }
}

// Every built-in harmony type, on both harmony channels, with and without a
// bass, under the style's own pattern field, the ornament that halves the
// strokes, and a hold pedal; over a tune whose chords run through the four
// blocks.
TEST_F(BackingSweep, BuiltInHarmonyTypesKeepTheTrackRules) {
    const NoteList melody;
    NoteList labels;
    for (const char* label : {"AXXX", "AXXX", "BXXX", "BXXX", "CXXX", "CXXX", "DXXX", "DXXX",
                              "AXXX", "BXXX", "CXXX", "DXXX", "DXXX", "CXXX"})
        labels.AppendLabel(384, label);
    for (int type = 1; type <= kHarmonyTypeCount; ++type) {
        if (type == 48) continue;
        for (int form = 0; form < 4; ++form) {
            const int channel = (form + type) % 2 ? kSubHarmonyChannel : kHarmonyChannel;
            WorkingStyle.voice[kPartBass] = form % 2 ? kVoiceNotUsed : 33;
            WorkingStyle.harmonyPattern = form >= 2 ? 2 : 1;
            WorkingStyle.melody[3].ornament = form == 3 ? 3 : 0;
            WorkingStyle.mix[channel].holdPedal = form == 1 ? 100 : 0;
            Sweep({40, 41, 60, 61, 80, 81, 100, 101, 110, 111, 119, 120, 139, 140, 159, 160},
                  [&](const Chords& chords, int density, const std::string& what) {
                      ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
                      GenerateHarmonyPattern(channel, track, type, 0, density, melody,
                                             chords.List(), labels);
                      return KeepsBackingRules(track, 1, channel, chords,
                                               "harmony type " + std::to_string(type) + " form " +
                                                   std::to_string(form) + " " + what);
                  });
        }
    }
}

TEST_F(BackingSweep, EnvironmentsKeepTheTrackRules) {
    for (int instrument : {kSeashore, kBirdTweet, kApplause}) {
        WorkingStyle.voice[kPartEnvironment] = instrument;
        Sweep({100}, [&](const Chords& chords, int, const std::string& what) {
            ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
            GenerateEnvironmentSound(track, chords.List());
            return KeepsBackingRules(track, 0, kEnvironmentChannel, chords,
                                     "environment " + std::to_string(instrument) + " " + what,
                                     1200);
        });
    }
}

}  // namespace
