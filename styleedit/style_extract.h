// A music style taken from a user's MIDI file: the channels are given roles
// in the channel-role dialog, the chords analysed, and the working style
// receives the parts' instruments and mixer values, the tune's feel, key,
// chord variety, tempo and scale, the melody's interval statistics, and the
// step grids of the Harmony, Sub Harmony, Bass and Drum parts taken from the
// busiest bar of the chosen range.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "compose/chord_structure.h"
#include "core/reporters.h"
#include "style/music_style.h"

class MidiTrackData;
namespace platform::ui {
class Window;
}

constexpr ErrorCode kExtractionMemoryError = 0xFF0101A5u;  // "Cant allocate memory for style extraction!"
constexpr ErrorCode kMelodyTableError = 0xFF0101BBu;       // "Error occured in extraction of melody table!"
constexpr ErrorCode kDrumPatternError = 0xFF0101BCu;       // "Error occured in extraction of Drum pattern!"
constexpr ErrorCode kChannelPatternError = 0xFF0101BDu;    // "... extraction of Channel pattern!"

// The pattern numbers whose generators play the style's own step grids.
constexpr int kCustomHarmonyPattern = 47;
constexpr int kCustomBassPattern = 20;
constexpr int kCustomRhythmPattern = 28;

// Loads the file (an empty path, an unreadable file or a cancelled dialog
// change nothing), shows the channel-role dialog over owner, and replaces the
// working style whole by the extracted one. Refused with "Error occuerd in
// tune structure!" while another material's structure is held. 1 when the
// working style was replaced, else 0; CurrentTuneStructure is none after.
int ExtractStyleFromMidi(const std::string& path, platform::ui::Window* owner = nullptr);

// Where the extraction takes its work buffer from; null when memory ran out.
using ExtractionBufferSource = std::unique_ptr<std::uint8_t[]> (*)(std::size_t bytes);
// Installs another source (null: the heap); the previous one is returned.
ExtractionBufferSource SetExtractionBufferSource(ExtractionBufferSource source);

// ---- The helpers, over the material's one track of notes with length ----

// The material the grid and bar helpers read: the track cut to the range
// (so bar 0 is the range's first bar), the cell names from that bar on (two a
// bar), and "Basic Beat" 3 as triplet.
struct ExtractionMaterial {
    const MidiTrackData* track = nullptr;
    int division = 96;
    int barCount = 1;
    bool triplet = false;
    std::vector<ChordNameEntry> names;
    // Failures met while marking grids, each shown once per extraction.
    std::vector<ErrorCode> shown;
    void Report(ErrorCode code);
    long long BarTicks() const { return 4LL * division; }
    // Ticks of one grid step: a sixteenth, or a triplet eighth; at least 1.
    int StepTicks() const;
};

// -1 when the mean pitch of the channel's notes lies below 60, else 0 (also
// without notes).
int IsChannelMeanPitchLow(int channel, const MidiTrackData& track);
// "Chord Progression" by the distinct names among the first 80 (those
// beginning with 'U' skipped): 7, 6, 4, 3, 2 or 1 for more and more names.
int ClassifyChordVariety(std::span<const ChordNameEntry> names);
// "Key": 2 when the first name not beginning with 'U' is minor ('m' second or
// third), else 1.
int DetectTuneMode(std::span<const ChordNameEntry> names);
// "Basic Beat": 0 when fewer events fall on a multiple of division / 3 than
// on one of division / 2, else 3.
int DetectTripletFeel(const MidiTrackData& track, int division);

// The melody table learned from a channel's intervals.
struct MelodyIntervalTable {
    std::array<std::int32_t, 8> interval{};   // 0..100
    std::array<std::int32_t, 8> direction{};  // -50..50
    bool outOfRange = false;                  // a value had to be clamped
};
MelodyIntervalTable LearnMelodyIntervals(int channel, const MidiTrackData& track);

// The bar (0..barCount-1) with the most notes of the channel; the first on
// ties, 0 when none.
int FindBusiestBar(int channel, const MidiTrackData& track, int division, int barCount);
// The value of the last set-tempo event other than 0; previous when none.
int ReadTempoMeta(const MidiTrackData& track, int previous);
// The channel of the last bank select 127 or GS rhythm-part message; -1.
int FindDrumChannel(const MidiTrackData& track);
// The last value of the controller on the channel at or before the start of
// the bar; 64 when none.
int ControllerValueAtBar(int channel, int bar, int controller, const MidiTrackData& track,
                         int division);

// Which table of rows a chord grid uses.
enum class ChordGridKind : int { kHarmony = 0, kSubHarmony = 1, kBass = 2 };
struct ChordGridResult {
    int meanPitch = 0;  // of the channel's notes up to the bar's last, in whole octaves
    int marked = 0;     // notes placed on the grid
};
// Marks the grid from the bar of two cells from `cell` on: each note of the
// channel on its step and in the row of its chord degree.
ChordGridResult ExtractChordPatternGrid(ChordGridKind kind, int channel, int cell, GridPart& grid,
                                        ExtractionMaterial& material);

// The drum notes given rows so far and whether a snare and a kick were met.
struct DrumGridState {
    std::vector<int> notes;
    bool snare = false;
    bool kick = false;
};
// Marks the drum grid from one bar of the channel; each new note takes the
// next row (with its code) while rows are left.
void ExtractDrumBarPattern(ExtractionMaterial& material, int bar, GridPart& grid, int channel,
                           DrumGridState& state);

// "Scale": 1 for more than six tones, 3 with two tones a semitone apart
// (counted from the tonic, round the octave), else 2.
int ClassifyScale(const ScaleString& scale, int tonic);
