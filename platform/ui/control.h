// The controls a window holds at absolute rectangles. A control keeps its own
// state (text, value, items, ...) here; the backend's peer mirrors it on the
// screen and feeds user changes back through the window's handler.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/geometry.h"
#include "platform/ui/image.h"

namespace platform::ui {

class Window;

enum class ControlKind {
    ImageHolder,  // shows an image (a skin face); clicks fall through to the window
    PushButton,
    ComboBox,  // drop-down list whose items carry values
    Edit,      // one-line edit field
    UpDown,    // arrows stepping the value of a bound edit field
    CheckBox,
    HScrollBar,
    VScrollBar,
    ListBox,  // items with colours
    Trackbar,
    TextView,  // read-only text of several lines
    TextPane,  // read-only text wrapped at the control's width, scrolled when longer
};

enum class ControlEvent {
    Clicked,           // push button or check box (the check box's value has changed)
    SelectionChanged,  // combo or list box
    TextChanged,       // edit field
    ValueChanged,      // scroll bar, trackbar, up-down
    ThumbReleased,     // scroll bar: a thumb drag ended; the value is where it was dropped
};

// What moved a scroll bar when its handler hears ValueChanged.
enum class ScrollCause {
    Direct,  // not by the bar's own parts (the driver's plain Scroll, a trackbar)
    Arrow,  // an arrow, or a key or the wheel stepping a line
    Page,   // the track beside the thumb, or a page key
    Thumb,  // the thumb while it is dragged
};

struct ListItem {
    std::string text;
    int value = 0;
    Rgb colour{0, 0, 0};
    friend bool operator==(const ListItem&, const ListItem&) = default;
};

class ControlPeer {
public:
    virtual ~ControlPeer() = default;
    // Shows the control's current state.
    virtual void Sync() = 0;
};

class Control {
public:
    Control(Window& window, ControlKind kind, const Rect& bounds, int id);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    Window& Owner() const { return window_; }
    ControlKind Kind() const { return kind_; }
    int Id() const { return id_; }

    const Rect& Bounds() const { return bounds_; }
    void Move(const Rect& bounds);
    void Show(bool visible);
    bool IsVisible() const { return visible_; }
    void Enable(bool enabled);
    bool IsEnabled() const { return enabled_; }
    // The caption of a button or check box, the text of an edit field or a
    // text view.
    void SetText(const std::string& utf8);
    const std::string& Text() const { return text_; }
    void SetTooltip(const std::string& utf8);
    const std::string& Tooltip() const { return tooltip_; }

    // Image holders: the image shown (not owned; the skin store keeps it).
    void SetImage(const Image* image);
    const Image* ShownImage() const { return image_; }

    // List boxes: the colour behind the items (the system's face when never
    // set).
    void SetFillColour(Rgb colour);
    const std::optional<Rgb>& FillColour() const { return fill_; }

    // Combo and list boxes.
    void AddItem(const std::string& utf8, int value, Rgb colour = Rgb{0, 0, 0});
    void ClearItems();
    const std::vector<ListItem>& Items() const { return items_; }
    // -1 selects nothing; an index outside the items selects nothing too.
    void SetSelection(int index);
    int Selection() const { return selection_; }
    // The value of the selected item, or fallback when none is selected.
    int SelectedValue(int fallback = -1) const;

    // Scroll bars, trackbars, up-downs (lo may be negative) and check boxes
    // (0 or 1). The value is kept inside the range.
    void SetRange(int lo, int hi);
    int RangeLow() const { return low_; }
    int RangeHigh() const { return high_; }
    void SetValue(int value);
    int Value() const { return value_; }
    void SetPage(int page);  // scroll bars: the visible part
    int Page() const { return page_; }
    void SetTickFrequency(int every);  // trackbars
    int TickFrequency() const { return ticks_; }

    // Edit fields.
    void SetNumeric(bool numeric);
    bool IsNumeric() const { return numeric_; }
    void SetMaxLength(int length);  // 0 = no limit
    int MaxLength() const { return maxLength_; }
    // The number in the text, or fallback when it holds none; a number past
    // the int range is held to the int range.
    int NumberOr(int fallback) const;

    // Up-downs: the edit field they step, and the steps they make.
    void BindBuddy(Control* edit);
    Control* Buddy() const { return buddy_; }

    // What the user did, as the backend or the test driver reports it: the
    // state changes first, then the window's handler hears of it.
    void UserSetText(const std::string& utf8);
    void UserSetValue(int value);
    // Scroll bars: a move by one of the bar's parts (the handler hears
    // ValueChanged and may read the cause), and the drop that ends a thumb
    // drag (ThumbReleased).
    void UserScroll(ScrollCause cause, int value);
    void UserReleaseThumb(int value);
    ScrollCause LastScrollCause() const { return scrollCause_; }
    void UserSelect(int index);
    void UserClick();
    // An up-down arrow: the handler is told the step and may refuse it.
    void UserStep(int delta);

    void AttachPeer(std::unique_ptr<ControlPeer> peer);

private:
    void Synced();
    std::string CutToLength(const std::string& utf8) const;

    Window& window_;
    ControlKind kind_;
    int id_;
    Rect bounds_;
    bool visible_ = true;
    bool enabled_ = true;
    std::string text_;
    std::string tooltip_;
    const Image* image_ = nullptr;
    std::vector<ListItem> items_;
    std::optional<Rgb> fill_;
    int selection_ = -1;
    int low_ = 0;
    int high_ = 100;
    int value_ = 0;
    int page_ = 1;
    ScrollCause scrollCause_ = ScrollCause::Direct;
    int ticks_ = 0;
    bool numeric_ = false;
    int maxLength_ = 0;
    Control* buddy_ = nullptr;
    std::unique_ptr<ControlPeer> peer_;
};

// Widest a tooltip grows before it wraps.
constexpr int kTooltipWidth = 288;

}  // namespace platform::ui
