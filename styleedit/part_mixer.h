// The part mixer without its window: which tracks (columns) and parameters
// (rows) it shows, the style byte behind each of its 6 x 8 knobs, the knob
// places and the angle a pointer position or a value gives.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "core/reporters.h"
#include "style/music_style.h"

constexpr ErrorCode kMixerTracksError = 0xFF01012B;  // too many tracks ticked
constexpr ErrorCode kMixerItemsError = 0xFF01012F;   // too many items ticked
constexpr ErrorCode kMixerCodeError = 0xFF0101CB;    // "Error occured in mixer!"

constexpr int kMixerColumns = 6;
constexpr int kMixerRows = 8;
constexpr int kMixerKnobs = kMixerColumns * kMixerRows;
constexpr int kMixerTrackCodes = 8;
constexpr int kMixerItemCodes = 11;
constexpr int kMixerEmpty = -1;
constexpr int kMixerPanItem = 9;
constexpr int kMixerMelodyTrack = 0;
constexpr int kKnobSide = 32;
constexpr int kKnobDeadFirst = 119;  // the bottom of the knob, no angle
constexpr int kKnobDeadLast = 225;
constexpr int kNoKnobAngle = -1;

// The track code of each column and the parameter code of each row.
extern std::array<int, kMixerColumns> MixerDisplayTracks;
extern std::array<int, kMixerRows> MixerDisplayItems;
// The byte behind every knob that has no style byte; 0 after every move.
extern std::uint8_t MixerScratchValue;

struct MixerTrack {
    const char* label;
    int stylePart;
};
// Indexed by track code.
constexpr MixerTrack kMixerTracks[kMixerTrackCodes] = {
    {"Melody", kPartMelody},    {"Obbligato", kPartObbligato},
    {"Harmony", kPartHarmony},  {"Sub Harmony", kPartSubHarmony},
    {"Bass", kPartBass},        {"Drum", kPartDrum},
    {"Sub Drum", kPartSubDrum}, {"Environment", kPartEnvironment},
};

struct MixerItem {
    const char* label;
    int mixByte;  // offset in the part's MixBlock
};
// Indexed by parameter code.
constexpr MixerItem kMixerItems[kMixerItemCodes] = {
    {"vol", 0},   // volume
    {"reb", 2},   // reverb
    {"cho", 1},   // chorus
    {"bri", 3},   // brightness
    {"res", 7},   // resonance
    {"atk", 4},   // attack
    {"dcy", 5},   // decay
    {"rel", 6},   // release
    {"dly", 9},   // delay
    {"pan", 8},   // panpot, Melody only
    {"hld", 10},  // hold pedal
};
constexpr char kMixerEmptyLabel[] = "---";

// Label of a track or parameter code; "---" for any code outside the table.
const char* MixerTrackLabel(int code);
const char* MixerItemLabel(int code);

// Column 0 Melody, then each part of the style in use (voice not 256):
// Obbligato, Harmony, Sub Harmony, Bass, Drum, and while fewer than six
// columns are used Sub Drum and Environment; the rest empty.
void ResetMixerDisplayTracks(const MusicStyle& style);
// Rows 0..7 show codes 0..7 (Volume to Release).
void ResetMixerDisplayItems();

// The byte of each knob, row by row, from the two lists: the style byte of
// (row's parameter, column's track), or MixerScratchValue for an empty cell
// and for "pan" outside the Melody column. A code outside the tables shows
// "Error occured in mixer!" and its cell counts as empty.
using MixerValueTable = std::array<std::uint8_t*, kMixerKnobs>;
void BuildMixerValueTable(MusicStyle& style, MixerValueTable& table);

struct MixerKnob {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    int angle = 0;  // degrees clockwise from 12 o'clock
};
using MixerKnobs = std::array<MixerKnob, kMixerKnobs>;
constexpr int kKnobLeft[kMixerColumns] = {32, 135, 240, 343, 446, 548};
constexpr int kKnobTop[kMixerRows] = {89, 128, 167, 206, 247, 288, 327, 366};
// The 48 knob squares, row-major; angles are left as they are.
void LayoutMixerKnobs(MixerKnobs& knobs);
// The last knob (row-major) whose square holds the point strictly inside,
// -1 when none.
int MixerKnobAt(const MixerKnobs& knobs, int x, int y);
// The knob whose value field (the square moved 40 px right) holds the
// point strictly inside, -1 when none.
int MixerValueFieldAt(const MixerKnobs& knobs, int x, int y);

// The angle of the point seen from the centre (0 up, 90 right, 180 down,
// 270 left) by the arc tangent of dy / dx with 3.14 for pi; -1 for the
// centre itself.
int RawKnobAngle(int x, int y, int cx, int cy);
// As RawKnobAngle, but -1 also in the dead zone 119..225.
int KnobAngleFromPoint(int x, int y, int cx, int cy);
// A knob angle from its value (2v - 135) and a byte from an angle
// (((a + 135) mod 360) / 2).
int KnobAngleFromValue(int value);
int KnobValueFromAngle(int angle);

// A drag of the knob to the point: the table is built again, and unless
// the point lies in the dead zone (or on the centre) the knob takes the
// point's angle and its byte the angle's value. The scratch byte is 0
// afterwards. The knob's angle, -1 when it did not move.
int DragMixerKnob(MusicStyle& style, MixerKnobs& knobs, int knob, int x, int y);

// Stores the ticked boxes (by track code) into the columns in code order,
// the rest empty. More than six ticked refuse with 0xFF01012B and change
// nothing. True when stored.
bool StoreDisplayTracks(std::span<const bool, kMixerTrackCodes> ticked);
// The same for the parameter codes into the rows; more than eight refuse
// with 0xFF01012F.
bool StoreDisplayItems(std::span<const bool, kMixerItemCodes> ticked);
