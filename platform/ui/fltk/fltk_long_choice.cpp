#include "platform/ui/fltk/fltk_long_choice.h"

#include <FL/Fl.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/fl_draw.H>

#include <algorithm>

namespace platform::ui::fltk_long_choice {

namespace {

// The list is at least this wide, and this much wider than its widest item
// (the browser's own inner margin and the scroll bar's gap).
constexpr int kListWidthAtLeast = 160;
constexpr int kItemMargin = 8;

// The list's rows, asked for the height FLTK draws a row at and for the row
// under a point.
class ListRows : public Fl_Hold_Browser {
public:
    using Fl_Hold_Browser::Fl_Hold_Browser;

    int RowHeight() const {
        void* first = item_first();
        return std::max(first ? item_height(first) : textsize(), 1);
    }
    // The line (from 1) under the window's y, or 0.
    int LineAt(int y) {
        void* item = find_item(y);
        return item ? lineno(item) : 0;
    }
    // The whole rows the list shows at once.
    int RowsShown() {
        int left = 0, top = 0, width = 0, height = 0;
        bbox(left, top, width, height);
        return std::max(height / RowHeight(), 1);
    }
};

// The line an arrow, page or end key moves the mark to from `line` in a
// list of `lines` lines that shows `page` at once; 0 for any other key.
int LineAfterKey(int key, int line, int lines, int page) {
    const int step = std::max(page - 1, 1);
    switch (key) {
        case FL_Up:
            return std::max(line - 1, 1);
        case FL_Down:
            return std::clamp(line + 1, 1, lines);
        case FL_Page_Up:
            return std::max(line - step, 1);
        case FL_Page_Down:
            return std::clamp(line + step, 1, lines);
        case FL_Home:
            return 1;
        case FL_End:
            return lines;
        default:
            return 0;
    }
}

// The list's window. A click outside it or Esc closes it, as a menu's. While
// the press that opened the list is held, the row under the pointer is
// marked and a release on a row picks it; released elsewhere (on the box)
// the list stays open for a click. The arrow, page and end keys move the
// mark and Return picks the marked row.
class Popup : public Fl_Double_Window {
public:
    Popup(int width, bool pressHeld) : Fl_Double_Window(0, 0, width, 1), pressHeld_(pressHeld) {}

    ListRows* rows = nullptr;
    int chosen = -1;

    void Pick(int line) {
        chosen = line - 1;
        hide();
    }

    int handle(int event) override {
        const bool inside = rows && Fl::event_inside(rows);
        if (pressHeld_ && (event == FL_DRAG || event == FL_RELEASE)) {
            const int line = inside ? rows->LineAt(Fl::event_y()) : 0;
            if (line > 0) rows->value(line);
            if (event == FL_RELEASE) {
                pressHeld_ = false;
                if (line > 0) Pick(line);
            }
            return 1;
        }
        // Under the grab keys come to this window, not to the list that
        // has the focus: the list's keys are served here.
        if (event == FL_KEYBOARD && rows && Key(Fl::event_key())) return 1;
        // Under the grab FLTK closes no window on Esc: the list does.
        if ((event == FL_PUSH && !inside) ||
            (event == FL_SHORTCUT && Fl::event_key() == FL_Escape)) {
            hide();
            return 1;
        }
        return Fl_Double_Window::handle(event);
    }

private:
    bool Key(int key) {
        if (key == FL_Enter || key == FL_KP_Enter) {
            if (rows->value() > 0) Pick(rows->value());
            return true;
        }
        const int line = LineAfterKey(key, rows->value(), rows->size(), rows->RowsShown());
        if (line <= 0) return false;
        rows->value(line);
        rows->make_visible(line);
        return true;
    }

    bool pressHeld_;
};

class LongChoice : public Fl_Choice {
public:
    // Up to this many items open as FLTK's own menu.
    static constexpr int kMenuItemsAtMost = 20;
    using Fl_Choice::Fl_Choice;

    int handle(int event) override;

private:
    // Shows the items as a list beside the box until an item is clicked (or,
    // while the opening press is held, released on) or the list is closed
    // by Esc or a click outside; returns the item, or -1.
    int PickFromList(bool pressHeld);
};

}  // namespace

ListPlace PlaceList(int rows, int rowHeight, int frame, int boxTop, int boxBottom, int areaTop,
                    int areaBottom) {
    rowHeight = std::max(rowHeight, 1);
    const int whole = std::max(rows, 1) * rowHeight + frame;
    const int roomBelow = areaBottom - boxBottom;
    const int roomAbove = boxTop - areaTop;
    const bool below = whole <= roomBelow || (whole > roomAbove && roomBelow >= roomAbove);
    const int room = below ? roomBelow : roomAbove;
    const int shown = std::clamp((room - frame) / rowHeight, 1, std::max(rows, 1));
    const int height = shown * rowHeight + frame;
    return ListPlace{below ? boxBottom : boxTop - height, height};
}

int LongChoice::handle(int event) {
    const bool opens =
        event == FL_PUSH || (event == FL_KEYBOARD && Fl::focus() == this && Fl::event_key() == ' ');
    if (!opens || size() - 1 <= kMenuItemsAtMost || !active_r()) return Fl_Choice::handle(event);
    const int picked = PickFromList(event == FL_PUSH);
    if (picked >= 0 && picked != value()) {
        value(picked);
        set_changed();
        do_callback();
    }
    return 1;
}

int LongChoice::PickFromList(bool pressHeld) {
    const int items = size() - 1;
    const int boxLeft = window() ? window()->x_root() + x() : x();
    const int boxTop = window() ? window()->y_root() + y() : y();
    int areaX = 0, areaY = 0, areaW = 0, areaH = 0;
    Fl::screen_work_area(areaX, areaY, areaW, areaH, boxLeft, boxTop);
    fl_font(textfont(), textsize());
    int widest = 0;
    for (int i = 0; i < items; ++i)
        if (menu()[i].label())
            widest = std::max(widest, static_cast<int>(fl_width(menu()[i].label())));

    Popup popup(1, pressHeld);
    popup.border(0);
    ListRows list(0, 0, 1, 1);
    popup.rows = &list;
    list.box(FL_DOWN_BOX);  // what the browser draws for FL_NO_BOX, named to know its frame
    list.has_scrollbar(Fl_Browser_::VERTICAL);
    list.textfont(textfont());
    list.textsize(textsize());
    for (int i = 0; i < items; ++i)
        list.add("");
    for (int i = 0; i < items; ++i)  // set as text, so '@' and '/' are shown as they stand
        list.text(i + 1, menu()[i].label() ? menu()[i].label() : "");
    list.format_char(0);
    popup.end();

    const int frame = Fl::box_dh(list.box());
    const ListPlace place =
        PlaceList(items, list.RowHeight(), frame, boxTop, boxTop + h(), areaY, areaY + areaH);
    const int width = std::min(
        std::max({w(), kListWidthAtLeast, widest + kItemMargin + frame + Fl::scrollbar_size()}),
        areaW);
    popup.resize(std::clamp(boxLeft, areaX, areaX + areaW - width), place.top, width, place.height);
    list.resize(0, 0, width, place.height);
    list.value(value() + 1);
    // A cut list is scrolled by whole rows to show the item in its middle;
    // one that is whole is not scrolled, which would show its scroll bar.
    const int shown = (place.height - frame) / list.RowHeight();
    if (shown < items) list.topline(std::clamp(value() + 1 - shown / 2, 1, items - shown + 1));
    list.callback([](Fl_Widget* w, void*) {
        if (Fl::event() != FL_RELEASE && Fl::event_key() != FL_Enter) return;
        auto* browser = static_cast<Fl_Hold_Browser*>(w);
        static_cast<Popup*>(browser->window())->Pick(browser->value());
    });
    list.when(FL_WHEN_RELEASE_ALWAYS | FL_WHEN_ENTER_KEY_ALWAYS);
    popup.set_modal();
    popup.show();
    list.take_focus();
    Fl::grab(&popup);
    while (popup.shown())
        Fl::wait(0.1);
    Fl::grab(nullptr);
    return popup.chosen;
}

Fl_Choice* NewLongChoice(int x, int y, int w, int h) {
    return new LongChoice(x, y, w, h);
}

}  // namespace platform::ui::fltk_long_choice
