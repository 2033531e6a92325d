// A drop-down list whose items would make FLTK's menu taller than the screen
// (59 harmony patterns, 52 handsets) opens as a scrolling list beside its
// box instead, inside the screen's work area, so every item can be reached.
#pragma once

class Fl_Choice;

namespace platform::ui::fltk_long_choice {

// Where a list of `rows` rows, each rowHeight pixels, with `frame` pixels of
// border, opens beside a box spanning boxTop..boxBottom of a work area
// spanning areaTop..areaBottom: below the box when it fits there whole,
// else above it, else on the side with more room, cut to whole rows. It
// never covers the box.
struct ListPlace {
    int top = 0;
    int height = 0;
};
ListPlace PlaceList(int rows, int rowHeight, int frame, int boxTop, int boxBottom, int areaTop,
                    int areaBottom);

// A drop-down box, added to the group being built as FLTK's widgets are:
// more than 20 items open as the list above, fewer as FLTK's own menu.
Fl_Choice* NewLongChoice(int x, int y, int w, int h);

}  // namespace platform::ui::fltk_long_choice
