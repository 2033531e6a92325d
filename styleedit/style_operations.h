// The whole-style operations of the style editor over WorkingStyle, without
// any window: copy and paste through the style clipboard, the wizard's
// naming, and saving and loading style files. Every whole-record copy holds
// the style lock (the accessors of style/style_table.h).
#pragma once

#include <string>

#include "style/music_style.h"

namespace platform::ui {
class Window;
}

constexpr const char* kStyleSaveFilter = "Style files|*.dat|Text files|*.txt|";
constexpr const char* kStyleSaveRetryFilter = "Style files|*.dat|";
constexpr const char* kNoNameProposal = "no_name";
constexpr const char* kMidiFileFilter = "midi files|*.mid|";
// The common-dialog error of a proposed name that is no valid file name.
constexpr int kInvalidFileNameError = 0x3002;

// WorkingStyle into the clipboard, and a copy of the clipboard back.
void CopyWorkingStyle();
void PasteStyleClipboard();
// Mixes WorkingStyle with a copy of the clipboard.
void MixWithStyleClipboard();

// Extract: asks for a MIDI file (the chooser starts at the last file of the
// run), extracts a style from it over owner's channel-role dialog and, only
// when that worked, names it "Extracted Style". A cancel, a failed load or
// a structure held by another material leaves WorkingStyle as it was; a
// failing dialog is reported. True when the style was extracted.
bool ExtractWorkingStyle(platform::ui::Window* owner);
// Forgets the last MIDI file chosen (a new run).
void ResetMidiChoice();

// After the wizard: "Original Style", "Orizinal style by wizard is defined.".
void NameWizardStyle();

// The file name proposed for saving a style: its title with every blank and
// '/' turned into '_' (the two bytes of a double-byte character kept), in
// UTF-8 when the title converts; "no_name" when nothing usable is left.
std::string ProposedStyleFileName(const MusicStyle& style);
// The path written: ".dat" appended to a name ending in ".mid" (any case).
std::string StyleSavePath(const std::string& chosen);

// Save: asks for a name (the proposal first; a refused proposal asks again
// with "no_name"), writes a copy of WorkingStyle, then pauses 1000 ms.
// Dialog failures are shown; a plain cancel is silent. True when written.
bool SaveWorkingStyle();

// Load: asks for a style file and loads it into a copy first, which then
// becomes WorkingStyle with its key tables; a cancel or a failed load leaves
// WorkingStyle as it was. Pauses 1000 ms after a load. True when loaded.
bool LoadWorkingStyle();
