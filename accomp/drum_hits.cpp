// The 53 hit kinds as one table, the emitter that sounds them and the step
// layers that lay a kind table over a span.
#include <algorithm>

#include "accomp/drum_track.h"
#include "core/settings.h"
#include "core/utilities.h"
#include "style/style_table.h"

namespace {

// How a note's velocity is drawn: base + sign * R(lo, hi), or base + sign *
// the step's velocity value when fromStep is set; set4 is added for the
// "Techno Set".
struct Velocity {
    int base;
    int lo = 0;
    int hi = 0;
    int sign = 1;
    bool fromStep = false;
    int set4 = 0;
};

// A key with its "Acoustic Set" and "Ethnic Set" forms (0 = the same) and a
// second key taken with even chance (0 = none).
struct HitNote {
    int key;
    int set1Key;
    int set3Key;
    int altKey;
    Velocity velocity;
};

constexpr int kMaxHitNotes = 4;

// How a hit is split into two halves: never, always (a flam) or one time in
// `chance`; the halves sound the rows firstHalf and secondHalf.
struct HitRow {
    int count;
    HitNote notes[kMaxHitNotes];
    int soundModule1Row = 0;  // row used instead on sound-module type 1
    int splitChance = 0;
    int firstHalf = 0;
    int secondHalf = 0;
};

constexpr Velocity Fixed(int v) {
    return {v};
}
constexpr Velocity Rand(int lo, int hi, int add) {
    return {add, lo, hi};
}
constexpr Velocity Step(int add) {
    return {add, 0, 0, 1, true};
}

// The drums that follow the drum set.
constexpr HitNote Kick(Velocity v = {90, 0, 0, 1, false, 37}) {
    return {36, 35, 66, 0, v};
}
constexpr HitNote Snare(Velocity v = Fixed(80)) {
    return {40, 38, 65, 0, v};
}
constexpr HitNote Hat(Velocity v = Fixed(40)) {
    return {42, 0, 69, 0, v};
}
constexpr HitNote Ride(Velocity v, int set3Key = 79) {
    return {51, 0, set3Key, 59, v};
}
constexpr HitNote Key(int key, Velocity v, int set3Key = 0) {
    return {key, 0, set3Key, 0, v};
}

// Rows past 53: the sound-module-1 forms of kinds 31 and 32 and the halves
// of the split hits.
constexpr int kRow31Module1 = 54;
constexpr int kRow32Module1 = 55;
constexpr int kRow32First = 56;
constexpr int kRow32Second = 57;
constexpr int kRowFlam = 58;
constexpr int kHitRows = 59;

constexpr HitRow kHits[kHitRows] = {
    {0, {}},
    /* 1 */ {1, {Hat(Step(40))}},
    /* 2 */ {1, {Kick()}},
    /* 3 */ {1, {Snare()}},
    /* 4 */ {2, {Snare(), Hat()}},
    /* 5 */ {2, {Kick(), Hat()}},
    /* 6 */ {0, {}},
    /* 7 */ {1, {Key(50, Fixed(80))}},
    /* 8 */ {1, {Key(47, Fixed(80))}},
    /* 9 */ {1, {Key(45, Fixed(80))}},
    /* 10 */ {1, {Key(54, Fixed(80))}},
    /* 11 */ {1, {Key(62, Fixed(80))}},
    /* 12 */ {1, {Key(63, Fixed(80))}},
    /* 13 */ {1, {Key(64, Fixed(80))}},
    /* 14 */ {1, {Key(52, Fixed(70))}},
    /* 15 */ {1, {Key(46, Fixed(50), 70)}},
    /* 16 */ {1, {Key(60, Fixed(60))}},
    /* 17 */ {1, {Key(67, Fixed(60))}},
    /* 18 */ {1, {Key(68, Fixed(60))}},
    /* 19 */ {1, {Key(75, Fixed(70))}},
    /* 20 */ {1, {Key(76, Fixed(80))}},
    /* 21 */ {1, {Ride(Rand(1, 40, 30))}},
    /* 22 */ {2, {Kick({10, 1, 20, 1, false, 37}), Ride(Rand(1, 40, 30))}},
    /* 23 */ {2, {Snare(Rand(1, 20, 40)), Ride(Rand(1, 40, 30), 78)}},
    /* 24 */ {1, {Key(37, Fixed(90))}},
    /* 25 */ {1, {Key(80, Rand(1, 50, 60))}},
    /* 26 */ {1, {{17, 0, 0, 18, Rand(1, 50, 80)}}},
    /* 27 */ {1, {Key(41, Fixed(100))}},
    /* 28 */ {2, {Key(41, Fixed(100)), Key(67, Fixed(60))}},
    /* 29 */ {2, {Key(60, Fixed(60)), Key(67, {40, 1, 20, -1})}},
    /* 30 */ {3, {Key(60, Fixed(60)), Key(67, Fixed(40)), Key(41, {100, 1, 20, -1})}},
    /* 31 */ {1, {Key(64, Fixed(80))}, kRow31Module1},
    /* 32 */ {1, {Key(60, Fixed(60))}, kRow32Module1},
    /* 33 */ {3, {Kick(), Hat(), Key(56, Rand(0, 20, 85))}},
    /* 34 */ {4, {Key(54, Fixed(90)), Hat(), Snare(Fixed(100)), Key(56, Rand(0, 20, 85))}},
    /* 35 */ {3, {Key(54, Fixed(64)), Hat(), Kick()}},
    /* 36 */ {2, {Key(54, Fixed(90)), Hat()}},
    /* 37 */ {2, {Key(49, Fixed(90), 70), Kick()}},
    /* 38 */ {2, {Kick({35, 0, 10, 1, false, 37}), Snare(Rand(0, 10, 70))}},
    /* 39 */ {2, {Key(44, Fixed(20), 70), Snare(Rand(0, 10, 70))}},
    /* 40 */ {1, {Key(84, Fixed(90))}},
    /* 41 */ {1, {Key(81, Rand(1, 50, 60))}},
    /* 42 */ {1, {Key(83, Rand(1, 50, 60))}},
    /* 43 */ {2, {Hat(), Key(75, Fixed(70))}},
    /* 44 */ {2, {Hat(Rand(1, 50, 10)), Key(62, Fixed(127))}},
    /* 45 */ {3, {Hat(), Snare(Rand(1, 50, 50)), Key(75, Fixed(70))}},
    /* 46 */ {3, {Hat(), Key(62, Fixed(80)), Key(75, Fixed(70))}},
    /* 47 */ {3, {Hat(), Key(35, Fixed(80)), Key(79, Rand(1, 10, 70))}},
    /* 48 */
    {4, {Key(71, Rand(1, 10, 90)), Hat(), Key(35, Fixed(80)), Key(78, Rand(1, 10, 70))}},
    /* 49 */ {3, {Key(71, Rand(1, 10, 90)), Hat(), Key(35, Fixed(80))}},
    /* 50 */ {0, {}, 0, 1, kRowFlam, kRowFlam},
    /* 51 */ {2, {Key(35, Fixed(80), 56), Key(46, Fixed(40), 69)}},
    /* 52 */ {1, {Key(61, Fixed(60))}},
    /* 53 */ {2, {Snare(Step(0)), Hat()}},
    /* 31, type 1 */ {1, {Key(58, Rand(1, 20, 64))}},
    /* 32, type 1 */ {1, {Key(59, Rand(1, 20, 64))}, 0, 8, kRow32First, kRow32Second},
    /* 32 first half */ {1, {Key(59, Rand(1, 10, 64))}},
    /* 32 second half */ {1, {Key(59, Rand(1, 15, 64))}},
    /* flam pair */ {2, {Hat(), Snare(Rand(1, 50, 50))}},
};

int ResolveKey(const HitNote& n, int drumSet) {
    if (drumSet == kAcousticSet && n.set1Key) return n.set1Key;
    if (drumSet == kEthnicSet && n.set3Key) return n.set3Key;
    if (n.altKey && RandomInRange(1, 2) != 1) return n.altKey;
    return n.key;
}

int ResolveVelocity(const Velocity& v, int drumSet, int stepValue) {
    int value = v.base;
    if (v.fromStep) {
        value += v.sign * stepValue;
    } else if (v.lo != 0 || v.hi != 0) {
        value += v.sign * RandomInRange(v.lo, v.hi);
    }
    if (drumSet == kTechnoSet) value += v.set4;
    return std::clamp(value, 0, 127);
}

// Every note of a row at once: the first at delta, the rest at 0.
void SoundRow(const HitRow& row, int delta, int length, int channel, ComposeTrackData& track,
              int stepValue) {
    const int drumSet = WorkingStyle.voice[kPartDrum];
    for (int i = 0; i < row.count; ++i) {
        const HitNote& n = row.notes[i];
        const int key = ResolveKey(n, drumSet);
        const int velocity = ResolveVelocity(n.velocity, drumSet, stepValue);
        track.AddNoteEvent(channel, i == 0 ? delta : 0, key, velocity, std::max(length, 1));
    }
}

}  // namespace

void EmitDrumHit(int& cursor, int length, int gap, int channel, ComposeTrackData& track, int kind,
                 int velocity, DrumSoundReport* report) {
    if (kind < 1 || kind > kDrumHitKindCount) {
        if (!report || !report->shown) ShowErrorMessage(kDrumSoundError);
        if (report) report->shown = true;
        cursor += length + gap;
        return;
    }
    const HitRow* row = &kHits[kind];
    if (row->soundModule1Row && AppSettings.ComposeOutputType == 1)
        row = &kHits[row->soundModule1Row];
    if (row->count == 0 && row->splitChance == 0) {  // a rest
        cursor += length + gap;
        return;
    }
    if (row->splitChance && length >= 2 && RandomInRange(1, row->splitChance) == 1) {
        const int half = length / 2;
        SoundRow(kHits[row->firstHalf], cursor, half, channel, track, velocity);
        SoundRow(kHits[row->secondHalf], half + gap / 2, length - half, channel, track, velocity);
        cursor = length + gap - gap / 2 - half;
        return;
    }
    // A flam too short to split sounds its pair once.
    SoundRow(row->count ? *row : kHits[row->firstHalf], cursor, length, channel, track, velocity);
    cursor = length + gap;
}

namespace {

bool Triplet() {
    return WorkingStyle.basicBeat == kTripletBeat;
}

void LaySteps(int& cursor, int span, int channel, ComposeTrackData& track,
              const DrumKindTable& kinds, int step, DrumSoundReport* report) {
    if (span <= 0) return;
    const int count = step > 0 ? span / step : 0;
    if (count == 0) {
        cursor += span;
        return;
    }
    const int cycle = Triplet() ? 24 : 32;
    const int remainder = span % step;
    for (int i = 0; i < count; ++i) {
        int velocity;
        if (Triplet()) {
            velocity = -RandomInRange(1, 10);
        } else if (i % 2 == 1) {
            velocity = -RandomInRange(10, 25);
        } else {
            velocity = 10 - RandomInRange(1, 20);
        }
        const int length = step - 1 + (i == count - 1 ? remainder : 0);
        EmitDrumHit(cursor, length, 1, channel, track, kinds[i % cycle], velocity, report);
    }
}

}  // namespace

void LayDrumSteps(int& cursor, int span, int channel, ComposeTrackData& track,
                  const DrumKindTable& kinds, int step, DrumSoundReport* report) {
    LaySteps(cursor, span, channel, track, kinds, step, report);
}

void LayDrumStepsOffbeat(int& cursor, int span, int channel, ComposeTrackData& track,
                         const DrumKindTable& kinds, int step, long long spanStart,
                         DrumSoundReport* report) {
    if (span <= 0) return;
    if (spanStart % 96 != 48) {
        LaySteps(cursor, span, channel, track, kinds, step, report);
        return;
    }
    // The half beat up to the next beat, cut to a shorter span.
    const int lead = std::min(span, 48);
    const int length = std::max(1, std::min(47, lead - 1));
    EmitDrumHit(cursor, length, lead - length, channel, track, kinds[0], -RandomInRange(10, 25),
                report);
    DrumKindTable rest = kinds;
    rest[0] = kDrumRest;
    LaySteps(cursor, span - lead, channel, track, rest, step, report);
}

void LayDrumStepsWithVelocities(int& cursor, int span, int channel, ComposeTrackData& track,
                                const DrumKindTable& kinds, int step,
                                const DrumVelocityTable& velocities, DrumSoundReport* report) {
    if (span <= 0) return;
    const int count = step > 0 ? span / step : 0;
    const int cycle = Triplet() || WorkingStyle.timeSignature == kMetre34 ? 24 : 32;
    for (int i = 0; i < count; ++i) {
        const int index = i % cycle;
        EmitDrumHit(cursor, step - 1, 1, channel, track, kinds[index], velocities[index], report);
    }
    // The part of the span no step covers still passes.
    cursor += count > 0 ? span % step : span;
}
