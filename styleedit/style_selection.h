// What the style selection dialog does to the selection tables and the
// catalogue, without any window: the table entry behind each button of a
// page, clicks on buttons and squares, page turns, the count OK checks, and
// the edit of a catalogue entry through WorkingStyle.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "core/settings.h"
#include "style/music_style.h"

constexpr int kStyleButtonsPerPage = kStyleSlots;  // 24
constexpr int kStylePageCount = kStyleCategories;  // 9

// The page the dialog shows (0..8): 0 at start-up, kept between openings
// within a run, never saved.
extern int StyleSelectionPage;
// The count OK found last.
extern int SelectedStyleCount;

using StyleButtonStates = std::array<int, kStyleButtonsPerPage>;

// The selection entry behind button k (1..24) of a page in the panel mode:
// the compose table in compose mode, the convert table in convert mode,
// where button 1 of every page stands for the one "Format Change" entry.
// Null in any other mode and for k or page out of range.
std::int32_t* StyleSelectionEntry(int mode, int page, int k);

// Writes value into the entry of button k in the current panel mode.
void SetStyleSelected(int page, int k, int value);
// The 24 states of a page from the table of the current mode (0 where
// there is no entry).
void LoadStyleButtonStates(int page, StyleButtonStates& states);
// CountSelectedStyles into SelectedStyleCount; returns it.
int UpdateSelectedStyleCount();

// The page one step (-1 or +1) from page, wrapping within 0..8.
int TurnStylePage(int page, int step);

// A click on button k: in convert mode the one choice (every page's entry
// cleared first); otherwise k toggles, or is selected when select is set
// (a square never deselects). The table follows the states.
void ClickStyleButton(int page, int k, StyleButtonStates& states, bool select);

// What a square's click came to.
enum class SquareOutcome {
    Refused,  // slot 0 (the random entry or "Format Change"): "Can't edit this style!"
    Edited,   // the hub ran over the entry
    Ignored,  // no such square
};

// A click on square j (1..24): first as a selecting click on button j; then
// slot 0 is refused with 0xFF01011D (still selected); any other entry is
// copied into WorkingStyle, hub runs, and WorkingStyle goes back over the
// entry. Every whole-record copy holds the style lock.
SquareOutcome ClickStyleSquare(int page, int j, StyleButtonStates& states,
                               const std::function<void()>& hub);

// The caption of button k: the entry's title, "Format Change" for button 1
// in convert mode.
std::string StyleButtonCaption(int page, int k);
// The tooltip of button k: the entry's description, in UTF-8.
std::string StyleButtonTooltip(int page, int k);

// Code page 932 text in UTF-8; text that does not convert keeps its bytes.
std::string StyleTextToUtf8(const std::string& cp932);
