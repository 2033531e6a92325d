// The built-in style catalogue (9 categories of 24 slots), the working style
// the composer reads, and the style editor's clipboard.
#pragma once

#include <mutex>

#include "core/settings.h"
#include "style/music_style.h"

enum StyleCategory : int {
    kPopsWorld = 0,
    kPopsJapan = 1,
    kJazz = 2,
    kClassic = 3,
    kEthnicEastern = 4,
    kEthnicWestern = 5,
    kGameMusic = 6,
    kHealingMusic = 7,
    kTechno = 8,
};
// kStyleCategories and kStyleSlots come with the selection tables.
constexpr int kStyleEntries = kStyleSelectionCount;

// Index category * 24 + slot.
extern MusicStyle StyleTable[kStyleEntries];
// The style of the tune being composed or edited.
extern MusicStyle WorkingStyle;
// The style editor's copy of a style.
extern MusicStyle StyleClipboard;

// Held while a whole record is copied into or out of WorkingStyle, the
// clipboard or a catalogue entry, so no thread sees half a record.
std::recursive_mutex& StyleRecordMutex();

// The name shown for a category ("Pops(World)" ...); empty outside 0..8.
const char* StyleCategoryName(int category);

// Builds the built-in preset at a catalogue position into entry. True when a
// preset sits at that position; false (entry untouched) for the other slots.
extern bool BuildPresetStyle(int category, int slot, MusicStyle& entry);

// The Random entry of a category: defaults, title, description and the
// random-generator code of the category (category + 1).
void RandomStyleEntry(int category, MusicStyle& entry);

// Fills all 216 entries (once, after the settings are read), then copies
// entry (0, 1) into StyleClipboard.
void BuildStyleTable();

// Copies a whole catalogue entry out of or into the table, under the lock.
// Positions outside the table are refused (false).
bool GetStyleEntry(int category, int slot, MusicStyle& out);
bool SetStyleEntry(int category, int slot, const MusicStyle& style);

// An empty catalogue slot as the catalogue builds it: no title of either
// kind and the description of a style not defined. It holds no style to
// compose.
bool IsBlankStyle(const MusicStyle& style);
// The catalogue entry at a position is blank (read under the lock); false
// outside the table.
bool StyleEntryIsBlank(int category, int slot);
// Gives a style without a display title a name to show: its stored title,
// else its category's name and its button number, slot + 1 ("Techno 11"),
// cut to the title field.
void NameUntitledStyle(MusicStyle& style, int category, int slot);

// Copies the style (taken whole first, so it may be WorkingStyle itself) into
// WorkingStyle, then runs the major or minor key set-up by its "Key".
void SetWorkingStyle(MusicStyle style);
void GetWorkingStyle(MusicStyle& out);
