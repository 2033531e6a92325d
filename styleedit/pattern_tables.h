// The pattern choices the style editor's choosers list: each entry's display
// name, the type code stored in the style and its eight profile changes for
// the style wizard. Names and codes come from the text form's lists, the
// profile changes from the wizard's tables, so each choice is written once.
#pragma once

#include <array>
#include <cstdint>
#include <span>

struct PatternEntry {
    const char* name;
    int code;
    std::array<std::int8_t, 8> profile;  // all 0 for lists without a profile
};
using PatternTable = std::span<const PatternEntry>;

// "Quarter Cutting" has no code of its own in the text form (it reads as 46,
// "Fixed Long Riff(2)"); the chooser stores the type the harmony generator
// plays for it.
constexpr int kQuarterCuttingCode = 60;

PatternTable HarmonyPatternTable();    // 59 entries
PatternTable BassPatternTable();       // 23 entries
PatternTable RhythmPatternTable();     // 39 entries
PatternTable SubMelodyMethodTable();   // 3 entries
PatternTable SubDrumPatternTable();    // 2 entries

// Position of the first entry with the code; -1 when none has it.
int PatternPosition(PatternTable table, int code);
