#include "style/grid_presets.h"

#include <initializer_list>
#include <iterator>
#include <mutex>

#include "core/utilities.h"
#include "style/style_table.h"

namespace {

// Row numbers under the default pitch codes 5..18 of the Harmony, Sub Harmony
// and Bass grids: each row is a chord tone of the chord being played.
constexpr int kRoot = 2;
constexpr int kSecond = 3;
constexpr int kThird = 4;
constexpr int kFourth = 5;
constexpr int kFifth = 6;
constexpr int kSeventh = 8;
constexpr int kOctave = 9;
constexpr int kThirdUp = 11;

// Rows of the default drum codes (key = code + 35).
constexpr int kKick = 0;       // 35 acoustic bass drum
constexpr int kSnare = 2;      // 38
constexpr int kClosedHat = 5;  // 42
constexpr int kPedalHat = 6;   // 44
constexpr int kOpenHat = 8;    // 46
constexpr int kCrash = 9;      // 49
constexpr int kRide = 11;      // 51

constexpr std::initializer_list<int> kEvenSteps = {0, 2, 4, 6, 8, 10, 12, 14};
constexpr std::initializer_list<int> kOffbeats = {2, 6, 10, 14};
constexpr std::initializer_list<int> kQuarters = {0, 4, 8, 12};

using Steps = std::initializer_list<int>;
using Rows = std::initializer_list<int>;

GridPart& Grid(CustomHarmonyBlock& block, int set, int part) {
    return block.grid[set][part];
}

// Sets each row on each step.
void Notes(GridPart& grid, Rows rows, Steps steps) {
    for (int row : rows) {
        for (int step : steps)
            grid.Cell(row, step) = 1;
    }
}

// Notes of one figure: the n-th step sounds the n-th row.
void Figure(GridPart& grid, Rows rows, Steps steps) {
    auto row = rows.begin();
    for (int step : steps) {
        if (row == rows.end()) break;
        grid.Cell(*row++, step) = 1;
    }
}

void Continue(GridPart& grid, Steps steps) {
    for (int step : steps)
        grid.pnContinuem[step] = 1;
}

void RowCodes(GridPart& grid, Rows codes) {
    int row = 0;
    for (int code : codes) {
        if (row == kGridRows) break;
        grid.pnInterval[row++] = code;
    }
}

// Root, third and fifth held for half a bar each.
void HalfNotePad(GridPart& grid) {
    Notes(grid, {kRoot, kThird, kFifth}, {0, 8});
    Continue(grid, {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14, 15});
}

// The Harmony grid's two-bar switch, carry-over and stroke flags.
void HarmonyOptions(CustomHarmonyBlock& block, int useX, int continueMajor, int stroke) {
    block.useX[kGridHarmony] = useX;
    block.continueMajor[kGridHarmony] = continueMajor;
    block.stroke[kGridHarmony] = stroke;
}

void CopyColumn(GridPart& to, int toStep, const GridPart& from, int fromStep) {
    for (int row = 0; row < kGridRows; ++row)
        to.Cell(row, toStep) = from.Cell(row, fromStep);
}

}  // namespace

CustomHarmonyBlock& ApplyContinueColumns(CustomHarmonyBlock& block) {
    static constexpr int kContinuedParts[] = {kGridHarmony, kGridSubHarmony, kGridBass};
    for (int pass = 0; pass < 2; ++pass) {
        for (int set = 0; set < 2; ++set) {
            for (int step = 0; step < kGridSteps; ++step) {
                int previous = step == 0 ? kGridSteps - 1 : step - 1;
                for (int part : kContinuedParts) {
                    GridPart& grid = block.grid[set][part];
                    if (grid.pnContinuem[step] == 1) CopyColumn(grid, step, grid, previous);
                }
            }
        }
        // Sets 0 and 1 of the Harmony grid played as one two-bar pattern.
        if (block.useX[kGridHarmony] == 1) {
            GridPart& first = block.grid[0][kGridHarmony];
            GridPart& second = block.grid[1][kGridHarmony];
            if (first.pnContinuem[0] == 1) CopyColumn(first, 0, second, kGridSteps - 1);
            if (second.pnContinuem[0] == 1) CopyColumn(second, 0, first, kGridSteps - 1);
        }
    }
    return block;
}

// ---- Presets 1 to 6: notes only, no continue pass ----

// Broken chord over the first half bar.
void GridPreset01(CustomHarmonyBlock& block) {
    GridPart& harmony = Grid(block, 0, kGridHarmony);
    Figure(harmony, {kRoot, kThird, kSecond, kFourth, kThird, kFifth, kFifth},
           {0, 1, 2, 3, 4, 5, 7});
}

// Eighth-note arpeggio up to the upper third and back.
void GridPreset02(CustomHarmonyBlock& block) {
    GridPart& harmony = Grid(block, 0, kGridHarmony);
    Figure(harmony, {kRoot, kThird, kFifth, kOctave, kThirdUp, kOctave, kFifth, kThird},
           kEvenSteps);
}

// Eight-beat: kick on 1 and 3 with a push, snare on 2 and 4, closed hats.
void GridPreset03(CustomHarmonyBlock& block) {
    GridPart& drum = Grid(block, 0, kGridDrum);
    Notes(drum, {kKick}, {0, 8, 10});
    Notes(drum, {kSnare}, {4, 12});
    Notes(drum, {kClosedHat}, kEvenSteps);
}

// Kick on every beat, pedal hat on the off-beats.
void GridPreset04(CustomHarmonyBlock& block) {
    GridPart& drum = Grid(block, 0, kGridDrum);
    Notes(drum, {kKick}, kQuarters);
    Notes(drum, {kPedalHat}, kOffbeats);
}

// Sixteen-beat with an open hat before the bar line.
void GridPreset05(CustomHarmonyBlock& block) {
    GridPart& drum = Grid(block, 0, kGridDrum);
    Notes(drum, {kKick}, {0, 3, 8, 10});
    Notes(drum, {kSnare}, {4, 12});
    Notes(drum, {kClosedHat}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15});
    Notes(drum, {kOpenHat}, {14});
}

// Off-beat triads in the sub harmony.
void GridPreset06(CustomHarmonyBlock& block) {
    Notes(Grid(block, 0, kGridSubHarmony), {kRoot, kThird, kFifth}, kOffbeats);
}

// ---- Presets 7 to 38: end with the continue pass ----

// Rock piano: eighth-note triads in close position, octave on the strong
// beats; a held second-bar figure in set 1.
void GridPreset07(CustomHarmonyBlock& block) {
    GridPart& harmony = Grid(block, 0, kGridHarmony);
    // Root, third, fifth, octave, upper third, upper fifth, double octave,
    // then the colour tones.
    RowCodes(harmony, {7, 9, 11, 14, 16, 18, 21, 13, 20, 8, 10, 15, 17, 12});
    Notes(harmony, {0, 1, 2}, kEvenSteps);
    Notes(harmony, {3}, {0, 8});
    GridPart& second = Grid(block, 1, kGridHarmony);
    Notes(second, {kRoot, kThird, kFifth}, {0, 6, 8, 14});
    Continue(second, {1, 2, 9, 10});
    ApplyContinueColumns(block);
}

// Open-voiced chords on a 3-3-2 rhythm.
void GridPreset08(CustomHarmonyBlock& block) {
    GridPart& harmony = Grid(block, 0, kGridHarmony);
    RowCodes(harmony, {7, 11, 14, 16, 18, 21, 23, 9, 13, 20, 12, 15, 17, 10});
    Notes(harmony, {1, 2, 3}, {0, 6, 12});
    Notes(harmony, {0}, {0});
    ApplyContinueColumns(block);
}

// Pop piano pushes: 3 + 3 + 2 in each half bar, each chord held.
void GridPreset09(CustomHarmonyBlock& block) {
    GridPart& harmony = Grid(block, 0, kGridHarmony);
    Notes(harmony, {kRoot, kThird, kFifth}, {0, 3, 6, 8, 11, 14});
    Continue(harmony, {1, 2, 4, 5, 9, 10, 12, 13});
    ApplyContinueColumns(block);
}

// Half-note pad.
void GridPreset10(CustomHarmonyBlock& block) {
    HalfNotePad(Grid(block, 0, kGridHarmony));
    ApplyContinueColumns(block);
}

// Strummed guitar: down, down-up, up-down-up.
void GridPreset11(CustomHarmonyBlock& block) {
    GridPart& harmony = Grid(block, 0, kGridHarmony);
    Notes(harmony, {kRoot, kThird, kFifth, kOctave}, {0, 4, 6, 10, 12, 14});
    Continue(harmony, {1, 2, 3, 7, 8, 9});
    ApplyContinueColumns(block);
}

// Off-beat stabs over a root-and-fifth sub harmony on 1 and 3.
void GridPreset12(CustomHarmonyBlock& block) {
    Notes(Grid(block, 0, kGridHarmony), {kThird, kFifth, kOctave}, kOffbeats);
    Notes(Grid(block, 0, kGridSubHarmony), {kRoot, kFifth}, {0, 8});
    ApplyContinueColumns(block);
}

// Jazz comping in seventh chords, stroked and carried over the chord change,
// with a ride-cymbal groove.
void GridPreset13(CustomHarmonyBlock& block) {
    GridPart& harmony = Grid(block, 0, kGridHarmony);
    // Root, third, fifth, seventh, octave, then tensions and upper tones.
    RowCodes(harmony, {7, 9, 11, 13, 14, 16, 18, 20, 8, 10, 12, 15, 17, 21});
    Notes(harmony, {0, 1, 2, 3}, {0, 6, 12});
    Continue(harmony, {1, 2, 3, 7, 8, 9, 13});
    GridPart& drum = Grid(block, 0, kGridDrum);
    Notes(drum, {kKick}, {0, 8});
    Notes(drum, {kSnare}, {4, 12});
    Notes(drum, {kRide}, {0, 4, 6, 8, 12, 14});
    block.continueMajor[kGridHarmony] = 1;
    block.stroke[kGridHarmony] = 1;
    ApplyContinueColumns(block);
}

// Lounge guitar: a bossa comping figure, stroked.
void GridPreset14(CustomHarmonyBlock& block) {
    GridPart& harmony = Grid(block, 0, kGridHarmony);
    Notes(harmony, {kRoot, kThird, kFifth, kOctave}, {0, 3, 6, 10, 12});
    Continue(harmony, {1, 4, 7, 8, 13});
    block.stroke[kGridHarmony] = 1;
    ApplyContinueColumns(block);
}

// A small band: off-beat harmony, a held sub harmony, eight-beat drums and
// a root-fifth bass.
void GridPreset15(CustomHarmonyBlock& block) {
    GridPart& harmony = Grid(block, 0, kGridHarmony);
    Notes(harmony, {kThird, kFifth, kOctave}, kOffbeats);
    Continue(harmony, {3, 7, 11, 15});
    Notes(Grid(block, 0, kGridSubHarmony), {kRoot, kThird, kFifth}, {0, 8});
    GridPart& drum = Grid(block, 0, kGridDrum);
    Notes(drum, {kKick}, {0, 8});
    Notes(drum, {kSnare}, {4, 12});
    Notes(drum, {kClosedHat}, kEvenSteps);
    GridPart& bass = Grid(block, 0, kGridBass);
    Figure(bass, {kRoot, kRoot, kRoot, kFifth, kOctave, kFifth}, {0, 3, 8, 10, 12, 14});
    block.continueMajor[kGridSubHarmony] = 1;
    ApplyContinueColumns(block);
}

// Latin: quarter-note chords over clave, congas and maracas.
void GridPreset16(CustomHarmonyBlock& block) {
    Notes(Grid(block, 0, kGridHarmony), {kRoot, kThird, kFifth}, kQuarters);
    GridPart& drum = Grid(block, 0, kGridDrum);
    // Kick, snare, closed hat, cowbell, high and low bongo, mute, open and
    // low conga, maracas, claves, high and low timbale, tambourine.
    RowCodes(drum, {1, 3, 7, 21, 25, 26, 27, 28, 29, 35, 40, 30, 31, 19});
    Notes(drum, {0}, {0, 8});
    Notes(drum, {10}, {0, 3, 6, 10, 12});
    Notes(drum, {6}, kOffbeats);
    Notes(drum, {7}, {7, 15});
    Notes(drum, {8}, {12});
    Notes(drum, {9}, kEvenSteps);
    ApplyContinueColumns(block);
}

// Dance: syncopated stabs, four-on-the-floor with clap and open hats, and an
// off-beat bass.
void GridPreset17(CustomHarmonyBlock& block) {
    Notes(Grid(block, 0, kGridHarmony), {kThird, kFifth, kOctave}, {3, 6, 11, 14});
    Notes(Grid(block, 0, kGridSubHarmony), {kRoot, kFifth}, {0, 8});
    GridPart& drum = Grid(block, 0, kGridDrum);
    // Kick, snare, clap, closed and open hat, crash, pedal hat, ride,
    // tambourine, toms, electric snare, second ride, acoustic kick.
    RowCodes(drum, {1, 3, 4, 7, 11, 14, 9, 16, 19, 10, 15, 5, 24, 0});
    Notes(drum, {0}, kQuarters);
    Notes(drum, {2}, {4, 12});
    Notes(drum, {3}, {0, 1, 3, 4, 5, 7, 8, 9, 11, 12, 13, 15});
    Notes(drum, {4}, kOffbeats);
    GridPart& bass = Grid(block, 0, kGridBass);
    Notes(bass, {kRoot}, kOffbeats);
    Notes(bass, {kOctave}, {7, 15});
    ApplyContinueColumns(block);
}

// Sixteenth-note arpeggio, root to octave.
void GridPreset18(CustomHarmonyBlock& block) {
    GridPart& harmony = Grid(block, 0, kGridHarmony);
    static constexpr int kCycle[4] = {kRoot, kThird, kFifth, kOctave};
    for (int step = 0; step < kGridSteps; ++step)
        harmony.Cell(kCycle[step % 4], step) = 1;
    ApplyContinueColumns(block);
}

// Alberti figure: root, fifth, third, fifth.
void GridPreset19(CustomHarmonyBlock& block) {
    GridPart& harmony = Grid(block, 0, kGridHarmony);
    static constexpr int kCycle[4] = {kRoot, kFifth, kThird, kFifth};
    int n = 0;
    for (int step : kEvenSteps)
        harmony.Cell(kCycle[n++ % 4], step) = 1;
    ApplyContinueColumns(block);
}

// Two-bar rock guitar: eighth-note power chords, then a held answer.
void GridPreset20(CustomHarmonyBlock& block) {
    Notes(Grid(block, 0, kGridHarmony), {kRoot, kFifth, kOctave}, kEvenSteps);
    GridPart& second = Grid(block, 1, kGridHarmony);
    Notes(second, {kRoot, kFifth, kOctave}, {0, 6, 8});
    Continue(second, {1, 2, 3, 4, 5, 7, 9, 10, 11, 12, 13, 14, 15});
    HarmonyOptions(block, 1, 0, 1);
    ApplyContinueColumns(block);
}

// Two-bar acoustic strum, carried over the chord change.
void GridPreset21(CustomHarmonyBlock& block) {
    Notes(Grid(block, 0, kGridHarmony), {kRoot, kThird, kFifth, kOctave}, {0, 4, 6, 10, 12, 14});
    Notes(Grid(block, 1, kGridHarmony), {kRoot, kThird, kFifth, kOctave}, {0, 4, 6, 8, 12});
    HarmonyOptions(block, 1, 1, 1);
    ApplyContinueColumns(block);
}

// Country two-beat: off-beat chords over a root-fifth bass.
void GridPreset22(CustomHarmonyBlock& block) {
    Notes(Grid(block, 0, kGridHarmony), {kThird, kFifth, kOctave}, kOffbeats);
    GridPart& bass = Grid(block, 0, kGridBass);
    Notes(bass, {kRoot}, {0, 8});
    Notes(bass, {kFifth}, {4, 12});
    HarmonyOptions(block, 0, 1, 1);
    ApplyContinueColumns(block);
}

// Pushed chords doubled by the kick, with snare backbeat and hats.
void GridPreset23(CustomHarmonyBlock& block) {
    Notes(Grid(block, 0, kGridHarmony), {kRoot, kThird, kFifth}, {0, 3, 6, 8, 11, 14});
    GridPart& drum = Grid(block, 0, kGridDrum);
    Notes(drum, {kKick}, {0, 6, 8});
    Notes(drum, {kSnare}, {4, 12});
    Notes(drum, {kClosedHat}, kEvenSteps);
    HarmonyOptions(block, 0, 0, 0);
    ApplyContinueColumns(block);
}

// Quarter-note comping, off-beat answer in set 1, a moving pop bass.
void GridPreset24(CustomHarmonyBlock& block) {
    Notes(Grid(block, 0, kGridHarmony), {kRoot, kThird, kFifth}, kQuarters);
    Notes(Grid(block, 1, kGridHarmony), {kThird, kFifth, kOctave}, kOffbeats);
    GridPart& bass = Grid(block, 0, kGridBass);
    Figure(bass, {kRoot, kRoot, kRoot, kRoot, kFifth, kOctave}, {0, 4, 8, 10, 12, 14});
    ApplyContinueColumns(block);
}

// Anticipated chord with the bass on the same push.
void GridPreset25(CustomHarmonyBlock& block) {
    Notes(Grid(block, 0, kGridHarmony), {kRoot, kThird, kFifth, kOctave}, {0, 10});
    GridPart& bass = Grid(block, 0, kGridBass);
    Notes(bass, {kRoot}, {0, 10});
    Notes(bass, {kFifth}, {14});
    ApplyContinueColumns(block);
}

// Chords on beats 2 and 4.
void GridPreset26(CustomHarmonyBlock& block) {
    Notes(Grid(block, 0, kGridHarmony), {kThird, kFifth, kOctave}, {4, 12});
    ApplyContinueColumns(block);
}

// Bass note on the first beat, chords on the others.
void GridPreset27(CustomHarmonyBlock& block) {
    GridPart& harmony = Grid(block, 0, kGridHarmony);
    Notes(harmony, {kRoot}, {0});
    Notes(harmony, {kThird, kFifth, kOctave}, {4, 8, 12});
    ApplyContinueColumns(block);
}

// Sixteenth-note funk chops.
void GridPreset28(CustomHarmonyBlock& block) {
    Notes(Grid(block, 0, kGridHarmony), {kRoot, kThird, kFifth, kOctave}, {0, 3, 6, 9, 10, 13});
    ApplyContinueColumns(block);
}

// Bossa nova: comping in sevenths, a held root-fifth bass and a side-stick
// clave with hats, kick and cabasa.
void GridPreset29(CustomHarmonyBlock& block) {
    Notes(Grid(block, 0, kGridHarmony), {kThird, kFifth, kSeventh}, {0, 3, 6, 10, 13});
    GridPart& bass = Grid(block, 0, kGridBass);
    Figure(bass, {kRoot, kFifth, kRoot, kFifth}, {0, 6, 8, 14});
    Continue(bass, {1, 2, 3, 4, 5, 7, 9, 10, 11, 12, 13, 15});
    GridPart& drum = Grid(block, 0, kGridDrum);
    // Side stick, closed hat, kick, claves, maracas, cabasa, then the kit.
    RowCodes(drum, {2, 7, 0, 40, 35, 34, 9, 11, 14, 16, 19, 21, 25, 26});
    Notes(drum, {0}, {0, 3, 6, 10, 12});
    Notes(drum, {1}, kEvenSteps);
    Notes(drum, {2}, {0, 6, 8, 14});
    Notes(drum, {5}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
    ApplyContinueColumns(block);
}

// Held half-note pad in the sub harmony.
void GridPreset30(CustomHarmonyBlock& block) {
    HalfNotePad(Grid(block, 0, kGridSubHarmony));
    ApplyContinueColumns(block);
}

// Off-beat upstrokes in the sub harmony.
void GridPreset31(CustomHarmonyBlock& block) {
    Notes(Grid(block, 0, kGridSubHarmony), {kThird, kFifth, kOctave}, kOffbeats);
    ApplyContinueColumns(block);
}

// Pushed pad: held chords that anticipate beats 2 and 4.
void GridPreset32(CustomHarmonyBlock& block) {
    GridPart& sub = Grid(block, 0, kGridSubHarmony);
    Notes(sub, {kThird, kFifth, kOctave}, {0, 6, 8, 14});
    Continue(sub, {1, 2, 3, 4, 5, 7, 9, 10, 11, 12, 13, 15});
    ApplyContinueColumns(block);
}

// Quarter-note stabs in the sub harmony.
void GridPreset33(CustomHarmonyBlock& block) {
    Notes(Grid(block, 0, kGridSubHarmony), {kRoot, kThird, kFifth}, kQuarters);
    ApplyContinueColumns(block);
}

// Upper chord tones on a 3-3-2 rhythm.
void GridPreset34(CustomHarmonyBlock& block) {
    Notes(Grid(block, 0, kGridSubHarmony), {kFifth, kOctave, kThirdUp}, {0, 6, 12});
    ApplyContinueColumns(block);
}

// Rock bass: roots in pairs, climbing to the octave at the end of the bar.
void GridPreset35(CustomHarmonyBlock& block) {
    GridPart& bass = Grid(block, 0, kGridBass);
    Figure(bass, {kRoot, kRoot, kRoot, kRoot, kFifth, kOctave, kFifth}, {0, 3, 6, 8, 10, 12, 14});
    Continue(bass, {1, 7, 9, 11, 13, 15});
    ApplyContinueColumns(block);
}

// Held root for half a bar, then fifth and third.
void GridPreset36(CustomHarmonyBlock& block) {
    GridPart& bass = Grid(block, 0, kGridBass);
    Figure(bass, {kRoot, kFifth, kThird}, {0, 8, 12});
    Continue(bass, {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 13, 14, 15});
    ApplyContinueColumns(block);
}

// Tresillo bass: 3 + 3 + 2 in each half bar.
void GridPreset37(CustomHarmonyBlock& block) {
    GridPart& bass = Grid(block, 0, kGridBass);
    Figure(bass, {kRoot, kRoot, kFifth, kRoot, kFifth, kOctave}, {0, 3, 6, 8, 11, 14});
    Continue(bass, {1, 2, 4, 5, 7, 9, 10, 12, 13, 15});
    ApplyContinueColumns(block);
}

// Octave disco bass: root on the beat, octave off the beat.
void GridPreset38(CustomHarmonyBlock& block) {
    GridPart& bass = Grid(block, 0, kGridBass);
    Notes(bass, {kRoot}, kQuarters);
    Notes(bass, {kOctave}, kOffbeats);
    ApplyContinueColumns(block);
}

// ---- Random fills of the working style ----

namespace {

bool IsGuitarVoice(int voice) {
    return voice >= 24 && voice <= 30;
}

// Triads on even steps (root or octave, third and fifth), and on steps
// without a chord now and then a held pair of steps.
void RandomChordSteps(GridPart& grid) {
    for (int step = 0; step < kGridSteps; step += 2) {
        if (RandomInRange(1, 3) != 1) {
            int low = RandomInRange(1, 3) == 1 ? kOctave : kRoot;
            Notes(grid, {low, kThird, kFifth}, {step});
        } else if (RandomInRange(1, 2) == 1 && step > 0) {
            Continue(grid, {step, step - 1});
        }
    }
}

}  // namespace

void RandomHarmonyGrid() {
    std::lock_guard lock(StyleRecordMutex());
    CustomHarmonyBlock& block = WorkingStyle.customHarmony;
    GridPart& harmony = block.grid[0][kGridHarmony];
    RandomChordSteps(harmony);

    if (IsGuitarVoice(WorkingStyle.voice[kPartHarmony])) {
        if (RandomInRange(1, 3) == 1) {
            for (int step = 0; step < kGridSteps; ++step) {
                if (harmony.Cell(kThird, step) == 0) harmony.pnContinuem[step] = 1;
            }
        }
        block.stroke[kGridHarmony] = 1;
    }

    // A scale figure in the first half bar that is full of chords.
    int figures = 0;
    for (int half = 0; half < 2 && figures == 0; ++half) {
        int first = half * 8;
        int thirds = 0;
        for (int i = 0; i < 4; ++i)
            thirds += harmony.Cell(kThird, first + 2 * i);
        if (thirds < 3) continue;
        Steps steps = {first, first + 2, first + 4, first + 6};
        if (RandomInRange(1, 2) == 1) {
            Figure(harmony, {kRoot, kSecond, kThird, kThird}, steps);
            ++figures;
        } else if (RandomInRange(1, 2) == 1) {
            Figure(harmony, {kThird, kSecond, kRoot, kRoot}, steps);
            ++figures;
        }
    }
    ApplyContinueColumns(block);
}

void RandomSubHarmonyGrid() {
    std::lock_guard lock(StyleRecordMutex());
    CustomHarmonyBlock& block = WorkingStyle.customHarmony;
    GridPart& sub = block.grid[0][kGridSubHarmony];
    RandomChordSteps(sub);
    if (IsGuitarVoice(WorkingStyle.voice[kPartHarmony])) {
        for (int step = 0; step < kGridSteps; ++step) {
            if (RandomInRange(1, 2) == 1 && step % 2 == 0) Continue(sub, {step, step + 1});
        }
    }
    ApplyContinueColumns(block);
}

void RandomBassGrid() {
    std::lock_guard lock(StyleRecordMutex());
    CustomHarmonyBlock& block = WorkingStyle.customHarmony;
    GridPart& bass = block.grid[0][kGridBass];
    bool rootsOnly = RandomInRange(1, 2) == 1;
    bool firstNote = true;
    for (int step = 0; step < kGridSteps; step += 2) {
        if (RandomInRange(1, 3) != 1) {
            int row = kRoot;
            if (!rootsOnly && !firstNote) {
                static constexpr int kTones[3] = {kRoot, kThird, kFifth};
                row = kTones[RandomInRange(1, 3) - 1];
            }
            bass.Cell(row, step) = 1;
            firstNote = false;
        } else if (RandomInRange(1, 3) != 1 && step > 0) {
            Continue(bass, {step, step - 1});
        }
    }
    ApplyContinueColumns(block);
}

void RandomDrumGrid() {
    std::lock_guard lock(StyleRecordMutex());
    CustomHarmonyBlock& block = WorkingStyle.customHarmony;
    GridPart& drum = block.grid[0][kGridDrum];
    if (RandomInRange(1, 2) == 1) {
        Notes(drum, {kKick}, kEvenSteps);
    } else {
        for (int step = 0; step < kGridSteps; ++step) {
            bool hit = step % 2 == 1 ? RandomInRange(1, 2) == 1 : RandomInRange(1, 4) != 1;
            if (hit) drum.Cell(kKick, step) = 1;
        }
    }
    for (int step = 0; step < kGridSteps; step += 2) {
        if (RandomInRange(1, 3) != 1) {
            drum.Cell(RandomInRange(1, 2) == 1 ? kSnare : kClosedHat, step) = 1;
        }
    }
    if (RandomInRange(1, 2) == 1) drum.Cell(kSnare, 0) = 1;
    if (RandomInRange(1, 4) == 1) {
        // Row 9 becomes a tambourine.
        drum.pnInterval[kCrash] = 19;
        for (int step = 0; step < kGridSteps; ++step) {
            int chance = step % 4 == 0 ? 2 : (step % 2 == 0 ? 4 : 8);
            if (RandomInRange(1, chance) == 1) drum.Cell(kCrash, step) = 1;
        }
    }
    ApplyContinueColumns(block);
}

namespace {
constexpr GridPresetFunction kGridPresets[] = {
    GridPreset01, GridPreset02, GridPreset03, GridPreset04, GridPreset05, GridPreset06,
    GridPreset07, GridPreset08, GridPreset09, GridPreset10, GridPreset11, GridPreset12,
    GridPreset13, GridPreset14, GridPreset15, GridPreset16, GridPreset17, GridPreset18,
    GridPreset19, GridPreset20, GridPreset21, GridPreset22, GridPreset23, GridPreset24,
    GridPreset25, GridPreset26, GridPreset27, GridPreset28, GridPreset29, GridPreset30,
    GridPreset31, GridPreset32, GridPreset33, GridPreset34, GridPreset35, GridPreset36,
    GridPreset37, GridPreset38,
};
}  // namespace

GridPresetFunction GridPresetByNumber(int number) {
    if (number < 1 || number > static_cast<int>(std::size(kGridPresets))) return nullptr;
    return kGridPresets[number - 1];
}
