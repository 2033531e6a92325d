// The message boxes and notices on FLTK: each a window of its own that owns
// its text, laid out to fit the screen's work area, long texts wrapped.
#pragma once

#include <string>

#include "platform/ui/backend.h"

class Fl_Window;

namespace platform::ui::fltk_boxes {

// The Gothic CJK face (IPAGothic) in FLTK's first free font slot, and the
// size of every control's and box's text.
constexpr int kGothic = 16;
constexpr int kTextSize = 12;

// The text broken into lines no wider than width pixels in the current
// font: at blanks, and a word wider than a line at a character boundary.
// Blanks between words become one; line breaks stay.
std::string WrapToWidth(const std::string& utf8, int width);

// A modal box with the text, run until it is answered: kIdOk, or kIdCancel
// for Cancel, Esc or the close box of an OK/Cancel box. A box closed by a
// quit answers as Esc does.
int RunBox(BoxKind kind, const std::string& utf8);

// A plain window with the text and an OK button that grabs nothing, so the
// panel stays usable beside it; it goes when closed.
void ShowNotice(const std::string& utf8);
bool IsNotice(const Fl_Window* window);
// The notice opened last that is still open, or null.
Fl_Window* NewestNotice();
// A notice takes every key pressed in it: Return, Esc and the space bar
// close it, and no key reaches the windows under it.
int NoticeKey(Fl_Window* notice, int event);

}  // namespace platform::ui::fltk_boxes
