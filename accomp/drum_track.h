// The drum generator: the block labels of a tune, the drum track with its
// kit program, the dispatcher over the 39 drum styles, the step layers that
// lay a table of hit kinds over a span, and the emitter of one hit kind.
//
// A hit kind (1..53) names one drum gesture of one to four simultaneous
// notes; kind 6 is a rest. The step cursor of a style run is the delta at
// which its next hit starts, counted from the start of the previous note.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "compose/compose_info.h"
#include "compose/compose_track.h"
#include "compose/note_list.h"
#include "core/reporters.h"

constexpr ErrorCode kDrumPatternError = 0xFF010001;  // "Drum paggern error!"
constexpr ErrorCode kDrumSoundError = 0xFF010002;    // "Drum sound error!"
constexpr ErrorCode kDrumLabelError = 0xFF0101D0;    // "Error occured in drum pattern!"

constexpr int kDrumChannel = 9;
constexpr int kDrumStyleCount = 39;
constexpr int kDrumHitKindCount = 53;
constexpr int kDrumRest = 6;
// "Basic Beat" of the triplet feel.
constexpr int kTripletBeat = 3;

// One hit kind per step; triplet tables use their first 24 entries.
using DrumKindTable = std::array<int, 32>;
// The velocity value passed with each step's hit.
using DrumVelocityTable = std::array<int, 32>;

// ---- Labels and the track ----

// Clears the label list of info and appends one entry per chord of every
// block of the block sequence: the chord's length and the label {'@' + b,
// 'E' on the block's last chord else 'X', 'X', 'X'}. A block number outside
// 1..block count is reported (kDrumLabelError) and skipped. Outside convert
// mode two closing entries follow (384 ticks in 4/4, else 288) with the label
// of the last span.
void BuildBlockLabels(ComposeInformation& info);

// The program of the drum channel: 40, 49 or 0 (no program change).
int ChooseDrumKitProgram();

// Unless the drum-set code is 256: a new track on channel 9 with the kit
// program and the Drum part's mix, a lead-in rest, the drum style over the
// label list of ComposeInfo, and the closed end; appended to tracks, count
// incremented. The caller owns the track.
void BuildDrumTrack(std::vector<ComposeTrackData*>& tracks, int& count);

// What a style run records for its observers: after span k was laid,
// spanEventEnd[k] is the track's event count. Events past the last entry are
// the run's closing ones.
struct DrumSpanLog {
    std::vector<int> spanEventEnd;
};

// Runs the style of "Rhythm Pattern" over the label list into the track.
// Any other pattern shows kDrumPatternError and writes nothing. Adds notes
// only (a closing rest keeps the time of the last span); the run reports a
// hit kind outside 1..53 once.
void GenerateDrumPattern(int channel, const NoteList& labels, ComposeTrackData& track, int density,
                         DrumSpanLog* log = nullptr);

// ---- Step layers and the emitter ----

// Tells a run whether it has already shown kDrumSoundError; null shows
// every time.
struct DrumSoundReport {
    bool shown = false;
};

// Writes the notes of one hit kind: the first at delta cursor, the others at
// 0, each `length` long; the cursor becomes length + gap. A rest (kind 6)
// and a kind outside 1..53 write nothing and add length + gap to the cursor;
// the latter is reported. Velocities are held in 1..127 (0 makes a rest).
void EmitDrumHit(int& cursor, int length, int gap, int channel, ComposeTrackData& track, int kind,
                 int velocity, DrumSoundReport* report = nullptr);

// span / step hits from the table (index mod 24 in triplet feel, else mod
// 32), each step − 1 long with a gap of 1, the last one taking the
// remainder; a span shorter than a step only adds its time to the cursor.
void LayDrumSteps(int& cursor, int span, int channel, ComposeTrackData& track,
                  const DrumKindTable& kinds, int step, DrumSoundReport* report = nullptr);
// As LayDrumSteps; a span starting half a beat late (start mod 96 = 48)
// first gets one 47-tick hit of kinds[0] (cut to a shorter span) and the
// rest of the span is laid from a copy whose step 0 is a rest.
void LayDrumStepsOffbeat(int& cursor, int span, int channel, ComposeTrackData& track,
                         const DrumKindTable& kinds, int step, long long spanStart,
                         DrumSoundReport* report = nullptr);
// Steps with velocity values from the table (index mod 24 in triplet feel or
// 3/4, else mod 32); the remainder of the span is added to the cursor.
void LayDrumStepsWithVelocities(int& cursor, int span, int channel, ComposeTrackData& track,
                                const DrumKindTable& kinds, int step,
                                const DrumVelocityTable& velocities,
                                DrumSoundReport* report = nullptr);
