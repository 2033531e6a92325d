// The harmony-pattern generator: the 61 harmony pattern types as a table,
// the dispatcher that runs a type's generator over a chord list, the
// harmony, sub-harmony, second-melody and environmental-sound tracks, and
// the custom step-grid pattern.
#pragma once

#include <vector>

#include "accomp/chord_walk.h"
#include "compose/compose_track.h"
#include "compose/note_list.h"
#include "core/reporters.h"

constexpr ErrorCode kBeatError = 0xFF010133;  // "Beat Error!"
constexpr ErrorCode kEnvironmentInstrumentError =
    0xFF0101D2;  // "Instrument of environment is wrong!"

constexpr int kHarmonyChannel = 3;
constexpr int kHarmonyDoubleChannel = 11;
constexpr int kSubHarmonyChannel = 7;
constexpr int kEnvironmentChannel = 8;
constexpr int kHarmonyTypeCount = 61;
constexpr int kHarmonyTypeCustom = 47;
constexpr int kPanController = 10;
// Pans of the doubled harmony lie this far either side of the style's pan.
constexpr int kDoublePanSpread = 40;

// Environmental instruments with a generator.
constexpr int kSeashore = 122;
constexpr int kBirdTweet = 123;
constexpr int kApplause = 126;

enum class HarmonyFamily {
    kNone,  // no generator: the type is an error
    kStroke,
    kSustained,
    kArpeggio,
    kRhythm,
    kRiff,
    kMelodicLine,
    kCustom,
};

// One test of a type's variant rule; the first that holds names the
// variant.
struct VariantTest {
    enum Kind {
        kTriplet,
        kDensityAtLeast,
        kDensityAtMost,
        kDensityAbove,
        kDensityBelow,
        kDensityIs,
        kTripletDensityAbove,
        kBeatFieldIs,  // the 16-bit beat field at +716
        kMetreIsNot,
        kThreeFourBeatFieldIs,
    };
    Kind kind;
    int value;
    int variant;
};

constexpr int kMaxVariantTests = 5;

struct HarmonyTypeRow {
    const char* name;  // "" for the types without a name
    HarmonyFamily family;
    int testCount;
    VariantTest tests[kMaxVariantTests];
    int otherwise;      // variant when no test holds
    bool takesDensity;  // the generator is given the density
    bool takesMelody;   // the generator is given the melody list
};

// The row of a type, or null outside 1..61.
const HarmonyTypeRow* HarmonyTypeOf(int type);
// The variant a type plays at the density under the working style's feel,
// metre and beat field; -1 outside 1..61.
int HarmonyVariant(int type, int density);

// One empty event at delta start on the channel, then the type's generator
// over the chords. Type 48 and types outside 1..61 show kBackingPatternError
// and write nothing more. Only type 23 reads the melody list; the label list
// is the tune's block labels (or a preview's own, empty for none).
void GenerateHarmonyPattern(int channel, ComposeTrackData& track, int type, int start, int density,
                            const NoteList& melody, ChordList chords, const NoteList& labels);

// The program of a part's instrument code (a group code draws a member).
int ProgramForPart(int instrument, int part);

// Channel set-up, the pan, the pattern after the lead-in over ComposeInfo's
// chords and labels, the part's octave and the closed end.
void BuildHarmonyPart(int channel, ComposeTrackData& track, int instrument, int type, int density,
                      const NoteList& melody);

// Each appends its tracks (none for an unused part) and counts them; the
// caller owns them. The harmony track is doubled on channel 11 when its mix
// has a delay, the copy first, the two pans 40 either side of the style's.
void BuildHarmonyTrack(int& count, std::vector<ComposeTrackData*>& tracks, const NoteList& melody);
void BuildSubHarmonyTrack(int& count, std::vector<ComposeTrackData*>& tracks,
                          const NoteList& melody);
void BuildEnvironmentTrack(int& count, std::vector<ComposeTrackData*>& tracks);
// When the melody part's second-melody flag is set: ComposeInfo's second
// melody, key-changed with the tune, as part kind 6, 25 softer.
void BuildSecondMelodyTrack(int& count, std::vector<ComposeTrackData*>& tracks);

// The environmental sound of the working style over the chords.
void GenerateEnvironmentSound(ComposeTrackData& track, ChordList chords);
// The three generators; the lead-in is the sum of the deltas already on the
// track, which they set to 0 and keep in their own timing.
void EnvironmentApplause(ComposeTrackData& track, ChordList chords);
void EnvironmentSeashore(ComposeTrackData& track, ChordList chords);
void EnvironmentBirdTweet(ComposeTrackData& track, ChordList chords);

// The custom step grid of the harmony (channel 3) or sub-harmony part.
void GenerateCustomPattern(int channel, ComposeTrackData& track, ChordList chords,
                           const NoteList& labels);
