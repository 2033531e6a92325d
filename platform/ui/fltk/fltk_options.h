// FLTK's own options (tooltips, focus, the GTK file chooser) from its
// preferences files, read so that a damaged file cannot end the program.
#pragma once

#include <string>

namespace platform::ui::fltk_options {

// True when FLTK's preferences reader takes the text without harm. It drops
// the first three lines and puts every later entry into the group named
// before it; a group not named from the root ("[options]" rather than
// "[./options]") has no node, and an entry under it crashes the reader.
bool ReaderTakes(const std::string& prefsText);

// Makes FLTK read its options now. A user preferences file the reader would
// not take is kept from it: FLTK reads its defaults instead, and the options
// the file sets in a group named "options" are applied over them, so the
// user's choices (FNFCUsesGTK:0 among them) still hold.
void Load();

// The option FLTK's file chooser follows: GTK's dialog or its own.
bool ChooserUsesGtk();

}  // namespace platform::ui::fltk_options
