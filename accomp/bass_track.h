// The bass part: the track on channel 2, the dispatcher over the 23 bass
// pattern types and the custom step grid shared with the harmony part.
#pragma once

#include <vector>

#include "accomp/chord_walk.h"
#include "compose/compose_track.h"
#include "compose/note_list.h"
#include "core/reporters.h"

constexpr ErrorCode kBackingPatternError = 0xFF010027;  // "backing pattern error!"
constexpr ErrorCode kTimeSignBeatError = 0xFF0101D4;    // "Time sign and base beat does not match!"

constexpr int kBassChannel = 2;
constexpr int kBassTypeCount = 23;
constexpr int kBassTypeCustom = 20;
constexpr int kBassTypeLongRiff = 19;
// "Harmony Pattern" that keeps the style's riff.
constexpr int kFixedRiffHarmonyPattern = 41;

// Unless the bass voice is 256: a new track with RenderBassPart, appended to
// tracks, count incremented. The caller owns the track.
void BuildBassTrack(std::vector<ComposeTrackData*>& tracks, int& count);
// Set-up of channel 2, a lead-in rest, the pattern over ComposeInfo's chords,
// the octave and the closed end.
void RenderBassPart(ComposeTrackData& track);
// The pattern's figure for every chord of the list, notes on channel only.
// A type outside 1..23 shows kBackingPatternError and writes nothing.
void GenerateBassPattern(int channel, ComposeTrackData& track, int type, int density,
                         ChordList chords);

// The riff of "Long Riff": the style's "Riff" bytes as (duration in steps,
// code, second code) triples, 255 read as -1, up to the first zero
// duration; codes outside -1..11 are silent (-2).
struct BassRiffEntry {
    int steps = 0;
    int code = -1;
    int second = -1;
};
std::vector<BassRiffEntry> ReadStyleRiff(const std::uint8_t (&riff)[kRiffBytes]);
// A drawn riff for the style's metre stored into the working style's "Riff"
// (under the style lock), cut at the metre's target; returns what was stored.
std::vector<BassRiffEntry> MakeBassRiff();

// One custom step grid as the renderer plays it.
struct CustomGridPlay {
    const GridPart* grid = nullptr;
    int cycle = 16;
    bool stroke = false;
    bool carryCounter = false;  // "Continue pattern to next chord?"
};
