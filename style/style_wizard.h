// The style wizard's solver: a style seen as eleven values of 0..20 (its
// profile), and the search for the style whose profile comes nearest to the
// values the user set: the nearest catalogue entry, then six pattern and
// scale selections and five instruments tuned one after another, then fresh
// mixer values.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "style/music_style.h"

constexpr int kProfileValues = 11;
constexpr int kProfileMin = 0;
constexpr int kProfileMax = 20;

// p0 happy (20) .. sad (0), p1 traditional .. modern, p2 ordinary ..
// artistic, p3 active .. inert, p4 stable .. chaotic, p5 human like ..
// mechanical, p6 south .. north, p7 eastern .. western, p8 full .. solo,
// p9 distortion .. natural, p10 solid .. soft.
using StyleProfile = std::array<int, kProfileValues>;

// The profile the wizard's sliders show and set; used on the UI thread only.
extern StyleProfile StyleWizardParams;

// A row of a choice's profile table: the value as stored in the style (with
// its name in the text form) and its changes to p0, p2, p1, p4, p7, p6, p3,
// p5, in that order.
struct ProfileRow {
    const char* name;
    int value;
    std::int8_t change[8];
};
constexpr int kProfileRowOrder[8] = {0, 2, 1, 4, 7, 6, 3, 5};

// The choices with a profile table, in the order the solver tunes them.
enum class ProfileTable : int {
    kHarmonyPattern,  // "Harmony Pattern", also "Sub Harmony Pattern"
    kBassPattern,     // "Bass Patterm"
    kRhythmPattern,   // "Rhythm Pattern"
    kScale,           // "Scale"
    kChordProgression,
    kAlgorithm,  // the Melody's "Melody Structure:Algorithm"
};
std::span<const ProfileRow> ProfileRows(ProfileTable table);

// Tempo rows: the first whose threshold (microseconds per quarter / 100) is
// not above the style's tempo / 100 applies.
struct TempoProfileRow {
    int threshold;
    std::int8_t change[8];
};
std::span<const TempoProfileRow> TempoProfileRows();

// Changes of a General MIDI program to p10, p9, p1, p2, p5, p6, p7.
constexpr int kProfilePrograms = 128;
constexpr int kInstrumentRowOrder[7] = {10, 9, 1, 2, 5, 6, 7};
struct InstrumentProfileRow {
    std::int8_t change[7];
};
std::span<const InstrumentProfileRow> InstrumentProfileRows();

// The profile of a record. Every value is clamped to 0..20; an instrument,
// pattern or scale value without a row adds nothing.
StyleProfile ComputeStyleProfile(const MusicStyle& style);
// The profile of WorkingStyle into StyleWizardParams.
void ComputeStyleProfile();

// The sum over the eleven values of |target[k] - profile[k]|.
int StyleProfileDistance(const StyleProfile& target, const StyleProfile& profile);

// The catalogue entry (category 0 slot 0 to category 8 slot 23) nearest to
// the target: the smallest |target[8] - p8|, then the smallest distance; on
// a full tie RandomInRange(1, 2) giving 1 lets the later entry win. The entry
// is copied into out with the key its set-up gives it.
void PickNearestStyle(const StyleProfile& target, MusicStyle& out);

// Tunes the style towards the target: "Harmony Pattern", "Sub Harmony
// Pattern", "Bass Patterm", "Rhythm Pattern", "Scale" and "Chord
// Progression", each over its rows; then the instruments of Melody,
// Obbligato, Harmony, Sub Harmony and Bass (parts sharing the Melody's keep
// sharing it; the Bass stays below program 112); then fresh mixer bytes.
void TuneStyleToProfile(const StyleProfile& target, MusicStyle& style);

// Solves for StyleWizardParams under the wait cursor: the nearest entry,
// tuned, replaces WorkingStyle whole (with its key set-up), and
// StyleWizardParams is recomputed from it.
void SolveStyleWizard();
