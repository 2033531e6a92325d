// The melody table of a style as its editor shows it: per interval class a
// probability and a direction, four chord-adjustment switches and how many
// earlier notes the next note looks back on. The editor works on a copy
// and stores it whole; only a look-back outside its choices is mended in
// the style at once, when the editor opens.
#pragma once

#include <array>
#include <cstdint>

#include "style/music_style.h"

constexpr int kMelodyTableClasses = 8;  // interval classes 1..8
constexpr int kIntervalProbabilityMin = 0;
constexpr int kIntervalProbabilityMax = 100;
constexpr int kIntervalDirectionMin = -50;
constexpr int kIntervalDirectionMax = 50;

// The switches in the order the editor lists its check boxes.
constexpr int kMelodyTableFlagCount = 4;
struct MelodyTableFlag {
    const char* caption;
    std::int32_t MusicStyle::*field;
};
constexpr MelodyTableFlag kMelodyTableFlags[kMelodyTableFlagCount] = {
    {"Adjust the first note to chord", &MusicStyle::mtAdjustF},  // first note
    {"Adjust long note to chord", &MusicStyle::mtAdjustL},       // long notes
    {"Don't continue disonant", &MusicStyle::mtNoCnt},           // no two dissonances running
    {"Adjust the last note to chord", &MusicStyle::mtAdjustE},   // last note
};

// The look-back choices; the stored value is the position.
constexpr int kMelodyLookBackCount = 3;
constexpr const char* kMelodyLookBackTexts[kMelodyLookBackCount] = {
    "1つ前の音まで参照",  // 0: the note before
    "2つ前の音まで参照",  // 1: two notes back
    "3つ前の音まで参照",  // 2: three notes back
};

struct MelodyTableValues {
    std::array<int, kMelodyTableClasses> probability{};
    std::array<int, kMelodyTableClasses> direction{};
    std::array<int, kMelodyTableFlagCount> flags{};  // 0 or 1
    int lookBack = 0;                                // 0..kMelodyLookBackCount - 1
};

// Sets a look-back outside the choices to 0 in the style.
void MendMelodyLookBack(MusicStyle& style);

// What the editor opens on: probabilities and directions kept inside their
// ranges, a switch on only when the style holds exactly 1, the look-back
// as a choice (0 when outside them).
MelodyTableValues ReadMelodyTable(const MusicStyle& style);

// Stores every value, each kept inside its range, the switches as 0 or 1.
void StoreMelodyTable(const MelodyTableValues& values, MusicStyle& style);
