// Checks of style records read from files: the values each field allows, the
// corrections a readable record with values outside them gets, and the text
// fields kept to characters that display.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "style/music_style.h"

// The values one field allows: low..high, or with `values` only those, and
// `extra` besides (the "not used" voice, say).
struct FieldRange {
    int low;
    int high;
    std::span<const int> values = {};
    int extra = low;

    bool Allows(int value) const;
};

// The ints of a step grid and a pattern slot's options: cells and repeat
// flags on or off, a row tone naming one of the longest row-name list (47
// drums), and the grid set a slot plays (the editor's three layouts and the
// record's fourth set).
constexpr FieldRange kSwitchRange{0, 1};
constexpr FieldRange kGridToneRange{0, 46};
constexpr FieldRange kGridLayoutRange{0, kGridSets - 1};

// The first int of the grid (in file order: 224 cells, 14 row tones, 16
// repeat flags) outside its range, or -1.
int FirstBadGridInt(const GridPart& grid);
// How a message names that int: "cell 3 of row 5", "row tone 2", ...
std::string GridIntName(int index);

// Letters a chord code is made of: a root (or "N" for no chord), a third,
// a fifth and a seventh letter.
bool IsChordCodeText(const char code[4]);

// The text with every byte that does not begin a displayable code page 932
// character (a control byte, a lead byte without its trail, a code with no
// character) replaced by '?'.
std::string CleanCp932Text(std::string_view text);

// The record's format version, as this program and its forerunners wrote it.
constexpr FieldRange kStyleVersionRange{0, kStyleFormatVersion};

// Brings every checked field into its range: an int outside it takes the
// value of a fresh record, the chord list ends before its first bad chord,
// the titles and the description lose what does not display, scale notes
// without a digit for each pitch class become a fresh record's. Returns the
// names of the settings changed, each once, in record order.
std::vector<std::string> CorrectStyleFields(MusicStyle& style);
