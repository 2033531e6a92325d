// The table of harmony pattern types and their variant rules.
#include "accomp/harmony_track.h"
#include "style/style_table.h"

namespace {

using F = HarmonyFamily;
using T = VariantTest;

constexpr HarmonyTypeRow kOne(const char* name, F family, bool density = false) {
    return {name, family, 0, {}, 0, density, false};
}
constexpr HarmonyTypeRow kTripletOrNot(const char* name, F family, bool density = false,
                                       bool melody = false) {
    return {name, family, 1, {{T::kTriplet, 0, 0}}, 1, density, melody};
}

constexpr HarmonyTypeRow kTypes[kHarmonyTypeCount] = {
    /* 1 */ kOne("Slow Stroke", F::kStroke),
    /* 2 */
    {"Continuous Stroke",
     F::kStroke,
     2,
     {{T::kDensityAtLeast, 140, 0}, {T::kDensityAtLeast, 120, 1}},
     2,
     false,
     false},
    /* 3 */ kTripletOrNot("Slow Arpeggio", F::kArpeggio),
    /* 4 */
    {"Pops",
     F::kStroke,
     5,
     {{T::kTriplet, 0, 0},
      {T::kDensityAtMost, 40, 1},
      {T::kDensityAtMost, 60, 2},
      {T::kDensityAbove, 80, 3},
      {T::kBeatFieldIs, 2, 4}},
     5,
     false,
     false},
    /* 5 */ kTripletOrNot("Spanish", F::kRhythm),
    /* 6 */ kTripletOrNot("Gamelan", F::kArpeggio),
    /* 7 */ kTripletOrNot("Chinese", F::kArpeggio, true),
    /* 8 */
    {"16th Arpeggio",
     F::kArpeggio,
     3,
     {{T::kDensityAtMost, 60, 0}, {T::kDensityAtMost, 80, 1}, {T::kDensityAtMost, 100, 2}},
     3,
     false,
     false},
    /* 9 */ kTripletOrNot("Sporadic Arpeggio", F::kArpeggio),
    /* 10 */
    {"Rhythmic",
     F::kRhythm,
     3,
     {{T::kDensityAtLeast, 140, 0}, {T::kDensityAtMost, 80, 1}, {T::kDensityIs, 100, 1}},
     2,
     false,
     false},
    /* 11 */
    {"Glam Rock",
     F::kRiff,
     2,
     {{T::kTripletDensityAbove, 60, 0}, {T::kTriplet, 0, 1}},
     2,
     false,
     false},
    /* 12 */
    {"Whole note",
     F::kSustained,
     4,
     {{T::kDensityAtLeast, 160, 0},
      {T::kDensityAtLeast, 120, 1},
      {T::kDensityAtLeast, 100, 2},
      {T::kDensityBelow, 80, 3}},
     4,
     false,
     false},
    /* 13 */
    {"Arpeggio",
     F::kArpeggio,
     3,
     {{T::kTriplet, 0, 0}, {T::kMetreIsNot, kMetre34, 1}, {T::kBeatFieldIs, 1, 2}},
     3,
     false,
     false},
    /* 14 */ kOne("Techno", F::kSustained),
    /* 15 */ kTripletOrNot("Hip hop", F::kRhythm),
    /* 16 */
    {"Very Slow Stroke", F::kStroke, 1, {{T::kBeatFieldIs, 2, 0}}, 1, true, false},
    /* 17 */ kTripletOrNot("Rhythmical Techno", F::kRhythm),
    /* 18 */ kOne("Rap Techno", F::kRhythm),
    /* 19 */ kTripletOrNot("Rhythmical", F::kRhythm),
    /* 20 */
    {"Rhythmic",
     F::kRhythm,
     2,
     {{T::kTriplet, 0, 0}, {T::kDensityAtLeast, 100, 1}},
     2,
     true,
     false},
    /* 21 */ kTripletOrNot("Tango 1", F::kRhythm),
    /* 22 */ {"Enka", F::kArpeggio, 1, {{T::kDensityBelow, 120, 0}}, 1, false, false},
    /* 23 */ kTripletOrNot("Tango 2", F::kRhythm, false, true),
    /* 24 */ kOne("Melodic", F::kMelodicLine, true),
    /* 25 */
    {"Complex arpeggio",
     F::kArpeggio,
     2,
     {{T::kDensityAtLeast, 120, 0}, {T::kDensityAtLeast, 60, 1}},
     2,
     true,
     false},
    /* 26 */ kOne("Middle East", F::kMelodicLine),
    /* 27 */ kTripletOrNot("Mersey Beat", F::kRiff),
    /* 28 */ kOne("", F::kStroke),
    /* 29 */ {"Accent", F::kRhythm, 1, {{T::kDensityAbove, 60, 0}}, 1, false, false},
    /* 30 */ kOne("Riff", F::kRiff),
    /* 31 */ kTripletOrNot("March", F::kRhythm),
    /* 32 */ kOne("Ragtime", F::kRiff),
    /* 33 */ kOne("Rockabilly", F::kRiff),
    /* 34 */ kTripletOrNot("Pops Arpeggio", F::kArpeggio),
    /* 35 */ kOne("Bossa Nova", F::kRhythm),
    /* 36 */ kTripletOrNot("Latin", F::kRhythm),
    /* 37 */ kTripletOrNot("Rhythmic Latin", F::kRhythm),
    /* 38 */ kTripletOrNot("Trans", F::kRhythm),
    /* 39 */ kOne("Fast Arpeggio", F::kArpeggio),
    /* 40 */ kOne("Long Riff", F::kRiff),
    /* 41 */ kOne("Fixed Long Riff(1)", F::kRiff),
    /* 42 */ kOne("Hawaian", F::kMelodicLine),
    /* 43 */ kTripletOrNot("Simple Stroke", F::kStroke),
    /* 44 */ kOne("Oldays Guitar", F::kRhythm),
    /* 45 */ kOne("Stroke Riff", F::kRiff),
    /* 46 */ kOne("Fixed Long Riff(2)", F::kRiff),
    /* 47 */ kOne("Custom", F::kCustom),
    /* 48 */ kOne("", F::kNone),
    /* 49 */ kOne("Dissonant Arpeggio", F::kArpeggio),
    /* 50 */ kOne("Borero", F::kRhythm),
    /* 51 */ kOne("Melodious", F::kMelodicLine),
    /* 52 */ kOne("Bend", F::kMelodicLine),
    /* 53 */ kOne("Whole Note High", F::kSustained),
    /* 54 */
    {"Cutting",
     F::kRiff,
     2,
     {{T::kTripletDensityAbove, 60, 0}, {T::kTriplet, 0, 1}},
     2,
     false,
     false},
    /* 55 */ kTripletOrNot("Cha Cha Cha", F::kRhythm),
    /* 56 */ kOne("Parade", F::kRhythm, true),
    /* 57 */ kOne("Kecak", F::kRhythm),
    /* 58 */ kOne("Flamenco", F::kRhythm),
    /* 59 */ {"Waltz", F::kRhythm, 1, {{T::kThreeFourBeatFieldIs, 2, 0}}, 1, false, false},
    /* 60 */ kOne("", F::kRhythm),
    /* 61 */ kOne("Jazz Waltz", F::kRhythm),
};

bool Holds(const VariantTest& test, int density) {
    const bool triplet = WorkingStyle.basicBeat == 3;
    switch (test.kind) {
        case T::kTriplet:
            return triplet;
        case T::kDensityAtLeast:
            return density >= test.value;
        case T::kDensityAtMost:
            return density <= test.value;
        case T::kDensityAbove:
            return density > test.value;
        case T::kDensityBelow:
            return density < test.value;
        case T::kDensityIs:
            return density == test.value;
        case T::kTripletDensityAbove:
            return triplet && density > test.value;
        case T::kBeatFieldIs:
            return WorkingStyle.setting716 == test.value;
        case T::kMetreIsNot:
            return WorkingStyle.timeSignature != test.value;
        case T::kThreeFourBeatFieldIs:
            return WorkingStyle.timeSignature == kMetre34 && WorkingStyle.setting716 == test.value;
    }
    return false;
}

}  // namespace

const HarmonyTypeRow* HarmonyTypeOf(int type) {
    if (type < 1 || type > kHarmonyTypeCount) return nullptr;
    return &kTypes[type - 1];
}

int HarmonyVariant(int type, int density) {
    const HarmonyTypeRow* row = HarmonyTypeOf(type);
    if (!row) return -1;
    for (int i = 0; i < row->testCount; ++i)
        if (Holds(row->tests[i], density)) return row->tests[i].variant;
    return row->otherwise;
}
